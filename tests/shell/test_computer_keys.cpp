// Tests of the pace of computer players' turns through the game loop. Choosing them, a person's keys
// during their turns and whole games of computers are played by the scenarios choice_controllers,
// computer_shop_keys, computer_turn_keys, computer_mixed_three, computer_hard_vs_hard and
// computer_play_on; what they choose to fire is the planner's own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/globals.h"
#include "players/player_collection.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

using ComputerPaceTest = GameTest;

// Every level takes its turn at a person's pace, playing both seats: the barrel and the power move
// at most two steps a frame, and the shot leaves within about three seconds of the turn's start.
TEST_F(ComputerPaceTest, EachLevelAimsVisiblyAndFiresWithinThreeSeconds) {
    for (int level = ControllerBeginner; level <= ControllerExpert; ++level) {
        ResetEverything();
        TraceCapture quiet;
        // The title, the player choice with keys 1 and 2 pressed `level` times each, "Start Game".
        std::vector<std::vector<int>> start = {{}, {VK_RETURN}, {}, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}};
        for (int i = 0; i < level; ++i) start[2].insert(start[2].end(), {'1', '2'});
        std::size_t tick = 0;
        int turns = 0, aimingFrames = 0, longestTurn = 0, biggestStep = 0;
        std::int32_t lastAngle = -1, lastPower = -1;
        std::uint32_t lastMode = Title;
        TickDriver driver(
            [&] {
                if (tick < start.size()) {
                    for (int key : start[tick++]) PressKey(key);
                    return true;
                }
                if (CurrentMode == Aiming) {
                    const Player& p = *ThePlayers->Current();
                    if (lastMode == Aiming && lastAngle >= 0)
                        biggestStep = std::max(
                            {biggestStep, std::abs(p.angle - lastAngle), std::abs(p.power - lastPower)});
                    lastAngle = p.angle;
                    lastPower = p.power;
                    aimingFrames += 1;
                } else if (lastMode == Aiming) {
                    turns += 1;
                    longestTurn = std::max(longestTurn, aimingFrames);
                    aimingFrames = 0;
                    lastAngle = -1;
                }
                lastMode = CurrentMode;
                return turns < 4;
            },
            3004);
        PlayGame(5, &driver);
        EXPECT_EQ(turns, 4) << "level " << level;
        EXPECT_LE(longestTurn, 160) << "level " << level;
        EXPECT_LE(biggestStep, 2) << "level " << level;
    }
}

}  // namespace
