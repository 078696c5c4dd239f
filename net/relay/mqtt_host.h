// The host's end of a room on the relay, over whichever link to the broker its program has.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/relay/mqtt_link.h"
#include "net/transport.h"

namespace net {

// Makes a fresh link to the broker: a room and its spectators' room each keep one, and make
// another each time theirs is lost while the broker is there (the host moves).
using MqttLinkMaker = std::function<std::unique_ptr<MqttLink>()>;

// Keeps the room `code` and its spectators' room `watch_code` (two different codes as
// net::MakeRoomCodes makes them) on the broker at BROKER ("HOST:PORT"), each through a link of its
// own, not yet open; the topics, the envelope and what the
// transport promises are those net/mqtt/mqtt_transport.h describes (MakeMqttHost). The room's notice
// goes up once the broker takes the link. With `await_broker` this waits for that, at most the
// timeout, pumping the link; a link that cannot wait (the page's, whose news comes in only while the
// page's thread is away) is not awaited, and a broker it cannot reach ends its guests as one lost
// later would. Returns null with a message for the player in *error if the code or the address is
// not valid, or (awaited) the broker cannot be reached, refuses or does not answer.
std::unique_ptr<Transport> OpenRoom(const MqttLinkMaker& make_link, const std::string& broker,
                                    const std::string& code, const std::string& watch_code,
                                    const TransportOptions& options, bool await_broker, std::string* error);

}  // namespace net
