// Tests of the message loop, activation, start-up that fails, shutdown and fast-forward. Start-up,
// Esc on the title, activation messages and the title's keys are played by the scenarios
// title_wait, esc_on_title, activation and title_choice_and_back; the data tables start-up refuses
// are their own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "core/globals.h"
#include "diag/diag.h"
#include "platform/backend.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/fast_forward.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class LoopTest : public GameTest {};

StepDriver::Step Tick() { return Keys(); }

TEST_F(LoopTest, TicksThatQueueUpTogetherMakeOneFrameStep) {
    RunGame(1, {Tick(), Do([] {
                    HeadlessTick();
                    HeadlessTick();
                    HeadlessTick();
                }),
                Do([] { EXPECT_EQ(FrameCounter, 2); })});
    EXPECT_EQ(FrameCounter, 2);
}

TEST_F(LoopTest, WindowDeactivationClearsActivityButReactivationNeedsTheAppMessage) {
    RunGame(1, {Tick(), Do([] {
                    PostMessageA(PlatformMainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
                    PostMessageA(PlatformMainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
                    HeadlessTick();
                }),
                Do([] {
                    EXPECT_FALSE(AppActive);
                    EXPECT_EQ(FrameCounter, 1);
                })});
}

// Esc on the title closes the game (the esc_on_title scenario); what start-up made is undone.
TEST_F(LoopTest, ShutdownUndoesStartUp) {
    EXPECT_EQ(RunGame(1, {Tick(), Keys({VK_ESCAPE})}), 0);
    EXPECT_EQ(PlatformMainWindow(), nullptr);
    EXPECT_EQ(ThePlayers, nullptr);
    EXPECT_FALSE(AppActive);
}

TEST_F(LoopTest, NoWindowMeansAFailedStartWithAReason) {
    TraceCapture out;
    HeadlessFailWindowCreation(true);
    EXPECT_EQ(RunGame(1, {}), 1);
    EXPECT_NE(out.Text().find("ERROR:-: GetLastError"), std::string::npos);
    EXPECT_NE(out.Text().find("the window could not be made"), std::string::npos);
}

TEST_F(LoopTest, SwitchToModeAboveSixChangesNothing) {
    CurrentMode = PlayerChoice;
    SwitchToMode(7);
    SwitchToMode(0xFFFFFFFFu);
    EXPECT_EQ(CurrentMode, PlayerChoice);
}

// Two people play seed 5's first turn to 30 ticks into the next, the fast key held from the title
// if `held` until the shot's `letGoAfter`th tick (0: ever). Outside the shot a tick runs one step; in
// it a tick shows one frame. Kept: each of its ticks' steps (but the last), the ticks marked fast, and
// the replay and the state but for the sounds (a fast tick mixes several steps' in the time of one).
struct FastTurn {
    std::vector<int> steps;
    int marked = 0;
    std::string game;
};
FastTurn PlayFirstTurn(bool held, std::size_t letGoAfter) {
    ResetEverything();
    TraceCapture quiet;
    FastTurn played;
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    std::vector<StepDriver::Step> steps = {
        Tick(), Keys({VK_RETURN}), Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), Keys(finish), Keys(finish)};
    std::uint32_t mode = Title;
    int frame = -1, presents = 0, turnTwo = 0;
    steps.insert(steps.end(), 3000, [&] {
        const bool shot = mode == ShotInProgress, fired = mode == Aiming && CurrentMode == ShotInProgress;
        if (shot && CurrentMode == ShotInProgress) played.steps.push_back(FrameCounter - frame);
        EXPECT_TRUE(!shot || HeadlessLastFrame().presents - presents == 1);
        EXPECT_TRUE(shot || fired || frame < 0 || FrameCounter - frame == 1) << "mode " << mode;
        if (TurnsStarted >= 2 && ++turnTwo > 30) return false;
        if (held && frame < 0) PostKey(WM_KEYDOWN, FAST_KEY);
        if (CurrentMode == ShotInProgress && played.steps.size() + 1 == letGoAfter)
            PostKey(WM_KEYUP, FAST_KEY);
        if (CurrentMode == Aiming && TurnsStarted == 1) PressKey(VK_SPACE);
        played.marked += ShellFastShown() ? 1 : 0;
        std::tie(mode, frame, presents) = std::tuple(CurrentMode, FrameCounter, HeadlessLastFrame().presents);
        HeadlessTick();
        return true;
    });
    RunGame(5, steps);
    played.game = StateSnapshotJson() + FormatReplay(ReplayRecorded());
    const std::size_t sound = played.game.find("\n  \"sound\": ");
    played.game.erase(sound, played.game.find('\n', sound + 1) - sound);
    return played;
}

TEST_F(LoopTest, TheFastKeyRunsSeveralStepsATickOnlyDuringAShotAndTheGameIsTheSame) {
    const FastTurn plain = PlayFirstTurn(false, 0);
    EXPECT_EQ(std::count(plain.steps.begin(), plain.steps.end(), 1), std::ssize(plain.steps));
    EXPECT_GT(plain.steps.size(), 100u);
    EXPECT_EQ(plain.marked, 0);
    for (const std::size_t letGoAfter : {0u, 20u}) {
        SCOPED_TRACE(letGoAfter);
        const FastTurn fast = PlayFirstTurn(true, letGoAfter);
        const long ticks = std::ssize(fast.steps),
                   quick = std::count(fast.steps.begin(), fast.steps.end(), FAST_STEPS_PER_TICK);
        EXPECT_EQ(quick, letGoAfter ? static_cast<long>(letGoAfter) - 1 : ticks);
        EXPECT_EQ(std::count(fast.steps.begin(), fast.steps.end(), 1), ticks - quick);
        EXPECT_EQ(fast.marked, letGoAfter ? static_cast<long>(letGoAfter) : ticks + 1);
        EXPECT_EQ(fast.game, plain.game);
    }
}

}  // namespace
