// Network play in lockstep: every machine runs the same frame steps from the same seed, and only the
// keys of the machine that owns each moment travel between them.
//
// The machine that owns a moment is the one whose person plays the seat that is aiming, shooting
// or shopping; the host owns everything else (the title, the player choice and end-of-match
// screens, and a computer's turn, whose keys every machine works out alike). After running frame
// step S a machine knows who owns frame S + INPUT_DELAY; if it is itself, it sends the keys its
// person pressed since its last step, stamped with that frame (an empty stamp for a quiet one).
// Every machine runs a step only once it holds the stamp for it, and hands the stamp's keys to the
// game before the step, through the same door as every other input, so that they are kept in the
// replay like any other keys.
// Keys are handed to the game only while their machine still owns the moment as they arrive;
// when the owner changes, every key still held goes up first.
//
// Joined machines talk only to the host, which passes every stamp on to the others and announces
// machines joining and leaving at a frame no stamp has yet been sent for. A machine that joins gets
// the game so far as its replay, plays it back at full speed and goes on live. The host gives each
// machine a token, which the machine keeps in its data folder under the host's address: offering it
// again, a machine that left (or lost its connection) comes back as the same number, and the news
// of that number joining gives it back the seats the computer played for it meanwhile.
//
// Spectators join a game to watch it: each takes the game so far and every stamp after it from the
// host, as a joining machine does, and plays it a few seconds behind the players. A spectator has no
// number (its machine is -1), owns no moment and plays no seat; its keys go nowhere but to its own
// leave prompt; the game hears nothing of it, and the host waits for nothing it sends, so that
// spectators change neither the game nor its pace. The host takes at most
// net::kMaxWatchingPeers (64) of them, besides its seven machines.
//
// The shell calls in at the points marked below; with no network game every call does nothing, so
// a game at one keyboard is exactly as it was. Behind these calls, the rooms of netplay/ (each with its
// header, listed in netplay/session.h) do the work; screens/ draws what this machine says on screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/transport.h"
#include "platform/input.h"

// Watch: a spectator, joined to the host like a guest but no machine of the game.
enum class NetRole { Local, Host, Join, Watch };

// Frames between a key and the step it reaches: 60 ms, time for it to cross a local network.
constexpr std::uint32_t INPUT_DELAY = 3;
// The port a host listens on unless told otherwise.
constexpr std::uint16_t DEFAULT_NET_PORT = 26510;
// A machine waiting this long for a stamp says for whom it waits; this long, it gives up.
constexpr int WAIT_MESSAGE_MS = 500;
constexpr int STALL_LIMIT_MS = 10000;
// A guest whose person is away (its page in the background, or frozen by its browser) says so, and
// is waited for this long in its own moment instead, over the whole moment, so that its person
// keeps the seat while answering a message elsewhere; its transport is let be silent as long, and
// ten seconds more.
constexpr int AWAY_HOLD_MS = 150000;

// The options a machine opens its transport with. A host takes a joined machine to have gone after
// STALL_LIMIT_MS and ten seconds more of silence, whatever the moment: a machine paused or busy for
// less (a laptop's lid closed for a quarter of a minute) catches up, and in its own moment the host
// gives up on it after STALL_LIMIT_MS anyway. A guest keeps the transport's few seconds, so that a
// host gone silent ends its game promptly, and says it is alive every 4 s when it has nothing else
// to say (well inside the host's patience).
net::TransportOptions NetTransportOptions(NetRole role);

// Before start-up, by the runner: a host's listening transport, or a client's that is joining the
// host at `where` (as the player typed it, for messages). In an online room, `room` is its code: the
// host shows it on screen when the game starts, and again while at the title or the player choice.
void NetConfigure(NetRole role, std::unique_ptr<net::Transport> transport, const std::string& where,
                  const std::string& room = "");
