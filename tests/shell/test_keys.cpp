// Tests of the keyboard commands: each mode's keys, the quit prompt and the game's own key repeat.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/match_fixture.h"

namespace {

using KeysTest = MatchTest;

TEST_F(KeysTest, AngleAndPowerStepWithinTheirInclusiveLimits) {
    const struct {
        std::int32_t Player::*value;
        int key;
        std::int32_t from, to;
    } cases[] = {{&Player::angle, 'X', 179, 180},
                 {&Player::angle, 'Z', 1, 0},
                 {&Player::power, 'Q', 99, 100},
                 {&Player::power, 'A', 1, 0}};
    for (const auto& c : cases) {
        Current().*c.value = c.from;
        EXPECT_TRUE(Press(c.key));
        EXPECT_TRUE(Press(c.key));
        EXPECT_EQ(Current().*c.value, c.to) << static_cast<char>(c.key);
    }
}

TEST_F(KeysTest, WeaponCyclingWrapsBothWays) {
    Current().weapon = WeaponShell;
    Press('W');
    EXPECT_EQ(Current().weapon, WeaponABomb);
    Press('S');
    EXPECT_EQ(Current().weapon, WeaponShell);
    for (int i = 0; i < WEAPON_COUNT; ++i) Press('S');
    EXPECT_EQ(Current().weapon, WeaponShell);
}

TEST_F(KeysTest, SpaceFiresOnlyWithStock) {
    Current().weapon = WeaponSodSalvo;
    Current().stock[WeaponSodSalvo] = 0;
    EXPECT_TRUE(Press(VK_SPACE));
    EXPECT_EQ(CurrentMode, Aiming);
    Current().weapon = WeaponShell;
    HelpShown = true;
    Press(VK_SPACE);
    EXPECT_EQ(CurrentMode, ShotInProgress);
    EXPECT_FALSE(HelpShown);
}

TEST_F(KeysTest, ArrowsScrollClampAndDropTheGlideTarget) {
    ViewTarget = 1;
    EXPECT_TRUE(Press(VK_RIGHT));
    EXPECT_EQ(ViewX, 8);
    EXPECT_EQ(ViewTarget, -1);
    Press(VK_LEFT);
    Press(VK_LEFT);
    EXPECT_EQ(ViewX, 0);
    for (int i = 0; i < 40; ++i) Press(VK_DOWN);
    EXPECT_EQ(ViewY, 400 + 20 - 200);
}

TEST_F(KeysTest, DigitsGlideToPlayersTakingPartButAreNotHandled) {
    EXPECT_FALSE(Press('2'));
    EXPECT_EQ(ViewTarget, 1);
    ViewTarget = -1;
    EXPECT_FALSE(Press('5'));
    EXPECT_EQ(ViewTarget, -1);
    ThePlayers->Get(1)->alive = false;
    Press('2');
    EXPECT_EQ(ViewTarget, -1);
    ThePlayers->current = 1;
    EXPECT_TRUE(Press('C'));
    EXPECT_EQ(ViewTarget, 1);
}

TEST_F(KeysTest, HelpAndGuideFollowTheirKeysOnlyWhileAiming) {
    EXPECT_TRUE(Down(VK_F1));
    EXPECT_TRUE(Down(VK_F2));
    EXPECT_TRUE(HelpShown && AngleGuideShown);
    EXPECT_TRUE(Up(VK_F1));
    EXPECT_FALSE(HelpShown);
    Press(VK_SPACE);
    EXPECT_FALSE(Up(VK_F2));
    EXPECT_TRUE(AngleGuideShown);
    EXPECT_FALSE(Up('X'));
}

// On each screen that has it, the quit prompt is answered by Shift+Y alone; any other key only
// closes it.
TEST_F(KeysTest, QuitPromptNeedsShiftYAndAnyOtherKeyOnlyClosesIt) {
    TraceCapture quiet;
    for (GameMode mode : {Aiming, WeaponShop, EndOfMatch}) {
        SCOPED_TRACE(mode);
        CurrentMode = mode;
        NewGamePending = false;
        EXPECT_TRUE(Press(VK_ESCAPE));
        EXPECT_TRUE(QuitPromptShown);
        for (int key : {int{'Y'}, VK_SHIFT}) EXPECT_TRUE(Press(key));
        EXPECT_TRUE(QuitPromptShown);
        EXPECT_TRUE(Press(VK_SPACE));
        EXPECT_FALSE(QuitPromptShown);
        EXPECT_EQ(CurrentMode, mode);

        Press(VK_ESCAPE);
        Down(VK_SHIFT);
        Press('Y');
        Up(VK_SHIFT);
        EXPECT_EQ(CurrentMode, Title);
        EXPECT_FALSE(QuitPromptShown);
        EXPECT_TRUE(NewGamePending);
    }
}

TEST_F(KeysTest, ShotInProgressTakesOnlyEscAndArrows) {
    CurrentMode = ShotInProgress;
    ViewTarget = 0;
    EXPECT_TRUE(Press(VK_ESCAPE));
    EXPECT_FALSE(QuitPromptShown);
    EXPECT_TRUE(Press(VK_DOWN));
    EXPECT_EQ(ViewY, 8);
    EXPECT_EQ(ViewTarget, 0);
    for (int i = 0; i < 40; ++i) Press(VK_DOWN);
    EXPECT_EQ(ViewY, 400 - 200);
    EXPECT_FALSE(Press('X'));
    EXPECT_FALSE(Press(VK_SPACE));
    EXPECT_FALSE(Press(VK_F1));
}

TEST_F(KeysTest, ArrowsAtTheEndOfAMatchStopThePanning) {
    SwitchToMode(EndOfMatch);
    EXPECT_TRUE(EndMatchPan);
    EXPECT_EQ(PanStepX, 1);
    EXPECT_EQ(PanStepY, -1);
    Press(VK_RIGHT);
    EXPECT_FALSE(EndMatchPan);
    EXPECT_EQ(ViewX, 8);
}

TEST_F(KeysTest, RepeatsFromTheSystemAndSuspendedInputOnlyCountTheKey) {
    EXPECT_TRUE(Down('X', true));
    InputSuspended = true;
    EXPECT_TRUE(Down('Z'));
    EXPECT_EQ(KeyHeld['X'] + KeyHeld['Z'], 2);
    EXPECT_EQ(Current().angle, 60);
}

TEST_F(KeysTest, UnknownAndOutOfRangeKeysAreNotHandled) {
    TraceCapture out;
    EXPECT_FALSE(Press(VK_F12));
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::Down(300)));
    EXPECT_NE(out.Text().find("Key code 300 is out of range"), std::string::npos);
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::AppActivation(true)));
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::CloseRequest()));
}

