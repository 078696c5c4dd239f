// The transport's promises, over ENet on 127.0.0.1, the in-process twin with and without faults, and
// the relay's rooms; and ENet's own edges: addresses and ports, datagrams that are not ENet at all,
// and attempts to connect that are abandoned halfway.
#include <arpa/inet.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/enet/enet_transport.h"
#include "net_harness.h"

namespace {

using net::DisconnectReason;
using net::NetEvent;
using namespace net_test;
using Bytes = std::vector<std::uint8_t>;

// ENet backs off its resends on a lossy link, so a stream through the faulty relay on a busy machine
// may pause for many seconds before it recovers; it is given longer to finish.
constexpr int kFaultyRelayBudgetMs = 90000;

class TransportTest : public ::testing::TestWithParam<Kind> {
protected:
    World world{GetParam()};

    // Client c sends `bytes` to the host, which must receive them; returns the host's id of c.
    net::PeerId HostHears(int c, const Bytes& bytes) {
        EXPECT_TRUE(world.End(c).Send(world.ConnectedPeer(c), bytes));
        net::PeerId id = 0;
        world.RunUntil(
            [&] {
                for (const NetEvent& e : world.Log(0))
                    if (e.kind == NetEvent::Received && e.bytes == bytes) id = e.peer;
                return id != 0;
            },
            kBudgetMs);
        EXPECT_NE(id, 0u);
        return id;
    }
};

TEST_P(TransportTest, ThreeClientsExchangeManyMessagesIntactAndInOrder) {
    ExchangeManyMessages(world, HostWithClients(world, 3), 150);
}

TEST_P(TransportTest, SendRefusesEmptyOversizedAndUnknownPeersAndTakesTheLargest) {
    const int host = HostWithClients(world, 1);
    const net::PeerId peer = world.ConnectedPeer(host);
    EXPECT_FALSE(world.End(host).Send(peer, {}));
    EXPECT_FALSE(world.End(host).Send(peer, Bytes(net::kMaxMessageBytes + 1, 7)));
    EXPECT_FALSE(world.End(host).Send(peer + 100, Payload(0, 1)));
    const Bytes largest(net::kMaxMessageBytes, 0xA5);
    ASSERT_TRUE(world.End(host).Send(peer, largest));
    ASSERT_TRUE(world.RunUntil([&] { return world.Count(1, NetEvent::Received) == 1; }, kBudgetMs));
    EXPECT_EQ(world.Received(1, world.ConnectedPeer(1))[0], largest);
}

// An oversized or malformed message costs its sender alone the connection; the others carry on.
TEST_P(TransportTest, OversizedOrMalformedMessageDisconnectsOnlyItsSender) {
    const int host = HostWithClients(world, 2);
    // A client built with a larger limit than the host's.
    const int big = world.Connect(host, {.max_message_bytes = 2 * net::kMaxMessageBytes});
    ASSERT_TRUE(world.RunUntil([&] { return world.Connected(big) && world.Connected(host, 3); }, kBudgetMs));
    ASSERT_TRUE(world.End(big).Send(world.ConnectedPeer(big), Bytes(net::kMaxMessageBytes + 1)));
    ASSERT_TRUE(
        world.RunUntil([&] { return world.HasDisconnected(big, DisconnectReason::Oversized); }, kBudgetMs));
    EXPECT_EQ(world.Count(host, NetEvent::Disconnected), 1);
    EXPECT_TRUE(world.HasDisconnected(host, DisconnectReason::Oversized));
    EXPECT_EQ(world.Count(host, NetEvent::Received), 0);

    // Client 1 sends garbage; the host's decoder refuses it and the host drops that client.
    const Bytes garbage{0xEE, 1, 2, 3};
    const net::PeerId first = HostHears(1, garbage);
    world.End(host).Disconnect(first, DisconnectReason::Malformed);
    EXPECT_TRUE(
        world.RunUntil([&] { return world.HasDisconnected(1, DisconnectReason::Malformed); }, kBudgetMs));
    const net::PeerId second = HostHears(2, Payload(2, 9));
    EXPECT_EQ(world.End(host).Peers(), std::vector<net::PeerId>{second});
    EXPECT_EQ(world.Count(host, NetEvent::Disconnected), 1);
    EXPECT_EQ(world.Count(2, NetEvent::Disconnected), 0);
}

TEST_P(TransportTest, VanishedClientIsDetectedByTimeoutAndTheOthersStay) {
    const net::TransportOptions quick{.timeout_ms = 1000, .alive_every_ms = 250};
    const int host = HostWithClients(world, 3, quick);
    world.Vanish(2);
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(host); }, 4000));
    EXPECT_TRUE(world.HasDisconnected(host, DisconnectReason::TimedOut));
    // The rest stay connected well past the timeout: keep-alives hold them.
    world.Run(1500);
    EXPECT_EQ(world.End(host).Peers().size(), 2u);
    EXPECT_EQ(world.Count(host, NetEvent::Disconnected) + world.Count(1, NetEvent::Disconnected) +
                  world.Count(3, NetEvent::Disconnected),
              1);
}

