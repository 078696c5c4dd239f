// Network play in lockstep: the door the shell calls, over the session's rooms (listed in netplay/session.h).
#include "netplay/lockstep.h"

#include "diag/diag.h"
#include "net/people_text.h"
#include "netplay/admission.h"
#include "netplay/catch_up.h"
#include "netplay/chat.h"
#include "netplay/desync.h"
#include "netplay/fast_pace.h"
#include "netplay/guest.h"
#include "netplay/host.h"
#include "netplay/keyboard.h"
#include "netplay/notices.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "netplay/watchers.h"
#include "replay/session.h"
#include "text/text.h"

using namespace netplay;

namespace {

// The owner of the moment as of the last delivery or step: when another owns it, held keys go up.
int DeliveryOwner = 0;
// The owner of the frame delivered last, noted before it is let go, for NetMine until its step runs:
// a follower keeping its lead lets ticks pass with the next frame's keys delivered.
int DeliveredFrameOwner = 0;

// Every room back to no network game.
void ResetSession() {
    TheLink = Link{};
    TheStamps = Stamps{};
    ResetHost();
    ResetGuest();
    ResetAdmission();
    ResetDesyncCheck();
    ResetKeyboard();
    ResetNotices();
    ResetCatchUp();
    ResetWatchers();
    ResetChat();
    ResetWaitingRoom();
    ResetFastPace();
    MachineNames.fill("");
    DeliveryOwner = 0;
    DeliveredFrameOwner = 0;
}

// The network game has ended for this machine: back to the title at one keyboard; the replay keeps
// the moment. A machine still playing the game so far back stops there.
void DeliverOffline(InputSink sink) {
    ReplayRecordFromHere();
    sink(InputEvent::OffNetwork());
    if (TheLink.rejoining) sink(InputEvent::CloseRequest());
    if (TheLink.transport) TheLink.transport.reset();
    TheLink.role = NetRole::Local;
    TheLink.offlinePending = false;
    WaitOver();
}

// The frame's news of machines joining and leaving.
void DeliverNews(InputSink sink, std::uint32_t frame) {
    auto news = TheStamps.roster.find(frame);
    if (news == TheStamps.roster.end()) return;
    for (const RosterNews& n : news->second) sink(InputEvent::Machine(n.joined, n.machine));
    TheStamps.roster.erase(news);
}

// The frame's keys. When the owner of the moment (after the news) has changed since the last
// delivery, every key still held goes up first; then come the keys of the owner's stamp, if the
// owner is also the one that stamps the frame, all but the keys no stamp may carry. The host drops
// a joined machine that stamped a frame it does not own. Every stamp up to the frame is then let go.
void DeliverKeys(InputSink sink, std::uint32_t frame) {
    const int owner = OwnerNow();
    if (owner != DeliveryOwner)
        for (int key = 1; key < KEY_COUNT; ++key)
            if (KeyHeld[static_cast<std::size_t>(key)] != 0) sink(InputEvent::Up(key));
    DeliveryOwner = owner;
    const int stamper = EffectiveOwner(frame);
    for (int m = 0; m < MAX_MACHINES; ++m) {
        Stream& stream = StreamOf(m);
        auto stamp = stream.stamps.find(frame);
        if (stamp != stream.stamps.end() && m == stamper && m == owner) {
            for (const net::KeyEvent& k : stamp->second)
                if (!RefusedFromStamps(k)) sink(StampedKey(k));
        } else if (stamp != stream.stamps.end() && m != stamper && TheLink.role == NetRole::Host && m > 0 &&
                   stream.connected) {
            Drop(m, net::DisconnectReason::Malformed, "keys for a moment it does not own");
        }
        stream.stamps.erase(stream.stamps.begin(), stream.stamps.upper_bound(frame));
    }
    TheStamps.owners.erase(TheStamps.owners.begin(), TheStamps.owners.upper_bound(frame));
}

// This machine's own frames through `through` go out, unless its host has gone (they would go
// nowhere); true when it owns that frame.
bool StampOwn(std::uint32_t through) { return HostGone().empty() && StampOwnFrames(through); }

}  // namespace

net::TransportOptions NetTransportOptions(NetRole role) {
    net::TransportOptions options;
    if (role == NetRole::Host) options.timeout_ms = STALL_LIMIT_MS + 10000;
    // A guest or spectator with nothing to say tells the host it is alive less often: the host waits
    // for it far longer than for a tick, and each sign costs the relay two messages.
    if (role == NetRole::Join || role == NetRole::Watch) options.alive_every_ms = 4000;
    return options;
}

