// The page's ways into an online room: the host's or a guest's end of the room (net/relay/) over the
// page's own MQTT client, which speaks to the relay's WebSocket listener (page/relay.js).
#pragma once

#include <memory>
#include <string>

#include "net/transport.h"

// Joins the room `code` as a guest, or the spectators' room whose watch code it is as a spectator,
// through the relay whose WebSocket listener is at RELAY
// ("HOST:PORT"); what the transport promises is net::JoinRoom's, except that Poll never waits: what
// the page's client hears comes in only while the page's thread is away (the network game gives the
// browser a turn whenever it would wait). Null with a message for the player in *error for a bad
// code or address.
std::unique_ptr<net::Transport> WebJoinRoom(const std::string& relay, const std::string& code,
                                            const net::TransportOptions& options, std::string* error);

// Keeps the room `code` and its spectators' room `watch_code` (as net::MakeRoomCodes makes them) as their
// host through the relay whose WebSocket listener is at RELAY; what the transport promises is net::OpenRoom's
// without waiting for the broker (its answer comes in only while the page's thread is away): the room's
// notice goes up once it answers, and a relay that cannot be reached leaves the host alone in its room. Null
// with a message for the player in *error for a bad code or address.
std::unique_ptr<net::Transport> WebOpenRoom(const std::string& relay, const std::string& code,
                                            const std::string& watch_code,
                                            const net::TransportOptions& options, std::string* error);
