// What players type to meet: host and port, room codes and the page's link, and the relay's address
// with the order of the places it is taken from, and which of a relay's brokers keeps a room.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <set>

#include "net/relay_address.h"
#include "net/relay_rooms.h"
#include "net/room_code.h"
#include "net/transport.h"
#include "testkit/in_process.h"

namespace {

using namespace net;

// An IPv6 address goes in brackets before a port, or stands bare without one; the host comes out
// without the brackets.
TEST(NetAddresses, HostAndPortAreSplitAndCheckedAsTyped) {
    struct Case {
        const char* text;
        const char* host = nullptr;  // refused
        std::uint16_t port = 0;
    };
    for (const Case& c :
         {Case{"127.0.0.1:1", "127.0.0.1", 1}, Case{"game.example:65535", "game.example", 65535},
          Case{"[::1]:26510", "::1", 26510}}) {
        std::string host, error;
        std::uint16_t port = 0;
        EXPECT_TRUE(ParseHostPort(c.text, &host, &port, &error)) << c.text << ": " << error;
        EXPECT_EQ(std::pair(host, port), std::pair(std::string(c.host), c.port)) << c.text;
    }
    std::string host, error;
    std::uint16_t port = 0;
    const std::pair<const char*, std::string> kMessages[] = {
        {"host: 40", "the port in \"host: 40\" is not a number from 1 to 65535"},
        {"localhost", "\"localhost\" is not HOST:PORT"},
        {"::1:26510", "goes in brackets"}};
    for (const auto& [text, message] : kMessages) {
        EXPECT_FALSE(ParseHostPort(text, &host, &port, &error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    for (const char* bad :
         {"", "127.0.0.1", ":4000", "host:", "host:0", "host:65536", "host:99999999999999999999", "host:40a",
          "host:-1", "[::1]", "[::1]26510", "[::1]:", "[::1]:0", "[]:5", "[::1", "[a]:5"})
        EXPECT_FALSE(ParseHostPort(bad, &host, &port, &error)) << bad;
    for (const Case& c : {Case{"::1", "::1", 7}, Case{"[::1]", "::1", 7}, Case{"[fe80::1]:9", "fe80::1", 9},
                          Case{"2001:db8::2", "2001:db8::2", 7}, Case{"localhost", "localhost", 7},
                          Case{"10.0.0.1:8", "10.0.0.1", 8}, Case{"::ffff:10.0.0.1", "::ffff:10.0.0.1", 7},
                          Case{""}, Case{"[]"}, Case{"::1:2x"}, Case{"host:"}, Case{"[::1]:x"}, Case{":5"}}) {
        EXPECT_EQ(ParseHostOptionalPort(c.text, 7, &host, &port, &error), c.host != nullptr) << c.text;
        if (c.host) {
            EXPECT_EQ(std::pair(host, port), std::pair(std::string(c.host), c.port)) << c.text;
        }
    }
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

// Small letters and separators as players type them; the look-alikes, other characters, and codes
// a character short or long are refused and leave the code as it was.
TEST(RoomCode, CodesAreReadAsPlayersTypeThem) {
    const std::string kLetters =
        "a room code has only the letters A to Z without I and O, and the digits 2 to 9";
    const std::string kLength = "a room code has 8 characters";
    const std::pair<const char*, std::string> kCases[] = {{"abcd-efgh", "ABCDEFGH"},
                                                          {" 2345 6789 ", "23456789"},
                                                          {"zZzZ-zZzZ", "ZZZZZZZZ"},
                                                          {"ABCDEFG0", kLetters},
                                                          {"ABCDEFGO", kLetters},
                                                          {"ABCDEFG1", kLetters},
                                                          {"ABCDEFGI", kLetters},
                                                          {"abcdefgi", kLetters},
                                                          {"ABCD_EFG", kLetters},
                                                          {"ABCDEFG\xC3\x89", kLetters},
                                                          {"", kLength},
                                                          {"ABCDEFG", kLength},
                                                          {"ABCDEFGHJ", kLength},
                                                          {"----", kLength}};
    for (const auto& [text, expected] : kCases) {
        std::string code = "unchanged", error;
        const bool read = ParseRoomCode(text, &code, &error);
        EXPECT_EQ(read ? code : error, expected) << text;
        if (!read) {
            EXPECT_EQ(code, "unchanged") << text;
        }
    }
}

// The page's link to a room, and the addresses a host may give for the page.
TEST(RoomCode, ThePagesLinkNamesTheRoomInItsFragment) {
    EXPECT_EQ(RoomLink("http://example.org/lobshot/", "ABCDEFGH"),
              "http://example.org/lobshot/#room=ABCDEFGH");
    EXPECT_EQ(WatchLink("http://example.org/lobshot/", "ABCDEFGH"),
              "http://example.org/lobshot/#watch=ABCDEFGH");
    std::string error;
    EXPECT_TRUE(CheckRoomPage("http://127.0.0.1:8000/", "--page", &error));
    EXPECT_TRUE(CheckRoomPage("https://example.org/index.html?x=1", "--page", &error));
    for (const char* bad :
         {"", "http://example.org/#room=X", "http://example.org/a b", "http://x/\t", "\x7F"}) {
        error.clear();
        EXPECT_FALSE(CheckRoomPage(bad, "LOBSHOT_PAGE", &error)) << bad;
        EXPECT_EQ(error.rfind("LOBSHOT_PAGE: ", 0), 0u) << bad;
    }
}

TEST(RelayAddress, GoodAddressesPassAndBadOnesSayWhereTheyCameFrom) {
    std::string error;
    for (const char* good :
         {"127.0.0.1:1883", "relay.example.org:1", "localhost:65535", "mqtts://[::1]:8883"})
        EXPECT_TRUE(CheckRelayAddress(good, "--relay", &error)) << good << ": " << error;
    for (const std::string& bad :
         {std::string(""), std::string("127.0.0.1"), std::string(":1883"), std::string("host:0"),
          std::string("host:65536"), std::string("host:18x3"), std::string("my host:1883"),
          std::string("host\t:1883"), std::string(400, 'a') + ":1883", std::string("mqtts://host"),
          std::string("mqtt://host:1883"), std::string("MQTTS://host:8883")}) {
        error.clear();
        EXPECT_FALSE(CheckRelayAddress(bad, "LOBSHOT_RELAY", &error)) << bad;
        EXPECT_EQ(error.rfind("LOBSHOT_RELAY: ", 0), 0u) << error;
    }
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

// A settings folder of its own, removed afterwards; Write puts a relay file in it.
class RelaySettings : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "lobshot");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void Write(const std::string& text) {
        std::ofstream(dir_ / "lobshot" / "relay", std::ios::binary) << text;
    }
    RelaySources Sources(const char* option, const char* environment) {
        RelaySources sources;
        sources.option = option;
        sources.environment = environment;
        sources.configHome = config_.c_str();
        sources.home = "/nonexistent-home";
        return sources;
    }

    std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
                                 ("lobshot-relay-" + std::to_string(::getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string config_ = dir_.string();
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
    std::filesystem::remove(dir_ / "lobshot" / "relay");
    ASSERT_TRUE(FindRelay(Sources(nullptr, nullptr), &address, &error)) << error;
    EXPECT_EQ(address, kDefaultRelay);

    // Without XDG_CONFIG_HOME, or with a relative one, the file is looked for under HOME/.config.
    std::filesystem::create_directories(dir_ / ".config" / "lobshot");
    std::ofstream(dir_ / ".config" / "lobshot" / "relay") << "  home.example:4000\r\n";
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
