// Tests of spectators inside one process: the real game as host over the in-process transport with
// spectators played by the test (their keys and hashes ignored, never counted as machines, never
// waited for, refused beyond their own limit), and the real game as a spectator of a host played
// by the test (it sends nothing that counts, and a hash of the host's that differs ends its
// watching alone).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "testkit/in_process.h"
#include "tests/support/game_fixture.h"

namespace {

std::vector<std::uint8_t> Encoded(const net::Message& m) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(net::EncodeMessage(m, &bytes, &error)) << error;
    return bytes;
}

// A connection to the host played by the test: it says `first` once connected and `then` after the
// welcome, then each of `later` once a step, and keeps what it hears. A paused one reads nothing.
struct Peer {
    std::unique_ptr<net::Transport> end;
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> then;
    std::vector<std::vector<std::uint8_t>> later;
    std::vector<net::Message> heard;
    bool welcomed = false;
    bool closed = false;
    bool paused = false;
    net::DisconnectReason reason = net::DisconnectReason::Closed;

    void Poll() {
        net::NetEvent e;
        while (end && !closed && !paused && end->Poll(&e, 0)) {
            if (e.kind == net::NetEvent::Connected) {
                end->Send(e.peer, first);
            } else if (e.kind == net::NetEvent::Disconnected) {
                closed = true;
                reason = e.reason;
            } else {
                net::Message m;
                std::string error;
                if (!net::DecodeMessage(e.bytes, &m, &error)) continue;
                heard.push_back(m);
                if (!std::holds_alternative<net::Welcome>(m)) continue;
                welcomed = true;
                if (!then.empty()) end->Send(e.peer, then);
            }
        }
        if (welcomed && !closed && !paused && !later.empty() && !end->Peers().empty()) {
            end->Send(end->Peers().front(), later.front());
            later.erase(later.begin());
        }
    }

    template <typename T>
    int Count() const {
        return static_cast<int>(std::count_if(
            heard.begin(), heard.end(), [](const net::Message& m) { return std::holds_alternative<T>(m); }));
    }
    // The frames the host's quiet stamps cover.
    std::uint32_t QuietFrames() const {
        std::uint32_t frames = 0;
        for (const net::Message& m : heard)
            if (const auto* quiet = std::get_if<net::Quiet>(&m)) frames += quiet->last - quiet->first + 1;
        return frames;
    }
    template <typename T>
    const T* Find() const {
        for (const net::Message& m : heard)
            if (const T* found = std::get_if<T>(&m)) return found;
        return nullptr;
    }
};

net::Hello Asking(bool watch) { return net::Hello{net::kProtocolNumber, ReplayGameVersion(), 0, watch}; }

class WatchersTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        NetResetForTests();
    }
    void TearDown() override {
        NetResetForTests();
        GameTest::TearDown();
    }
};

// Spectators that press keys (the Enter that would leave the title, as any machine's own stamp),
// claim other games at every frame and say quiet frames far ahead are neither dropped nor heard: the
// game stays at the title, hears no news, and its replay is the one it would have alone. One stops
// reading altogether: the host never waits for it. Neither counts among the machines.
TEST_F(WatchersTest, TheHostIgnoresSpectatorsKeysAndHashesCountsThemApartAndNeverWaits) {
    net::InProcessNetwork network;
    std::string error;
    NetConfigure(NetRole::Host, network.Listen(4200, {}, &error), "4200");
    std::vector<Peer> watchers(3);
    for (Peer& w : watchers) w.first = Encoded(Asking(true));
    for (std::uint32_t f = 5; f < 200; f += 5) {
        watchers[0].later.push_back(Encoded(
            net::Input{0, {net::FrameInput{f, {{true, VK_RETURN, false}, {false, VK_RETURN, false}}}}}));
        watchers[0].later.push_back(
            Encoded(net::Input{1, {net::FrameInput{f + 1, {{true, VK_RETURN, false}}}}}));
        watchers[1].later.push_back(Encoded(net::StateHash{f, 12345}));
    }
    watchers[1].later.push_back(Encoded(net::Quiet{0, 100, 500000}));
    int machines = 0, watching = 0;
    std::vector<StepDriver::Step> steps;
    for (int i = 0; i < 300; ++i)
        steps.push_back([&, i] {
            if (i < 3) watchers[static_cast<std::size_t>(i)].end = network.Connect(4200, {});
            // The third reads nothing once it is in: its messages pile up unread.
            if (i == 20) watchers[2].paused = true;
            network.Advance(5);
            for (Peer& w : watchers) w.Poll();
            machines = NetMachinesConnected();
            watching = NetWatchers();
            HeadlessTick();
            return true;
        });
    ASSERT_EQ(RunGame(5, steps), 0);

    EXPECT_GE(FrameCounter, 290) << "the host waited for a spectator";
    EXPECT_EQ(CurrentMode, Title) << "a spectator's Enter reached the game";
    EXPECT_EQ(machines, 1);
    EXPECT_EQ(watching, 3);
    EXPECT_EQ(MachinesPresent, 1u);
    const ReplayRecord& replay = ReplayRecorded();
    EXPECT_TRUE(std::none_of(replay.events.begin(), replay.events.end(), [](const ReplayEvent& e) {
        return e.kind == ReplayEvent::Joined || e.kind == ReplayEvent::Left;
    }));
    for (const Peer& w : watchers) {
        EXPECT_FALSE(w.closed) << "a spectator was dropped";
        ASSERT_NE(w.Find<net::Welcome>(), nullptr);
        EXPECT_EQ(*w.Find<net::Welcome>(), (net::Welcome{0, 0, true}));
        ASSERT_NE(w.Find<net::CatchUp>(), nullptr);
    }
    // The ones reading hear the host's stamps as they come, and nothing of each other's. How many
    // arrive within the run depends on how the host batches quiet frames, which goes by the wall
    // clock: on a busy machine each goes alone and fewer are through the simulated link by the end.
    for (int w : {0, 1}) {
        EXPECT_GE(watchers[static_cast<std::size_t>(w)].QuietFrames(), 60u) << w;
        EXPECT_EQ(watchers[static_cast<std::size_t>(w)].Count<net::Input>(), 0) << w;
    }
}

