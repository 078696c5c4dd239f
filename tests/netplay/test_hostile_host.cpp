// Tests of a joining machine against a host that breaks the rules or goes, played by the test
// in-process: a flood of stamps or news, a game so far that claims to run longer than any game, a host
// or relay gone, and leaving with Esc while the game so far plays back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/guest.h"
#include "netplay/lockstep.h"
#include "netplay/stamps.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

using netplay::MAX_FRAMES_AHEAD;
using netplay::MAX_FRAMES_HELD;
using netplay::MAX_NEWS_HELD;

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

class HostileHostTest : public NetTest {};

// Stamps far ahead of the joiner, stamps of every machine within reach that together are more than
// a game can need, and news of machines for frame after frame: each ends the network game with a
// message naming the host while the joiner holds no more than its limits, and the joiner goes on
// alone.
TEST_F(HostileHostTest, AJoinerHoldsNoMoreOfTheHostsStampsAndNewsThanAGameCanNeed) {
    const struct {
        const char* name;
        std::function<net::Message(int n)> message;  // the flood's n-th message
        int cap;  // well past the limits the flood stops, so that a joiner that holds it all fails
                  // the test rather than filling the machine
        const char* failure;
    } cases[] = {
        {"quiet far ahead",
         [](int) {
             return net::Quiet{0, 5000000, 5000000};
         },
         10, "The host sent keys for frame 5000000, too far ahead of this machine (at frame "},
        {"keys far ahead",
         [](int) {
             return net::Input{2, {net::FrameInput{1500000000, {{true, 'A', false}}}}};
         },
         10, "The host sent keys for frame 1500000000, too far ahead"},
        {"quiet runs of every machine",
         [](int n) {
             const auto first = static_cast<std::uint32_t>(100 + 3001 * (n / 7));
             return net::Quiet{static_cast<std::uint8_t>(1 + n % 7), first, first + 3000};
         },
         200, "The host sent more keys ahead of this machine than a game can need"},
        {"news",
         [](int n) {
             return net::Roster{static_cast<std::uint32_t>(1000 + n), 2, n % 2 == 0, 0};
         },
         1000, "The host sent more news of machines than a game can have"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        FakeHost host(network);
        int sent = 0;
        std::size_t mostStamps = 0, mostNews = 0;
        host.Open(20, [&] {
            mostStamps = std::max(mostStamps, StampsHeld());
            mostNews = std::max(mostNews, NewsHeld());
            // The flood starts once the joiner has caught up.
            if (ReplayPlaying() || ReplayFrameSteps() < 20 || !NetFailure().empty() || sent >= c.cap) return;
            host.Send(c.message(sent++));
        });
        ASSERT_EQ(RunGame(3, Ticks(300)), 0);
        EXPECT_EQ(NetFailure().rfind(c.failure, 0), 0u) << NetFailure();
        EXPECT_LE(std::max(mostStamps, StampsHeld()), MAX_FRAMES_HELD);
        EXPECT_LE(std::max(mostNews, NewsHeld()), MAX_NEWS_HELD);
        EXPECT_EQ(CurrentMode, Title);
        EXPECT_GT(ReplayFrameSteps(), 250u) << "the joiner stopped instead of going on alone";
    }
}

// The limits leave room for an honest host: its stamps beyond a long game so far, arriving with it,
// the stamps of every frame it runs while the joiner plays the game back, and those of a guest ahead
// of it. Measured from the joiner's own steps alone, these would be too far ahead. The joiner plays
// the game so far with its keys (the host's Enter at the title) and goes on from there.
TEST_F(HostileHostTest, AnHonestHostsGameSoFarAndStampsWithinTheLimitsAreKept) {
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

// A game so far that claims a run longer than any game is refused before it plays a step, saying
// why: one that goes on for ever after its keys, one with a key every 1,000,000 frame steps (each
// gap shorter than a quiet spell may be) and one with a key near step 2^31. The machine stays at its
// own keyboard.
TEST_F(HostileHostTest, ACatchUpClaimingARunLongerThanAnyGameIsRefusedAtOnce) {
    std::vector<ReplayEvent> everyMillion;
    for (std::uint32_t step = 1000000; step <= 5000000; step += 1000000)
        everyMillion.push_back({step, ReplayEvent::KeyDown, VK_SPACE});
    const struct {
        std::uint32_t steps;
        std::vector<ReplayEvent> keys;
        const char* why;
    } cases[] = {
        {2147483647, {}, "frame steps after its last event"},
        {5000000, everyMillion, "the run reaches frame step 5000000; a replay runs at most 4320000"},
        {2147480000, {{2147480000, ReplayEvent::KeyDown, VK_SPACE}}, "the run reaches frame step 2147480000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        TearDown();
        SetUp();
        FakeHost host(network);
        host.keys = c.keys;
        host.Open(c.steps, [] {
            // A joiner that took the game would play it for hours: the window closes it instead.
            if (ReplayFrameSteps() > 200000) PostInput(InputEvent::CloseRequest());
        });
        ASSERT_EQ(RunGame(3, Ticks(10)), 0);
        EXPECT_EQ(NetRoleNow(), NetRole::Local);
        EXPECT_NE(NetFailure().find("The host's game could not be read"), std::string::npos) << NetFailure();
        EXPECT_NE(NetFailure().find(c.why), std::string::npos) << NetFailure();
        EXPECT_FALSE(ReplayPlaying());
        EXPECT_LE(ReplayFrameSteps(), 10u);
        EXPECT_EQ(CurrentMode, Title);
    }
}

// While the game so far plays back at full speed the window's keys are still read, and Esc alone
// leaves at once: the host hears the goodbye, the playback stops where it was and the replay keeps
// that moment.
TEST_F(HostileHostTest, EscLeavesWhileTheGameSoFarPlaysBack) {
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
TEST_F(HostileHostTest, ASpectatorSendsNothingThatCountsAndStopsAloneWhenItsGameDiffers) {
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
TEST_F(HostileHostTest, AMachineWhoseHostOrRelayIsGoneEndsItsGameSayingWhy) {
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
TEST_F(HostileHostTest, AJoinerInItsOwnMomentPlaysOutWhatItStampedWhenItsHostLeaves) {
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
