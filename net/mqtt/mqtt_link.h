// One connection to the relay (an MQTT 5 broker) through libmosquitto, run from its owner's polls.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <span>
#include <string>
#include <vector>

struct mosquitto;

namespace net {

// A connection to the broker as the transports need it: every message at least once (QoS 1), a
// last will fixed when connecting, and no network thread: the loop runs inside Pump, so every call
// comes from the owner's thread. Nothing is ever retried; a lost connection stays lost.
class MqttLink {
public:
    struct Incoming {
        std::string topic;
        std::vector<std::uint8_t> payload;
    };
    // What the broker publishes for this client if its connection ends without a goodbye.
    struct Will {
        std::string topic;
        std::vector<std::uint8_t> payload;
        bool retain = false;
    };

    MqttLink();
    ~MqttLink();  // drops the connection without a goodbye: the broker publishes the will
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Opens the TCP connection to host:port and sends the broker this client's id, user name (no
    // password), keep-alive (5 to 65535 seconds) and will; the broker's answer comes while pumping. Returns
    // false with a message for the player in *error if the broker cannot be reached.
    bool Open(const std::string& host, std::uint16_t port, const std::string& client_id,
              const std::string& username, int keepalive_s, const Will& will, std::string* error);

    // Subscribes to a topic filter and returns the number of the request (Acknowledged tells when
    // the broker answered it), or -1 if the connection is not open.
    int Subscribe(const std::string& filter);
    // Publishes a message; false if the connection is not open.
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain);
    // Says goodbye to the broker, which then drops the will. Nothing more is sent or received.
    void Close();

    // Runs one round of the network loop, waiting at most timeout_ms for the socket: reads all
    // that came in (up to a thousand packets), writes what is queued and keeps the connection
    // alive. Callers pump in a loop. Once the connection is lost or closed, only waits.
    void Pump(int timeout_ms);
    bool TakeIncoming(Incoming* message);

    bool Open() const { return state_ == State::Open; }
    bool Lost() const { return state_ == State::Lost; }
    bool Acknowledged(int request) const { return subscribed_.count(request) != 0; }
    // True when the broker has taken every message published so far.
    bool AllPublished() const { return unacknowledged_.empty(); }

private:
    enum class State { Connecting, Open, Lost, Closed };

    // libmosquitto's callbacks, in mqtt_link.cpp, report into the members below.
    friend struct MqttLinkCallbacks;

    mosquitto* handle_ = nullptr;
    State state_ = State::Connecting;
    std::deque<Incoming> incoming_;
    std::set<int> subscribed_;
    std::set<int> unacknowledged_;
};

}  // namespace net
