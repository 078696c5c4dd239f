// Tests of the host's door: its bookkeeping of connections waiting to say hello and of addresses
// that leave and rejoin, and the real game as host over the in-process transport against
// connections that keep quiet, flood it, or leave and rejoin in a loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "net/messages.h"
#include "netplay/admission.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

using netplay::Admission;
using netplay::HELLO_LIMIT_MS;
using netplay::MAX_WAITING;
using netplay::REJOIN_WINDOW_MS;
using netplay::REJOINS_ALLOWED;

TEST(Admission, WaitingConnectionsArePushedOutOldestFirstAndTimeOutAtTheLimit) {
    static_assert(MAX_WAITING == 8, "the connections below are named for eight waiting");
    Admission door;
    // Room for MAX_WAITING; each one beyond pushes out the one that has waited longest.
    for (net::PeerId p = 1; p <= static_cast<net::PeerId>(MAX_WAITING); ++p)
        EXPECT_EQ(door.Opened(p, 100), 0u);
    EXPECT_EQ(door.Waiting(), MAX_WAITING);
    EXPECT_EQ(door.Opened(50, 200), 1u);
    EXPECT_EQ(door.Opened(51, 300), 2u);
    EXPECT_EQ(door.Waiting(), MAX_WAITING);

    // A hello ends the wait; one that closed is forgotten.
    EXPECT_EQ(door.Hello(3, "10.1.1.1", 400), 0);
    door.KeepOnly({4, 5, 6, 7, 50, 51});
    EXPECT_EQ(door.Waiting(), MAX_WAITING - 2);

    // The time is up at exactly HELLO_LIMIT_MS, for each by its own opening, oldest first.
    EXPECT_TRUE(door.Overdue(100 + HELLO_LIMIT_MS - 1).empty());
    EXPECT_EQ(door.Overdue(100 + HELLO_LIMIT_MS), (std::vector<net::PeerId>{4, 5, 6, 7}));
    EXPECT_TRUE(door.Overdue(200 + HELLO_LIMIT_MS - 1).empty());
    EXPECT_EQ(door.Overdue(300 + HELLO_LIMIT_MS), (std::vector<net::PeerId>{50, 51}));
    EXPECT_EQ(door.Waiting(), 0);
    EXPECT_TRUE(door.Overdue(1000000).empty()) << "each is reported once";
}

TEST(Admission, AnAddressRejoinsAFewTimesAMinuteAndTheOthersAreNotHeldBack) {
    Admission door;
    net::PeerId next = 1;
    // The first join and REJOINS_ALLOWED rejoins, each machine leaving at once.
    for (int join = 0; join <= REJOINS_ALLOWED; ++join) {
        ASSERT_EQ(door.Hello(next, "10.1.1.1", 1000 + join), 0) << join;
        door.Left(next++, 1000 + join);
    }
    // One more: refused until the first departure is a window old.
    EXPECT_EQ(door.Hello(next++, "10.1.1.1", 2000), 1000 + REJOIN_WINDOW_MS - 2000);
    EXPECT_EQ(door.Hello(next++, "10.1.1.1", 1000 + REJOIN_WINDOW_MS - 1), 1);
    // Another address is not held back, nor are machines of one address that stay.
    for (int machine = 0; machine < 7; ++machine) EXPECT_EQ(door.Hello(next++, "10.2.2.2", 2000), 0);
    EXPECT_EQ(door.Hello(next++, "10.2.2.2", 2001), 0);
    // Once the first departure is out of the window, one rejoin more.
    const net::PeerId back = next++;
    EXPECT_EQ(door.Hello(back, "10.1.1.1", 1000 + REJOIN_WINDOW_MS), 0);
    door.Left(back, 1000 + REJOIN_WINDOW_MS);
    EXPECT_GT(door.Hello(next++, "10.1.1.1", 1000 + REJOIN_WINDOW_MS), 0);
}