// The host takes every joining machine and room for as many waiting to say who they are; the
// connection beyond is told the host is full, and once one leaves there is room again.
TEST_P(TransportTest, ConnectionBeyondTheLimitIsToldTheHostIsFull) {
    static_assert(net::kMaxPeers > net::kMaxJoiningPeers);
    const int host = HostWithClients(world, net::kMaxPeers);
    const int beyond = world.Connect(host);
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(beyond); }, kBudgetMs));
    EXPECT_EQ(world.LastReason(beyond), DisconnectReason::HostFull);
    EXPECT_EQ(world.Count(beyond, NetEvent::Connected), 0);
    EXPECT_EQ(world.End(host).Peers().size(), static_cast<std::size_t>(net::kMaxPeers));

    world.End(1).Disconnect(world.ConnectedPeer(1));
    ASSERT_TRUE(
        world.RunUntil([&] { return world.HasDisconnected(host, DisconnectReason::Closed); }, kBudgetMs));
    const int ninth = world.Connect(host);
    EXPECT_TRUE(world.RunUntil([&] { return world.Connected(ninth); }, kBudgetMs));
}

// A host knows each peer's address while it is connected; a client knows its host's.
TEST_P(TransportTest, EachPeerIsKnownByItsAddressWhileConnected) {
    const int host = HostWithClients(world, 2);
    const net::PeerId first = world.ConnectedPeer(host, 0), second = world.ConnectedPeer(host, 1);
    const std::string address = world.End(host).Address(first);
    if (world.kind() == Kind::Enet)
        EXPECT_EQ(address, "127.0.0.1");
    else
        EXPECT_NE(address, world.End(host).Address(second)) << "the twin's clients have their own";
    EXPECT_FALSE(world.End(1).Address(world.ConnectedPeer(1)).empty());
    EXPECT_EQ(world.End(host).Address(second + 100), "");
    world.End(host).Disconnect(first);
    EXPECT_EQ(world.End(host).Address(first), "");
}

// Either end's messages queued before it closes a connection arrive first, then the close with
// its reason; the end that closed hears nothing more of it.
TEST_P(TransportTest, DisconnectDeliversWhatWasQueuedFirst) {
    const int host = HostWithClients(world, 2);
    const net::PeerId second = HostHears(2, Payload(2, 0));
    for (int n = 0; n < 20; ++n) ASSERT_TRUE(world.End(1).Send(world.ConnectedPeer(1), Payload(1, n)));
    world.End(1).Disconnect(world.ConnectedPeer(1));
    EXPECT_TRUE(world.End(1).Peers().empty());
    ASSERT_TRUE(world.End(host).Send(second, Payload(0, 7)));
    world.End(host).Disconnect(second, DisconnectReason::GameFull);
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(host) && world.Ended(2); }, kBudgetMs));
    const std::vector<NetEvent>& log = world.Log(host);
    ASSERT_EQ(log.size(), 24u);
    for (int n = 0; n < 20; ++n) EXPECT_EQ(log[3 + n].bytes, Payload(1, n));
    EXPECT_EQ(world.LastReason(host), DisconnectReason::Closed);
    ASSERT_EQ(world.Log(2).size(), 3u);
    EXPECT_EQ(world.Log(2)[1].bytes, Payload(0, 7));
    EXPECT_EQ(world.LastReason(2), DisconnectReason::GameFull);
    world.Run(300);
    EXPECT_EQ(world.Count(1, NetEvent::Disconnected) + world.Count(host, NetEvent::Disconnected), 1);
}

// An attempt given up before an answer reports nothing; one whose host vanished times out.
TEST_P(TransportTest, AttemptsGivenUpOrUnansweredEndQuietly) {
    const int host = world.Listen();
    const int given_up = world.Connect(host);
    world.End(given_up).Disconnect(1);  // a client's host is its peer 1
    world.Run(300);
    EXPECT_TRUE(world.Log(given_up).empty());
    EXPECT_TRUE(world.End(given_up).Peers().empty());

    const net::TransportOptions quick{.timeout_ms = 500};
    const int unanswered = world.Connect(host, quick);
    world.Vanish(host);
    ASSERT_TRUE(world.RunUntil([&] { return world.Ended(unanswered); }, 3000));
    EXPECT_EQ(world.LastReason(unanswered), DisconnectReason::TimedOut);
    EXPECT_EQ(world.Count(unanswered, NetEvent::Connected), 0);
}

