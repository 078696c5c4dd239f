// Who may join a hosted game: connections waiting to say hello, and addresses that leave and rejoin
// too often.
//
// Admission is bookkeeping only, over times in milliseconds that its caller reads from the network's
// clock (session.h); the host's door (admission.cpp, below) does the talking and the closing.
// Connections that never say hello must not keep a real machine out, so each has HELLO_LIMIT_MS to
// say it, and a new connection beyond MAX_WAITING pushes out the one that has waited longest (a
// real machine says hello as soon as it is connected, long before many others arrive). A machine
// that leaves and joins again costs the host the whole game sent once more and the replay two
// lines, so an address may rejoin REJOINS_ALLOWED times within REJOIN_WINDOW_MS: once its machines
// have left more often than that within the window, it joins again only when enough of those
// departures are that long ago. Machines that share an address and stay (people behind one router,
// or tests on 127.0.0.1) are never held back.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

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

    // The connection said hello from `address` at `now`; it waits no more. Returns 0 when the
    // address may join now, or else the milliseconds until it may (the connection is then
    // forgotten).
    std::int64_t Hello(net::PeerId peer, const std::string& address, std::int64_t now);

    // The machine on a connection that said hello left at `now`: one departure from its address.
    void Left(net::PeerId peer, std::int64_t now);

    // Forgets every connection not among those open; a connection that said hello and closed
    // without its machine leaving (it was refused) counts for nothing.
    void KeepOnly(const std::vector<net::PeerId>& open);

    int Waiting() const { return static_cast<int>(waiting_.size()); }

private:
    void ForgetOldDepartures(std::int64_t now);

    std::map<net::PeerId, std::int64_t> waiting_;  // when each opened; ids count up, oldest first
    std::map<net::PeerId, std::string> greeted_;   // the address of each connection that said hello
    std::map<std::string, std::deque<std::int64_t>> departures_;  // within the window, by address
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
// A connection said hello: true when it may go on to be welcomed; false when it has been refused
// and closed (its address rejoined too often).
bool Admit(net::PeerId peer);
// A welcomed machine's connection: its machine left (a departure from its address).
void AdmittedLeft(net::PeerId peer);
// Tells the connection why it is turned away (a Refuse, then the close with the reason).
void RefuseAndClose(net::PeerId peer, const std::string& reason, net::DisconnectReason why);
void ResetAdmission();

}  // namespace netplay
