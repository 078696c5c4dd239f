// Tests of start-up's seed and clock on the headless backend: the seed a runner gives is the one
// fed to the generator, and written where a player can see it; without one, start-up reads the
// start-up clock; the scripted clock goes its own way from its starting reading either way.
#include <gtest/gtest.h>

#include "core/random.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class StartClockTest : public GameTest {};

TEST_F(StartClockTest, TheGivenSeedStartsTheGameAndStartUpWritesIt) {
    TraceCapture out;
    std::uint32_t stateAtStart = 0;
    DWORD bootAfterTicks = 0;
    RunGame(4000000123u, {[&] {
                              stateAtStart = game::RandState();
                              HeadlessTick();
                              return true;
                          },
                          [&] {
                              bootAfterTicks = GetTickCount();
                              return false;
                          }});
    EXPECT_EQ(stateAtStart, 4000000123u);
    EXPECT_EQ(bootAfterTicks, 4000000143u);
    EXPECT_NE(out.Text().find("appInitialize: Random seed 4000000123\r\n"), std::string::npos);
}

TEST_F(StartClockTest, WithoutASeedStartUpReadsTheStartUpClock) {
    std::uint32_t stateAtStart = 0;
    StepDriver driver({[&] {
        stateAtStart = game::RandState();
        return false;
    }});
    HeadlessSetClock(86400123u);
    HeadlessSetDriver(&driver);
    EXPECT_EQ(WinMain(PlatformModuleHandle(), nullptr, "", 1), 0);
    HeadlessSetDriver(nullptr);
    EXPECT_EQ(stateAtStart, 86400123u);
}

TEST_F(StartClockTest, TheGivenSeedNeedNotBeTheClocksReading) {
    std::uint32_t stateAtStart = 0;
    StepDriver driver({[&] {
        stateAtStart = game::RandState();
        return false;
    }});
    HeadlessSetClock(500);
    ShellStartWithSeed(77);
    HeadlessSetDriver(&driver);
    EXPECT_EQ(WinMain(PlatformModuleHandle(), nullptr, "", 1), 0);
    HeadlessSetDriver(nullptr);
    EXPECT_EQ(stateAtStart, 77u);
    EXPECT_EQ(GetTickCount(), 500u) << "the clock keeps its own reading";
}

TEST_F(StartClockTest, OneSeedRowPerStart) {
    TraceCapture out;
    RunGame(0, {});
    const std::string text = out.Text();
    const std::size_t first = text.find("Random seed 0\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("Random seed", first + 1), std::string::npos);
}

}  // namespace
