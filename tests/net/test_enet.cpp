// The ENet transport's own edges: addresses and ports, and datagrams that are not ENet at all.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

}  // namespace