// After NetConfigure, for a host's online room: the address of the page (without a fragment) whose
// link PAGE#room=CODE opens the room in a browser, and the room's watch code, whose link
// PAGE#watch=WATCHCODE watches it; the host shows them after the room's code ("" for none).
void NetSetRoomPage(const std::string& page, const std::string& watchCode = "");
// After NetConfigure, for a local network game: the join code (net/room_code.h's form) a host asks
// of every machine and spectator, showing it beside its port while others may join, or the one a
// guest gives. None (the default): anyone who finds the host may join, as ever.
void NetSetJoinCode(const std::string& code);
// After NetConfigure: this machine's person's name, cleaned (net/people_text.h) and cut to 16
// characters; none (the default) leaves the machine called as ever ("the host", "Guest 2").
void NetSetName(const std::string& name);
// This machine's person says a chat line (cleaned, cut to 80 characters): the host passes it to
// every machine and spectator (a spectator's to the other spectators, and to the players when the
// host lets them hear spectators). Nothing at one keyboard.
void NetSay(const std::string& text);
// Set by a program that is not the native game (the page): the waiting room shows what each
// machine runs the game in. Kept over network games.
void NetSetMachineKind(net::MachineKind kind);
// Host: whether the players hear the spectators' chat lines (at first they do not: the watch link
// travels further than the room's code). The host's W in the waiting room turns it over.
void NetLetPlayersHearSpectators(bool heard);
// The waiting room's lines while it is up (at the title of a network game), top to bottom: the
// heading, a line a machine (its person's name, "game" or "page", its round trip to the host), the
// spectators, the seats that have a player, and who starts; empty otherwise. Everyone waits there
// until the host starts with its Enter, Space, pad A or a tap on the title, as at one keyboard;
// the player choice screen then follows as ever, and a machine that joins later catches up.
std::vector<std::string> NetWaitingRoom();
// The way into this machine's network game as it knows it, for the room card: its role, the online
// room's code, a host's watch code and the page's address (without a fragment; empty when not
// known), the host as the player typed it, and for a host on a local network its port, its join
// code (empty when it asks none) and the machine's addresses.
struct NetWayIn {
    NetRole role = NetRole::Local;
    std::string room;
    std::string watchCode;
    std::string joinCode;
    std::string page;
    std::string where;
    std::uint16_t port = 0;
    std::vector<std::string> addresses;
};
NetWayIn NetWayInNow();

// Start-up, just before the seed is chosen. A joining machine (or spectator) connects, takes the host's game
// and loads it for playing back, so that the seed chosen next is the host's; on failure it stays at one
// keyboard with a message on the title. `pump` keeps the window alive meanwhile (null: none).
void NetBeforeSeed(void (*pump)());
// Start-up, once the seed is chosen.
void NetAfterSeed();

// Input from this machine's window: false when it must not reach the game (in a network game, the
// person's keys, sent instead as stamps, and the window's focus, which is this machine's business
// alone).
bool NetTakeInput(const InputEvent& input);

