// Tests of the start-up clock on the headless backend: the seed is the scripted clock's starting
// reading, the game clock goes its own way, and start-up writes the seed where a player can see it.
#include <gtest/gtest.h>

#include "core/random.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class StartClockTest : public GameTest {};

TEST_F(StartClockTest, TheSeedIsTheStartingReadingAndStartUpWritesIt) {
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

TEST_F(StartClockTest, OneSeedRowPerStart) {
    TraceCapture out;
    RunGame(0, {});
    const std::string text = out.Text();
    const std::size_t first = text.find("Random seed 0\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("Random seed", first + 1), std::string::npos);
}

}  // namespace
