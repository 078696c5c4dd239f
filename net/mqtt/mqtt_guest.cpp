// A guest or spectator of a room on the relay, in the programs: the guest's end over libmosquitto.
#include "net/relay/mqtt_guest.h"
#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"

namespace net {

std::unique_ptr<Transport> MakeMqttClient(const std::string& broker, const std::string& code,
                                          const TransportOptions& options, std::string* error) {
    return JoinRoom(std::make_unique<MosquittoLink>(), broker, code, options, false, error);
}

std::unique_ptr<Transport> MakeMqttWatcher(const std::string& broker, const std::string& code,
                                           const TransportOptions& options, std::string* error) {
    return JoinRoom(std::make_unique<MosquittoLink>(), broker, code, options, true, error);
}

}  // namespace net
