// Tests of the replay runner's outputs: whole files or none, in place on devices.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runner/runner.h"
#include "tests/support/game_fixture.h"

namespace {

namespace fs = std::filesystem;

class OutputsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        dir_ = fs::temp_directory_path() /
               ("lobshot-outputs-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        GameTest::TearDown();
    }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
};

TEST_F(OutputsTest, EveryOutputRefusesAnEmptyPathADirectoryAndAFullDevice) {
    for (auto write : {WriteStateSnapshot, WriteScreenshotPng, WriteMaterialMap}) {
        EXPECT_FALSE(write(""));
        EXPECT_FALSE(write(dir_.string()));
        EXPECT_FALSE(write("/dev/full"));
        EXPECT_FALSE(write(Path("missing/out")));
    }
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(OutputsTest, AFileIsReplacedOnlyWhenTheNewOneIsWhole) {
    const std::string path = Path("state.json");
    std::ofstream(path) << "old";
    // The partial file cannot be made where a directory stands: the old file must survive.
    fs::create_directories(path + ".partial/keep");
    EXPECT_FALSE(WriteStateSnapshot(path));
    EXPECT_EQ(Read(path), "old");
    fs::remove_all(path + ".partial");

    EXPECT_TRUE(WriteStateSnapshot(path));
    EXPECT_EQ(Read(path).rfind("{\n  \"frame\": ", 0), 0u);
    EXPECT_FALSE(fs::exists(path + ".partial"));
    EXPECT_TRUE(WriteMaterialMap(Path("map.pgm")));
    EXPECT_EQ(Read(Path("map.pgm")), std::string("P5\n0 0\n3\n"));
}

TEST_F(OutputsTest, ADeviceIsWrittenInPlace) {
    EXPECT_TRUE(WriteMaterialMap("/dev/null"));
    EXPECT_TRUE(fs::exists("/dev/null"));
    EXPECT_FALSE(fs::exists("/dev/null.partial"));
}

}  // namespace
