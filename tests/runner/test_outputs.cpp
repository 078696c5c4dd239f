// Tests of the replay runner's outputs: whole files or none, in place on devices.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "runner/runner.h"
#include "tests/support/game_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class OutputsTest : public GameTest {
protected:
    std::string Path(const char* name) const { return folder_.Path(name); }
    static std::string Read(const std::string& path) { return TempFolder::Read(path); }

    TempFolder folder_;
};

TEST_F(OutputsTest, EveryOutputRefusesAnEmptyPathADirectoryAndAFullDevice) {
    for (auto write : {WriteStateSnapshot, WriteScreenshotPng, WriteMaterialMap}) {
        EXPECT_FALSE(write(""));
        EXPECT_FALSE(write(folder_.Dir().string()));
        EXPECT_FALSE(write("/dev/full"));
        EXPECT_FALSE(write(Path("missing/out")));
    }
    EXPECT_TRUE(fs::is_empty(folder_.Dir()));
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