void NetConfigure(NetRole role, std::unique_ptr<net::Transport> transport, const std::string& where,
                  const std::string& room) {
    ResetSession();
    TheLink.role = transport ? role : NetRole::Local;
    TheLink.transport = std::move(transport);
    TheLink.where = where;
    TheLink.room = TheLink.transport ? room : "";
    if (TheLink.role == NetRole::Watch) TheLink.me = -1;
}

void NetSetRoomPage(const std::string& page, const std::string& watchCode) { SetRoomPage(page, watchCode); }

void NetSetJoinCode(const std::string& code) { TheLink.joinCode = code; }

void NetSetName(const std::string& name) { TheLink.name = net::CleanPeopleText(name, net::kMaxNameLength); }

void NetSay(const std::string& text) { Say(text); }

void NetSetMachineKind(net::MachineKind kind) { SetOwnKind(kind); }

void NetLetPlayersHearSpectators(bool heard) { SetSpectatorsHeard(heard); }

std::vector<std::string> NetWaitingRoom() {
    if (!Active() || CurrentMode != Title) return {};
    return WaitingRoomLines();
}

NetWayIn NetWayInNow() {
    NetWayIn way;
    if (!Active()) return way;
    way.role = TheLink.role;
    way.room = TheLink.room;
    way.watchCode = WatchCode();
    way.joinCode = TheLink.joinCode;
    way.page = RoomPage();
    way.where = TheLink.where;
    if (TheLink.role == NetRole::Host && TheLink.room.empty() && TheLink.transport) {
        way.port = TheLink.transport->Port();
        way.addresses = TheLink.transport->LocalAddresses();
    }
    return way;
}

std::vector<std::string> NetNames() {
    int last = 0;
    for (int m = 1; m < MAX_MACHINES; ++m)
        if ((MachinesPresent >> m & 1) != 0 || !MachineNames[static_cast<std::size_t>(m)].empty()) last = m;
    std::vector<std::string> names;
    for (int m = 0; m <= last; ++m) names.push_back(MachineLabel(m));
    return names;
}

std::vector<std::string> NetChat() { return {ChatLog().begin(), ChatLog().end()}; }

void NetBeforeSeed(void (*pump)()) {
    if (TheLink.role == NetRole::Join || TheLink.role == NetRole::Watch) Join(pump);
}

void NetAfterSeed() {
    if (TheLink.role == NetRole::Host) HostStarts();
}

bool NetTakeInput(const InputEvent& input) {
    if (!Active()) return true;
    return KeyboardInput(input);
}

bool NetDeliverDue(InputSink sink) {
    if (TheLink.role == NetRole::Local) return false;
    Poll(0);
    WatchStamps();
    if (TheLink.offlinePending) {
        DeliverOffline(sink);
        return true;
    }
    if (ReplayPlaying()) return false;
    CaughtUp();
    const std::uint32_t frame = ReplayFrameSteps();
    if (TheStamps.deliveredThrough >= static_cast<std::int64_t>(frame)) return false;
    // A guest whose host has gone plays out the frames it holds, its own stamped before it heard
    // included (the host may have run them), then ends: own frames stamped now would go nowhere.
    if (!HostGone().empty() && !Held(frame)) {
        GoOffline(HostGone(), true);
        return false;
    }
    // Own frames that waited for the host to come nearer go out once it has.
    StampOwn(frame + INPUT_DELAY - 1);
    if (!Held(frame) || BuildingLead(frame)) return false;
    DeliveredFrameOwner = StampOwner(frame);
    DeliverNews(sink, frame);
    DeliverKeys(sink, frame);
    TheStamps.deliveredThrough = frame;
    WaitOver();
    return true;
}

bool NetMayStep() {
    // Going offline happens between steps, at the next delivery.
    if (TheLink.offlinePending) return false;
    if (!Active() || ReplayPlaying()) return true;
    return TheStamps.deliveredThrough >= static_cast<std::int64_t>(ReplayFrameSteps());
}

void NetWait(int ms) {
    if (!Active()) return;
    CatchUpWaits();
    WaitForKeys(ms);
}

bool NetHoldsTick() { return CatchUpHoldsTick(); }

void NetBeforeFrameStep() {
    CatchUpBeforeStep();
    if (!Active()) return;
    DeliveryOwner = OwnerNow();
    // The keys pressed since the last step go out for the frame INPUT_DELAY steps ahead, if this
    // machine owns it; the owner of that frame was known after the last step. Keys pressed out of
    // this machine's moment go nowhere.
    if (ReplayPlaying() || !StampOwn(ReplayFrameSteps() + INPUT_DELAY)) ForgetOwnKeys();
}