TEST(Admission, OnlyMachinesThatWereLetInCountAsDepartures) {
    Admission door;
    // Refused connections (closed without their machine leaving) and connections that never said
    // hello leave no departures behind.
    for (net::PeerId p = 1; p <= 20; ++p) {
        door.Opened(p, 0);
        if (p % 2 == 0) {
            EXPECT_EQ(door.Hello(p, "10.1.1.1", 0), 0);
        }
        door.KeepOnly({});
        door.Left(p, 0);
    }
    EXPECT_EQ(door.Hello(100, "10.1.1.1", 0), 0);
    // Machines of one address that all joined and then all left: the wait lasts until enough of
    // their departures are a window old to leave no more than the allowance.
    for (net::PeerId p = 200; p < 207; ++p) ASSERT_EQ(door.Hello(p, "10.3.3.3", 0), 0);
    for (net::PeerId p = 200; p < 207; ++p) door.Left(p, static_cast<std::int64_t>(p - 200) * 10);
    EXPECT_EQ(door.Hello(300, "10.3.3.3", 100), 2 * 10 + REJOIN_WINDOW_MS - 100);
    EXPECT_EQ(door.Hello(301, "10.3.3.3", 2 * 10 + REJOIN_WINDOW_MS), 0);
}

// ---- The real game as host.

class HostDoorTest : public NetTest {
protected:
    // A machine calling at the host from an address (its own unless given); a quiet one never says
    // hello.
    FakeGuest& Call(const std::string& from = "", bool quiet = false) {
        FakeGuest& caller = NewGuest();
        if (quiet) caller.first.clear();
        caller.Connect(network, from);
        return caller;
    }

    // Runs the host for `frames` frame steps of 5 ms each, calling `each` before every one.
    void Run(int frames, const std::function<void(int)>& each) {
        Host();
        RunHost(21, frames, [&](int i) {
            each(i);
            return true;
        });
    }
};

// Seven connections that never say a word (two of them vanish) neither fill the game nor stay past
// the time allowed for a hello; a real machine joins meanwhile.
TEST_F(HostDoorTest, SilentConnectionsNeitherFillTheGameNorStay) {
    std::vector<FakeGuest*> silent;
    FakeGuest* real = nullptr;
    int machines = 0;
    Run(800, [&](int i) {
        if (i == 0)
            for (int c = 0; c < 7; ++c) silent.push_back(&Call("", true));
        if (i == 2)
            for (int c = 5; c < 7; ++c) silent[static_cast<std::size_t>(c)]->Drop();
        if (i == 20) real = &Call();
        machines = NetMachinesConnected();
    });
    ASSERT_NE(real, nullptr);
    EXPECT_GE(real->welcomedAt, 0) << real->Refusal() << " " << net::DescribeReason(real->reason);
    EXPECT_LT(real->closedAt, 0);
    EXPECT_EQ(machines, 2);
    for (int c = 0; c < 5; ++c) {
        const FakeGuest& quiet = *silent[static_cast<std::size_t>(c)];
        ASSERT_GE(quiet.closedAt, 0) << c;
        EXPECT_EQ(quiet.reason, net::DisconnectReason::Silent) << c;
        EXPECT_NE(quiet.Refusal().find("nothing was heard"), std::string::npos) << quiet.Refusal();
        EXPECT_GE(quiet.closedAt - quiet.connectedAt, netplay::HELLO_LIMIT_MS) << c;
        EXPECT_LT(quiet.closedAt - quiet.connectedAt, netplay::HELLO_LIMIT_MS + 100) << c;
    }
}

// Connections opened and abandoned without a word, three every frame, some lingering and some
// vanishing: a real machine is welcomed within a second all the same, and stays.
TEST_F(HostDoorTest, AFloodOfAbandonedConnectionsCannotKeepARealMachineOut) {
    std::vector<FakeGuest*> lingering, vanishing;
    FakeGuest* real = nullptr;
    std::int64_t calledAt = 0;
    Run(400, [&](int i) {
        for (FakeGuest* flood : vanishing)
            if (flood->connectedAt >= 0) flood->Drop();
        std::erase_if(vanishing, [](const FakeGuest* flood) { return flood->connectedAt >= 0; });
        lingering.push_back(&Call("", true));
        vanishing.push_back(&Call("", true));
        vanishing.push_back(&Call("", true));
        if (i == 100) {
            real = &Call();
            calledAt = network.NowMs();
        }
    });
    ASSERT_NE(real, nullptr);
    ASSERT_GE(real->welcomedAt, 0) << real->Refusal() << " " << net::DescribeReason(real->reason);
    EXPECT_LT(real->welcomedAt - calledAt, 1000);
    EXPECT_LT(real->closedAt, 0);
    // The lingering ones were pushed out by those after them, and told why.
    const FakeGuest& first = *lingering.front();
    EXPECT_EQ(first.reason, net::DisconnectReason::Busy);
    EXPECT_NE(first.Refusal().find("too many"), std::string::npos) << first.Refusal();
}