// ENet's own reliability over a relay that loses, repeats, delays and reorders real datagrams. Fewer
// messages: every loss costs a real round trip of up to half a second.
TEST(EnetOverFaultyRelay, ThreeClientsExchangeMessagesIntactAndInOrder) {
    World world(Kind::EnetFaulty);
    ExchangeManyMessages(world, HostWithClients(world, 3), 20, kFaultyRelayBudgetMs);
    const net::LinkStats stats = world.Relay()->Stats();
    EXPECT_GT(stats.lost, 0u);
    EXPECT_GT(stats.duplicated, 0u);
    EXPECT_GT(stats.held_back, 0u);
    // Both ways crossed it, and the bytes are told apart by the way they went.
    EXPECT_GT(stats.bytes_to_host, 0u);
    EXPECT_LT(stats.bytes_to_host, stats.bytes);
}

// ---- ENet's own edges.

TEST(EnetTransport, ListenRefusesNamesAndPortsInUseAndTakesEveryAddress) {
    World world(Kind::Enet);
    const int first = world.Listen();
    const std::uint16_t port = world.End(first).Port();
    ASSERT_NE(port, 0);
    std::string error;
    EXPECT_EQ(net::ListenEnet("localhost", 0, {}, &error), nullptr);
    EXPECT_EQ(error, "\"localhost\" is not a numeric address");
    EXPECT_EQ(net::ListenEnet("127.0.0.1", port, {}, &error), nullptr);
    EXPECT_NE(error.find("cannot listen on port " + std::to_string(port)), std::string::npos) << error;

    // A host on every address is reached on the loopback by name.
    const int every = world.Add(net::ListenEnet("", 0, {}, &error), error);
    const int client = world.Add(net::ConnectEnet("localhost", world.End(every).Port(), {}, &error), error);
    EXPECT_TRUE(world.RunUntil([&] { return world.Connected(every) && world.Connected(client); }, 2000));
}

// Datagrams that are not ENet are ignored. Attempts that send their first datagram and vanish never
// finish their handshake; a flood of them, before and while a real machine joins, must leave it a
// slot: it is connected within a second.
TEST(EnetTransport, GarbageAndAFloodOfAbandonedAttemptsLeaveARealMachineRoomToJoin) {
    World world(Kind::Enet);
    const int host = world.Listen();
    const std::uint16_t port = world.End(host).Port();

    // Datagrams of every small size and pattern, and a large one, straight at the host's port.
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<std::uint8_t> junk(1400);
    for (std::size_t size = 1; size <= junk.size(); size += size < 64 ? 1 : 97) {
        for (std::size_t j = 0; j < size; ++j) junk[j] = static_cast<std::uint8_t>(size * 7 + j * 13);
        sendto(sock, junk.data(), size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    close(sock);
    world.Run(100);
    EXPECT_TRUE(world.Log(host).empty());

    world.beside = [&] {
        for (int i = 0; i < 5; ++i) {
            std::string error;
            NetEvent e;
            std::unique_ptr<net::Transport> attempt = net::ConnectEnet("127.0.0.1", port, {}, &error);
            if (attempt) attempt->Poll(&e, 0);  // the attempt goes out; the end goes with it
        }
    };
    for (int i = 0; i < 40; ++i) world.beside();
    const int real = world.Connect(host);
    EXPECT_TRUE(world.RunUntil([&] { return world.Connected(real) && world.Connected(host); }, 1000));
    EXPECT_EQ(world.End(host).Peers().size(), 1u);
}

// An end that is not there (it could not be made, or vanished) fails the test where it is used, as a
// host the broker was too busy to take would, rather than crash it.
TEST(World, AnEndThatIsNotThereFailsTheTestWithoutCrashingIt) {
    EXPECT_NONFATAL_FAILURE(
        {
            World world(Kind::Enet);
            const int host = world.Listen();
            world.Vanish(host);
            EXPECT_TRUE(world.End(host).Peers().empty());
        },
        "is not there");
}

INSTANTIATE_TEST_SUITE_P(Transports, TransportTest,
                         ::testing::Values(Kind::InProcess, Kind::InProcessFaulty, Kind::Enet, Kind::Rooms),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return net_test::KindName(info.param);
                         });

}  // namespace
