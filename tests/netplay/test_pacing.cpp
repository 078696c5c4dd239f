// Tests of the pace of a following machine: the lateness of stamps and the lead it asks for, a
// follower ticking against made-up arrivals, paced and stepping as soon as it can, and the real game
// following a host over a slow, jittery link inside one process on a simulated clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "netplay/lockstep.h"
#include "netplay/pacing.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

using netplay::FollowPacer;
using netplay::StampLateness;
using netplay::TICK_MS;
using netplay::TickView;

constexpr int INPUT_DELAY_FRAMES = 3;

// The owner steps frame f at f * TICK_MS and stamps frame f + INPUT_DELAY_FRAMES as it does; each
// stamp takes `delay` ms plus or minus up to `jitter`, and arrives in order (the transport holds a
// stamp overtaking another back), drawn from `seed`. From frame `calmFrom` on the jitter is gone.
std::vector<std::int64_t> Arrivals(int frames, int delay, int jitter, std::uint32_t seed,
                                   int calmFrom = 1 << 30) {
    std::vector<std::int64_t> at(static_cast<std::size_t>(frames));
    std::uint32_t state = seed;
    std::int64_t last = 0;
    for (int f = 0; f < frames; ++f) {
        state = state * 1664525u + 1013904223u;
        const int spread = f >= calmFrom ? 0 : jitter;
        const int drawn =
            spread == 0
                ? 0
                : static_cast<int>((state >> 8) % static_cast<std::uint32_t>(2 * spread + 1)) - spread;
        const std::int64_t sent = std::max(0, f - INPUT_DELAY_FRAMES) * TICK_MS;
        last = std::max(last, sent + delay + drawn);
        at[static_cast<std::size_t>(f)] = last;
    }
    return at;
}

struct FollowRun {
    std::vector<std::int64_t> steps;  // the wall time of each frame step, in frame order
    std::vector<int> stepsPerTick;
    int lead = 0;                                        // at the end
    std::int64_t depth = 0;                              // held at the last tick
    std::int64_t lowestLead = 1 << 30, highestLead = 0;  // over the run after the first two seconds

    // Stops after the first two seconds: times a tick went by with no step, the picture standing
    // still for more than a tick.
    int Stops() const {
        int stops = 0;
        for (std::size_t i = 1; i < steps.size(); ++i)
            if (steps[i - 1] >= 2000 && steps[i] - steps[i - 1] > TICK_MS + 5) ++stops;
        return stops;
    }
};

// A follower's ticks, 20 ms apart unless a step was late (then the next comes at once, as the
// window's timer does), seeing the stamps that have arrived. With `paced` the pacer decides each
// tick's steps; otherwise a tick steps as soon as the next stamp is here, and a machine that has
// fallen well behind catches up, as a machine did before it kept a lead. A stamp not here is waited
// for, looking every 5 ms.
FollowRun Follow(const std::vector<std::int64_t>& arrivals, bool paced, int phase = 7) {
    FollowRun run;
    StampLateness lateness;
    FollowPacer pacer;
    std::int64_t seen = -1, next = 0, tick = phase;
    bool fresh = false;
    const auto look = [&](std::int64_t now) {
        while (seen + 1 < static_cast<std::int64_t>(arrivals.size()) &&
               arrivals[static_cast<std::size_t>(seen + 1)] <= now) {
            lateness.Arrived(static_cast<std::uint32_t>(++seen), now);
            fresh = true;
        }
    };
    const std::int64_t last = static_cast<std::int64_t>(arrivals.size()) - 40;
    while (next < last) {
        std::int64_t now = tick;
        look(now);
        while (seen < next) {  // the lambda moves `seen` on
            now += 5;
            look(now);
        }
        TickView view;
        view.depth = seen - next;
        view.follows = true;
        view.fresh = fresh;
        view.lead = paced ? lateness.LeadFrames() : 0;
        fresh = false;
        int steps = 1;
        if (paced)
            steps = pacer.StepsThisTick(view);
        else if (view.depth >= INPUT_DELAY_FRAMES + 4)
            steps = static_cast<int>(std::min<std::int64_t>(view.depth - INPUT_DELAY_FRAMES - 2, 10));
        for (int s = 0; s < steps; ++s, ++next) run.steps.push_back(now);
        run.stepsPerTick.push_back(steps);
        run.depth = view.depth;
        run.lead = view.lead;
        if (now >= 2000) {
            run.lowestLead = std::min<std::int64_t>(run.lowestLead, view.lead);
            run.highestLead = std::max<std::int64_t>(run.highestLead, view.lead);
        }
        tick = std::max(tick + TICK_MS, now);
    }
    return run;
}