void NetFrameStepRun() {
    if (!Active()) return;
    const std::uint32_t steps = ReplayFrameSteps();
    TheStamps.owners[steps + INPUT_DELAY] = OwnerNow();
    FlushHandingOver();
    if (TheLink.role == NetRole::Host) {
        ReportProgress(steps);
        HostCheckFastPace();
    }
    CheckTurnStart(steps);
}

bool NetRunAnother() { return CatchUpRunsAnother(); }

void NetFastHeld(bool held) { FastHeldHere(held); }

bool NetFastPace() { return FastPaceOn(); }

bool NetRunsFast() {
    if (!FastPaceOn() || ReplayPlaying()) return false;
    const std::uint32_t following = ReplayFrameSteps() + 1;
    return Held(following) && EffectiveOwner(following) == TheLink.me;
}

bool NetShowFrames() { return !(Active() && ReplayPlaying()) && !CatchUpRunsAnother(); }

void NetTicksPaced(bool paced) {
    SetTicksPaced(paced);
    SetWatchPaced(paced);
}
void NetFollowWithLead(bool on) { SetFollowLead(on); }
int NetFollowLead() { return FollowLead(); }

void NetDrawOverlay(int device, int surface) {
    if (TheLink.role == NetRole::Local && !NoticeShown()) return;
    DrawNotices(device, surface);
}

bool NetLeavePromptYesRows(int* top, int* bottom) { return netplay::LeavePromptYesRows(top, bottom); }

void NetSayAway(bool away) { SayAway(away); }
void NetRejoinAfterAbsence(bool on) { SetRejoin(on); }
void NetLeaveNow() {
    if (TheLink.role == NetRole::Join && Active())
        GoOffline(TrLater("You left the network game"), false, MachineName(TheLink.me) + " left the game");
}
bool NetRejoinWanted() { return TakeRejoin(); }

void NetShutdown() {
    if (TheLink.role != NetRole::Local || LongestWait() > 0)
        DiagTrace(DIAG_DEBUG, "net", __LINE__, "NetShutdown", "The longest wait for another machine: %lld ms",
                  static_cast<long long>(LongestWait()));
    if (TheLink.role == NetRole::Local || !TheLink.transport) return;
    GoOffline(TheLink.role == NetRole::Host    ? TrLater("The host left the game")
              : TheLink.role == NetRole::Watch ? TrLater("A spectator left")
                                               : TrLater("A guest left"),
              false);
    // The others get everything sent to them before the connections close.
    net::NetEvent ignored;
    const bool anyoneThere = HostGone().empty();
    for (const std::int64_t end = NowMs() + 5000;
         anyoneThere && !TheLink.transport->Settled() && NowMs() < end;)
        TheLink.transport->Poll(&ignored, 10);
    TheLink.transport.reset();
    TheLink.role = NetRole::Local;
    TheLink.offlinePending = false;
}

NetRole NetRoleNow() { return TheLink.role; }
int NetMachine() { return TheLink.me; }

int NetMachinesConnected() {
    if (TheLink.role == NetRole::Local) return 1;
    if (TheLink.role != NetRole::Host) return __builtin_popcount(MachinesPresent);
    int count = 1;
    for (int m = 1; m < MAX_MACHINES; ++m) count += StreamOf(m).connected ? 1 : 0;
    return count;
}

bool NetMine() {
    if (!Active()) return true;
    // Playing the game so far back, no step waits for this machine, and its keys go nowhere.
    if (ReplayPlaying()) return false;
    const std::uint32_t next = ReplayFrameSteps();
    const bool delivered = TheStamps.deliveredThrough == static_cast<std::int64_t>(next);
    return (delivered ? DeliveredFrameOwner : StampOwner(next)) == TheLink.me || OwnerNow() == TheLink.me;
}

int NetFrameOwner(std::uint32_t frame) {
    const auto owner = TheStamps.owners.find(frame);
    return owner != TheStamps.owners.end() ? owner->second : -1;
}

int NetWatchers() { return TheLink.role == NetRole::Host ? WatchersNow() : 0; }

std::uint64_t NetStateHash() { return LastHash(); }
bool NetDesync() { return Desynced(); }
const std::string& NetFailure() { return TheLink.failure; }
const std::string& NetRoom() {
    static const std::string none;
    return TheLink.role == NetRole::Local ? none : TheLink.room;
}
void NetPoll(int ms) { Poll(ms); }

void NetResetForTests() { ResetSession(); }
void NetClockForTests(std::int64_t (*nowMs)()) { SetNetClock(nowMs); }
