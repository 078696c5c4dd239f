// Tests of spectators inside one process: the real game as host over the in-process transport with
// spectators played by the test (their keys and hashes ignored, never counted as machines, never
// waited for, refused beyond their own limit), and the real game as a spectator of a host played
// by the test (it sends nothing that counts, and a hash of the host's that differs ends its
// watching alone).
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

class WatchersTest : public NetTest {};

// Spectators that press keys (the Enter that would leave the title, as any machine's own stamp),
// claim other games at every frame and say quiet frames far ahead are neither dropped nor heard: the
// game stays at the title, hears no news, and its replay is the one it would have alone. One stops
// reading altogether: the host never waits for it. Neither counts among the machines.
TEST_F(WatchersTest, TheHostIgnoresSpectatorsKeysAndHashesCountsThemApartAndNeverWaits) {
    Host();
    guests.resize(3);
    std::deque<FakeGuest>& watchers = guests;
    for (FakeGuest& w : watchers) w.first = Encoded(Hello(true));
    for (std::uint32_t f = 5; f < 200; f += 5) {
        watchers[0].later.push_back(Encoded(
            net::Input{0, {net::FrameInput{f, {{true, VK_RETURN, false}, {false, VK_RETURN, false}}}}}));
        watchers[0].later.push_back(
            Encoded(net::Input{1, {net::FrameInput{f + 1, {{true, VK_RETURN, false}}}}}));
        watchers[1].later.push_back(Encoded(net::StateHash{f, 12345}));
    }
    watchers[1].later.push_back(Encoded(net::Quiet{0, 100, 500000}));
    int machines = 0, watching = 0;
    RunHost(5, 300, [&](int i) {
        if (i < 3) watchers[static_cast<std::size_t>(i)].Connect(network);
        // The third reads nothing once it is in: its messages pile up unread.
        if (i == 20) watchers[2].paused = true;
        machines = NetMachinesConnected();
        watching = NetWatchers();
        return true;
    });

    EXPECT_GE(FrameCounter, 290) << "the host waited for a spectator";
    EXPECT_EQ(CurrentMode, Title) << "a spectator's Enter reached the game";
    EXPECT_EQ(machines, 1);
    EXPECT_EQ(watching, 3);
    EXPECT_EQ(MachinesPresent, 1u);
    const ReplayRecord& replay = ReplayRecorded();
    EXPECT_TRUE(std::none_of(replay.events.begin(), replay.events.end(), [](const ReplayEvent& e) {
        return e.kind == ReplayEvent::Joined || e.kind == ReplayEvent::Left;
    }));
    for (const FakeGuest& w : watchers) {
        EXPECT_FALSE(w.closed) << "a spectator was dropped";
        ASSERT_NE(w.Find<net::Welcome>(), nullptr);
        EXPECT_EQ(*w.Find<net::Welcome>(), (net::Welcome{0, 0, true}));
        ASSERT_NE(w.Find<net::CatchUp>(), nullptr);
    }
    // The ones reading hear the host's stamps as they come, and nothing of each other's.
    for (int w : {0, 1}) {
        EXPECT_GE(watchers[static_cast<std::size_t>(w)].FramesOf(0), 250u) << w;
        EXPECT_EQ(watchers[static_cast<std::size_t>(w)].Count<net::Input>(), 0) << w;
    }
}

// Spectators have places of their own: with 64 watching, the 65th is refused, naming the limit,
// while machines joining to play still get their numbers; one that leaves makes room again.
TEST_F(WatchersTest, SpectatorsHaveTheirOwnLimitBesideTheSevenMachines) {
    Host();
    guests.resize(73);
    const auto watcher = [&](std::size_t w) -> FakeGuest& { return guests[w]; };
    const auto player = [&](std::size_t g) -> FakeGuest& { return guests[66 + g]; };
    for (std::size_t w = 0; w < 66; ++w) watcher(w).first = Encoded(Hello(true));
    int machines = 0, watching = 0, watchingBefore = 0;
    RunHost(6, 160, [&](int i) {
        // Two connections a step, a guest every tenth, until all but the last spectator are in.
        const auto at = static_cast<std::size_t>(i);
        if (i < 33) {
            watcher(2 * at).Connect(network);
            if (2 * i + 1 < 65) watcher(2 * at + 1).Connect(network);
        }
        if (i % 10 == 5 && i / 10 < 7) player(at / 10).Connect(network);
        if (i == 100) {
            watchingBefore = NetWatchers();
            watcher(0).Send(net::Goodbye{"A spectator left"});
        }
        if (i == 110) watcher(65).Connect(network);
        machines = NetMachinesConnected();
        watching = NetWatchers();
        return true;
    });

    EXPECT_EQ(watchingBefore, 64);
    EXPECT_EQ(watching, 64) << "the one that left was not replaced";
    EXPECT_EQ(machines, 8);
    int refused = 0;
    for (std::size_t w = 0; w < 66; ++w) {
        if (watcher(w).Refusal().empty()) continue;
        ++refused;
        EXPECT_NE(watcher(w).Refusal().find("64"), std::string::npos) << watcher(w).Refusal();
        EXPECT_EQ(watcher(w).reason, net::DisconnectReason::GameFull);
    }
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(watcher(64).Refusal().empty()) << "the 65th was taken";
    EXPECT_NE(watcher(65).Find<net::Welcome>(), nullptr) << "no room after one left";
    for (std::size_t g = 0; g < 7; ++g) EXPECT_EQ(player(g).machine, static_cast<int>(g + 1));
}

}  // namespace
