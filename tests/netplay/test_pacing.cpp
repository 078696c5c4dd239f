// Tests of the pace of a following machine: the lateness of stamps and the lead it asks for, the
// steps of its ticks, and the real game following a host over links fast and slow, calm and jittery,
// inside one process on a simulated clock, keeping a lead and stepping as soon as it can.
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

// A link: each stamp reaches the follower `delay` ms after it was sent, give or take up to `jitter`
// (drawn from its frame), the jitter gone from frame `calmFrom` on.
struct Link {
    int delay, jitter;
    std::uint32_t calmFrom = 1u << 30;

    int Spread(std::uint32_t frame) const {
        if (jitter == 0 || frame >= calmFrom) return 0;
        std::uint32_t h = frame * 2654435761u;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        return static_cast<int>(h % static_cast<std::uint32_t>(2 * jitter + 1)) - jitter;
    }
};

// The owner steps frame f at f * TICK_MS and stamps frame f + INPUT_DELAY as it does; the stamps
// arrive over the link in order (the transport holds a stamp overtaking another back).
std::vector<std::int64_t> Arrivals(int frames, const Link& link) {
    std::vector<std::int64_t> at;
    std::int64_t last = 0;
    for (std::uint32_t f = 0; f < static_cast<std::uint32_t>(frames); ++f) {
        const std::int64_t sent = (f < INPUT_DELAY ? 0 : f - INPUT_DELAY) * TICK_MS;
        at.push_back(last = std::max(last, sent + link.delay + link.Spread(f)));
    }
    return at;
}

// ---- How late stamps come, and the lead.

TEST(StampLateness, StampsOnTimeAskForNoLeadAndAJitteredLinkForOneCoveringIt) {
    StampLateness steady, jittered, early;
    EXPECT_EQ(steady.LeadFrames(), 0);
    const std::vector<std::int64_t> calm = Arrivals(300, {40, 0});
    const std::vector<std::int64_t> rough = Arrivals(300, {100, 40});
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

// ---- The real game following a host.

// The game so far that the joiner plays back before it follows.
constexpr std::uint32_t SO_FAR = 10;

struct Following {
    int stops = 0;  // ticks that ran no step, or waited half a tick for one
    int steps = 0;
    int lead = 0, highestLead = 0;  // at the end, and the highest after the first 150 ticks
    std::vector<std::uint32_t> stepsPerTick;
};

class FollowTest : public NetTest {
protected:
    // The joiner follows a host played by the test for `ticks` ticks at the window's pace, over `link`;
    // the stops are counted after the first 150 (three seconds to measure the link). The host owns
    // every frame (the game stays at the title): it steps a frame every TICK_MS ms from when the joiner
    // is welcomed, stamping each quiet INPUT_DELAY frames ahead.
    Following Follow(bool withLead, int ticks, const Link& link) {
        FakeHost host(network);
        host.stamping = false;
        std::int64_t start = 0, lastDue = 0;
        const auto sendDue = [&] {
            for (;;) {
                const std::uint32_t frame = host.Stamped() + 1;
                const std::int64_t sent =
                    start + static_cast<std::int64_t>(frame - INPUT_DELAY - SO_FAR) * TICK_MS;
                const std::int64_t due = std::max(lastDue, sent + link.delay + link.Spread(frame));
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
                if (i > 150 && !ReplayPlaying()) {
                    seen.stops += stood ? 1 : 0;
                    seen.stepsPerTick.push_back(ReplayFrameSteps() - lastSteps);
                    seen.highestLead = std::max(seen.highestLead, NetFollowLead());
                }
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
        TearDown();
        SetUp();
        return seen;
    }
};

// At 100 ms and up to 40 ms either way, a joiner stepping as soon as each stamp is here stops again
// and again; keeping its lead it stops a few times while it builds it, and rarely after.
TEST_F(FollowTest, AFollowerOnAJitteryLinkStopsFarLessOftenWithItsLead) {
    const Following atOnce = Follow(false, 450, {100, 40}), paced = Follow(true, 450, {100, 40});
    EXPECT_GT(atOnce.stops, 30);
    EXPECT_LT(paced.stops * 4, atOnce.stops)
        << paced.stops << " stops with the lead, " << atOnce.stops << " without";
    EXPECT_EQ(atOnce.lead, 0);
    EXPECT_GE(paced.lead, 2);
    EXPECT_LE(paced.lead, 6);
    // It keeps up with the host all the same: within its lead and the link's delay.
    EXPECT_GE(paced.steps, atOnce.steps - 12);
}

// On a local network a follower keeping its lead steps exactly as one stepping at once, and never
// stops.
TEST_F(FollowTest, OnALocalNetworkAFollowerStepsExactlyAsOneSteppingAtOnce) {
    const Following atOnce = Follow(false, 450, {1, 1}), paced = Follow(true, 450, {1, 1});
    EXPECT_EQ(paced.stepsPerTick, atOnce.stepsPerTick);
    EXPECT_LE(paced.highestLead, 1);
    EXPECT_EQ(atOnce.stops, 0);
}

// The lead grows with the jitter and falls back when it goes: twenty seconds of 100 +- 40 ms, then
// twenty of a calm 100 ms. The frames held beyond the lead are run off: it ends level, one step a tick.
TEST_F(FollowTest, TheLeadGrowsWithJitterAndFallsBackWhenItGoes) {
    const Following run = Follow(true, 2200, {100, 40, 1000});
    EXPECT_GE(run.highestLead, 3);
    EXPECT_EQ(run.lead, 0);
    ASSERT_GE(run.stepsPerTick.size(), 100u);
    for (auto t = run.stepsPerTick.size() - 100; t < run.stepsPerTick.size(); ++t)
        EXPECT_EQ(run.stepsPerTick[t], 1u) << "tick " << t;
}

}  // namespace
