// What players type to meet: host and port, room codes and the page's link, and the relay's address
// with the order of the places it is taken from, and which of a relay's brokers keeps a room.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "net/relay_address.h"
#include "net/relay_rooms.h"
#include "net/room_code.h"
#include "net/transport.h"
#include "testkit/in_process.h"
#include "tests/support/golden.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace net;

// How `text` is read as `what` (a row's first field): its host and port, its room code or "fine",
// or the error; or the page's link to a room of that code. A room code refused leaves the code as it was.
std::string Reading(const std::string& what, const std::string& text) {
    std::string host, code = "unchanged", error;
    std::uint16_t port = 0;
    if (what == "room link" || what == "watch link")
        return (what == "room link" ? RoomLink : WatchLink)("http://example.org/lobshot/", text);
    if (what == "room code")
        return ParseRoomCode(text, &code, &error) ? code
               : code == "unchanged"              ? "error: " + error
                                                  : "changed";
    const bool fine = what == "host:port"     ? ParseHostPort(text, &host, &port, &error)
                      : what == "host[:port]" ? ParseHostOptionalPort(text, 7, &host, &port, &error)
                      : what == "relay"       ? CheckRelayAddress(text, "LOBSHOT_RELAY", &error)
                                              : CheckRoomPage(text, "LOBSHOT_PAGE", &error);
    if (!fine) return "error: " + error;
    return host.empty() ? "fine" : host + " " + std::to_string(port);
}

// The cases are kept in net/addresses.tsv.
TEST(NetAddresses, WhatPlayersTypeIsReadOrRefusedWithItsReason) {
    for (const auto& row : GoldenRows("net/addresses.tsv"))
        EXPECT_EQ(Reading(row[0], row[1]), row[2]) << row[1];
    EXPECT_EQ(Reading("relay", std::string(400, 'a') + ":1883"),
              "error: LOBSHOT_RELAY: the relay's address is too long");
}

// 32 characters without look-alikes, five bits a character, the first byte's highest bit first:
// each group of five of `counting` counts up.
TEST(RoomCode, BitsAreSpelledFiveAtATimeInAnAlphabetWithoutLookAlikes) {
    EXPECT_EQ(std::set<char>(kCodeAlphabet.begin(), kCodeAlphabet.end()).size(), 32u);
    for (char c : std::string("01IO")) EXPECT_EQ(kCodeAlphabet.find(c), std::string_view::npos) << c;
    EXPECT_GE(kRoomCodeLength * kCodeBitsPerCharacter, 40u);
    const std::uint8_t zeros[5] = {}, ones[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t counting[5] = {0x08, 0x86, 0x42, 0x98, 0xE8};
    EXPECT_EQ(SpellCode(zeros, 8), "22222222");
    EXPECT_EQ(SpellCode(ones, 8), "ZZZZZZZZ");
    EXPECT_EQ(SpellCode(counting, 8), "3456789A");
    EXPECT_EQ(SpellCode(counting, 3), "345");
}

TEST(RoomCode, FreshCodesUseTheWholeAlphabetAndDoNotRepeat) {
    std::set<std::string> codes;
    std::set<char> seen;
    std::string code, error;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(MakeRoomCode(&code, &error)) << error;
        ASSERT_EQ(code.size(), kRoomCodeLength);
        seen.insert(code.begin(), code.end());
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), 200u);
    EXPECT_EQ(seen, std::set<char>(kCodeAlphabet.begin(), kCodeAlphabet.end()));
    ASSERT_TRUE(MakeRandomCode(64, &code, &error)) << error;
    EXPECT_EQ(code.size(), 64u);
    EXPECT_FALSE(MakeRandomCode(0, &code, &error));
    EXPECT_FALSE(MakeRandomCode(65, &code, &error));
}

