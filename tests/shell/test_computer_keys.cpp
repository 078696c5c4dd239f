// Tests of the pace of computer players' turns through the game loop. Choosing them, a person's keys
// during their turns and whole games of computers are played by the scenarios choice_controllers,
// computer_shop_keys, computer_mixed_three, computer_hard_vs_hard and computers_play_on; what they
// choose to fire is the planner's own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/globals.h"
#include "platform/win.h"
#include "players/player_collection.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

// The whole game through its loop.
class ComputerGameTest : public GameTest {
protected:
    using Step = StepDriver::Step;
    // From the title to the first match's shop, with the seats' controllers set by keys 1 to 8.
    static std::vector<Step> ToShop(std::vector<int> controllerKeys) {
        return {Keys({}), Keys({VK_RETURN}), Keys(controllerKeys),
                Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})};
    }
    // Up to `count` ticks, each after calling `look`; once `look` says no, the rest do nothing.
    static void Ticks(std::vector<Step>* steps, int count, std::function<bool()> look) {
        auto done = std::make_shared<bool>(false);
        for (int i = 0; i < count; ++i)
            steps->push_back([look, done] {
                if (!*done && !look()) *done = true;
                if (!*done) HeadlessTick();
                return true;
            });
    }
};

// Every level takes its turn at a person's pace: the barrel and the power move at most two steps a
// frame, and the shot leaves within about three seconds of the turn's start.
TEST_F(ComputerGameTest, EachLevelAimsVisiblyAndFiresWithinThreeSeconds) {
    for (int level = ControllerBeginner; level <= ControllerExpert; ++level) {
        ResetEverything();
        TraceCapture quiet;
        std::vector<int> keys(static_cast<std::size_t>(level), '1');
        for (int i = 0; i < level; ++i) keys.push_back('2');
        auto steps = ToShop(keys);
        int turns = 0, aimingFrames = 0, longestTurn = 0, biggestStep = 0;
        std::int32_t lastAngle = -1, lastPower = -1;
        std::uint32_t lastMode = CurrentMode;
        Ticks(&steps, 3000, [&] {
            if (CurrentMode == Aiming) {
                const Player& p = *ThePlayers->Current();
                if (lastMode == Aiming && lastAngle >= 0)
                    biggestStep =
                        std::max({biggestStep, std::abs(p.angle - lastAngle), std::abs(p.power - lastPower)});
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
        });
        RunGame(5, steps);
        EXPECT_EQ(turns, 4) << "level " << level;
        EXPECT_LE(longestTurn, 160) << "level " << level;
        EXPECT_LE(biggestStep, 2) << "level " << level;
    }
}

}  // namespace
