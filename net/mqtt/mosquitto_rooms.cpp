// The ends of a room on the relay in the programs: host, guest and spectator over libmosquitto.
#include <cstdlib>

#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_host.h"
#include "net/relay_address.h"

namespace net {

namespace {

// The broker's address without its scheme, and how to reach it: over TLS for "mqtts://", trusting
// the authority whose certificate LOBSHOT_RELAY_CA names if it is set, else the system's.
RelayTls TlsOf(std::string* address) {
    RelayTls tls;
    tls.on = TakeTlsScheme(address);
    const char* ca_file = std::getenv("LOBSHOT_RELAY_CA");
    if (tls.on && ca_file != nullptr) tls.ca_file = ca_file;
    return tls;
}

}  // namespace

std::unique_ptr<Transport> MakeMqttHost(const std::string& broker, const std::string& code,
                                        const std::string& watch_code, const TransportOptions& options,
                                        std::string* error) {
    std::string address = broker;
    const RelayTls tls = TlsOf(&address);
    const auto new_link = [tls]() -> std::unique_ptr<MqttLink> {
        return std::make_unique<MosquittoLink>(tls);
    };
    return OpenRoom(new_link, address, code, watch_code, options, true, error);
}

std::unique_ptr<Transport> MakeMqttClient(const std::string& broker, const std::string& code,
                                          const TransportOptions& options, std::string* error) {
    std::string address = broker;
    const RelayTls tls = TlsOf(&address);
    return JoinRoom(std::make_unique<MosquittoLink>(tls), address, code, options, error);
}

std::unique_ptr<Transport> MakeMqttWatcher(const std::string& broker, const std::string& code,
                                           const TransportOptions& options, std::string* error) {
    std::string address = broker;
    const RelayTls tls = TlsOf(&address);
    return JoinRoom(std::make_unique<MosquittoLink>(tls), address, code, options, error);
}

}  // namespace net
