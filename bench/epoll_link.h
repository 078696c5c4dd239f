// Links to the broker for the room load generator: MQTT 5 over plain non-blocking sockets, all of a
// process's links waited on together by one epoll, so that one thread keeps thousands of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "bench/mqtt_wire.h"
#include "net/relay/mqtt_link.h"

namespace bench {

class EpollLink;

// The one place a process's links wait. Reading happens in Wait (a link's news is then in its
// incoming messages, for the end that owns it to take up when it polls); writing is gathered per
// link and happens in Flush, once for all that was published meanwhile. Every call comes from one
// thread. The hub outlives its links.
class LinkHub {
public:
    LinkHub();
    ~LinkHub();
    LinkHub(const LinkHub&) = delete;
    LinkHub& operator=(const LinkHub&) = delete;

    // Waits at most timeout_ms (0: not at all) for news on any link, reads all that came and
    // returns the tags of the links that heard something, each at most once a call.
    const std::vector<std::uint32_t>& Wait(int timeout_ms);
    // Sends what every link has queued, as far as the sockets take it (the rest goes as they drain).
    void Flush();

private:
    friend class EpollLink;
    void Watch(EpollLink* link, int socket);
    void Queued(EpollLink* link) { queued_.push_back(link); }
    void Forget(EpollLink* link);

    int epoll_ = -1;
    std::vector<EpollLink*> queued_;
    std::vector<std::uint32_t> heard_;
    std::vector<std::uint8_t> scratch_;
};

// One connection to the broker as a room's end uses it (net::MqttLink), driven by its hub: Pump
// never waits (it only sends the keep-alive when due), so an end's Poll takes what its hub read.
// `tag` names the end to the generator (LinkHub::Wait returns it).
class EpollLink final : public net::MqttLink {
public:
    EpollLink(LinkHub& hub, std::uint32_t tag) : hub_(hub), tag_(tag) {}
    ~EpollLink() override;

    bool Open(const std::string& host, std::uint16_t port, const std::string& client_id,
              const std::string& username, int keepalive_s, const Will& will, std::string* error) override;
    int Subscribe(const std::string& filter) override;
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                 bool confirmed) override;
    void Close() override;
    void Pump(int timeout_ms) override;
    bool Waits() const override { return false; }

private:
    friend class LinkHub;
    using Clock = std::chrono::steady_clock;

    // The hub's side: reads what came into `scratch` until the socket is empty, and writes what is
    // queued until it is all sent or the socket is full.
    void ReadAll(std::vector<std::uint8_t>& scratch);
    void WriteOut();
    void Take(const Packet& packet);
    void Lose();
    Bytes& Out();
    std::uint16_t NextId();

    LinkHub& hub_;
    std::uint32_t tag_;
    int socket_ = -1;
    Bytes in_, out_;
    bool queued_ = false;
    std::uint16_t last_id_ = 0;
    std::chrono::seconds keepalive_{0};
    Clock::time_point wrote_{};
};

}  // namespace bench
