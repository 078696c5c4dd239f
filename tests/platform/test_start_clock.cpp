// Tests of start-up's seed and clock on the headless backend: the seed a runner gives is the one
// fed to the generator, and written once where a player can see it; without one, start-up reads
// the start-up clock; the scripted clock goes its own way from its starting reading either way.
#include <gtest/gtest.h>

#include <tuple>

#include "core/random.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class StartClockTest : public GameTest {};

TEST_F(StartClockTest, TheGivenSeedStartsTheGameAndStartUpWritesItOnce) {
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
    const std::string text = out.Text();
    const std::size_t first = text.find("appInitialize: Random seed 4000000123\r\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("Random seed", first + 16), std::string::npos) << text;
}

TEST_F(StartClockTest, WithoutASeedStartUpReadsTheStartUpClockAndAGivenOneNeedNotBeIt) {
    for (const auto& [seed, clock, expected] : {std::tuple{-1, 86400123u, 86400123u}, {77, 500u, 77u}}) {
        ResetEverything();
        std::uint32_t stateAtStart = 0;
        StepDriver driver({[&] {
            stateAtStart = game::RandState();
            return false;
        }});
        HeadlessSetClock(clock);
        if (seed >= 0) ShellStartWithSeed(static_cast<std::uint32_t>(seed));
        HeadlessSetDriver(&driver);
        EXPECT_EQ(WinMain(PlatformModuleHandle(), nullptr, "", 1), 0);
        HeadlessSetDriver(nullptr);
        EXPECT_EQ(stateAtStart, expected);
        EXPECT_EQ(GetTickCount(), clock) << "the clock keeps its own reading";
    }
}

}  // namespace
