// Test harness for the transports: making ends, logging their events and polling them in turn.
#include "net_harness.h"

#include <gtest/gtest.h>

#include <chrono>

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
    net::LinkFaults faults;
    faults.loss = 0.10;
    faults.duplication = 0.05;
    faults.reordering = 0.10;
    faults.max_delay_ms = 200;
    faults.seed = seed;
    return faults;
}

std::string KindName(Kind kind) {
    static const char* const kNames[] = {"InProcess", "InProcessFaulty", "Enet", "EnetFaulty", "Rooms"};
    return kNames[static_cast<int>(kind)];
}

World::World(Kind kind) : kind_(kind) {
    if (kind == Kind::InProcess) network_ = std::make_unique<net::InProcessNetwork>();
    if (kind == Kind::InProcessFaulty) network_ = std::make_unique<net::InProcessNetwork>(FaultyLink(7));
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
        if (!relay_) relay_ = net::UdpRelay::Start(port, FaultyLink(7), &error);
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

}  // namespace net_test
