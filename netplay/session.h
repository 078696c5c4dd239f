// The network session's rooms as they see one another: the state they truly share (the link to the
// other machines and every machine's stamps) and the calls each room makes for the others. Private to
// netplay/: the shell sees only lockstep.h.
//
// The rooms: session.cpp, the link and how the network game ends; stamps.cpp, the stream of stamps
// and who owns a frame; host.cpp, the host's side; admission.cpp, the host's door (who may join,
// admission.h); guest.cpp, a joined machine's side; desync.cpp, the turn-start hashes, their check and
// the report; catch_up.cpp, the pace of the steps (a machine fallen behind running several a tick,
// a follower keeping a lead, pacing.h); watchers.cpp, the spectators; keyboard.cpp, this machine's
// keys and the leave prompt; notices.cpp, what this machine says on screen and how long it has
// waited; lockstep.cpp, the door the shell calls.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "net/transport.h"
#include "netplay/lockstep.h"
#include "platform/input.h"

namespace netplay {

using Clock = std::chrono::steady_clock;

// A joined machine may stamp at most this many frames beyond the host's steps.
constexpr std::uint32_t MAX_FRAMES_AHEAD = 3000;
// A joined machine owning the moment stamps no further than this beyond the host's steps as it last
// heard of them, and waits for the host there: a host that runs slowly (a busy or sleepy computer)
// falls behind an owner running at the window's pace, and must never find its stamps out of turn.
constexpr std::uint32_t OWNER_AHEAD_LIMIT = MAX_FRAMES_AHEAD - 500;
// While a joined machine owns the moment, the host tells the joined machines how far it has come
// every this many of its steps.
constexpr std::uint32_t PROGRESS_FRAMES = 10;
// A joined machine holds stamps for frames at most this far beyond its own steps (while it plays
// the game so far back, beyond the frame that reaches), and at most this many stamps in all: half an
// hour of play. The host runs on while a joiner plays the game so far back, and a guest may stamp
// MAX_FRAMES_AHEAD beyond the host, so an honest host stays far inside both; a host that sends more
// ends the network game for the joiner rather than filling its memory.
constexpr std::uint32_t MAX_FRAMES_HELD = 90000;
// Likewise the news of machines joining and leaving a joined machine holds for frames to come.
constexpr std::size_t MAX_NEWS_HELD = 256;

std::int64_t Ms(Clock::duration d);

// ---- The link (session.cpp): who this machine is, how it reaches the others, and how the network
// game ends for it.

struct Link {
    NetRole role = NetRole::Local;
    std::unique_ptr<net::Transport> transport;
    std::string where;  // the host as the player typed it, for messages
    std::string room;   // the online room's code, or "" when not in one
    int me = 0;         // this machine's number, 0 the host
    std::string failure;
    // Over for this machine: the game goes back to the title at the next delivery, or ends there
    // for this machine to join again.
    bool offlinePending = false;
    bool rejoining = false;
    // When this machine last read the network, and when it last came back from an absence (its
    // reads far apart: stopped, or a page frozen by its browser).
    Clock::time_point polled{};
    Clock::time_point returned{};
};
extern Link TheLink;

// A network game that goes on.
bool Active();
// "the host" or "Guest N", as messages name a machine.
std::string MachineName(int machine);
void SendTo(net::PeerId peer, const net::Message& message);
// Host: to every joined machine but `except`, and to every spectator.
void Broadcast(const net::Message& message, int except = -1);
// This machine's own stamps: the host's to every joined machine, a guest's to the host.
void SendOwn(const net::Message& message);
// A spectator: a client that watches the game.
bool Watching();
// The network game is over for this machine: the others are told (with `farewell`, or else `why`),
// and the game goes back to the title at the next delivery. A failure is kept for NetFailure.
void GoOffline(const std::string& why, bool failed, const std::string& farewell = "");
// Reads the network for at most ms and hands each event to the host's or the guest's side.
void Poll(int ms);
// Whether this machine came back from an absence of its own a moment ago: silence heard of now was
// its own.
bool ReturnedFromAbsence();

// ---- The stamps (stamps.cpp): every machine's stamps, who owns each frame, and the news of machines
// joining and leaving at the frame it takes effect.

// No frame: a machine that left and has not come back.
constexpr std::uint32_t NEVER = 0xFFFFFFFF;

// One machine's stamps: the frames it sent keys (or quiet) for, in order.
struct Stream {
    bool connected = false;  // host: a joined machine's connection is open
    net::PeerId peer = 0;
    std::int64_t latest = -1;  // the highest frame stamped
    // Left: its frames after lastInput are the host's to stamp, quiet, up to `back`, the first frame
    // it stamps again once it has come back (INPUT_DELAY after the frame its joining reaches the
    // game), or NEVER.
    bool gone = false;
    std::uint32_t lastInput = 0;
    std::uint32_t back = NEVER;
    bool away = false;  // its person is away, as it said (net::Presence)
    // Host: an away machine whose connection closed, its seat kept for it to come back to; and one
    // back from there, away until its first stamp.
    bool held = false;
    Clock::time_point heldSince{};
    bool returned = false;
    std::map<std::uint32_t, std::vector<net::KeyEvent>> stamps;
};

struct RosterNews {
    int machine;
    bool joined;
};

struct Stamps {
    std::array<Stream, MAX_MACHINES> machines;
    std::int64_t floor = -1;             // every frame up to here is held (a joiner's catch-up)
    std::int64_t hostReached = -1;       // a joined machine: the host's steps, as it last said
    std::int64_t deliveredThrough = -1;  // the last frame whose keys went to the game
    // The owner of each frame not yet delivered, known once the step INPUT_DELAY before it has run.
    std::map<std::uint32_t, int> owners;
    // Host: news of machines joining and leaving, given the frame of the host's next stamp (which no
    // machine can pass without it) and sent just before that stamp.
    std::vector<RosterNews> unannounced;
    // The news for the game, by the frame it reaches the game before.
    std::map<std::uint32_t, std::vector<RosterNews>> roster;
    // This machine's stamps not sent yet: quiet ones go out together, a few milliseconds' worth.
    std::vector<std::pair<std::uint32_t, std::vector<net::KeyEvent>>> unsent;
    Clock::time_point lastFlush{};
};
extern Stamps TheStamps;

Stream& StreamOf(int machine);
// Who owns the moment the game is in: the machine of the person playing the seat that aims, shoots
// or shops; the host otherwise.
int OwnerNow();
// The owner of a frame as it was known after its step INPUT_DELAY before; the host if not known.
int StampOwner(std::uint32_t frame);
// Who stamps a frame: its owner, or the host for a machine that has left and sent nothing for it.
int EffectiveOwner(std::uint32_t frame);
// Whether the stamp for a frame is here.
bool Held(std::uint32_t frame);
// A key as it travels in a stamp, and as the game's input again: the one place where the two meet.
net::KeyEvent WireKey(const InputEvent& input);
InputEvent StampedKey(const net::KeyEvent& key);
// One machine's stamp for one frame (at most kMaxKeysPerFrame keys) as a message.
net::Message StampMessage(int machine, std::uint32_t frame, const std::vector<net::KeyEvent>& keys);
// This machine's stamp for a frame it owns (at most kMaxKeysPerFrame keys), sent on (with the host's
// news before it).
void Stamp(std::uint32_t frame, std::vector<net::KeyEvent> keys);
// Stamps, in order, the frames up to `through` that this machine owns and has not stamped, each with
// the next of the keys its person pressed (as many as a frame holds), unless a joined machine would
// run too far ahead of the host: it then stamps no more until the host has come nearer. True when
// the keys left over are to be kept: `through` is its own, or a frame before it waits for the host.
bool StampOwnFrames(std::uint32_t through);
// The machine a step of `frame` waits for: its stamper, or the host while this machine's own stamp
// for it waits for the host to come nearer.
int Awaited(std::uint32_t frame);
// Sends this machine's unsent stamps now.
void Flush();
// Sends them if any have waited long enough, or at once for a poll that waits (ms > 0).
void FlushWhenDue(int ms);

// ---- The host's side (host.cpp).

// The first frames, before anyone could have owned them: the host's, quiet.
void HostStarts();
void HostReceived(net::PeerId peer, const net::Message& message);
void HostDisconnected(net::PeerId peer, net::DisconnectReason why);
// A message from the peer that could not be read.
void HostMisunderstood(net::PeerId peer, const std::string& error);
// Closes a joined machine's connection for breaking the rules; it has left.
void Drop(int machine, net::DisconnectReason why, const std::string& fault);
// After each read of the network: a machine held while away for AWAY_HOLD_MS has left.
void WatchHeld();
// The game so far, and everything known beyond it, to a machine or spectator just welcomed.
void SendCatchUp(net::PeerId peer);
// After each of the host's steps (`steps` run in all): while a joined machine owns the moment, the
// joined machines hear every PROGRESS_FRAMES steps how far the host has come.
void ReportProgress(std::uint32_t steps);
// Forgets the tokens given to machines.
void ResetHost();

// ---- The host's door (admission.cpp): connections waiting to say hello, and who may join.

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

// ---- Spectators (watchers.cpp): the host's, which follow the game and never hold it up, and a
// spectator's own lead.

constexpr int MAX_WATCHERS = net::kMaxWatchingPeers;

// Host: whether the connection is a spectator's.
bool IsWatcher(net::PeerId peer);
// Host: a connection asked to watch: refused (the spectators' places are taken, another version),
// or welcomed and sent the game so far, then everything a joined machine gets.
void WelcomeWatcher(net::PeerId peer, const net::Hello& hello);
// Host: a spectator's message (only its goodbye counts), its connection closing, and its dropping.
void WatcherReceived(net::PeerId peer, const net::Message& message);
void WatcherLeft(net::PeerId peer);
void DropWatcher(net::PeerId peer, net::DisconnectReason why);
// Host: to every spectator.
void SendToWatchers(const net::Message& message);
int WatchersNow();
// Spectator: the frames of stamps it holds beyond its next step before stepping (0 when it runs a
// script's ticks, or is no spectator).
std::int64_t WatchLead();
// Spectator: the frame is held, but the stamps beyond it do not reach the lead yet, at the start or
// after running out: the step waits. False once the host has gone (what is held is played out), or
// while the front of the game stands still (the players are waiting).
bool BuildingLead(std::uint32_t frame);
void SetWatchPaced(bool paced);
void ResetWatchers();

// ---- A joined machine's side (guest.cpp).

// Connects to the host, takes its game and loads it for playing back; false when this machine stays
// at its own keyboard (the reason on screen).
void Join(void (*pump)());
void GuestConnected(net::PeerId host);
void GuestDisconnected(net::DisconnectReason why);
void GuestReceived(const net::Message& message);
// The game so far is playing back, and its turn starts are not reported.
bool CatchingUp();
void CaughtUp();
// Why the host has gone, once it has; the frames already here are played out first.
const std::string& HostGone();
// This machine's person went away or came back: the host hears of it.
void SayAway(bool away);
// Whether a guest that loses its connection now joins again (see NetRejoinAfterAbsence).
void SetRejoin(bool on);
bool TakeRejoin();
void ResetGuest();

// ---- The turn-start check (desync.cpp).

// After each frame step: at a turn's start, keeps this machine's hash and compares (host) or reports
// it (guest).
void CheckTurnStart(std::uint32_t steps);
// Spectator: the host's hash of a turn's start, compared once this machine is there; a difference
// ends its watching (its own failure: the players go on).
void HostHashHeard(const net::StateHash& hash);
// Host: a guest's hash; a guest alone in differing is told and dropped here, and a second one
// differing at the same turn's start stops the game for all. False when the guest reports more than
// it may (it is to be dropped).
bool HashReported(int machine, const net::StateHash& hash);
// Host: the reports of frames not reached yet from a number that is given again: the machine
// that comes back (or the stranger) reports those frames itself.
void ForgetReports(int machine);
// The machines' games differ: a report beside the replays, and the network game stops.
void Desync(std::uint32_t frame, std::uint64_t ours, std::uint64_t theirs);
std::uint64_t LastHash();
bool Desynced();
void ResetDesyncCheck();

// ---- The pace of the steps: falling behind and catching up, and following with a lead
// (catch_up.cpp, over pacing.h).

// After each read of the network: notes the stamps of the other machines that came since the last,
// and when, for how late they come.
void WatchStamps();
// A tick is due and its first step may run: plans the tick's steps; true when it runs none (a
// follower keeping its lead).
bool CatchUpHoldsTick();
// The tick waits for the next frame's stamp.
void CatchUpWaits();
// Just before each step: whether this machine runs another step straight after this one, as the
// tick planned; this one is then not shown.
void CatchUpBeforeStep();
bool CatchUpRunsAnother();
// Whether ticks come at the window's pace (the default), so that a machine behind catches up and a
// follower keeps a lead; a script's ticks, which come as fast as asked for, run one step each.
void SetTicksPaced(bool paced);
// Whether a follower keeps a lead (the default, unless LOBSHOT_FOLLOW_LEAD=0 when the session
// starts); without one it steps as soon as each stamp is here.
void SetFollowLead(bool on);
// The lead in frames at the last tick: 0 while this machine owns the moment.
int FollowLead();
// Milliseconds of a simulated clock for the pace, instead of the steady clock (null: the steady one).
void SetPaceClockForTests(std::int64_t (*nowMs)());
void ResetCatchUp();

// ---- This machine's keyboard (keyboard.cpp).

// A key or focus change from this machine's window in a network game: false when it must not reach
// the game.
bool KeyboardInput(const InputEvent& input);
// The first `most` keys this machine's person pressed that are not stamped yet, for its next stamp.
std::vector<net::KeyEvent> TakeOwnKeys(std::size_t most);
// The keys not stamped are let go: the moment is not this machine's.
void ForgetOwnKeys();
// Keys whose effect is one machine's business, which honest machines never stamp: Esc (here the
// leave prompt; in the game the quit prompt, leaving the player choice, closing the window at the
// title). The host drops a joined machine that stamps one.
bool NeverStamped(const net::KeyEvent& key);
// Keys every machine ignores in stamps, so that no machine can end the match for the others: those
// never stamped, and while the game's quit prompt is up (which no stamp can open) its Y, with which
// Shift+Y abandons the match.
bool RefusedFromStamps(const net::KeyEvent& key);
bool LeavePromptShown();
void CloseLeavePrompt();
void ResetKeyboard();

// ---- What this machine says on screen (notices.cpp).

// Shows a notice for a few seconds (and traces it).
void Notice(const std::string& text);
bool NoticeShown();
// A tick is due but the step may not run: waits at most ms, gives up after STALL_LIMIT_MS.
void WaitForKeys(int ms);
void WaitOver();
std::int64_t LongestWait();
// A machine said it is away or back: noted, and said on screen.
void PresenceHeard(int machine, bool away);
// Draws the leave prompt, the wait and the notice over (device, surface).
void DrawNotices(int device, int surface);
// Whether the leave prompt is up; if so, the rows [top, bottom) of its "Shift+Y or pad Y for Yes" line.
bool LeavePromptYesRows(int* top, int* bottom);
void ResetNotices();
// A host's online room as it is shown: "Room code: CODE", and after it the link that opens the room
// in the page, when the page's address is known (SetRoomPage, kept until ResetNotices).
std::string RoomNotice();
void SetRoomPage(const std::string& page);

}  // namespace netplay
