// Tests of the overlays of an aiming turn as the frame step draws them: the quit prompt hides the
// help screen (the ready message's 200 frames and a new game's first turn alone having it are the
// scenarios ready_message_runs_out and ready_message_not_carried).
#include <gtest/gtest.h>

#include "core/globals.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/pictures.h"

namespace {

using OverlayOrderTest = GameTest;

// The help screen over the first turn of a two-player game, then the quit prompt over it, which
// hides the help screen but not the ready message.
TEST_F(OverlayOrderTest, TheQuitPromptHidesTheHelpScreenButNotTheReadyMessage) {
    TraceCapture quiet;
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    RunGame(7, {Keys(), Keys({VK_RETURN}), Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), Keys(finish),
                Keys(finish),
                [] {
                    PostKey(WM_KEYDOWN, VK_F1);  // held
                    HeadlessTick();
                    return true;
                },
                Do([] { ExpectShownPageIs("shell/help_over_play"); }), Keys({VK_ESCAPE}),
                [] {
                    ExpectShownPageIs("shell/prompt_over_help");
                    return false;
                }});
}

}  // namespace
