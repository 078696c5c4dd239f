// Test harness for the transports: making ends, logging their events and polling them in turn.
#include "net_harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "net/enet/enet_transport.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/room_code.h"

namespace net_test {
namespace {

// What End gives in place of an end that is not there.
class MissingEnd final : public net::Transport {
public:
    bool Poll(net::NetEvent*, int) override { return false; }
    bool Send(net::PeerId, std::span<const std::uint8_t>) override { return false; }
    void Disconnect(net::PeerId, net::DisconnectReason) override {}
    std::vector<net::PeerId> Peers() const override { return {}; }
    std::string Address(net::PeerId) const override { return ""; }
    bool Settled() const override { return true; }
    std::uint16_t Port() const override { return 0; }
};

}  // namespace

net::LinkFaults FaultyLink(std::uint32_t seed) {
    return {.loss = 0.10, .duplication = 0.05, .reordering = 0.10, .max_delay_ms = 200, .seed = seed};
}

std::string KindName(Kind kind) {
    static const char* const kNames[] = {"InProcess", "InProcessFaulty", "Enet", "EnetFaulty", "Rooms"};
    return kNames[static_cast<int>(kind)];
}

World::World(Kind kind, std::uint32_t seed) : kind_(kind), seed_(seed) {
    if (kind == Kind::InProcess) network_ = std::make_unique<net::InProcessNetwork>();
    if (kind == Kind::InProcessFaulty) network_ = std::make_unique<net::InProcessNetwork>(FaultyLink(seed));
    std::string error;
    EXPECT_TRUE(kind != Kind::Rooms ||
                (broker.Start(&error) && net::MakeRoomCodes(&code, &watchCode, &error)))
        << error;
}

int World::Listen(const net::TransportOptions& options) {
    std::string error;
    if (kind_ == Kind::Rooms)
        return Add(net::MakeMqttHost(broker.Address(), code, watchCode, options, &error), error);
    auto end =
        network_ ? network_->Listen(0, options, &error) : net::ListenEnet("127.0.0.1", 0, options, &error);
    return Add(std::move(end), error);
}

int World::Connect(int host, const net::TransportOptions& options) {
    std::string error;
    if (kind_ == Kind::Rooms) return Add(net::MakeMqttClient(broker.Address(), code, options, &error), error);
    std::uint16_t port = ends_[host]->Port();
    if (kind_ == Kind::EnetFaulty) {
        if (!relay_) relay_ = net::UdpRelay::Start(port, FaultyLink(seed_), &error);
        EXPECT_NE(relay_, nullptr) << error;
        port = relay_->Port();
    }
    return Add(
        network_ ? network_->Connect(port, options) : net::ConnectEnet("127.0.0.1", port, options, &error),
        error);
}

int World::Add(std::unique_ptr<net::Transport> end, const std::string& error) {
    EXPECT_NE(end, nullptr) << error;
    ends_.push_back(std::move(end));
    logs_.emplace_back();
    silent_.push_back(false);
    return static_cast<int>(ends_.size()) - 1;
}

net::Transport& World::End(int index) {
    static MissingEnd missing;
    if (ends_[index]) return *ends_[index];
    ADD_FAILURE() << "end " << index << " is not there: it could not be made, or it vanished";
    return missing;
}

void World::Vanish(int index) {
    if (network_)
        network_->Sever(*ends_[index]);
    else
        ends_[index].reset();
}

void World::Drain(int index, int timeout_ms) {
    net::NetEvent event;
    while (ends_[index]->Poll(&event, timeout_ms)) {
        logs_[index].push_back(std::move(event));
        timeout_ms = 0;
    }
}

bool World::RunUntil(const std::function<bool()>& done, int budget_ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point wall_end = Clock::now() + std::chrono::milliseconds(budget_ms);
    const std::int64_t sim_end = network_ ? network_->NowMs() + budget_ms : 0;
    for (;;) {
        // The first end still there waits a little (in process, that moves the clock on); the
        // others are only drained.
        int wait = 2;
        for (std::size_t i = 0; i < ends_.size(); ++i) {
            if (!ends_[i] || silent_[i]) continue;
            Drain(static_cast<int>(i), wait);
            wait = 0;
        }
        if (beside) beside();
        if (done()) return true;
        if (network_ ? network_->NowMs() >= sim_end : Clock::now() >= wall_end) return false;
    }
}

int World::Count(int index, net::NetEvent::Kind kind) const {
    int n = 0;
    for (const net::NetEvent& e : logs_[index]) n += e.kind == kind;
    return n;
}

bool World::HasDisconnected(int index, net::DisconnectReason why) const {
    for (const net::NetEvent& e : logs_[index])
        if (e.kind == net::NetEvent::Disconnected && e.reason == why) return true;
    return false;
}

net::DisconnectReason World::LastReason(int index) const {
    EXPECT_FALSE(logs_[index].empty());
    if (logs_[index].empty()) return net::DisconnectReason::Closed;
    EXPECT_EQ(logs_[index].back().kind, net::NetEvent::Disconnected);
    return logs_[index].back().reason;
}

net::PeerId World::ConnectedPeer(int index, int nth) const {
    for (const net::NetEvent& e : logs_[index])
        if (e.kind == net::NetEvent::Connected && nth-- == 0) return e.peer;
    return 0;
}

std::vector<std::vector<std::uint8_t>> World::Received(int index, net::PeerId from) const {
    std::vector<std::vector<std::uint8_t>> all;
    for (const net::NetEvent& e : logs_[index])
        if (e.kind == net::NetEvent::Received && e.peer == from) all.push_back(e.bytes);
    return all;
}

std::vector<std::uint8_t> Payload(int sender, int number) {
    std::vector<std::uint8_t> bytes(1 + (number * 37) % 3000);
    for (std::size_t j = 0; j < bytes.size(); ++j)
        bytes[j] = static_cast<std::uint8_t>(sender * 31 + number + j);
    return bytes;
}

int HostWithClients(World& world, int n, const net::TransportOptions& options) {
    const int host = world.Listen(options);
    for (int i = 0; i < n; ++i) world.Connect(host, options);
    EXPECT_TRUE(world.RunUntil(
        [&] {
            int clients = 0;
            for (int c = 1; c <= n; ++c) clients += world.Connected(c);
            return clients == n && world.Connected(host, n);
        },
        kBudgetMs));
    return host;
}

void ExchangeManyMessages(World& world, int host, int count, int budget_ms) {
    for (int n = 0; n < count; ++n) {
        for (int c = 1; c <= 3; ++c) {
            ASSERT_TRUE(world.End(c).Send(world.ConnectedPeer(c), Payload(c, n)));
            ASSERT_TRUE(world.End(host).Send(world.ConnectedPeer(host, c - 1), Payload(10 + c, n)));
        }
        if (n % 10 == 0) world.Run(1);
    }
    ASSERT_TRUE(world.RunUntil(
        [&] {
            for (int c = 1; c <= 3; ++c)
                if (world.Count(c, net::NetEvent::Received) < count) return false;
            return world.Count(host, net::NetEvent::Received) >= 3 * count;
        },
        budget_ms));

    // Which stream reached which end is told by the first message: under faults the clients need
    // not join in the order they were made.
    std::set<int> senders;
    const auto check_stream = [&](const std::vector<std::vector<std::uint8_t>>& got, int first, int last) {
        ASSERT_EQ(got.size(), static_cast<std::size_t>(count));
        int sender = first;
        while (sender <= last && got[0] != Payload(sender, 0)) ++sender;
        senders.insert(sender);
        for (int n = 0; n < count; ++n) ASSERT_EQ(got[n], Payload(sender, n)) << "message " << n;
    };
    for (int c = 1; c <= 3; ++c) {
        check_stream(world.Received(c, world.ConnectedPeer(c)), 11, 13);
        check_stream(world.Received(host, world.ConnectedPeer(host, c - 1)), 1, 3);
    }
    EXPECT_EQ(senders, (std::set<int>{1, 2, 3, 11, 12, 13}));
    EXPECT_EQ(world.Count(host, net::NetEvent::Disconnected), 0);
}

}  // namespace net_test
