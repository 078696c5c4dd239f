// The pace of the frame steps: how many each tick runs. A machine that has fallen behind the others
// (it was paused, busy, or slow to join) runs several steps a tick until it is level again, showing
// only the last of them; a machine following another's moment keeps a lead over the newest stamp it
// holds, measured from how late the stamps come (netplay/pacing.h).
#include "netplay/catch_up.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/globals.h"
#include "diag/diag.h"
#include "netplay/pacing.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/watchers.h"
#include "replay/session.h"

namespace netplay {

namespace {

// A tick starts no more steps once this long has passed since its first, so that the window stays
// responsive while the machine catches up.
constexpr std::int64_t TICK_BUDGET_MS = 12;
// Stamps are coming while one has come within this long.
constexpr std::int64_t FRESH_MS = 100;
// A lag this long (half a second) is worth a trace row when it starts and ends.
constexpr std::int64_t TRACED_LAG_FRAMES = 25;

struct CatchUp {
    bool paced = true;
    bool lead = true;  // a follower keeps a lead (LOBSHOT_FOLLOW_LEAD=0 turns it off)
    int steps = 0;     // the steps run in this tick so far
    int planned = 1;   // the steps this tick runs
    std::int64_t tickStart = 0;
    bool another = false;  // another step follows the one running now, which is not shown
    bool waited = false;   // this tick has waited for the next frame's stamp
    int leadNow = 0;       // the lead at the last tick
    int stamper = 0;       // who stamps the next frame, noted before its keys go to the game
    bool traced = false;   // a lag worth a trace row is being caught up
    std::int64_t tracedSince = 0;
    // Each machine's stamps as this machine has seen them come: the last frame seen, when the last
    // came, and how late they come.
    std::array<std::int64_t, MAX_MACHINES> seen{};
    std::array<std::int64_t, MAX_MACHINES> lastCame{};
    std::array<StampLateness, MAX_MACHINES> lateness{};
    FollowPacer pacer;
};

CatchUp TheCatchUp;

bool LeadWanted() {
    const char* wanted = std::getenv("LOBSHOT_FOLLOW_LEAD");
    return !wanted || std::strcmp(wanted, "0") != 0;
}

// How many frames beyond `frame` the stamps held reach, as its stamper has stamped them; 0 when the
// frame itself is not held yet.
std::int64_t FramesHeldBeyond(std::uint32_t frame) {
    if (!Held(frame)) return 0;
    return std::max<std::int64_t>(StreamOf(EffectiveOwner(frame)).latest - frame, 0);
}

// How many frames beyond the next step's the stamps reach, as its stamper has stamped them.
std::int64_t Depth(std::uint32_t next) {
    return std::max<std::int64_t>(StreamOf(TheCatchUp.stamper).latest - next, 0);
}

// The frames from `next` to this machine's first own frame among those whose owner is known; 0
// when none of them is its own.
int OwnFrameIn(std::uint32_t next) {
    for (std::uint32_t k = 1; k <= INPUT_DELAY; ++k)
        if (TheStamps.owners.count(next + k) && EffectiveOwner(next + k) == TheLink.me)
            return static_cast<int>(k);
    return 0;
}

// A picture that stands still until a key: a shop, the player choice, a shot settling before the
// turn passes (nothing moves for SETTLE_FRAMES).
bool PictureStill() {
    return CurrentMode == WeaponShop || CurrentMode == PlayerChoice ||
           (CurrentMode == ShotInProgress && SettleCountdown >= 0);
}

// Rows for a lag long enough to matter: when it is noticed, and when it has been caught up.
void TraceLag(std::int64_t held) {
    const bool lagging = TheCatchUp.paced && held > TRACED_LAG_FRAMES;
    if (lagging && !TheCatchUp.traced) {
        TheCatchUp.traced = true;
        TheCatchUp.tracedSince = NowMs();
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "CatchUp", "Behind by %lld frames: catching up",
                  static_cast<long long>(held - INPUT_DELAY));
    } else if (!lagging && TheCatchUp.traced && !TheCatchUp.another) {
        TheCatchUp.traced = false;
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "CatchUp", "Level again after %lld ms",
                  static_cast<long long>(NowMs() - TheCatchUp.tracedSince));
    }
}

// A low-severity row for each step, each tick let pass and each wait, for measuring the pace: when
// (the network's milliseconds), the machine that stamped the frame and this one, the lead, the frames held
// and whether the picture stands still.
void TracePace(const char* what, std::uint32_t frame) {
    if (!Diag.TraceLowSeverity) return;
    DiagTrace(DIAG_LOW, "net", __LINE__, "Pace",
              "%s %u at %lld ms, stamped by %d, on %d, lead %d, held %lld%s", what, frame,
              static_cast<long long>(NowMs()), TheCatchUp.stamper, TheLink.me, TheCatchUp.leadNow,
              static_cast<long long>(Depth(frame)), PictureStill() ? ", still" : "");
}

}  // namespace