// ---- How late stamps come, and the lead.

TEST(StampLateness, StampsOnTimeAskForNoLeadAndAJitteredLinkForOneCoveringIt) {
    StampLateness steady, jittered, early;
    EXPECT_EQ(steady.LeadFrames(), 0);
    const std::vector<std::int64_t> calm = Arrivals(300, 40, 0, 1);
    const std::vector<std::int64_t> rough = Arrivals(300, 100, 40, 2);
    for (std::uint32_t f = 0; f < 300; ++f) {
        steady.Arrived(f, calm[f]);
        jittered.Arrived(f, rough[f]);
    }
    EXPECT_EQ(steady.LeadFrames(), 0);
    // Up to 80 ms between the earliest and the latest: the lead covers most of it, never more.
    EXPECT_GE(jittered.LeadFrames(), 3);
    EXPECT_LE(jittered.LeadFrames(), 4);
    // A few frames seen too early to be kept: the first is kept, the others dropped.
    for (std::uint32_t f = 0; f < 30; ++f) early.Arrived(f < 10 ? 5 : f, f * TICK_MS);
    EXPECT_EQ(early.Lateness().size(), 21u);
}

TEST(StampLateness, ALostPacketCountsAsLateAndTheWholeStreamMovingDoesNot) {
    // Every second, one stamp is held up 200 ms (a packet lost and sent again) and the nine after it
    // arrive with it: a tenth of the stamps are late by 20 to 200 ms.
    StampLateness lost;
    for (std::uint32_t f = 0; f < 250; ++f) {
        const std::uint32_t held = f % 50 < 10 && f >= 50 ? f - f % 50 : f;
        lost.Arrived(f, f % 50 < 10 && f >= 50 ? held * TICK_MS + 200 : f * TICK_MS);
    }
    const std::vector<std::int64_t> late = lost.Lateness();
    EXPECT_EQ(late[100], 200);
    EXPECT_EQ(late[109], 20);
    EXPECT_EQ(late[110], 0);
    EXPECT_GE(lost.LeadFrames(), 6);
    EXPECT_LE(lost.LeadFrames(), 10);

    // The owner paused 300 ms twice (loading a landscape), then caught up 5 frames at once: no stamp
    // is late, and there is no lead to keep. (A pause and a catch-up closer together than the
    // neighbours measured against look like stamps held up, and are taken as such.)
    StampLateness moved;
    for (std::uint32_t f = 0; f < 250; ++f) {
        const std::int64_t paused = (f >= 80 ? 300 : 0) + (f >= 160 ? 300 : 0);
        const std::int64_t caughtUp = f >= 215 ? std::min<std::int64_t>(f - 215, 5) * TICK_MS : 0;
        moved.Arrived(f, f * TICK_MS + paused - caughtUp);
    }
    for (std::int64_t l : moved.Lateness()) EXPECT_EQ(l, 0);
    EXPECT_EQ(moved.LeadFrames(), 0);
    // Never more than half a second, however wild the link.
    StampLateness wild;
    for (std::uint32_t f = 0; f < 250; ++f) wild.Arrived(f, f * TICK_MS + (f % 4 == 0 ? 2000 : 0));
    EXPECT_EQ(wild.LeadFrames(), netplay::MAX_LEAD_FRAMES);
}

// ---- The steps of a tick.

// Ticks shown to one pacer: `times` ticks of one view, each to run `steps` (-1: any).
struct PacerTicks {
    int times;
    std::int64_t depth;
    int lead;
    unsigned view;  // FOLLOWS, FRESH, STILL
    int ownIn;
    int steps;
};
constexpr unsigned FOLLOWS = 1, FRESH = 2, STILL = 4;
constexpr int RECENT = static_cast<int>(FollowPacer::RECENT_TICKS);

