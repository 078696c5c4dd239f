// The relay's address: checking it, and the order of the places it is taken from.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "net/relay_address.h"

namespace {

using namespace net;

// A settings folder of its own, removed afterwards; Write puts a relay file in it.
class RelaySettings : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("lobshot-relay-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "lobshot");
        config_ = dir_.string();
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

    std::filesystem::path dir_;
    std::string config_;
};

TEST(RelayAddress, GoodAddressesPassAndBadOnesSayWhereTheyCameFrom) {
    std::string error;
    for (const char* good : {"127.0.0.1:1883", "relay.example.org:1", "localhost:65535"})
        EXPECT_TRUE(CheckRelayAddress(good, "--relay", &error)) << good << ": " << error;
    for (const char* bad :
         {"", "127.0.0.1", ":1883", "host:0", "host:65536", "host:18x3", "my host:1883", "host\t:1883"}) {
        error.clear();
        EXPECT_FALSE(CheckRelayAddress(bad, "LOBSHOT_RELAY", &error)) << bad;
        EXPECT_EQ(error.rfind("LOBSHOT_RELAY: ", 0), 0u) << error;
    }
    EXPECT_FALSE(CheckRelayAddress(std::string(400, 'a') + ":1883", "--relay", &error));
}

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
}

// Without XDG_CONFIG_HOME, or with a relative one, the file is looked for under HOME/.config.
TEST_F(RelaySettings, TheFileLiesUnderHomeWithoutAnAbsoluteConfigHome) {
    Write("file.example:3000\n");
    std::filesystem::create_directories(dir_ / ".config" / "lobshot");
    std::ofstream(dir_ / ".config" / "lobshot" / "relay") << "  home.example:4000\r\n";
    for (const char* configHome : {static_cast<const char*>(nullptr), "", "relative"}) {
        RelaySources sources;
        sources.configHome = configHome;
        sources.home = config_.c_str();
        std::string address, error;
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
