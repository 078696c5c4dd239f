// Catching up: a machine that has fallen behind the others (it was paused, busy, or slow to join)
// runs several frame steps a tick until it is level again, showing only the last of them.
#include <algorithm>

#include "diag/diag.h"
#include "netplay/session.h"
#include "replay/session.h"

namespace netplay {

namespace {

// A machine is behind when whoever stamps its next frame has stamped this far beyond it: at an even
// pace the stamper is INPUT_DELAY frames ahead, and the link and the ticks' phase may add one or two.
constexpr std::uint32_t BEHIND_FRAMES = INPUT_DELAY + 3;
// A tick runs at most this many steps, and starts no more once this long has passed since its
// first, so that the window stays responsive while the machine catches up.
constexpr int MAX_STEPS_PER_TICK = 10;
constexpr auto TICK_BUDGET = std::chrono::milliseconds(12);
// A lag this long (half a second) is worth a trace row when it starts and ends.
constexpr std::int64_t TRACED_LAG_FRAMES = 25;

struct CatchUp {
    bool paced = true;
    int steps = 0;  // the steps run in this tick so far
    Clock::time_point tickStart{};
    bool another = false;  // another step follows the one running now, which is not shown
    bool traced = false;   // a lag worth a trace row is being caught up
    Clock::time_point tracedSince{};
};

CatchUp C;

// How many frames beyond `frame` the stamps held reach, as its stamper has stamped them; 0 when the
// frame itself is not held yet.
std::int64_t FramesHeldBeyond(std::uint32_t frame) {
    if (!Held(frame)) return 0;
    return std::max<std::int64_t>(StreamOf(EffectiveOwner(frame)).latest - frame, 0);
}

// Rows for a lag long enough to matter: when it is noticed, and when it has been caught up.
void TraceLag(std::int64_t held) {
    const bool lagging = C.paced && held > TRACED_LAG_FRAMES;
    if (lagging && !C.traced) {
        C.traced = true;
        C.tracedSince = Clock::now();
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "CatchUp", "Behind by %lld frames: catching up",
                  static_cast<long long>(held - INPUT_DELAY));
    } else if (!lagging && C.traced && !C.another) {
        C.traced = false;
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "CatchUp", "Level again after %lld ms",
                  static_cast<long long>(Ms(Clock::now() - C.tracedSince)));
    }
}

}  // namespace

void CatchUpBeforeStep() {
    if (!Active() || ReplayPlaying()) {
        C.another = false;
        return;
    }
    const Clock::time_point now = Clock::now();
    if (!C.another) {
        C.steps = 0;
        C.tickStart = now;
    }
    ++C.steps;
    // The frame after this step decides: still behind, and the tick has room for it.
    // A spectator is behind only beyond the lead it keeps.
    const std::int64_t held = FramesHeldBeyond(ReplayFrameSteps() + 1) - WatchLead();
    C.another =
        C.paced && held >= BEHIND_FRAMES && C.steps < MAX_STEPS_PER_TICK && now - C.tickStart < TICK_BUDGET;
    TraceLag(held);
}

bool CatchUpRunsAnother() { return C.another && Active(); }

void SetTicksPaced(bool paced) { C.paced = paced; }

void ResetCatchUp() { C = CatchUp{}; }

}  // namespace netplay
