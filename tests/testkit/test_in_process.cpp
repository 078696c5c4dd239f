// The in-process twin's own promises: its faults really happen (a long route's delay included), are
// recovered, and repeat by seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "tests/net/net_harness.h"

namespace {

using net::NetEvent;

// A host and three clients exchange 150 messages each way, whole and in order, over a faulty link
// whose dice are thrown from `seed`; the network's counts and its clock at the end.
std::pair<net::LinkStats, std::int64_t> FaultyExchange(std::uint32_t seed) {
    net_test::World world(net_test::Kind::InProcessFaulty, seed);
    net_test::ExchangeManyMessages(world, net_test::HostWithClients(world, 3), 150);
    return {world.Network()->Stats(), world.Network()->NowMs()};
}

// Near the chances asked for: 10% lost, 5% twice, 10% held back; the same seed gives the same run
// and another seed another one.
TEST(InProcessNetwork, FaultsHappenAreRecoveredAndRepeatBySeed) {
    const auto [stats, finished_at] = FaultyExchange(11);
    const double sent = static_cast<double>(stats.sent);
    EXPECT_GT(stats.sent, 1800u);
    EXPECT_NEAR(stats.lost / sent, 0.10, 0.04);
    EXPECT_NEAR(stats.duplicated / sent, 0.05 * 0.9, 0.03);
    EXPECT_NEAR(stats.held_back / sent, 0.10 * 0.9 * 1.05, 0.04);
    const auto [again, again_at] = FaultyExchange(11);
    EXPECT_EQ(std::tie(again_at, again.sent, again.lost), std::tie(finished_at, stats.sent, stats.lost));
    const net::LinkStats other = FaultyExchange(12).first;
    EXPECT_NE(std::tie(other.sent, other.lost), std::tie(stats.sent, stats.lost));
}

// A long route: every datagram takes its length and up to the jitter more, from the shortest to
// the longest.
TEST(FaultDice, ALongRouteDelaysEveryDatagramByItsLengthAndUpToTheJitterMore) {
    net::LinkFaults faults;
    faults.min_delay_ms = 40;
    faults.max_delay_ms = 20;
    net::FaultDice dice(faults);
    std::vector<int> delays;
    for (int i = 0; i < 2000; ++i) {
        const std::vector<int> fate = dice.Fate(false);
        ASSERT_EQ(fate.size(), 1u);
        delays.push_back(fate[0]);
    }
    const auto [shortest, longest] = std::minmax_element(delays.begin(), delays.end());
    EXPECT_EQ(std::pair(*shortest, *longest), std::pair(41, 61));
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
    ASSERT_TRUE(any && another);
    EXPECT_NE(any->Port(), another->Port());
    EXPECT_NE(any->Port(), 0);
    // A port is free again once its host is gone.
    first.reset();
    EXPECT_NE(network.Listen(5000, {}, &error), nullptr);
}

}  // namespace
