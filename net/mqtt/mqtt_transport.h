// The transport over the relay (an MQTT 5 broker): a host keeping a room, or a guest joining one.
// The ends themselves are in net/relay/, over any client of the protocol; here they speak through
// libmosquitto (the page's ends speak through the browser's, platform/web/).
#pragma once

#include <memory>
#include <string>

#include "net/transport.h"

namespace net {

// A relay of several brokers keeps each room wholly on the broker its code names
// (net/relay_address.h, net/relay_rooms.h); the ends here speak to that one broker. Every machine
// makes one outgoing connection to the broker, under a fresh random client id and with its room's
// code as its user name, and speaks in the room's topic tree (relay/acl has the access control):
//   lobshot/CODE/host/CLIENT   a joiner's search for the room's host, and the host's last will
//                              (an empty notice), which tells the guests its id is no longer its
//                              own
//   lobshot/CODE/to/TO/FROM    what FROM says to TO: a guest to the host, the host to a guest
//   lobshot/CODE/gone/GUEST    a guest's last will, a goodbye that tells the host it vanished
//   lobshot/CODE/watch/HOST    what the host says to all its guests (or, in the spectators' room,
//                              all its spectators) at once
// A host keeps two such rooms, each on a connection of its own: the room itself under the room's
// code, where machines join to play, and its spectators' room under the watch code, a code drawn
// apart (net::MakeRoomCodes), where spectators join to watch. A joiner asks who keeps the room, a
// host answers it alone with its notice, and the joiner says hello to each host that answered (a
// few at most); the first to say hello back is its host, and the others are let be. The broker
// retains nothing (relay/mosquitto.conf): nothing a client says outlives it. A joiner then
// reads that host's topic for all too (and no other's). Every message is an envelope
// (net/relay/envelope.h) numbered per sender and receiver, so that the broker's duplicates change
// nothing and its losses close the connection rather than leave a gap. What an end says in a row
// to one topic goes as one envelope, a tick's worth at a time (Transport::Push): the broker's work
// is counted in messages far more than in bytes.
//
// What the transport promises is net/transport.h's, with these differences: peers' addresses are
// their client ids; Port() is 0; Settled means the broker has taken every message sent (it then
// delivers them to whoever is still connected). A peer that vanishes is reported at once if its
// connection closed (the broker publishes its will), and after the timeout if it fell silent: each
// end that has said nothing to a peer for a quarter of the timeout sends it a sign of life, so
// that silence means the peer is gone (the broker's own keep-alive takes 30 s to drop a silent
// client; its will then follows). An end back from a while away (stopped, or too busy to poll)
// reads what waited for it before it judges its peers' silence. An end that loses the broker
// reports every peer Disconnected (RelayLost) at once, a guest at once and a host once it cannot
// connect again: nothing said meanwhile can be known to have arrived, so a room does not outlive
// its broker, even one started again. The spectators' room losing it loses the spectators alone
// (Lost).
//
// A host whose connection the broker drops (as it does when another client connects under the
// host's id) moves: it connects again under a fresh id and tells each guest so with
// the key it gave that guest in its hello, then says again what it said over the last timeout's
// length, which the guests take once; until a guest says it reads the host's new topic for all,
// the host sends it what it says to all alone as well. Its old id's will (an empty notice) has
// told the guests to believe nothing more under that id, and reached each before anything a
// client taking the id over could say there (a will goes at most once, in order with such
// messages). A guest whose host does not come back within the timeout takes it to be gone.
//
// What a hostile client can and cannot do. The broker lets a client read only the room named by
// its user name, so no one can list the rooms or listen in on one whose code it does not know, and
// a spectator, knowing only the watch code, never reaches the room where the game is played: it
// cannot learn the room's code or its host's client id, join, or speak to the machines. Within a
// room a client reads the host's notice, the guests' wills and what is said to it, and writes only
// on topics that carry its own client id: it cannot speak for another machine while that machine
// is connected, nor hear what others say to each other. A guest learns the ids its host speaks
// from (they are in the topics it reads) and can connect under one: the host moves, the room
// pauses for a moment and plays on, and what the taker says under that id reaches no guest as the
// host's; nor can it forge a move, which takes a guest's own key. A spectator can do the same to
// the spectators' room, with the same outcome. A guest can take another guest's id, learnt from
// its search or will: that guest then leaves the room (its will tells the host), and the room
// plays on without it. Anyone who knows a room's code can ask to
// join it and can answer joiners with a notice of its own: they say hello to it too; while its
// sender stays it may answer first and take a joiner into a game of its own, and once it is gone
// nothing of it is left. What a client writes on the
// spectators' topic under its own id reaches no spectator, each reading its host's alone.
// Lockstep (netplay/) checks what the messages say; this layer only vouches for who sent them.

// Keeps the room `code` and its spectators' room `watch_code` (two different codes, as
// net::MakeRoomCodes makes and net::ParseRoomCode reads them) on the broker at BROKER
// ("HOST:PORT"), waiting at most the timeout for the broker to take each. Peers that came in by
// the watch code are Spectators (Transport::RoleOf), the others Players. Returns null with a
// message for the player in *error if a code or the address is not valid, or the broker cannot be
// reached, refuses or does not answer. A host that loses the broker later reports every guest
// Disconnected (RelayLost) and takes no more.
std::unique_ptr<Transport> MakeMqttHost(const std::string& broker, const std::string& code,
                                        const std::string& watch_code, const TransportOptions& options,
                                        std::string* error);

// Joins the room `code` on the broker at BROKER. Polling then reports Connected, or Disconnected:
// TimedOut if no host keeps the room or none answers within the timeout, HostFull if the host takes
// no more, RelayLost if the broker goes.
std::unique_ptr<Transport> MakeMqttClient(const std::string& broker, const std::string& code,
                                          const TransportOptions& options, std::string* error);

// A spectator of the room whose watch code is `code`: a guest of the spectators' room. Every guest
// reads its host's topic for all from the number the host gives it once it makes it a follower
// (Transport::Watch), and takes what it reads there as its host's messages, in order with the
// rest. Messages on that topic past a gap close the connection (Lost): the broker lets messages go
// for a client too slow to take them.
std::unique_ptr<Transport> MakeMqttWatcher(const std::string& broker, const std::string& code,
                                           const TransportOptions& options, std::string* error);

}  // namespace net
