// One connection to the relay (an MQTT 5 broker) as the room's ends use it, whatever client speaks
// the protocol beneath: libmosquitto in the programs (net/mqtt/), the page's script in the browser
// (platform/web/).
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace net {

// A connection to the broker as the transports need it: messages at most once (QoS 0) or, when
// the sender must know the broker took them, at least once (QoS 1), a last will fixed when
// connecting, and no thread of its own: whatever came in is taken up inside
// Pump, so every call comes from the owner's thread. Nothing is ever retried; a lost connection
// stays lost. An implementation reports into the protected members below as its client tells it.
class MqttLink {
public:
    struct Incoming {
        std::string topic;
        std::vector<std::uint8_t> payload;
    };
    // What the broker publishes for this client if its connection ends without a goodbye, at most
    // once: it then reaches each subscriber in order with the messages at most once around it, so
    // that whatever a client that took this one's id over says comes after it.
    struct Will {
        std::string topic;
        std::vector<std::uint8_t> payload;
        bool retain = false;
    };

    MqttLink() = default;
    virtual ~MqttLink() = default;  // drops the connection without a goodbye: the broker publishes the will
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Opens the connection to the broker at host:port and sends it this client's id, user name (no
    // password), keep-alive (5 to 65535 seconds) and will; the broker's answer comes while pumping.
    // Returns false with a message for the player in *error if the broker cannot be reached.
    virtual bool Open(const std::string& host, std::uint16_t port, const std::string& client_id,
                      const std::string& username, int keepalive_s, const Will& will, std::string* error) = 0;

    // Subscribes to a topic filter and returns the number of the request (Acknowledged tells when
    // the broker answered it), or -1 if the connection is not open.
    virtual int Subscribe(const std::string& filter) = 0;
    // Publishes a message, `confirmed` at least once with the broker's acknowledgement (AllPublished
    // waits for it: the broker then has everything published before it too), else at most once;
    // false if the connection is not open. Over one connection never resumed, at least once delivers nothing
    // more: it costs an acknowledgement a message, each way. A link may confirm every message.
    virtual bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                         bool confirmed) = 0;
    // Says goodbye to the broker, which then drops the will. Nothing more is sent or received.
    virtual void Close() = 0;

    // Runs one round of the connection, waiting at most timeout_ms (a link that Waits) for news:
    // takes in all that came, sends what is queued and keeps the connection alive. Callers pump in a
    // loop. Once the connection is lost or closed, only waits.
    virtual void Pump(int timeout_ms) = 0;
    // False for a link whose Pump never waits (the page's: what its client hears comes in only
    // while the page's thread is away, so waiting there would only keep it out).
    virtual bool Waits() const { return true; }

    // The next message that came in, oldest first; false when there is none.
    bool TakeIncoming(Incoming* message) {
        if (incoming_.empty()) return false;
        *message = std::move(incoming_.front());
        incoming_.pop_front();
        return true;
    }

    bool Open() const { return state_ == State::Open; }
    bool Lost() const { return state_ == State::Lost; }
    // Lost because the broker closed the connection (as it does when another client connects under
    // this one's id), not because it fell silent or the network failed: connecting again is worth
    // a try, and costs no long wait.
    bool Dropped() const { return dropped_; }
    bool Acknowledged(int request) const { return subscribed_.count(request) != 0; }
    // True when the broker has acknowledged every confirmed message published so far.
    bool AllPublished() const { return unacknowledged_.empty(); }

protected:
    enum class State { Connecting, Open, Lost, Closed };

    State state_ = State::Connecting;
    std::deque<Incoming> incoming_;
    std::set<int> subscribed_;
    std::set<int> unacknowledged_;
    bool dropped_ = false;
};

}  // namespace net
