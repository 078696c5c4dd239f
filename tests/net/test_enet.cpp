// The ENet transport's own edges: addresses and ports, datagrams that are not ENet at all, and
// attempts to connect that are abandoned halfway.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "net/enet/enet_transport.h"

namespace {

using net::NetEvent;

TEST(EnetTransport, ListenRefusesNamesAndPortsInUse) {
    std::string error;
    EXPECT_EQ(net::ListenEnet("localhost", 0, {}, &error), nullptr);
    EXPECT_EQ(error, "\"localhost\" is not a numeric address");
    std::unique_ptr<net::Transport> first = net::ListenEnet("127.0.0.1", 0, {}, &error);
    ASSERT_NE(first, nullptr) << error;
    ASSERT_NE(first->Port(), 0);
    EXPECT_EQ(net::ListenEnet("127.0.0.1", first->Port(), {}, &error), nullptr);
    EXPECT_NE(error.find("cannot listen on port " + std::to_string(first->Port())), std::string::npos)
        << error;
}

TEST(EnetTransport, HostOnEveryAddressIsReachedOnLoopbackByName) {
    std::string error;
    std::unique_ptr<net::Transport> host = net::ListenEnet("", 0, {}, &error);
    ASSERT_NE(host, nullptr) << error;
    std::unique_ptr<net::Transport> client = net::ConnectEnet("localhost", host->Port(), {}, &error);
    ASSERT_NE(client, nullptr) << error;
    EXPECT_EQ(client->Port(), 0);
    NetEvent e;
    bool host_saw = false, client_saw = false;
    for (int i = 0; i < 500 && !(host_saw && client_saw); ++i) {
        if (host->Poll(&e, 2)) host_saw |= e.kind == NetEvent::Connected;
        if (client->Poll(&e, 2)) client_saw |= e.kind == NetEvent::Connected;
    }
    EXPECT_TRUE(host_saw);
    EXPECT_TRUE(client_saw);
}

TEST(EnetTransport, GarbageDatagramsAreIgnoredAndTheHostStillTakesPlayers) {
    std::string error;
    std::unique_ptr<net::Transport> host = net::ListenEnet("127.0.0.1", 0, {}, &error);
    ASSERT_NE(host, nullptr) << error;

    // Datagrams of every small size and pattern, and a large one, straight at the host's port.
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(host->Port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<std::uint8_t> junk(1400);
    for (std::size_t size = 1; size <= junk.size(); size += size < 64 ? 1 : 97) {
        for (std::size_t j = 0; j < size; ++j) junk[j] = static_cast<std::uint8_t>(size * 7 + j * 13);
        sendto(sock, junk.data(), size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    close(sock);
    NetEvent e;
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(host->Poll(&e, 5));

    std::unique_ptr<net::Transport> client = net::ConnectEnet("127.0.0.1", host->Port(), {}, &error);
    ASSERT_NE(client, nullptr) << error;
    bool connected = false;
    for (int i = 0; i < 500 && !connected; ++i) {
        client->Poll(&e, 2);
        connected = host->Poll(&e, 2) && e.kind == NetEvent::Connected;
    }
    EXPECT_TRUE(connected);
}

// Attempts that send their first datagram and vanish never finish their handshake; a flood of them,
// before and while a real machine joins, must leave it a slot: it is connected within a second.
TEST(EnetTransport, AFloodOfAbandonedAttemptsLeavesARealMachineRoomToJoin) {
    std::string error;
    std::unique_ptr<net::Transport> host = net::ListenEnet("127.0.0.1", 0, {}, &error);
    ASSERT_NE(host, nullptr) << error;
    int abandoned = 0;
    const auto abandon = [&](int attempts) {
        for (int i = 0; i < attempts; ++i) {
            std::unique_ptr<net::Transport> attempt = net::ConnectEnet("127.0.0.1", host->Port(), {}, &error);
            ASSERT_NE(attempt, nullptr) << error;
            NetEvent e;
            attempt->Poll(&e, 0);  // the attempt goes out; the end goes with it
            ++abandoned;
        }
    };
    abandon(200);
    NetEvent e;
    host->Poll(&e, 5);

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::unique_ptr<net::Transport> real = net::ConnectEnet("127.0.0.1", host->Port(), {}, &error);
    ASSERT_NE(real, nullptr) << error;
    bool host_saw = false, real_saw = false;
    while (!(host_saw && real_saw) && Clock::now() - start < std::chrono::seconds(3)) {
        abandon(5);
        if (host->Poll(&e, 1)) host_saw |= e.kind == NetEvent::Connected;
        if (real->Poll(&e, 1)) real_saw |= e.kind == NetEvent::Connected;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_TRUE(host_saw);
    ASSERT_TRUE(real_saw) << "after " << abandoned << " abandoned attempts";
    EXPECT_LT(took, 1000) << "after " << abandoned << " abandoned attempts";
    EXPECT_EQ(host->Peers().size(), 1u);
}

}  // namespace