void WatchStamps() {
    if (!Active() || ReplayPlaying()) return;
    // Who stamps the next frame is forgotten once its keys go to the game.
    const std::uint32_t next = ReplayFrameSteps();
    if (TheStamps.deliveredThrough < static_cast<std::int64_t>(next))
        TheCatchUp.stamper = EffectiveOwner(next);
    const std::int64_t now = NowMs();
    for (int m = 0; m < MAX_MACHINES; ++m) {
        const Stream& stream = StreamOf(m);
        std::int64_t& seen = TheCatchUp.seen[static_cast<std::size_t>(m)];
        if (m == TheLink.me || stream.latest == seen) continue;
        // A stream first seen (or begun again) is taken as it stands: what it holds came before.
        if (seen < 0 || stream.latest < seen) {
            seen = stream.latest;
            continue;
        }
        for (auto s = stream.stamps.upper_bound(static_cast<std::uint32_t>(seen)); s != stream.stamps.end();
             ++s)
            TheCatchUp.lateness[static_cast<std::size_t>(m)].Arrived(s->first, now);
        seen = stream.latest;
        TheCatchUp.lastCame[static_cast<std::size_t>(m)] = now;
    }
}

// The tick's steps, planned when its first step may run: a machine stepping as fast as its script
// asks runs one step a tick; otherwise the pacer decides from what this machine holds.
bool CatchUpHoldsTick() {
    if (!Active() || ReplayPlaying() || TheCatchUp.another) return false;
    TheCatchUp.steps = 0;
    TheCatchUp.tickStart = NowMs();
    TheCatchUp.planned = 1;
    if (!TheCatchUp.paced) return false;
    const std::uint32_t next = ReplayFrameSteps();
    const int stamper = TheCatchUp.stamper;
    TickView view;
    view.depth = std::max<std::int64_t>(Depth(next) - WatchLead(), 0);
    view.follows = stamper != TheLink.me;
    view.ownIn = TheCatchUp.lead ? OwnFrameIn(next) : 0;
    view.fresh = NowMs() - TheCatchUp.lastCame[static_cast<std::size_t>(stamper)] <= FRESH_MS;
    view.still = TheCatchUp.lead && PictureStill();
    // A spectator keeps a lead of its own (watchers.cpp).
    const bool keepsLead = TheCatchUp.lead && view.follows && TheLink.role != NetRole::Watch;
    view.lead = keepsLead ? TheCatchUp.lateness[static_cast<std::size_t>(stamper)].LeadFrames() : 0;
    view.inputDelay = static_cast<int>(INPUT_DELAY);
    TheCatchUp.waited = false;
    TheCatchUp.leadNow = view.lead;
    TheCatchUp.planned = TheCatchUp.pacer.StepsThisTick(view);
    if (TheCatchUp.planned == 0) TracePace("Held", next);
    return TheCatchUp.planned == 0;
}

void CatchUpWaits() {
    if (!TheCatchUp.waited) TracePace("Waited", ReplayFrameSteps());
    TheCatchUp.waited = true;
}

void CatchUpBeforeStep() {
    if (!Active() || ReplayPlaying()) {
        TheCatchUp.another = false;
        return;
    }
    TracePace("Step", ReplayFrameSteps());
    ++TheCatchUp.steps;
    // The frame after this step decides: the tick has planned it, and has room for it. A spectator is
    // behind only beyond the lead it keeps.
    const std::uint32_t following = ReplayFrameSteps() + 1;
    TheCatchUp.another = TheCatchUp.paced && TheCatchUp.steps < TheCatchUp.planned && Held(following) &&
                         NowMs() - TheCatchUp.tickStart < TICK_BUDGET_MS;
    TraceLag(FramesHeldBeyond(following) - WatchLead());
}

bool CatchUpRunsAnother() { return TheCatchUp.another && Active(); }

void SetTicksPaced(bool paced) { TheCatchUp.paced = paced; }
void SetFollowLead(bool on) { TheCatchUp.lead = on; }
int FollowLead() { return TheCatchUp.leadNow; }

void ResetCatchUp() {
    TheCatchUp = CatchUp{};
    TheCatchUp.seen.fill(-1);
    TheCatchUp.lead = LeadWanted();
}

}  // namespace netplay
