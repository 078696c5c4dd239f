// One connection to the relay (an MQTT 5 broker) through libmosquitto, run from its owner's polls.
#pragma once

#include "net/relay/mqtt_link.h"

struct mosquitto;

namespace net {

// How a link reaches its broker: in the clear, or over TLS (a public relay, "mqtts://" in its
// address), where the broker's certificate must name the host it was asked for and come from an
// authority the system trusts, or the one in ca_file when it is given (a private authority's).
struct RelayTls {
    bool on = false;
    std::string ca_file;
};

// The link of the programs: libmosquitto with no network thread, its loop run inside Pump. Over TLS,
// Open waits for the broker's answer (a few seconds at most), so that a certificate that does not
// verify is told at once, as the reason the relay cannot be reached.
class MosquittoLink final : public MqttLink {
public:
    explicit MosquittoLink(RelayTls tls = {});
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

    bool StartTls(std::string* error);
    bool AwaitTls(const std::string& where, std::string* error);
    std::string TlsRefused(const std::string& where) const;

    mosquitto* handle_ = nullptr;
    RelayTls tls_;
    bool tls_failed_ = false;           // libmosquitto said the TLS handshake failed
    bool certificate_refused_ = false;  // because the broker's certificate did not verify
};

}  // namespace net
