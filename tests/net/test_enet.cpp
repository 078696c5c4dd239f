// The ENet transport's own edges: addresses and ports, datagrams that are not ENet at all, and
// attempts to connect that are abandoned halfway.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "net/enet/enet_transport.h"

namespace {

using net::NetEvent;
using Clock = std::chrono::steady_clock;

std::unique_ptr<net::Transport> Listening(const char* address) {
    std::string error;
    std::unique_ptr<net::Transport> host = net::ListenEnet(address, 0, {}, &error);
    EXPECT_NE(host, nullptr) << error;
    return host;
}

// Polls both ends, running `between` each round, until each has seen its connection; false after
// `budget`.
bool BothConnect(
    net::Transport& host, const char* address, std::chrono::milliseconds budget,
    const std::function<void()>& between = [] {}) {
    std::string error;
    std::unique_ptr<net::Transport> client = net::ConnectEnet(address, host.Port(), {}, &error);
    EXPECT_NE(client, nullptr) << error;
    if (!client) return false;
    NetEvent e;
    bool host_saw = false, client_saw = false;
    for (const auto end = Clock::now() + budget; !(host_saw && client_saw) && Clock::now() < end;) {
        between();
        if (host.Poll(&e, 1)) host_saw |= e.kind == NetEvent::Connected;
        if (client->Poll(&e, 1)) client_saw |= e.kind == NetEvent::Connected;
    }
    return host_saw && client_saw;
}

TEST(EnetTransport, ListenRefusesNamesAndPortsInUse) {
    std::string error;
    EXPECT_EQ(net::ListenEnet("localhost", 0, {}, &error), nullptr);
    EXPECT_EQ(error, "\"localhost\" is not a numeric address");
    std::unique_ptr<net::Transport> first = Listening("127.0.0.1");
    ASSERT_NE(first->Port(), 0);
    EXPECT_EQ(net::ListenEnet("127.0.0.1", first->Port(), {}, &error), nullptr);
    EXPECT_NE(error.find("cannot listen on port " + std::to_string(first->Port())), std::string::npos)
        << error;
}

TEST(EnetTransport, HostOnEveryAddressIsReachedOnLoopbackByName) {
    std::unique_ptr<net::Transport> host = Listening("");
    EXPECT_TRUE(BothConnect(*host, "localhost", std::chrono::seconds(2)));
}

TEST(EnetTransport, GarbageDatagramsAreIgnoredAndTheHostStillTakesPlayers) {
    std::unique_ptr<net::Transport> host = Listening("127.0.0.1");

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
    EXPECT_TRUE(BothConnect(*host, "127.0.0.1", std::chrono::seconds(2)));
}

// Attempts that send their first datagram and vanish never finish their handshake; a flood of them,
// before and while a real machine joins, must leave it a slot: it is connected within a second.
TEST(EnetTransport, AFloodOfAbandonedAttemptsLeavesARealMachineRoomToJoin) {
    std::unique_ptr<net::Transport> host = Listening("127.0.0.1");
    const auto abandon = [&](int attempts) {
        for (int i = 0; i < attempts; ++i) {
            std::string error;
            NetEvent e;
            std::unique_ptr<net::Transport> attempt = net::ConnectEnet("127.0.0.1", host->Port(), {}, &error);
            if (attempt) attempt->Poll(&e, 0);  // the attempt goes out; the end goes with it
        }
    };
    abandon(200);
    NetEvent e;
    host->Poll(&e, 5);
    EXPECT_TRUE(BothConnect(*host, "127.0.0.1", std::chrono::seconds(1), [&] { abandon(5); }));
    EXPECT_EQ(host->Peers().size(), 1u);
}

}  // namespace
