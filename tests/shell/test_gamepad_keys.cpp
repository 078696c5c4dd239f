// Tests of the gamepad's own keys, X and Y, on each screen: the seats' controllers on the player
// choice, centring on the tanks and the angle guide while aiming, and Yes at the abandon prompt.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "players/player_collection.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/match_fixture.h"

namespace {

using GamepadKeysTest = MatchTest;

// X moves the highlight from seat to seat and round, Y hands the highlighted seat on as its digit
// key does; Y before any X starts at the first seat. Seats beyond the players are never reached.
TEST_F(GamepadKeysTest, OnThePlayerChoiceXHighlightsASeatAndYChangesItsController) {
    TraceCapture quiet;
    ThePlayers->SetNumPlayers(3);
    InitPlayerChoice(ThePlayers);
    CurrentMode = PlayerChoice;
    EXPECT_EQ(ChoiceSeat, -1);
    EXPECT_TRUE(Press(VK_GAMEPAD_Y));
    EXPECT_EQ(ChoiceSeat, 0);
    EXPECT_EQ(SeatControllers[0], ControllerBeginner);
    std::vector<int> seats;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Press(VK_GAMEPAD_X));
        seats.push_back(ChoiceSeat);
    }
    EXPECT_EQ(seats, (std::vector<int>{1, 2, 0, 1}));
    Press(VK_GAMEPAD_Y);
    Press(VK_GAMEPAD_Y);
    EXPECT_EQ(SeatControllers[1], ControllerEasy);
    EXPECT_EQ(SeatControllers[0], ControllerBeginner);
    EXPECT_EQ(SeatControllers[2], ControllerHuman);

    // Fewer players: the highlight stays on a seat taking part.
    Press(VK_GAMEPAD_X);
    ThePlayers->SetNumPlayers(2);
    Press(VK_GAMEPAD_Y);
    EXPECT_EQ(ChoiceSeat, 1);
    EXPECT_EQ(SeatControllers[1], ControllerNormal);
    InitPlayerChoice(ThePlayers);
    EXPECT_EQ(ChoiceSeat, -1) << "the highlight goes when the screen is shown again";
}

// X centres on the current player's tank, then on each following tank in the game in turn, round
// to the first, passing over tanks out of the game; an arrow stops the gliding, and X starts again
// from the current player.
TEST_F(GamepadKeysTest, AimingXCentresOnYourTankAndThenOnEachOther) {
    ThePlayers->SetNumPlayers(4);
    ThePlayers->NewMatch();
    ThePlayers->current = 1;
    ThePlayers->Get(3)->alive = false;
    std::vector<int> targets;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Press(VK_GAMEPAD_X));
        targets.push_back(ViewTarget);
    }
    EXPECT_EQ(targets, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(ViewFollowMode, 0u);
    Press(VK_LEFT);
    EXPECT_EQ(ViewTarget, -1);
    Press(VK_GAMEPAD_X);
    EXPECT_EQ(ViewTarget, 1);

    // During a computer's turn a person may still look around with X, but not show the guide.
    SeatControllers[1] = ControllerHard;
    Press(VK_GAMEPAD_X);
    EXPECT_EQ(ViewTarget, 2);
    Down(VK_GAMEPAD_Y);
    EXPECT_FALSE(AngleGuideShown);
}

// Y holds the angle guide as F2 does.
TEST_F(GamepadKeysTest, AimingYHoldsTheAngleGuide) {
    EXPECT_TRUE(Down(VK_GAMEPAD_Y));
    EXPECT_TRUE(AngleGuideShown);
    EXPECT_TRUE(Up(VK_GAMEPAD_Y));
    EXPECT_FALSE(AngleGuideShown);
}

// At the abandon prompt Y alone answers Yes, on every screen that shows it; B (Esc) and X only
// close it.
TEST_F(GamepadKeysTest, YAnswersYesToTheAbandonPrompt) {
    TraceCapture quiet;
    Press(VK_ESCAPE);
    EXPECT_TRUE(Press(VK_GAMEPAD_X));
    EXPECT_FALSE(QuitPromptShown);
    EXPECT_EQ(CurrentMode, Aiming);
    for (GameMode mode : {Aiming, WeaponShop, EndOfMatch}) {
        CurrentMode = mode;
        QuitPromptShown = true;
        EXPECT_TRUE(Press(VK_GAMEPAD_Y));
        EXPECT_EQ(CurrentMode, Title) << mode;
        EXPECT_FALSE(QuitPromptShown);
    }
}

}  // namespace
