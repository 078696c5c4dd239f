// Tests of what the keyboard commands tell the window procedure: whether each mode takes a key.
// What the keys do is played by the scenarios (aim_keys_limits_and_repeat, keys_during_a_shot,
// view_keys, quit_prompt_in_the_shop, computer_match_end_keys, abandon_and_start_again).
#include <gtest/gtest.h>

#include "tests/support/capture.h"
#include "tests/support/key_names.h"
#include "tests/support/match_fixture.h"

namespace {

using KeysTest = MatchTest;

// Keys a mode leaves alone, and any release but F1's and F2's while aiming, are not handled, so the
// system sees them; the digits only glide the view and are not handled either.
TEST_F(KeysTest, EachModeTakesItsOwnKeysAndLeavesTheRest) {
    const struct {
        GameMode mode;
        int key;
        bool down, handled;
    } rows[] = {{Aiming, 'X', true, true},
                {Aiming, '2', true, false},
                {Aiming, '5', true, false},
                {Aiming, 'C', true, true},
                {Aiming, VK_F12, true, false},
                {Aiming, VK_F1, false, true},
                {Aiming, VK_F2, false, true},
                {Aiming, 'X', false, false},
                {ShotInProgress, VK_ESCAPE, true, true},
                {ShotInProgress, VK_DOWN, true, true},
                {ShotInProgress, 'X', true, false},
                {ShotInProgress, VK_SPACE, true, false},
                {ShotInProgress, VK_F1, true, false},
                {ShotInProgress, VK_F2, false, false},
                {EndOfMatch, VK_RIGHT, true, true},
                {EndOfMatch, 'X', true, false},
                {Title, VK_F12, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mode << " " << KeyName(static_cast<std::uint32_t>(row.key))
                                        << (row.down ? " down" : " up"));
        CurrentMode = row.mode;
        EXPECT_EQ(row.down ? Press(row.key) : Up(row.key), row.handled);
    }
}

TEST_F(KeysTest, DigitsGlideOnlyToTanksInPlay) {
    Press('5');
    EXPECT_EQ(ViewTarget, -1);
    ThePlayers->Get(1)->alive = false;
    Press('2');
    EXPECT_EQ(ViewTarget, -1);
    Press('1');
    EXPECT_EQ(ViewTarget, 0);
}

TEST_F(KeysTest, OutOfRangeKeysAndOtherEventsAreNotHandled) {
    TraceCapture out;
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::Down(300)));
    EXPECT_NE(out.Text().find("Key code 300 is out of range"), std::string::npos);
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::AppActivation(true)));
    EXPECT_FALSE(ProcessKeyEvent(InputEvent::CloseRequest()));
}

}  // namespace