// From one address: a machine joins and crashes, strangers join and leave five times, and the
// machine joins again with its token at once; then it leaves and rejoins with its token in a loop,
// and is refused once it has rejoined the times allowed, with nothing in the replay for the
// refusals. The rejoins count by token, so the strangers cost the machine nothing.
TEST_F(HostDoorTest, RejoinsCountPerMachineNotPerAddress) {
    constexpr std::size_t kStrangers = 5, kCalls = 1 + kStrangers + netplay::REJOINS_ALLOWED + 1;
    std::vector<FakeGuest*> calls;
    std::uint64_t token = 0;
    int idle = 0;
    Run(2000, [&](int) {
        // The machine crashes once welcomed; each call after it comes 10 frames after the last ended.
        if (calls.size() == 1 && calls[0]->welcomedAt >= 0 && token == 0) {
            token = calls[0]->Token();
            calls[0]->Drop();
        }
        const bool ended = calls.empty() || calls.back()->closedAt >= 0 || (calls.size() == 1 && token != 0);
        if (!ended || ++idle < 10 || calls.size() >= kCalls) return;
        idle = 0;
        FakeGuest& caller = NewGuest();
        caller.passing = !calls.empty();
        if (calls.size() > kStrangers) caller.first = Encoded(Hello(false, token));
        caller.Connect(network, "192.168.7.7");
        calls.push_back(&caller);
    });
    ASSERT_EQ(calls.size(), kCalls);
    const FakeGuest& back = *calls[kStrangers + 1];
    ASSERT_GE(back.welcomedAt, 0) << back.Refusal();
    EXPECT_EQ(back.machine, 1);
    EXPECT_LT(back.welcomedAt - back.connectedAt, 100);
    for (std::size_t c = 0; c + 1 < kCalls; ++c) EXPECT_GE(calls[c]->welcomedAt, 0) << c;
    const FakeGuest& refused = *calls.back();
    EXPECT_EQ(refused.reason, net::DisconnectReason::TooManyRejoins);
    EXPECT_NE(refused.Refusal().find("rejoined too often: try again in "), std::string::npos)
        << refused.Refusal();
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Joined), static_cast<long>(kCalls - 1));
}

// A host asking for a join code takes only machines and spectators that give it; an address that
// guessed wrong too often is refused even the right code for a while, and another is not.
TEST_F(HostDoorTest, AJoinCodeIsAskedOfEveryJoiner) {
    struct Case {
        net::Hello hello;
        const char* refusal;
        const char* from = "";
    };
    const net::Hello wrong = Hello(false, 0, "ABCDEFGJ"), right = Hello(false, 0, "ABCDEFGH");
    const std::vector<Case> cases = {
        {Hello(), "asks for its join code"},
        {wrong, "not this game's join code"},
        {Hello(true, 0, "ABCDEFGJ"), "not this game's join code"},
        {right, ""},
        {Hello(true, 0, "ABCDEFGH"), ""},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {right, "too many wrong codes from this address: try again in 60 seconds", "10.9.9.9"},
        {right, "", "10.9.9.8"},
    };
    Run(50, [&](int i) {
        if (i == 0) NetSetJoinCode("ABCDEFGH");
        // One a frame, in order.
        if (i < 1 || i > static_cast<int>(cases.size())) return;
        const Case& c = cases[static_cast<std::size_t>(i - 1)];
        FakeGuest& caller = NewGuest();
        caller.first = Encoded(c.hello);
        caller.Connect(network, c.from);
    });
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const FakeGuest& caller = guests[c];
        if (*cases[c].refusal == '\0') {
            EXPECT_GE(caller.welcomedAt, 0) << c << " " << caller.Refusal();
            continue;
        }
        EXPECT_EQ(caller.reason, net::DisconnectReason::WrongCode) << c;
        EXPECT_NE(caller.Refusal().find(cases[c].refusal), std::string::npos) << caller.Refusal();
    }
}

}  // namespace
