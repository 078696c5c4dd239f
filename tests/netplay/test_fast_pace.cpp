// Tests of fast-forward in a network game, in-process: the host runs the match fast only while the
// people of every machine hold the fast key, and a guest says what its people hold and hears the pace.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "net/messages.h"
#include "netplay/lockstep.h"
#include "shell/fast_forward.h"
#include "tests/support/netplay_peers.h"

namespace {

class FastPaceTest : public NetTest {};

// The pace each guest heard, in order.
std::vector<bool> PaceHeard(const FakeGuest& guest) {
    std::vector<bool> heard;
    for (const net::Message& m : guest.heard)
        if (const auto* fast = std::get_if<net::FastForward>(&m)) heard.push_back(fast->held);
    return heard;
}

// The host and two guests take the key and let it go in turn; a guest that leaves no longer counts.
// The host's person's key and a guest's word are alike: neither reaches the game.
TEST_F(FastPaceTest, TheHostRunsFastOnlyWhileEveryMachineHoldsTheKey) {
    Host();
    guests.resize(2);
    const struct {
        int guest;  // -1: the host's person
        bool held;
        bool fast;  // the match a few ticks later
    } turns[] = {{-1, true, false}, {0, true, false},   {1, true, true},  {0, false, false},
                 {0, true, true},   {-1, false, false}, {-1, true, true}, {1, false, false}};
    std::vector<bool> fastSeen, runsSeen;
    const int last = 10 * static_cast<int>(std::size(turns));
    RunHost(3, last + 40, [&](int i) {
        if (i == 0)
            for (FakeGuest& g : guests) g.Connect(network);
        if (i >= 10 && i % 10 == 0 && i / 10 - 1 < static_cast<int>(std::size(turns))) {
            const auto& t = turns[i / 10 - 1];
            if (t.guest < 0)
                PostKey(t.held ? WM_KEYDOWN : WM_KEYUP, FAST_KEY);
            else
                guests[static_cast<std::size_t>(t.guest)].Send(net::FastForward{t.held});
        }
        if (i > 10 && i % 10 == 5 && i <= last + 5) {
            fastSeen.push_back(NetFastPace());
            runsSeen.push_back(NetRunsFast());
        }
        // The guest that let go leaves: the others hold, so the match runs fast again.
        if (i == last + 10) guests[1].Send(net::Goodbye{""});
        if (i == last + 35) fastSeen.push_back(NetFastPace());
        return true;
    });
    std::vector<bool> wanted;
    for (const auto& t : turns) wanted.push_back(t.fast);
    wanted.push_back(true);
    EXPECT_EQ(fastSeen, wanted);
    // The host owns the title: it runs its own frames fast whenever the match is fast.
    EXPECT_EQ(runsSeen, std::vector<bool>(fastSeen.begin(), fastSeen.end() - 1));
    EXPECT_EQ(PaceHeard(guests[0]), (std::vector<bool>{true, false, true, false, true, false, true}));
    EXPECT_FALSE(guests[0].closed);
}

// A joined machine tells the host when its person holds the key or lets it go, and runs fast when
// the host says so.
TEST_F(FastPaceTest, AGuestSaysWhatItsPersonHoldsAndHearsThePace) {
    FakeHost host(network);
    host.Open(50, [] {});
    std::vector<bool> paceSeen;
    std::vector<StepDriver::Step> steps = Ticks(10);
    const auto then = [&](std::function<void()> act) {
        steps.push_back(Do(act));
        for (const StepDriver::Step& s : Ticks(5)) steps.push_back(s);
    };
    then([] { PostKey(WM_KEYDOWN, FAST_KEY); });
    then([&] { host.Send(net::FastForward{true}); });
    then([&] {
        paceSeen.push_back(NetFastPace());
        PostKey(WM_KEYUP, FAST_KEY);
    });
    then([&] { host.Send(net::FastForward{false}); });
    steps.push_back([&] {
        paceSeen.push_back(NetFastPace());
        return false;
    });
    ASSERT_EQ(RunGame(3, steps), 0);
    host.Listen();
    std::vector<bool> said;
    for (const net::Message& m : host.Heard())
        if (const auto* fast = std::get_if<net::FastForward>(&m)) said.push_back(fast->held);
    EXPECT_EQ(said, (std::vector<bool>{true, false}));
    EXPECT_EQ(paceSeen, (std::vector<bool>{true, false}));
}

}  // namespace