// A room's code read as a number names its broker in the list; a host whose broker fails draws
// codes naming the next, each broker once, and fails with the last one's message.
TEST(RelayAddress, ARoomsCodeNamesItsBrokerAndAHostTriesEachOnce) {
    using Case = std::array<const char*, 3>;  // the setting, a code, the broker it names
    for (const auto& [setting, code, named] :
         {Case{"a:1", "ZZZZZZZZ", "a:1"}, Case{"a:1,mqtts://b:2", "9AAAAAAB", "mqtts://b:2"},
          Case{"a:1,b:2,c:3", "22222232", "c:3"}, Case{"a:1,b:2,c:3", "ZZZZZZZZ", "a:1"}}) {
        std::string relay, error;
        EXPECT_TRUE(RelayForCode(setting, code, &relay, &error) && relay == named) << setting << " " << code;
    }
    InProcessNetwork network;
    for (const char answering : {'a', 'c', '-'}) {
        std::set<std::string> tried;
        const auto open = [&](const std::string& at, const std::string& code, const std::string& watch,
                              std::string* error) -> std::unique_ptr<Transport> {
            const std::size_t named = RelayOfCode(code, 3);
            EXPECT_TRUE(named == RelayOfCode(watch, 3) && static_cast<std::size_t>(at[0] - 'a') == named);
            EXPECT_TRUE(tried.insert(at).second) << at;
            *error = "no " + at;
            return at[0] == answering ? network.Listen(0, {}, error) : nullptr;
        };
        std::string code, watch, relay, error;
        EXPECT_EQ(OpenRoomOnSomeRelay("a:1,b:2,c:3", open, &code, &watch, &relay, &error) != nullptr,
                  answering != '-');
        EXPECT_TRUE(answering != '-' ? relay[0] == answering : tried.size() == 3 && error.starts_with("no "));
    }
}

// A settings folder of its own; Write puts a relay file in it.
class RelaySettings : public ::testing::Test {
protected:
    void Write(const std::string& text) {
        std::filesystem::create_directories(folder_.Dir() / "lobshot");
        std::ofstream(folder_.Path("lobshot/relay"), std::ios::binary) << text;
    }
    RelaySources Sources(const char* option, const char* environment) {
        RelaySources sources;
        sources.option = option;
        sources.environment = environment;
        sources.configHome = config_.c_str();
        sources.home = "/nonexistent-home";
        return sources;
    }

    TempFolder folder_;
    std::string config_ = folder_.Dir().string();
};

TEST_F(RelaySettings, TheOptionComesFirstThenTheEnvironmentThenTheFileThenTheDefault) {
    Write("file.example:3000\n");
    std::string address, error;
    ASSERT_TRUE(FindRelay(Sources("option.example:1000", "env.example:2000"), &address, &error)) << error;
    EXPECT_EQ(address, "option.example:1000");
    ASSERT_TRUE(FindRelay(Sources(nullptr, "env.example:2000"), &address, &error)) << error;
    EXPECT_EQ(address, "env.example:2000");
    ASSERT_TRUE(FindRelay(Sources("", ""), &address, &error)) << error;
    EXPECT_EQ(address, "file.example:3000");
    std::filesystem::remove(folder_.Path("lobshot/relay"));
    ASSERT_TRUE(FindRelay(Sources(nullptr, nullptr), &address, &error)) << error;
    EXPECT_EQ(address, kDefaultRelay);

    // Without XDG_CONFIG_HOME, or with a relative one, the file is looked for under HOME/.config.
    std::filesystem::create_directories(folder_.Dir() / ".config" / "lobshot");
    std::ofstream(folder_.Path(".config/lobshot/relay")) << "  home.example:4000\r\n";
    for (const char* configHome : {static_cast<const char*>(nullptr), "", "relative"}) {
        RelaySources sources;
        sources.configHome = configHome;
        sources.home = config_.c_str();
        ASSERT_TRUE(FindRelay(sources, &address, &error)) << error;
        EXPECT_EQ(address, "home.example:4000");
    }
}

// A bad value stops the search: the player meant it, so a later source must not stand in for it.
TEST_F(RelaySettings, TheFirstGivenSourceIsCheckedAndABadOneIsRefused) {
    Write("file.example:3000\n");
    std::string address, error;
    EXPECT_FALSE(FindRelay(Sources("nocolon", "env.example:2000"), &address, &error));
    EXPECT_EQ(error.rfind("--relay: ", 0), 0u) << error;
    EXPECT_FALSE(FindRelay(Sources(nullptr, "env.example:0"), &address, &error));
    EXPECT_EQ(error.rfind("LOBSHOT_RELAY: ", 0), 0u) << error;
    for (const std::string& text :
         {std::string("file.example\n"), std::string("a:1\nb:2\n"), std::string(""), std::string(500, 'x')}) {
        Write(text);
        error.clear();
        EXPECT_FALSE(FindRelay(Sources(nullptr, nullptr), &address, &error)) << text;
        EXPECT_NE(error.find(config_ + "/lobshot/relay"), std::string::npos) << error;
    }
}

}  // namespace
