// Tests of the overlays of an aiming turn as the frame step draws them: no ready message left over
// from a short match, and the quit prompt hiding the help screen (the ready message's 200 frames are
// the ready_message_runs_out scenario's).
#include <gtest/gtest.h>

#include "core/globals.h"
#include "players/player_collection.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/pictures.h"

namespace {

class OverlayOrderTest : public GameTest {
protected:
    // Steps from the title to the first aiming turn of a two-player game.
    static std::vector<StepDriver::Step> ToFirstAimingTurn() {
        const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
        return {Keys(), Keys({VK_RETURN}), Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), Keys(finish),
                Keys(finish)};
    }
};

TEST_F(OverlayOrderTest, AShortFirstMatchLeavesNoReadyMessageForTheNext) {
    TraceCapture quiet;
    auto steps = ToFirstAimingTurn();
    auto tickUntil = [](std::uint32_t mode) {
        return [mode] {
            if (CurrentMode != mode) HeadlessTick();
            return true;
        };
    };
    // The shooter is left alone on the landscape, so its first shot ends the match.
    steps.push_back(Do([] {
        for (int i = 0; i < ThePlayers->numPlayers; ++i)
            if (i != ThePlayers->current) ThePlayers->players[i].alive = false;
    }));
    steps.push_back(Keys({VK_SPACE}));
    for (int i = 0; i < 1500; ++i) steps.push_back(tickUntil(EndOfMatch));
    std::int32_t leftOver = -1, secondMatch = -1;
    steps.push_back(Do([&] { leftOver = ReadyMessageTicks; }));
    steps.push_back(Keys({VK_SPACE}));  // on to the shop
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    steps.insert(steps.end(), {Keys(finish), Keys(finish), Keys()});
    steps.push_back([&] {
        secondMatch = ReadyMessageTicks;
        return false;
    });
    RunGame(7, steps);
    ASSERT_EQ(CurrentMode, Aiming);
    // The first match ended with most of the hint's frames unused; none of them carry over.
    EXPECT_GT(leftOver, 0);
    EXPECT_EQ(secondMatch, 0);
}

// The help screen over the first turn, then the quit prompt over it, which hides the help screen but
// not the ready message.
TEST_F(OverlayOrderTest, TheQuitPromptHidesTheHelpScreenButNotTheReadyMessage) {
    TraceCapture quiet;
    auto steps = ToFirstAimingTurn();
    steps.push_back([] {
        PostKey(WM_KEYDOWN, VK_F1);
        HeadlessTick();
        return true;
    });
    steps.push_back(Do([] { ExpectShownPageIs("shell/help_over_play"); }));
    steps.push_back(Keys({VK_ESCAPE}));
    steps.push_back([] {
        ExpectShownPageIs("shell/prompt_over_help");
        return false;
    });
    RunGame(7, steps);
}

}  // namespace
