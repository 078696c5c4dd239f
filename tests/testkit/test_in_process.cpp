// The in-process twin's own promises: its faults really happen (a long route's delay included), are
// recovered, and repeat by seed.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/net/net_harness.h"

namespace {

using net::NetEvent;

// One host and one client exchanging `count` numbered messages each way; returns both logs.
struct Exchange {
    std::vector<NetEvent> host_log;
    std::vector<NetEvent> client_log;
    std::int64_t finished_at = 0;
    net::LinkStats stats;
};

Exchange RunExchange(const net::LinkFaults& faults, int count) {
    net::InProcessNetwork network(faults);
    std::string error;
    std::unique_ptr<net::Transport> host = network.Listen(0, {}, &error);
    std::unique_ptr<net::Transport> client = network.Connect(host->Port(), {});
    Exchange out;
    int sent = 0;
    NetEvent e;
    // Bounded in simulated time: a minute is far more than the faults should ever need.
    while (network.NowMs() < 60000) {
        while (host->Poll(&e, 0)) out.host_log.push_back(e);
        while (client->Poll(&e, 1)) out.client_log.push_back(e);
        // Both send one message per poll once connected, as a game sends one per frame.
        if (sent < count && !host->Peers().empty() && !client->Peers().empty()) {
            const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(sent),
                                                  static_cast<std::uint8_t>(sent >> 8)};
            EXPECT_TRUE(host->Send(host->Peers()[0], bytes));
            EXPECT_TRUE(client->Send(client->Peers()[0], bytes));
            ++sent;
        }
        if (out.host_log.size() == static_cast<std::size_t>(count) + 1 &&
            out.client_log.size() == static_cast<std::size_t>(count) + 1)
            break;
    }
    out.finished_at = network.NowMs();
    out.stats = network.Stats();
    return out;
}

void ExpectNumberedInOrder(const std::vector<NetEvent>& log, int count) {
    ASSERT_EQ(log.size(), static_cast<std::size_t>(count) + 1);
    EXPECT_EQ(log[0].kind, NetEvent::Connected);
    for (int n = 0; n < count; ++n) {
        ASSERT_EQ(log[n + 1].kind, NetEvent::Received);
        ASSERT_EQ(log[n + 1].bytes, (std::vector<std::uint8_t>{static_cast<std::uint8_t>(n),
                                                               static_cast<std::uint8_t>(n >> 8)}))
            << "message " << n;
    }
}

TEST(InProcessNetwork, FaultsHappenAndTheReliableLayerRecoversFromThem) {
    const Exchange run = RunExchange(net_test::FaultyLink(3), 400);
    ExpectNumberedInOrder(run.host_log, 400);
    ExpectNumberedInOrder(run.client_log, 400);
    // Near the chances asked for: 10% lost, 5% twice, 10% held back.
    const double sent = static_cast<double>(run.stats.sent);
    EXPECT_GT(run.stats.sent, 800u);
    EXPECT_NEAR(run.stats.lost / sent, 0.10, 0.04);
    EXPECT_NEAR(run.stats.duplicated / sent, 0.05 * 0.9, 0.03);
    EXPECT_NEAR(run.stats.held_back / sent, 0.10 * 0.9 * 1.05, 0.04);
}

// A long route: every datagram takes its length and up to the jitter more, from the shortest to
// the longest.
TEST(FaultDice, ALongRouteDelaysEveryDatagramByItsLengthAndUpToTheJitterMore) {
    net::LinkFaults faults;
    faults.min_delay_ms = 40;
    faults.max_delay_ms = 20;
    net::FaultDice dice(faults);
    int shortest = 1 << 30, longest = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::vector<int> delays = dice.Fate(false);
        ASSERT_EQ(delays.size(), 1u);
        shortest = std::min(shortest, delays[0]);
        longest = std::max(longest, delays[0]);
    }
    EXPECT_EQ(shortest, 41);
    EXPECT_EQ(longest, 61);
}

TEST(InProcessNetwork, SameSeedGivesTheSameRunAndAnotherSeedAnotherOne) {
    const Exchange first = RunExchange(net_test::FaultyLink(11), 100);
    const Exchange again = RunExchange(net_test::FaultyLink(11), 100);
    const Exchange other = RunExchange(net_test::FaultyLink(12), 100);
    EXPECT_EQ(first.finished_at, again.finished_at);
    EXPECT_EQ(first.stats.sent, again.stats.sent);
    EXPECT_EQ(first.stats.lost, again.stats.lost);
    EXPECT_NE(first.stats.lost * 1000003 + first.stats.sent, other.stats.lost * 1000003 + other.stats.sent);
    ExpectNumberedInOrder(other.client_log, 100);
}

TEST(InProcessNetwork, CleanLinkDeliversWithinMillisecondsAndTimePassesOnlyWhenAsked) {
    net::InProcessNetwork network;
    std::string error;
    std::unique_ptr<net::Transport> host = network.Listen(0, {}, &error);
    EXPECT_EQ(network.NowMs(), 0);
    std::unique_ptr<net::Transport> client = network.Connect(host->Port(), {});
    NetEvent e;
    ASSERT_TRUE(client->Poll(&e, 100));
    EXPECT_EQ(e.kind, NetEvent::Connected);
    EXPECT_LE(network.NowMs(), 10);  // a round trip: two steps of the clock
    const std::int64_t before = network.NowMs();
    network.Advance(250);
    EXPECT_EQ(network.NowMs(), before + 250);
    EXPECT_FALSE(client->Poll(&e, 0));
    EXPECT_EQ(network.NowMs(), before + 250);
}

TEST(InProcessNetwork, PortsAreTakenOnceAndChosenFreely) {
    net::InProcessNetwork network;
    std::string error;
    std::unique_ptr<net::Transport> first = network.Listen(5000, {}, &error);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Port(), 5000);
    EXPECT_EQ(network.Listen(5000, {}, &error), nullptr);
    EXPECT_EQ(error, "port 5000 is already in use");
    std::unique_ptr<net::Transport> any = network.Listen(0, {}, &error);
    std::unique_ptr<net::Transport> another = network.Listen(0, {}, &error);
    ASSERT_NE(any, nullptr);
    ASSERT_NE(another, nullptr);
    EXPECT_NE(any->Port(), another->Port());
    EXPECT_NE(any->Port(), 0);
    // A port is free again once its host is gone.
    first.reset();
    EXPECT_NE(network.Listen(5000, {}, &error), nullptr);
}

}  // namespace
