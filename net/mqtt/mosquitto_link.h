// One connection to the relay (an MQTT 5 broker) through libmosquitto, run from its owner's polls.
#pragma once

#include "net/relay/mqtt_link.h"

struct mosquitto;

namespace net {

// The link of the programs: libmosquitto with no network thread, its loop run inside Pump.
class MosquittoLink final : public MqttLink {
public:
    MosquittoLink();
    ~MosquittoLink() override;

    bool Open(const std::string& host, std::uint16_t port, const std::string& client_id,
              const std::string& username, int keepalive_s, const Will& will, std::string* error) override;
    int Subscribe(const std::string& filter) override;
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                 bool confirmed) override;
    void Close() override;
    void Pump(int timeout_ms) override;

    using MqttLink::Open;

private:
    // libmosquitto's callbacks, in mosquitto_link.cpp, report into the link's state.
    friend struct MosquittoCallbacks;

    mosquitto* handle_ = nullptr;
};

}  // namespace net
