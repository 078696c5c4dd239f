// Test harness for the transports: a world of ends (over ENet on 127.0.0.1, the in-process twin, or
// the relay), each end's events logged, and bounded polling until a condition holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mqtt/relay_broker.h"
#include "net/transport.h"
#include "testkit/in_process.h"
#include "testkit/udp_relay.h"

namespace net_test {

// The in-process twin on a clean or a faulty link; ENet on 127.0.0.1 straight or through a faulty
// relay; rooms of a real broker (the room's code in code, the broker in broker), polled in real time.
enum class Kind { InProcess, InProcessFaulty, Enet, EnetFaulty, Rooms };

std::string KindName(Kind kind);

// Loss of 10%, 5% duplicates, 10% held back, delays up to 200 ms.
net::LinkFaults FaultyLink(std::uint32_t seed);

class World {
public:
    // The faulty links' dice are thrown from `seed`.
    explicit World(Kind kind, std::uint32_t seed = 7);

    // A host (end 0 when made first); returns its index among the ends. A room's host is at
    // the broker under the code, a client joins it there.
    int Listen(const net::TransportOptions& options = {});
    // A client of the host at index `host`; returns its index.
    int Connect(int host, const net::TransportOptions& options = {});
    // An end the test made; returns its index.
    int Add(std::unique_ptr<net::Transport> end, const std::string& error = "");

    // An end the world holds. One that could not be made or has vanished fails the test and stands
    // in as an end with no peers that hears nothing and sends nothing, so that a test whose setup
    // failed goes on to fail its checks rather than crash.
    net::Transport& End(int index);
    const std::vector<net::NetEvent>& Log(int index) const { return logs_[index]; }

    // Makes an end vanish without a word: cut off on the in-process link, destroyed elsewhere.
    void Vanish(int index);
    // Stops polling an end, as a stopped process, or takes it up again.
    void Silence(int index, bool silent = true) { silent_[index] = silent; }
    // Runs once a round beside the ends (the relay's tests pump their bare clients there).
    std::function<void()> beside;

    // Polls every end, logging their events, until `done` holds or `budget_ms` passes (simulated
    // time in process, wall-clock time otherwise). Returns whether `done` held.
    bool RunUntil(const std::function<bool()>& done, int budget_ms);
    void Run(int ms) {
        RunUntil([] { return false; }, ms);
    }

    // Helpers over the logs.
    int Count(int index, net::NetEvent::Kind kind) const;
    bool Connected(int index, int count = 1) const { return Count(index, net::NetEvent::Connected) == count; }
    bool Ended(int index) const { return Count(index, net::NetEvent::Disconnected) > 0; }
    bool HasDisconnected(int index, net::DisconnectReason why) const;
    // The reason of an end's last event, which must be a Disconnected.
    net::DisconnectReason LastReason(int index) const;
    // The peer id of the nth Connected event of an end.
    net::PeerId ConnectedPeer(int index, int nth = 0) const;
    // The bytes of every Received event of an end from one peer, in order.
    std::vector<std::vector<std::uint8_t>> Received(int index, net::PeerId from) const;

    net::UdpRelay* Relay() { return relay_.get(); }
    net::InProcessNetwork* Network() { return network_.get(); }
    Kind kind() const { return kind_; }

    RelayBroker broker;
    std::string code;
    std::string watchCode;

private:
    void Drain(int index, int timeout_ms);

    Kind kind_;
    std::uint32_t seed_;
    std::unique_ptr<net::InProcessNetwork> network_;
    std::unique_ptr<net::UdpRelay> relay_;  // made when the first client joins
    std::vector<std::unique_ptr<net::Transport>> ends_;
    std::vector<std::vector<net::NetEvent>> logs_;
    std::vector<bool> silent_;
};

// Budgets: generous for the faulty link's simulated time; real time over ENet stays a few seconds.
constexpr int kBudgetMs = 20000;

// A message whose length and every byte depend on its sender and number, so that a message that
// is cut, mixed up with another or out of place does not compare equal.
std::vector<std::uint8_t> Payload(int sender, int number);
// A host (end 0) and n clients, all with the same options and connected; returns the host's index.
int HostWithClients(World& world, int n, const net::TransportOptions& options = {});
// A host and three clients, each client sending `count` messages to the host and the host `count`
// to each client, interleaved; every stream must arrive whole and in order.
void ExchangeManyMessages(World& world, int host, int count, int budget_ms = kBudgetMs);

}  // namespace net_test
