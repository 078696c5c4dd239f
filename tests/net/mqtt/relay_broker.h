// Test equipment for the relay: a real broker run by scripts/relay.sh on a free port of
// 127.0.0.1, and a bare MQTT client that says whatever a test wants, as a hostile machine would.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct mosquitto;

namespace net_test {

// A broker with the project's configuration, stopped when this goes.
class RelayBroker {
public:
    RelayBroker() = default;
    ~RelayBroker();
    RelayBroker(const RelayBroker&) = delete;
    RelayBroker& operator=(const RelayBroker&) = delete;

    // Starts the broker and waits (at most a few seconds) until it takes connections. Returns false
    // with a message in *error if Mosquitto is not installed or the broker does not come up.
    bool Start(std::string* error);

    // Kills the broker at once (SIGKILL), as a crash would: every connection drops without a will.
    void Kill();

    std::uint16_t Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    bool TryPort(std::uint16_t port, std::string* error);

    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    std::string log_;
};

// A TCP socket listening on a free port of 127.0.0.1 that never says a word; its port; closing it.
int ListeningSocket();
std::uint16_t PortOf(int socket);
void CloseSocket(int socket);

// A plain MQTT 5 client under a chosen id and user name ("" for none), every call bounded to about a
// second (connecting, to a few).
class RawClient {
public:
    struct Message {
        std::string topic;
        std::vector<std::uint8_t> payload;
    };

    RawClient(const std::string& id, const std::string& username, std::uint16_t port);
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    // Subscribes and waits for the broker's answer.
    bool Subscribe(const std::string& filter);
    // Publishes at least once and waits for the broker's answer; returns its reason code (below
    // 0x80: taken, 0x87: not authorised), or -1 if none came.
    int Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain = false);
    // One round of the network loop.
    void Pump(int timeout_ms = 0);

    const std::vector<Message>& messages() const { return messages_; }
    // For libmosquitto's callbacks.
    void Take(Message message) { messages_.push_back(std::move(message)); }
    void Answer(int mid, int reason) { answers_.emplace_back(mid, reason); }
    void SetConnected(bool ok) { connected_ = ok; }

private:
    int WaitFor(int mid);

    mosquitto* handle_ = nullptr;
    bool connected_ = false;
    std::vector<Message> messages_;
    std::vector<std::pair<int, int>> answers_;  // request number, reason code
};

}  // namespace net_test