// The game's own repeat, run by the frame step: frames are counted from the key's press.
class RepeatTest : public KeysTest {
protected:
    void SetUp() override {
        KeysTest::SetUp();
        AppActive = true;
    }
    // Runs frame steps and reports the frame numbers (counted from 1 after the press) at which the
    // watched value changed.
    template <typename Value>
    std::vector<int> ChangesOver(int frames, Value value) {
        TraceCapture quiet;
        std::vector<int> changes;
        auto last = value();
        for (int f = 1; f <= frames; ++f) {
            doLoopProcessing();
            if (value() != last) changes.push_back(f);
            last = value();
        }
        return changes;
    }
};

TEST_F(RepeatTest, AnAimingKeyRepeatsFromItsEighthEvenFrameEverySecondFrame) {
    Current().angle = 170;
    Down('X');
    EXPECT_EQ(Current().angle, 171);
    std::vector<int> changes = ChangesOver(40, [&] { return Current().angle; });
    EXPECT_EQ(changes, (std::vector<int>{16, 18, 20, 22, 24, 26, 28, 30, 32}));
    EXPECT_EQ(Current().angle, 180);
}

TEST_F(RepeatTest, ArrowsRepeatEveryFrameFromTheSixthWhileAiming) {
    Down(VK_RIGHT);
    EXPECT_EQ(ViewX, 8);
    std::vector<int> changes = ChangesOver(8, [] { return ViewX; });
    EXPECT_EQ(changes, (std::vector<int>{6, 7, 8}));
}

TEST_F(RepeatTest, ArrowsRepeatOnEveryEighthFrameFromTheThirdElsewhere) {
    // Without the glide to the shooter only the arrow moves the view.
    SwitchToMode(ShotInProgress);
    ViewTarget = -1;
    FrameCounter = 3;
    Down(VK_RIGHT);
    std::vector<int> changes = ChangesOver(40, [] { return ViewX; });
    // Frames 8, 16, 24 ... are counted; the third of them repeats: frame number 24 is step 21.
    EXPECT_EQ(changes, (std::vector<int>{21, 29, 37}));
}

TEST_F(RepeatTest, AKeyReleasedStopsRepeating) {
    Down('Q');
    ChangesOver(20, [] { return 0; });
    Up('Q');
    int power = Current().power;
    EXPECT_TRUE(ChangesOver(20, [&] { return Current().power; }).empty());
    EXPECT_EQ(Current().power, power);
}

}  // namespace
