// Who may join a hosted game: connections waiting to say hello, machines that leave and rejoin too
// often, and the join code.
//
// Admission is bookkeeping only, over times in milliseconds that its caller reads from the network's
// clock (session.h); the host's door (admission.cpp, below) does the talking and the closing.
// Connections that never say hello must not keep a real machine out, so each has HELLO_LIMIT_MS to
// say it, and a new connection beyond MAX_WAITING pushes out the one that has waited longest (a
// real machine says hello as soon as it is connected, long before many others arrive). A machine
// that leaves and joins again costs the host the whole game sent once more and the replay two
// lines, so a joiner (a machine's token, or a spectator's address) may rejoin REJOINS_ALLOWED times
// within REJOIN_WINDOW_MS: once it has left more often than that within the window, it joins again
// only when enough of those departures are that long ago. Counting machines by their token, never
// their address, a stranger's comings and goings cost nothing to a player behind the same router.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/transport.h"

namespace netplay {

constexpr std::int64_t HELLO_LIMIT_MS = 3000;
// Half the transport's room for waiting connections: the rest takes those that arrive together
// between two polls of the host.
constexpr int MAX_WAITING = net::kMaxWaitingPeers / 2;
constexpr int REJOINS_ALLOWED = 4;
constexpr std::int64_t REJOIN_WINDOW_MS = 60000;

class Admission {
public:
    // A connection opened at `now`: it waits for its hello. Returns the connection to close to make
    // room for it (the one that has waited longest), or 0 when there is room.
    net::PeerId Opened(net::PeerId peer, std::int64_t now);

    // The connections whose time to say hello is up at `now`, oldest first; they wait no more.
    std::vector<net::PeerId> Overdue(std::int64_t now);

    // The connection said hello at `now` as `joiner` (whom its departures count against); it waits
    // no more. Returns 0 when the joiner may join now, or else the milliseconds until it may (the
    // connection is then forgotten).
    std::int64_t Hello(net::PeerId peer, const std::string& joiner, std::int64_t now);

    // The machine on a connection that said hello left at `now`: one departure of its joiner.
    void Left(net::PeerId peer, std::int64_t now);

    // Without a connection: the milliseconds until `joiner` may come again (0: now), and one more
    // departure of it at `now` (a wrong join code from an address counts so against it).
    std::int64_t Wait(const std::string& joiner, std::int64_t now);
    void Missed(const std::string& joiner, std::int64_t now);

    // Forgets every connection not among those open; a connection that said hello and closed
    // without its machine leaving (it was refused) counts for nothing.
    void KeepOnly(const std::vector<net::PeerId>& open);

    int Waiting() const { return static_cast<int>(waiting_.size()); }

private:
    void ForgetOldDepartures(std::int64_t now);

    std::map<net::PeerId, std::int64_t> waiting_;  // when each opened; ids count up, oldest first
    std::map<net::PeerId, std::string> greeted_;   // the joiner of each connection that said hello
    std::map<std::string, std::deque<std::int64_t>> departures_;  // within the window, by joiner
};

// ---- The host's door (admission.cpp): connections waiting to say hello, and who may join. The link
// (session.cpp) hands it the connections opening and watches it after each read of the network; the
// host's side and the spectators' (host.cpp, watchers.cpp) admit, refuse and let go through it;
// lockstep.cpp resets it.

// A connection opened: it has HELLO_LIMIT_MS to say hello; if too many wait, the one that has
// waited longest is refused.
void HostConnected(net::PeerId peer);
// After each read of the network: refuses the connections whose time to say hello is up.
void WatchDoor();
// A connection said hello as `joiner` ("machine TOKEN", "watcher ADDRESS"): true when it may go on
// to be welcomed; false when it has been refused and closed (it rejoined too often).
bool Admit(net::PeerId peer, const std::string& joiner);
// A hello's codes: true when it came in by the door for what it asks (an online room's code to
// play, its watch code to watch) and gives the join code this host asks for (if any); false when
// the connection has been refused and closed. An address whose wrong join codes come more often
// than REJOINS_ALLOWED times within REJOIN_WINDOW_MS is refused until they are that old, so that a
// code cannot be guessed by trying.
bool CodeMatches(net::PeerId peer, const net::Hello& hello);
// A welcomed machine's connection: its machine left (a departure of its joiner).
void AdmittedLeft(net::PeerId peer);
// Tells the connection why it is turned away (a Refuse, then the close with the reason).
void RefuseAndClose(net::PeerId peer, const std::string& reason, net::DisconnectReason why);
void ResetAdmission();

}  // namespace netplay
