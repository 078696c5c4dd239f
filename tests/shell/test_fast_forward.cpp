// Tests of fast-forward through the loop: the steps each tick runs and shows with the fast key held,
// let go or never pressed, and the game reached the same every way.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/globals.h"
#include "platform/headless/headless_platform.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/fast_forward.h"
#include "snapshot/state_snapshot.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

// One tick: the mode it started in, the steps it ran, the frames it showed and the fast mark; a
// tick that fires switches mode before its step, and is left out.
struct TickRun {
    bool fires = false;
    std::uint32_t mode = 0;
    int steps = 0;
    int shown = 0;
    bool marked = false;
};

// The ticks; the state reached but for the sounds (a fast tick mixes the sounds of several steps in
// the time of one, and the mixer leaves out those it has no voice for); and the replay recorded.
struct Played {
    std::vector<TickRun> ticks;
    std::string state;
};

std::string WithoutSounds(std::string state) {
    const std::size_t at = state.find("\n  \"sound\": ");
    return at == std::string::npos ? state : state.erase(at, state.find('\n', at + 1) - at);
}

// Two people play the first turn of a game of seed 5, Red firing as soon as the game takes keys,
// until the second turn has run 30 ticks. The fast key goes down at the title if `held`, and up
// `letGoAfter` ticks into the shot (0: never).
Played PlayFirstTurn(bool held, int letGoAfter) {
    ResetEverything();
    TraceCapture quiet;
    auto played = std::make_shared<Played>();
    auto shotTicks = std::make_shared<int>(0);
    auto turnTwoTicks = std::make_shared<int>(0);
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    std::vector<StepDriver::Step> steps = {Keys({}), Keys({VK_RETURN}),
                                           Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), Keys(finish),
                                           Keys(finish)};
    for (int i = 0; i < 3000; ++i)
        steps.push_back([=] {
            std::vector<TickRun>& ticks = played->ticks;
            if (!ticks.empty()) {
                ticks.back().steps = FrameCounter - ticks.back().steps;
                ticks.back().shown = HeadlessLastFrame().presents - ticks.back().shown;
            }
            if (TurnsStarted >= 2 && ++*turnTwoTicks > 30) return false;
            if (held && ticks.empty()) PostKey(WM_KEYDOWN, FAST_KEY);
            if (CurrentMode == ShotInProgress && ++*shotTicks == letGoAfter) PostKey(WM_KEYUP, FAST_KEY);
            const bool fires = CurrentMode == Aiming && TurnsStarted == 1;
            if (fires) PressKey(VK_SPACE);
            ticks.push_back(
                {fires, CurrentMode, FrameCounter, HeadlessLastFrame().presents, ShellFastShown()});
            HeadlessTick();
            return true;
        });
    RunGame(5, steps);
    played->state = WithoutSounds(StateSnapshotJson()) + FormatReplay(ReplayRecorded());
    return std::move(*played);
}
// Held, the key runs FAST_STEPS_PER_TICK steps in each tick of the shot, the last of them shown,
// and one step in each tick of the menus and the aiming; let go, one again. The steps and the keys
// they read being the same, the game reached and its replay are the same.
TEST(FastForward, RunsSeveralStepsATickOnlyDuringAShotAndReachesTheSameGame) {
    const Played plain = PlayFirstTurn(false, 0);
    const struct {
        bool held;
        int letGoAfter;
    } cases[] = {{true, 0}, {true, 20}, {false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.held ? "held" : "not held") + ", let go after " +
                     std::to_string(c.letGoAfter));
        const Played run = c.held || c.letGoAfter ? PlayFirstTurn(c.held, c.letGoAfter) : plain;
        int fast = 0, shotTicks = 0;
        for (std::size_t t = 0; t + 1 < run.ticks.size(); ++t) {
            const TickRun& tick = run.ticks[t];
            if (tick.fires) continue;
            const bool shot = tick.mode == ShotInProgress;
            const bool last = run.ticks[t + 1].mode != ShotInProgress;
            shotTicks += shot ? 1 : 0;
            // Every tick of the shot shows one frame, and outside it every tick runs one step.
            EXPECT_EQ(shot ? tick.shown : tick.steps, 1) << "tick " << t << " in mode " << tick.mode;
            if (shot && !last && tick.steps > 1) {
                EXPECT_EQ(tick.steps, FAST_STEPS_PER_TICK) << "tick " << t;
                ++fast;
            }
            const bool holding = c.held && (c.letGoAfter == 0 || shotTicks <= c.letGoAfter);
            EXPECT_EQ(tick.marked, shot && holding) << "tick " << t;
        }
        // The shot's ticks run fast while the key is held (the first goes up as the tick starts).
        EXPECT_EQ(fast, !c.held ? 0 : c.letGoAfter ? c.letGoAfter - 1 : shotTicks - 1);
        EXPECT_GT(shotTicks, 20);
        EXPECT_EQ(run.state, plain.state);
    }
}

}  // namespace
