// Tests of computer players at the keyboard: choosing them, a person's keys during their turns,
// the pace of their turns, and an all-computer game that plays on by itself (what the computers
// choose to fire is the planner's own tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "platform/backend.h"
#include "platform/headless/headless_audio.h"
#include "players/player_collection.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/match_fixture.h"

namespace {

using ComputerKeysTest = MatchTest;

TEST_F(ComputerKeysTest, APersonMayLookAroundButNotAimFireOrShopForAComputer) {
    SeatControllers[static_cast<std::size_t>(ThePlayers->CurrentIndex())] = ControllerHard;
    const Player before = Current();
    for (int key : std::vector<int>{'X', 'Z', 'Q', 'A', 'S', 'W', VK_SPACE, VK_F2}) Press(key);
    EXPECT_EQ(Current().angle, before.angle);
    EXPECT_EQ(Current().power, before.power);
    EXPECT_EQ(Current().weapon, before.weapon);
    EXPECT_EQ(CurrentMode, Aiming);
    EXPECT_FALSE(AngleGuideShown);

    const std::int32_t viewX = ViewX;
    Press(VK_RIGHT);
    EXPECT_NE(ViewX, viewX);
    ProcessKeyEvent(InputEvent::Down(VK_F1));
    EXPECT_TRUE(HelpShown);
    Press(VK_ESCAPE);
    EXPECT_TRUE(QuitPromptShown);

    // The computer's own keys go through.
    QuitPromptShown = false;
    ProcessComputerKey('X');
    ProcessComputerKey('Q');
    EXPECT_EQ(Current().angle, std::min(before.angle + 1, 180));
    EXPECT_EQ(Current().power, std::min(before.power + 1, 100));

    // In the shop the cursor and the purchases are the computer's too; Esc stays a person's.
    InitWeaponScreen(ThePlayers);
    CurrentMode = WeaponShop;
    SeatControllers[static_cast<std::size_t>(ShopPlayer)] = ControllerEasy;
    Press(VK_DOWN);
    Press(VK_RETURN);
    EXPECT_EQ(ShopRow, 0);
    ProcessComputerKey(VK_DOWN);
    EXPECT_EQ(ShopRow, 1);
    Press(VK_ESCAPE);
    EXPECT_TRUE(QuitPromptShown);
}

TEST_F(ComputerKeysTest, APersonsTurnIsUntouchedByTheKeysOfComputers) {
    SeatControllers[static_cast<std::size_t>(1 - ThePlayers->CurrentIndex())] = ControllerHard;
    const Player before = Current();
    Press('X');
    Press('Q');
    EXPECT_EQ(Current().angle, std::min(before.angle + 1, 180));
    EXPECT_EQ(Current().power, std::min(before.power + 1, 100));
}

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

TEST_F(ComputerGameTest, KeysOneToEightCycleTheSeatsTakingPart) {
    TraceCapture quiet;
    std::vector<Controller> seen;
    std::vector<int> confirms;
    auto look = [&] {
        seen.push_back(SeatControllers[1]);
        auto played = AudioTakePlayed();
        confirms.push_back(static_cast<int>(std::count(played.begin(), played.end(), SOUND_CONFIRM)));
        return true;
    };
    // Each look comes before the step's keys reach the game, so it sees the previous step's work.
    std::vector<Step> steps = {Keys({}), Keys({VK_RETURN})};
    for (int i = 0; i < 6; ++i)
        steps.push_back([&] {
            look();
            PressKey('2');
            PressKey('7');  // seat 7 is not taking part
            HeadlessTick();
            return true;
        });
    steps.push_back([&] {
        look();
        PressKey('2');
        PressKey(VK_ESCAPE);  // back to the title, and into a new game
        HeadlessTick();
        return true;
    });
    steps.push_back(Keys({VK_RETURN}));
    steps.push_back([&] { return look(); });
    RunGame(3, steps);
    EXPECT_EQ(seen, (std::vector<Controller>{ControllerHuman, ControllerBeginner, ControllerEasy,
                                             ControllerNormal, ControllerHard, ControllerExpert,
                                             ControllerHuman, ControllerBeginner}));
    EXPECT_EQ(SeatControllers[6], ControllerHuman);
    // One changed-setting sound for each press on a seat taking part.
    EXPECT_EQ(std::vector<int>(confirms.begin() + 1, confirms.begin() + 7),
              (std::vector<int>{1, 1, 1, 1, 1, 1}));
}

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

// Computers alone end their matches by their play, well within the turns a stalemate would run to,
// and play on into the next match until a person leaves the game: a Beginner, who errs the most,
// against an Easy, and four of mixed levels.
TEST_F(ComputerGameTest, MatchesOfComputersAloneEndAndTheGamePlaysOnUntilAPersonLeaves) {
    const std::vector<std::vector<int>> games = {
        {'1', '2', '2'}, {VK_RIGHT, VK_RIGHT, '1', '2', '2', '3', '3', '3', '4', '4', '4', '4', '4'}};
    for (const std::vector<int>& keys : games) {
        ResetEverything();
        TraceCapture quiet;
        auto steps = ToShop(keys);
        int ended = 0, started = 0, turns = 0, longest = 0;
        std::uint32_t lastMode = CurrentMode, turnsSeen = 0;
        Ticks(&steps, 120000, [&] {
            if (CurrentMode == Aiming && TurnsStarted != turnsSeen) turns += 1;
            turnsSeen = TurnsStarted;
            if (CurrentMode == Aiming && lastMode == WeaponShop) started += 1;
            if (CurrentMode == EndOfMatch && lastMode != EndOfMatch) {
                ended += 1;
                longest = std::max(longest, turns);
                turns = 0;
            }
            lastMode = CurrentMode;
            return started < 2 && turns <= 300;
        });
        // Keys that come with the new landscape are dropped, so the person waits a frame.
        steps.push_back(Keys({}));
        steps.push_back(Keys({VK_ESCAPE}));
        steps.push_back([] {
            PostKey(WM_KEYDOWN, VK_SHIFT);
            PressKey('Y');
            PostKey(WM_KEYUP, VK_SHIFT);
            HeadlessTick();
            return true;
        });
        steps.push_back([] { return false; });
        RunGame(12, steps);
        EXPECT_EQ(ended, 1) << keys.size() << " keys; " << turns << " turns into the match";
        EXPECT_LE(longest, 300);
        EXPECT_EQ(started, 2);
        EXPECT_EQ(CurrentMode, Title);
    }
}

}  // namespace