// With the message queue empty: reads the network and hands `sink` the next frame's news and keys
// when they are all here (and the game's leaving the network); true when it delivered any.
bool NetDeliverDue(InputSink sink);
// Whether the next frame step may run: its keys are delivered (always true without a network game).
bool NetMayStep();
// A tick is due but the step may not run: waits at most ms for news, and after WAIT_MESSAGE_MS
// says on screen for whom it waits.
void NetWait(int ms);
// A tick is due and the step may run: true when this tick passes without one. A machine following
// another's moment runs a little behind the newest stamp it holds, by a lead that covers how late
// the stamps have come over the last seconds (0 or 1 frame on a local network), and lets a tick pass
// now and then to keep it; nothing is said on screen for that. Called before each step.
bool NetHoldsTick();
// Just before and just after each frame step.
void NetBeforeFrameStep();
void NetFrameStepRun();
// After a frame step: true when the next one runs at once, without waiting for a tick. A machine
// that has fallen behind (it holds the stamps for frames well beyond its next step and its lead: it
// was paused, or busy) runs a few steps a tick until it is level, at most 10 and for about 12 ms a
// tick so that the window stays responsive; a follower a little beyond its lead runs two; one about
// to own the moment runs the others' frames it holds at once. The steps are the same; only how many
// run in a tick changes.
bool NetRunAnother();
// False while a joining machine plays the game so far back, and for every step but the last of a
// tick that catches up: those frames are not shown (their sounds play as ever).
bool NetShowFrames();
// Fast-forward (netplay/fast_pace.h). Before each step: whether this machine's people hold the fast
// key; a guest tells the host when that changes. NetFastPace: whether the match runs fast now, which
// it does while the people of every machine hold the key (false at one keyboard). NetRunsFast, just
// before a step: whether the step after it may follow at once, as a fast tick's: only on the machine
// that stamps that frame, once it holds it; the others follow as a machine fallen behind catches up.
void NetFastHeld(bool held);
bool NetFastPace();
bool NetRunsFast();
// Whether ticks come at the window's pace, 20 ms apart (the default, and the real game's); set
// after NetConfigure. A headless script's ticks come as fast as it asks for them, one step each, so
// it turns catching up off.
void NetTicksPaced(bool paced);
// Whether a follower keeps a lead: on unless LOBSHOT_FOLLOW_LEAD=0 was set when the session was
// configured; set after NetConfigure. Off, a follower steps as soon as each stamp is here.
void NetFollowWithLead(bool on);
// The lead this machine keeps, in frames, as of its last tick (0 while it owns the moment).
int NetFollowLead();
// Draws this machine's own messages over the frame about to be shown.
void NetDrawOverlay(int device, int surface);
// Whether the leave prompt is up; if so, the rows [top, bottom) of its "Shift+Y or pad Y for Yes" line.
bool NetLeavePromptYesRows(int* top, int* bottom);

// A guest's person went away (its page hidden or about to be frozen) or came back: the host and,
// through it, the others hear of it at once (nothing otherwise).
void NetSayAway(bool away);
// Set by a program whose guest may lose its connection while away (a page, whose browser closes
// its connections as it freezes it): such a guest then ends its game (as a window's close does)
// to join again at once with its token, and NetRejoinWanted says so once; the host holds its seat
// meanwhile.
void NetRejoinAfterAbsence(bool on);
// A guest's window is going for good (a page closed): the others hear it leave, without waiting.
void NetLeaveNow();
bool NetRejoinWanted();

// The end of the run: says goodbye to the other machines.
void NetShutdown();

// For the replay runner and tests.
NetRole NetRoleNow();
int NetMachine();
int NetMachinesConnected();    // machines in the game, this one included (host: the ones connected)
int NetWatchers();             // host: the spectators watching now; 0 elsewhere
bool NetMine();                // the next frame step waits for this machine's keys (never while catching up)
std::uint64_t NetStateHash();  // the hash at the end of the last frame step in which a turn started
bool NetDesync();
const std::string& NetRoom();  // the online room's code, or "" when not in one (or no longer)
// Each machine's person's name as shown (MachineLabel), by machine number, up to the last machine in
// the game or named; and the last ten chat lines, oldest first, each "NAME: TEXT" as shown.
std::vector<std::string> NetNames();
std::vector<std::string> NetChat();
// Why the network game failed (refused, lost, desync, no keys for STALL_LIMIT_MS), or empty.
const std::string& NetFailure();
// Polls the network for at most ms without running frame steps.
void NetPoll(int ms);
// The machine that owns a frame not yet delivered, once known (after the step INPUT_DELAY before
// it); -1 otherwise.
int NetFrameOwner(std::uint32_t frame);

void NetResetForTests();
// The network's clock in milliseconds (its pace, timeouts and notices), a test's own instead of the
// steady clock (null: the steady clock again); survives the reset.
void NetClockForTests(std::int64_t (*nowMs)());
