// Tests of a joining machine, against a host played by the test in-process. Its pace following the
// host: the lateness of stamps and the lead it asks for, the steps of its ticks, and the real game
// following over links fast and slow, calm and jittery, keeping a lead and stepping as soon as it
// can. A host that breaks the rules or goes: a flood of stamps or news, a game so far that claims to
// run longer than any game, a host or relay gone, and leaving with Esc while the game so far plays
// back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/guest.h"
#include "netplay/lockstep.h"
#include "netplay/pacing.h"
#include "netplay/stamps.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

using netplay::FollowPacer;
using netplay::MAX_FRAMES_AHEAD;
using netplay::MAX_FRAMES_HELD;
using netplay::MAX_NEWS_HELD;
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

class JoinerTest : public NetTest {
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
TEST_F(JoinerTest, AFollowerOnAJitteryLinkStopsFarLessOftenWithItsLead) {
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
TEST_F(JoinerTest, OnALocalNetworkAFollowerStepsExactlyAsOneSteppingAtOnce) {
    const Following atOnce = Follow(false, 450, {1, 1}), paced = Follow(true, 450, {1, 1});
    EXPECT_EQ(paced.stepsPerTick, atOnce.stepsPerTick);
    EXPECT_LE(paced.highestLead, 1);
    EXPECT_EQ(atOnce.stops, 0);
}

// The lead grows with the jitter and falls back when it goes: twenty seconds of 100 +- 40 ms, then
// twenty of a calm 100 ms. The frames held beyond the lead are run off: it ends level, one step a tick.
TEST_F(JoinerTest, TheLeadGrowsWithJitterAndFallsBackWhenItGoes) {
    const Following run = Follow(true, 2200, {100, 40, 1000});
    EXPECT_GE(run.highestLead, 3);
    EXPECT_EQ(run.lead, 0);
    ASSERT_GE(run.stepsPerTick.size(), 100u);
    for (auto t = run.stepsPerTick.size() - 100; t < run.stepsPerTick.size(); ++t)
        EXPECT_EQ(run.stepsPerTick[t], 1u) << "tick " << t;
}

// ---- A host that breaks the rules or goes.

// What the joining machine holds for frames to come: every machine's stamps, and the news.
std::size_t StampsHeld() {
    std::size_t held = 0;
    for (const netplay::Stream& m : netplay::TheStamps.machines) held += m.stamps.size();
    return held;
}
std::size_t NewsHeld() {
    std::size_t held = 0;
    for (const auto& [frame, news] : netplay::TheStamps.roster) held += news.size();
    return held;
}

// A host that would have the joiner hold more than any game can need ends the network game with a
// message naming it, while the joiner holds no more than its limits and goes on alone at its own
// keyboard from the title: stamps far ahead of the joiner, stamps of every machine within reach that
// together are more than a game can need, and news of machines for frame after frame, each a flood
// once the joiner has caught up; and a game so far that claims a run longer than any game, refused
// before it plays a step: one that goes on for ever after its keys, one with a key every 1,000,000
// frame steps (each gap shorter than a quiet spell may be) and one with a key near step 2^31.
TEST_F(JoinerTest, AJoinerHoldsNoMoreOfTheHostsStampsNewsAndGameThanAGameCanNeed) {
    std::vector<ReplayEvent> everyMillion;
    for (std::uint32_t step = 1000000; step <= 5000000; step += 1000000)
        everyMillion.push_back({step, ReplayEvent::KeyDown, VK_SPACE});
    const struct {
        const char* failure;
        std::function<net::Message(int n)> flood;  // its n-th message, if any
        // Well past the limits a flood stops, so that a joiner that holds it all fails the test
        // rather than filling the machine.
        int cap;
        std::uint32_t steps = 20;  // of the game so far
        std::vector<ReplayEvent> keys = {};
        const char* why = "";  // what the failure says further on
    } cases[] = {
        {"The host sent keys for frame 5000000, too far ahead of this machine (at frame ",
         [](int) {
             return net::Quiet{0, 5000000, 5000000};
         },
         10},
        {"The host sent keys for frame 1500000000, too far ahead",
         [](int) {
             return net::Input{2, {net::FrameInput{1500000000, {{true, 'A', false}}}}};
         },
         10},
        {"The host sent more keys ahead of this machine than a game can need",
         [](int n) {
             const auto first = static_cast<std::uint32_t>(100 + 3001 * (n / 7));
             return net::Quiet{static_cast<std::uint8_t>(1 + n % 7), first, first + 3000};
         },
         200},
        {"The host sent more news of machines than a game can have",
         [](int n) {
             return net::Roster{static_cast<std::uint32_t>(1000 + n), 2, n % 2 == 0, 0};
         },
         1000},
        {"The host's game could not be read", {}, 0, 2147483647, {}, "frame steps after its last event"},
        {"The host's game could not be read",
         {},
         0,
         5000000,
         everyMillion,
         "the run reaches frame step 5000000; a replay runs at most 4320000"},
        {"The host's game could not be read",
         {},
         0,
         2147480000,
         {{2147480000, ReplayEvent::KeyDown, VK_SPACE}},
         "the run reaches frame step 2147480000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.failure) + c.why);
        TearDown();
        SetUp();
        FakeHost host(network);
        host.keys = c.keys;
        int sent = 0;
        std::size_t mostStamps = 0, mostNews = 0;
        host.Open(c.steps, [&] {
            mostStamps = std::max(mostStamps, StampsHeld());
            mostNews = std::max(mostNews, NewsHeld());
            // A joiner that took a game claiming hours would play it: the window closes it instead.
            if (ReplayFrameSteps() > 200000) PostInput(InputEvent::CloseRequest());
            if (!c.flood || ReplayPlaying() || ReplayFrameSteps() < 20 || !NetFailure().empty() ||
                sent >= c.cap)
                return;
            host.Send(c.flood(sent++));
        });
        ASSERT_EQ(RunGame(3, Ticks(c.flood ? 300 : 10)), 0);
        EXPECT_EQ(NetFailure().rfind(c.failure, 0), 0u) << NetFailure();
        EXPECT_NE(NetFailure().find(c.why), std::string::npos) << NetFailure();
        EXPECT_EQ(NetRoleNow(), NetRole::Local);
        EXPECT_FALSE(ReplayPlaying());
        EXPECT_LE(std::max(mostStamps, StampsHeld()), MAX_FRAMES_HELD);
        EXPECT_LE(std::max(mostNews, NewsHeld()), MAX_NEWS_HELD);
        EXPECT_EQ(CurrentMode, Title);
        if (c.flood)
            EXPECT_GT(ReplayFrameSteps(), 250u) << "the joiner stopped instead of going on alone";
        else
            EXPECT_LE(ReplayFrameSteps(), 10u) << "the joiner played the game so far";
    }
}

// The limits leave room for an honest host: its stamps beyond a long game so far, arriving with it,
// the stamps of every frame it runs while the joiner plays the game back, and those of a guest ahead
// of it. Measured from the joiner's own steps alone, these would be too far ahead. The joiner plays
// the game so far with its keys (the host's Enter at the title) and goes on from there.
TEST_F(JoinerTest, AnHonestHostsGameSoFarAndStampsWithinTheLimitsAreKept) {
    constexpr std::uint32_t CATCH_UP = MAX_FRAMES_HELD + 10000;
    FakeHost host(network);
    host.keys = {{5, ReplayEvent::KeyDown, VK_RETURN}, {6, ReplayEvent::KeyUp, VK_RETURN}};
    bool sent = false;
    NetRole lastTick = NetRole::Local;
    host.Open(CATCH_UP, [&] {
        // As the joiner starts to catch up, the host has run on and a guest has stamped ahead of it.
        if (sent || !ReplayPlaying()) return;
        sent = true;
        constexpr std::uint32_t hostAt = CATCH_UP + MAX_FRAMES_HELD / 2;
        host.SendQuiet(0, CATCH_UP + INPUT_DELAY + 1, hostAt);
        host.SendQuiet(2, hostAt + 1, hostAt + MAX_FRAMES_AHEAD);
        host.Send(net::Roster{hostAt, 2, true, 0});
    });
    std::vector<StepDriver::Step> steps = Ticks(100);
    steps.push_back([&] {
        lastTick = NetRoleNow();
        return false;
    });
    ASSERT_EQ(RunGame(3, steps), 0);
    EXPECT_TRUE(sent);
    EXPECT_TRUE(NetFailure().empty()) << NetFailure();
    EXPECT_EQ(lastTick, NetRole::Join);
    EXPECT_GE(ReplayFrameSteps(), CATCH_UP + 90);
    EXPECT_EQ(CurrentMode, PlayerChoice);
    const std::vector<ReplayEvent>& events = ReplayRecorded().events;
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(std::vector<ReplayEvent>(events.begin(), events.begin() + 2), host.keys);
}

// While the game so far plays back at full speed the window's keys are still read, and Esc alone
// leaves at once: the host hears the goodbye, the playback stops where it was and the replay keeps
// that moment.
TEST_F(JoinerTest, EscLeavesWhileTheGameSoFarPlaysBack) {
    constexpr std::uint32_t CATCH_UP = 30000;
    FakeHost host(network);
    std::uint32_t pressedAt = 0;
    host.Open(CATCH_UP, [&] {
        if (pressedAt == 0 && ReplayPlaying() && ReplayFrameSteps() >= 1000) {
            pressedAt = ReplayFrameSteps();
            PressKey(VK_ESCAPE);
        }
    });
    ASSERT_EQ(RunGame(3, Ticks(10)), 0);
    ASSERT_GT(pressedAt, 0u);
    EXPECT_EQ(NetRoleNow(), NetRole::Local);
    EXPECT_TRUE(NetFailure().empty()) << "leaving is no failure: " << NetFailure();
    EXPECT_FALSE(ReplayPlaying());
    EXPECT_LT(ReplayFrameSteps(), pressedAt + 20) << "the playback ran on after Esc";
    EXPECT_EQ(CurrentMode, Title);
    host.Listen();
    EXPECT_TRUE(host.Left());
    bool toldGoodbye = false;
    for (const net::Message& m : host.Heard())
        if (const auto* bye = std::get_if<net::Goodbye>(&m))
            toldGoodbye = bye->reason == "Guest 1 left the game";
    EXPECT_TRUE(toldGoodbye);
    const ReplayRecord& replay = ReplayRecorded();
    ASSERT_FALSE(replay.events.empty());
    EXPECT_EQ(replay.events.front().kind, ReplayEvent::Offline);
    EXPECT_GE(replay.events.front().step, pressedAt);
    EXPECT_LE(replay.events.front().step, pressedAt + 1);
}

// A spectator says hello as one and then nothing that counts: its person's keys go nowhere (the
// game stays at the title) and it reports no hashes. When the host's hash of a turn's start names a
// frame where its own game started no turn, its watching ends with a report, a failure of its own;
// only its goodbye reaches the host.
TEST_F(JoinerTest, ASpectatorSendsNothingThatCountsAndStopsAloneWhenItsGameDiffers) {
    FakeHost host(network);
    bool claimed = false;
    int pressed = 0;
    host.Open(
        20,
        [&] {
            if (ReplayPlaying() || !NetFailure().empty()) return;
            if (pressed < 6 && ReplayFrameSteps() >= 25 + 5 * static_cast<std::uint32_t>(pressed)) {
                PressKey(pressed % 2 == 0 ? VK_RETURN : VK_SPACE);
                ++pressed;
            }
            if (!claimed && ReplayFrameSteps() >= 40) {
                claimed = true;
                host.Send(net::StateHash{ReplayFrameSteps() + 30, 42});
            }
        },
        true);
    // A script's ticks: a step each, without the lead a spectator at the window's pace keeps.
    NetTicksPaced(false);
    std::uint32_t modeBefore = Title;
    std::vector<StepDriver::Step> steps = Ticks(150);
    steps.insert(steps.begin() + 60, [&] {
        modeBefore = CurrentMode;
        HeadlessTick();
        return true;
    });
    ASSERT_EQ(RunGame(3, steps), 0);
    EXPECT_EQ(pressed, 6);
    EXPECT_EQ(modeBefore, Title) << "a spectator's key reached its game";
    EXPECT_TRUE(NetDesync());
    EXPECT_NE(NetFailure().find("differs from the host's"), std::string::npos) << NetFailure();
    EXPECT_EQ(NetRoleNow(), NetRole::Local);
    host.Listen();
    ASSERT_FALSE(host.Heard().empty());
    const auto* hello = std::get_if<net::Hello>(&host.Heard().front());
    ASSERT_NE(hello, nullptr);
    EXPECT_TRUE(hello->watch);
    EXPECT_EQ(hello->token, 0u);
    for (std::size_t i = 1; i < host.Heard().size(); ++i)
        EXPECT_TRUE(std::holds_alternative<net::Goodbye>(host.Heard()[i]))
            << "message " << i << " of kind " << host.Heard()[i].index();
    EXPECT_TRUE(host.Left());
}

// The host leaving, by its goodbye or by vanishing, while the joiner follows it: the joiner plays out
// the frames it holds and then ends its network game within a few seconds, saying which. The relay
// lost: no machine can know what the others received meanwhile, so the host and a joiner alike end
// the network game at once. Each goes on at its own keyboard from the title.
TEST_F(JoinerTest, AMachineWhoseHostOrRelayIsGoneEndsItsGameSayingWhy) {
    enum class Gone { Goodbye, Vanished, Relay, HostsRelay };
    const struct {
        Gone gone;
        const char* failure;  // how it begins
        std::int64_t withinMs, withinSteps;
    } cases[] = {
        {Gone::Goodbye, "The host left the game", 8000, 1 << 30},
        {Gone::Vanished, "The host stopped answering", 8000, 1 << 30},
        {Gone::Relay, "Lost the connection to the relay", 1 << 30, 2},
        {Gone::HostsRelay, "Lost the connection to the relay", 1 << 30, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.gone));
        TearDown();
        SetUp();
        FakeHost host(network);
        if (c.gone == Gone::HostsRelay) {
            Host();
            NewGuest().Connect(network);
        } else {
            host.Open(20, [] {});
        }
        std::int64_t goneAt = -1, endedAt = -1, goneStep = 0, endedStep = 0;
        std::uint32_t heldThrough = 0;
        TickDriver ticks(
            [&] {
                network.Advance(tickMs);
                for (FakeGuest& g : guests) g.Poll();
                if (goneAt < 0 && !ReplayPlaying() && ReplayFrameSteps() >= 40) {
                    goneAt = network.NowMs();
                    goneStep = ReplayFrameSteps();
                    heldThrough = c.gone < Gone::Relay ? host.Stamped() : 0;
                    if (c.gone == Gone::Goodbye) host.Leave("The host left the game");
                    if (c.gone == Gone::Vanished) network.Sever(host.End());
                    if (c.gone >= Gone::Relay) LoseTheRelay();
                }
                if (goneAt >= 0 && endedAt < 0 && NetRoleNow() == NetRole::Local) {
                    endedAt = network.NowMs();
                    endedStep = ReplayFrameSteps();
                }
                return true;
            },
            600);
        ASSERT_EQ(PlayGame(3, &ticks), 0);
        EXPECT_EQ(NetFailure().rfind(c.failure, 0), 0u) << NetFailure();
        ASSERT_GE(endedAt, 0) << "still in the network game";
        EXPECT_LT(endedAt - goneAt, c.withinMs);
        EXPECT_LE(endedStep - goneStep, c.withinSteps);
        EXPECT_EQ(CurrentMode, Title);
        EXPECT_EQ(ReplayRecorded().events.back().kind, ReplayEvent::Offline);
        EXPECT_GE(ReplayRecorded().events.back().step, heldThrough) << "the frames held were not played out";
    }
}

// A joiner in its own moment (Guest 1's turn in the shop) when its host leaves: it plays out the
// frames it stamped before it heard, which the host may have run, and ends at the first it had not.
TEST_F(JoinerTest, AJoinerInItsOwnMomentPlaysOutWhatItStampedWhenItsHostLeaves) {
    FakeHost host(network);
    // Guest 1 here; the title, seat 2 to Guest 1, "Start Game", and seat 1's "Finish" in the shop.
    host.keys = {{2, ReplayEvent::Joined, 1}};
    std::uint32_t step = 5;
    for (int key : TO_GUEST_SHOP) {
        host.keys.push_back({step, ReplayEvent::KeyDown, static_cast<std::uint32_t>(key)});
        host.keys.push_back({step, ReplayEvent::KeyUp, static_cast<std::uint32_t>(key)});
        step += 10;
    }
    std::int64_t leftAt = -1;
    host.Open(step + 10, [&] {
        if (leftAt >= 0 || ReplayPlaying() || netplay::StreamOf(1).latest < step + 40) return;
        leftAt = ReplayFrameSteps();
        host.Leave("The host left the game");
    });
    ASSERT_EQ(RunGame(3, Ticks(200)), 0);
    ASSERT_GE(leftAt, 0) << "the joiner's moment never came";
    EXPECT_EQ(CurrentMode, Title);
    EXPECT_EQ(NetFailure(), "The host left the game");
    const ReplayEvent& offline = ReplayRecorded().events.back();
    EXPECT_EQ(offline.kind, ReplayEvent::Offline);
    EXPECT_EQ(offline.step, netplay::StreamOf(1).latest + 1) << "the frames it stamped were not played out";
}

}  // namespace