TEST(FollowPacer, StepsEachTickAsTheMomentAndWhatItHoldsAsk) {
    const struct {
        const char* name;
        std::vector<PacerTicks> ticks;
    } cases[] = {
        {"the owner is never held", {{30, 0, 12, FRESH, 0, 1}, {1, 0, 12, FRESH | STILL, 0, 1}}},
        // Its own frame coming after the next three: it runs three now, however little it holds.
        {"a follower about to own",
         {{5, 10, 12, FOLLOWS | FRESH, 0, -1},
          {1, 10, 12, FOLLOWS | FRESH, 3, 3},
          {1, 0, 12, FOLLOWS | FRESH, 1, 1}}},
        // All it holds but INPUT_DELAY frames, up to a tick's worth.
        {"the picture standing still",
         {{1, 8, 12, FOLLOWS | FRESH | STILL, 0, 5},
          {1, 3, 12, FOLLOWS | FRESH | STILL, 0, 1},
          {1, 30, 12, FOLLOWS | FRESH | STILL, 0, netplay::MAX_STEPS_PER_TICK}}},
        // A lead within INPUT_DELAY: level at 5 frames beyond the next; 9 held is caught up at once.
        {"no lead", {{1, 9, 0, FOLLOWS, 0, 4}, {1, 6, 0, FOLLOWS, 0, 1}, {1, 40, 0, FOLLOWS, 0, 10}}},
        // A lead of 8: level at 10. Two over it for a moment is let be; for half a second, it runs two
        // steps a tick; far over, it catches up at once.
        {"a lead of 8",
         {{RECENT, 10, 8, FOLLOWS, 0, 1},
          {1, 13, 8, FOLLOWS, 0, 1},
          {RECENT - 1, 13, 8, FOLLOWS, 0, -1},
          {1, 13, 8, FOLLOWS, 0, 2},
          {1, 20, 8, FOLLOWS, 0, 10}}},
        // Stamps coming: the ticks pass, one a stop, until it holds its lead.
        {"building its lead",
         {{1, 1, 5, FOLLOWS | FRESH, 0, 0},
          {1, 2, 5, FOLLOWS | FRESH, 0, 0},
          {1, 3, 5, FOLLOWS | FRESH, 0, 0},
          {1, 4, 5, FOLLOWS | FRESH, 0, 0},
          {2, 5, 5, FOLLOWS | FRESH, 0, 1}}},
        // No stamp since the last tick (its owner stopped, or one is late): it steps on.
        {"no stamp lately", {{6, 1, 5, FOLLOWS, 0, 1}}},
        // Having held its lead within the last half second, a dip is what the lead is for.
        {"a dip",
         {{1, 6, 5, FOLLOWS | FRESH, 0, -1},
          {RECENT - 1, 2, 5, FOLLOWS | FRESH, 0, 1},
          {1, 2, 5, FOLLOWS | FRESH, 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FollowPacer pacer;
        int tick = 0;
        for (const PacerTicks& t : c.ticks)
            for (int i = 0; i < t.times; ++i, ++tick) {
                TickView view;
                view.depth = t.depth;
                view.lead = t.lead;
                view.ownIn = t.ownIn;
                view.follows = (t.view & FOLLOWS) != 0;
                view.fresh = (t.view & FRESH) != 0;
                view.still = (t.view & STILL) != 0;
                const int steps = pacer.StepsThisTick(view);
                EXPECT_TRUE(t.steps < 0 || steps == t.steps) << "tick " << tick << ": " << steps;
            }
    }
}

// ---- A follower against made-up arrivals.

TEST(FollowPacer, OnALocalNetworkAFollowerStepsExactlyAsOneSteppingAtOnce) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const std::vector<std::int64_t> arrivals = Arrivals(1500, 1, 1, seed);
        for (int phase : {0, 7, 19}) {
            const FollowRun paced = Follow(arrivals, true, phase), atOnce = Follow(arrivals, false, phase);
            EXPECT_EQ(paced.steps, atOnce.steps) << seed << " " << phase;
            EXPECT_LE(paced.highestLead, 1) << seed << " " << phase;
            EXPECT_EQ(atOnce.Stops(), 0);
        }
    }
}

TEST(FollowPacer, TheLeadGrowsWithJitterAndFallsBackWhenItGoes) {
    // Twenty seconds of 100 +- 40 ms, then twenty of a calm 100 ms.
    const std::vector<std::int64_t> arrivals = Arrivals(2200, 100, 40, 9, 1000);
    const FollowRun run = Follow(arrivals, true);
    EXPECT_GE(run.highestLead, 3);
    EXPECT_EQ(run.lead, 0);
    // The frames held beyond the lead are run off: it ends level, one step a tick.
    EXPECT_LE(run.depth, 5);
    const std::vector<int> lastTicks(run.stepsPerTick.end() - 100, run.stepsPerTick.end());
    for (int steps : lastTicks) EXPECT_EQ(steps, 1);
}

// ---- The real game following a host: with its lead it stops far less often than stepping as soon
// as each stamp is here.

// The game so far that the joiner plays back before it follows.
constexpr std::uint32_t SO_FAR = 10;
// The link: each stamp reaches the joiner DELAY ms after it was sent, give or take up to JITTER.
constexpr int DELAY = 100;
constexpr int JITTER = 40;

// How far a frame's stamp strays from the link's delay, drawn from the frame.
int Spread(std::uint32_t frame) {
    std::uint32_t h = frame * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return static_cast<int>(h % static_cast<std::uint32_t>(2 * JITTER + 1)) - JITTER;
}

struct Following {
    int stops = 0;  // ticks that ran no step, or waited half a tick for one
    int steps = 0;
    int lead = 0;
};

class FollowTest : public NetTest {
protected:
    // The joiner follows a host played by the test for `ticks` ticks at the window's pace; the stops
    // are counted after the first 150 (three seconds to measure the link). The host owns every frame
    // (the game stays at the title): it steps a frame every TICK_MS ms from when the joiner is welcomed,
    // stamping each quiet INPUT_DELAY frames ahead, each stamp arriving after the link's delay and
    // never before the one stamped earlier.
    Following Follow(bool withLead, int ticks) {
        FakeHost host(network);
        host.stamping = false;
        std::int64_t start = 0, lastDue = 0;
        const auto sendDue = [&] {
            for (;;) {
                const std::uint32_t frame = host.Stamped() + 1;
                const std::int64_t sent =
                    start + static_cast<std::int64_t>(frame - INPUT_DELAY - SO_FAR) * TICK_MS;
                const std::int64_t due = std::max(lastDue, sent + DELAY + Spread(frame));
                if (network.NowMs() + 1 < due) return;
                lastDue = due;
                host.SendQuiet(0, frame, frame);
            }
        };
        host.Open(SO_FAR, sendDue);
        start = network.NowMs();
        NetTicksPaced(true);
        NetFollowWithLead(withLead);
        Following seen;
        std::int64_t tick = start, lastTick = tick;
        std::uint32_t lastSteps = 0;
        std::vector<StepDriver::Step> driver;
        for (int i = 0; i < ticks; ++i)
            driver.push_back([&, i] {
                // The tick before this one ran no step, or waited half a tick for it: the picture
                // stood still.
                const bool stood =
                    ReplayFrameSteps() == lastSteps || network.NowMs() - lastTick >= TICK_MS / 2;
                if (i > 150 && !ReplayPlaying() && stood) ++seen.stops;
                lastSteps = ReplayFrameSteps();
                // A late tick comes at once; the ones missed are not made up.
                tick = std::max(tick + TICK_MS, network.NowMs());
                for (sendDue(); network.NowMs() < tick; sendDue()) network.Advance(1);
                lastTick = network.NowMs();
                HeadlessTick();
                return true;
            });
        EXPECT_EQ(RunGame(3, driver), 0);
        EXPECT_TRUE(NetFailure().empty()) << NetFailure();
        seen.steps = static_cast<int>(ReplayFrameSteps());
        seen.lead = NetFollowLead();
        NetResetForTests();
        return seen;
    }
};

// At 100 ms and up to 40 ms either way, a joiner stepping as soon as each stamp is here stops again
// and again; keeping its lead it stops a few times while it builds it, and rarely after.
TEST_F(FollowTest, AFollowerOnAJitteryLinkStopsFarLessOftenWithItsLead) {
    const Following atOnce = Follow(false, 450);
    TearDown();
    SetUp();
    const Following paced = Follow(true, 450);
    EXPECT_GT(atOnce.stops, 30);
    EXPECT_LT(paced.stops * 4, atOnce.stops)
        << paced.stops << " stops with the lead, " << atOnce.stops << " without";
    EXPECT_EQ(atOnce.lead, 0);
    EXPECT_GE(paced.lead, 2);
    EXPECT_LE(paced.lead, 6);
    // It keeps up with the host all the same: within its lead and the link's delay.
    EXPECT_GE(paced.steps, atOnce.steps - 12);
}

}  // namespace
