// Test harness for the transports: a world of ends over ENet on 127.0.0.1 or the in-process twin,
// each end's events logged, and bounded polling until a condition holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/transport.h"
#include "testkit/in_process.h"
#include "testkit/udp_relay.h"

namespace net_test {

// The in-process twin on a clean or a faulty link; ENet on 127.0.0.1 straight or through a faulty
// relay.
enum class Kind { InProcess, InProcessFaulty, Enet, EnetFaulty };

std::string KindName(Kind kind);

// Loss of 10%, 5% duplicates, 10% held back, delays up to 200 ms.
net::LinkFaults FaultyLink(std::uint32_t seed);

class World {
public:
    explicit World(Kind kind);

    // A host (end 0 when made first); returns its index among the ends.
    int Listen(const net::TransportOptions& options = {});
    // A client of the host at index `host`; returns its index.
    int Connect(int host, const net::TransportOptions& options = {});

    net::Transport& End(int index) { return *ends_[index]; }
    const std::vector<net::NetEvent>& Log(int index) const { return logs_[index]; }

    // Makes an end vanish without a word: cut off on the in-process link, destroyed over ENet.
    void Vanish(int index);

    // Polls every end, logging their events, until `done` holds or `budget_ms` passes (simulated
    // time in process, wall-clock time over ENet). Returns whether `done` held.
    bool RunUntil(const std::function<bool()>& done, int budget_ms);

    // Lets every end run for ms milliseconds.
    void Run(int ms) {
        RunUntil([] { return false; }, ms);
    }

    // Helpers over the logs.
    int Count(int index, net::NetEvent::Kind kind) const;
    bool HasDisconnected(int index, net::DisconnectReason why) const;
    // The peer id of the index-th Connected event of an end.
    net::PeerId ConnectedPeer(int index, int nth = 0) const;
    // The bytes of every Received event of an end from one peer, in order.
    std::vector<std::vector<std::uint8_t>> Received(int index, net::PeerId from) const;

    net::InProcessNetwork* Network() { return network_.get(); }
    net::UdpRelay* Relay() { return relay_.get(); }
    Kind kind() const { return kind_; }

private:
    void Drain(int index, int timeout_ms);

    Kind kind_;
    std::unique_ptr<net::InProcessNetwork> network_;
    std::unique_ptr<net::UdpRelay> relay_;  // made when the first client joins
    std::vector<std::unique_ptr<net::Transport>> ends_;
    std::vector<std::vector<net::NetEvent>> logs_;
};

}  // namespace net_test