// Spectators have places of their own: with 64 watching, the 65th is refused, naming the limit,
// while machines joining to play still get their numbers; one that leaves makes room again.
TEST_F(WatchersTest, SpectatorsHaveTheirOwnLimitBesideTheSevenMachines) {
    net::InProcessNetwork network;
    std::string error;
    NetConfigure(NetRole::Host, network.Listen(4201, {}, &error), "4201");
    std::vector<Peer> watchers(66), guests(7);
    for (Peer& w : watchers) w.first = Encoded(Asking(true));
    for (Peer& g : guests) g.first = Encoded(Asking(false));
    int machines = 0, watching = 0, watchingBefore = 0;
    std::vector<StepDriver::Step> steps;
    for (int i = 0; i < 160; ++i)
        steps.push_back([&, i] {
            // Two connections a step, a guest every tenth, until all but the last spectator are in.
            if (i < 33) {
                watchers[static_cast<std::size_t>(2 * i)].end = network.Connect(4201, {});
                if (2 * i + 1 < 65)
                    watchers[static_cast<std::size_t>(2 * i + 1)].end = network.Connect(4201, {});
            }
            if (i % 10 == 5 && i / 10 < 7)
                guests[static_cast<std::size_t>(i / 10)].end = network.Connect(4201, {});
            if (i == 100) {
                watchingBefore = NetWatchers();
                watchers[0].end->Send(watchers[0].end->Peers().at(0),
                                      Encoded(net::Goodbye{"A spectator left"}));
            }
            if (i == 110) watchers[65].end = network.Connect(4201, {});
            network.Advance(5);
            for (Peer& w : watchers) w.Poll();
            for (Peer& g : guests) g.Poll();
            machines = NetMachinesConnected();
            watching = NetWatchers();
            HeadlessTick();
            return true;
        });
    ASSERT_EQ(RunGame(6, steps), 0);

    EXPECT_EQ(watchingBefore, 64);
    EXPECT_EQ(watching, 64) << "the one that left was not replaced";
    EXPECT_EQ(machines, 8);
    int refused = 0;
    for (const Peer& w : watchers) {
        if (w.Find<net::Refuse>() == nullptr) continue;
        ++refused;
        EXPECT_NE(w.Find<net::Refuse>()->reason.find("64"), std::string::npos)
            << w.Find<net::Refuse>()->reason;
        EXPECT_TRUE(w.closed);
        EXPECT_EQ(w.reason, net::DisconnectReason::GameFull);
    }
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(watchers[64].Find<net::Refuse>() != nullptr, true) << "the 65th was taken";
    EXPECT_NE(watchers[65].Find<net::Welcome>(), nullptr) << "no room after one left";
    for (std::size_t g = 0; g < guests.size(); ++g) {
        ASSERT_NE(guests[g].Find<net::Welcome>(), nullptr) << g;
        EXPECT_EQ(guests[g].Find<net::Welcome>()->machine, g + 1);
    }
}

}  // namespace
