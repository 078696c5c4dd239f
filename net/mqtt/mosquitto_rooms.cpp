// The ends of a room on the relay in the programs: host, guest and spectator over libmosquitto.
#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_host.h"

namespace net {

namespace {

std::unique_ptr<MqttLink> NewMosquittoLink() { return std::make_unique<MosquittoLink>(); }

}  // namespace

std::unique_ptr<Transport> MakeMqttHost(const std::string& broker, const std::string& code,
                                        const std::string& watch_code, const TransportOptions& options,
                                        std::string* error) {
    return OpenRoom(NewMosquittoLink, broker, code, watch_code, options, true, error);
}

std::unique_ptr<Transport> MakeMqttClient(const std::string& broker, const std::string& code,
                                          const TransportOptions& options, std::string* error) {
    return JoinRoom(std::make_unique<MosquittoLink>(), broker, code, options, error);
}

std::unique_ptr<Transport> MakeMqttWatcher(const std::string& broker, const std::string& code,
                                           const TransportOptions& options, std::string* error) {
    return JoinRoom(std::make_unique<MosquittoLink>(), broker, code, options, error);
}

}  // namespace net
