// A guest's end of a room on the relay, over whichever link to the broker its program has.
#pragma once

#include <memory>
#include <string>

#include "net/relay/mqtt_link.h"
#include "net/transport.h"

namespace net {

// Joins the room `code` (as net::ParseRoomCode reads it) on the broker at BROKER ("HOST:PORT")
// through `link`, not yet open, as a guest (of the spectators' room: a spectator); the topics, the envelope
// and what the transport promises are those net/mqtt/mqtt_transport.h describes (MakeMqttClient,
// MakeMqttWatcher). Returns null with a message for the player in *error if the
// code or the address is not valid or the link cannot be opened. Polling then reports Connected,
// or Disconnected: TimedOut if no host keeps the room or none answers within the timeout, HostFull
// if the host takes no more.
std::unique_ptr<Transport> JoinRoom(std::unique_ptr<MqttLink> link, const std::string& broker,
                                    const std::string& code, const TransportOptions& options,
                                    std::string* error);

}  // namespace net
