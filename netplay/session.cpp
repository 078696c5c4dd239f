// The network session's link: sending to the other machines, reading the network, and the network
// game ending for this machine.
#include "netplay/session.h"

#include <chrono>

#include "diag/diag.h"
#include "netplay/admission.h"
#include "netplay/guest.h"
#include "netplay/host.h"
#include "netplay/keyboard.h"
#include "netplay/notices.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "netplay/watchers.h"
#include "platform/win.h"
#include "text/text.h"

namespace netplay {

Link TheLink;

namespace {

// Hands one event to the host's or the guest's side; a message that cannot be read ends a guest's
// game and a joined machine's connection.
void Handle(const net::NetEvent& event) {
    const bool host = TheLink.role == NetRole::Host;
    if (event.kind == net::NetEvent::Connected) {
        if (host)
            HostConnected(event.peer);
        else
            GuestConnected(event.peer);
        return;
    }
    if (event.kind == net::NetEvent::Disconnected) {
        if (host)
            HostDisconnected(event.peer, event.reason);
        else
            GuestDisconnected(event.reason);
        return;
    }
    net::Message message;
    std::string error;
    if (!net::DecodeMessage(event.bytes, &message, &error)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "Handle", "A message refused: %s", error.c_str());
        if (host)
            HostMisunderstood(event.peer, error);
        else
            GoOffline(TrLater("The host sent a message that makes no sense"), true);
        return;
    }
    if (host)
        HostReceived(event.peer, message);
    else
        GuestReceived(message);
}

}  // namespace

namespace {

std::int64_t (*TestClock)() = nullptr;

}  // namespace

std::int64_t NowMs() {
    if (TestClock) return TestClock();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

void SetNetClock(std::int64_t (*nowMs)()) { TestClock = nowMs; }

bool Active() { return TheLink.role != NetRole::Local && !TheLink.offlinePending; }

bool Watching() { return TheLink.role == NetRole::Watch; }

std::string MachineName(int machine) {
    if (machine < 0) return "a spectator";
    if (machine < MAX_MACHINES && !MachineNames[static_cast<std::size_t>(machine)].empty())
        return MachineNames[static_cast<std::size_t>(machine)];
    return machine == 0 ? "the host" : "Guest " + std::to_string(machine);
}

std::string MachineNameShown(int machine) {
    if (machine < 0) return Tr("a spectator");
    if (machine < MAX_MACHINES && !MachineNames[static_cast<std::size_t>(machine)].empty())
        return MachineNames[static_cast<std::size_t>(machine)];
    return machine == 0 ? Tr("the host") : TrFormat("Guest %d", machine);
}

void SendTo(net::PeerId peer, const net::Message& message) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!TheLink.transport || !net::EncodeMessage(message, &bytes, &error)) {
        DiagTrace(DIAG_ERROR, "net", __LINE__, "SendTo", "Not sent: %s", error.c_str());
        return;
    }
    TheLink.transport->Send(peer, bytes);
}

void SendToMachines(const net::Message& message, int except) {
    bool once = false;
    for (int m = 1; m < MAX_MACHINES; ++m) {
        const Stream& other = StreamOf(m);
        if (other.connected && other.follows)
            once = true;
        else if (m != except && other.connected)
            SendTo(other.peer, message);
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!once) return;
    if (!net::EncodeMessage(message, &bytes, &error))
        return DiagTrace(DIAG_ERROR, "net", __LINE__, "SendToMachines", "Not sent: %s", error.c_str());
    TheLink.transport->SendToPlayers(bytes);
}

void Broadcast(const net::Message& message, int except) {
    SendToMachines(message, except);
    SendToWatchers(message);
}

void SendOwn(const net::Message& message) {
    if (TheLink.role == NetRole::Host) {
        Broadcast(message);
    } else if (TheLink.transport) {
        for (net::PeerId host : TheLink.transport->Peers()) SendTo(host, message);
    }
}

void GoOffline(const std::string& why, bool failed, const std::string& farewell) {
    if (TheLink.role == NetRole::Local || TheLink.offlinePending) return;
    if (failed && TheLink.failure.empty()) TheLink.failure = why;
    Notice(Tr(why.c_str()));
    if (TheLink.transport) {
        Flush();
        for (net::PeerId peer : TheLink.transport->Peers()) {
            SendTo(peer, net::Goodbye{(farewell.empty() ? why : farewell).substr(0, net::kMaxReasonLength)});
            TheLink.transport->Disconnect(peer, net::DisconnectReason::Closed);
        }
        net::NetEvent ignored;
        for (int i = 0; i < 20 && TheLink.transport->Poll(&ignored, 1); ++i) {
        }
    }
    TheLink.offlinePending = true;
    CloseLeavePrompt();
}

namespace {

// Reads further apart than this were an absence of this machine's own.
constexpr std::int64_t ABSENCE_MS = 5000;
// News heard this soon after coming back is taken to be about that absence.
constexpr std::int64_t JUST_BACK_MS = 3000;

}  // namespace

bool ReturnedFromAbsence() { return TheLink.returned >= 0 && NowMs() - TheLink.returned < JUST_BACK_MS; }

void Poll(int ms) {
    if (!TheLink.transport || TheLink.offlinePending) return;
    if (TheLink.polled >= 0 && NowMs() - TheLink.polled > ABSENCE_MS) TheLink.returned = NowMs();
    FlushWhenDue(ms);
    net::NetEvent event;
    int wait = ms;
    while (!TheLink.offlinePending && TheLink.transport && TheLink.transport->Poll(&event, wait)) {
        Handle(event);
        wait = 0;
    }
    TheLink.polled = NowMs();
    if (TheLink.role == NetRole::Host && TheLink.transport && !TheLink.offlinePending) {
        WatchDoor();
        WatchHeld();
        KeepPeopleKnown();
    }
    // What the events called for goes now, a tick's worth together.
    if (TheLink.transport) TheLink.transport->Push();
    // A transport that cannot wait (the page's) hears news only while this thread lets the system
    // run: a poll that may wait gives it a turn.
    if (ms > 0) Sleep(0);
}

}  // namespace netplay
