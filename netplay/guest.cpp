// A joined machine's side of a network game (a spectator's too): joining, loading the game so far to
// play it back, the host's stamps and news, and the host going.
#include "netplay/guest.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "core/files.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "netplay/chat.h"
#include "netplay/desync.h"
#include "netplay/fast_pace.h"
#include "netplay/notices.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "replay/store.h"
#include "text/text.h"

namespace netplay {

namespace {

// A joined machine's state: its welcome, the game so far as it arrives, and the host's going.
struct Guest {
    bool welcomed = false;
    std::string catchUp;      // the host's catch-up text so far
    bool caughtUp = false;    // all of it is here
    bool catchingUp = false;  // the game so far is playing back
    // A joined machine whose host has gone plays out the frames it holds, then ends with this.
    std::string hostGone;
};

Guest TheGuest;

// Whether a guest that loses its connection while away joins again (NetRejoinAfterAbsence), and
// whether one is to: outside the guest's state, which each network game starts afresh.
bool RejoinOn = false;
bool RejoinPending = false;

// Waits for the host's welcome and the game so far, drawing the notices meanwhile; gives up after
// STALL_LIMIT_MS and five seconds more.
void AwaitCatchUp(void (*pump)()) {
    const std::int64_t start = NowMs();
    std::int64_t drawn = start - 1000;
    while (!TheGuest.caughtUp && !TheLink.offlinePending) {
        if (NowMs() - drawn > 100) {
            drawn = NowMs();
            DrawNotices(0, 1);
            GraphxPresentAgain(0);
        }
        Poll(10);
        if (pump) pump();
        if (NowMs() - start > STALL_LIMIT_MS + 5000)
            GoOffline(TrFormat("Could not join %s (no answer)", TheLink.where.c_str()), true);
    }
}

// The game at this keyboard goes on from the title.
void StayAtOneKeyboard() {
    TheLink.role = NetRole::Local;
    TheLink.offlinePending = false;
    TheLink.transport.reset();
}

// The catch-up's first line: the frame the host's game reaches ("delivered N", a few characters).
// False until it is here whole, or when it says something else.
bool ReadDelivered(long long* delivered) {
    const std::string_view prefix = "delivered ";
    const std::size_t lineEnd = std::string_view(TheGuest.catchUp).substr(0, 32).find('\n');
    if (lineEnd == std::string::npos || !TheGuest.catchUp.starts_with(prefix)) return false;
    const char* end = TheGuest.catchUp.data() + lineEnd;
    const auto [at, status] = std::from_chars(TheGuest.catchUp.data() + prefix.size(), end, *delivered);
    return status == std::errc{} && at == end;
}

// Reads the catch-up: the frame the host's game reaches, one line, then its replay, which must end
// at that frame or the one after. Empty error when it is whole.
std::string ReadCatchUp(ReplayRecord* replay, long long* delivered) {
    std::string error;
    if (!ReadDelivered(delivered))
        error = "it does not say how far it is";
    else
        TheGuest.catchUp.erase(0, TheGuest.catchUp.find('\n') + 1);
    if (!error.empty() || !ParseReplay(TheGuest.catchUp, replay, &error) || *delivered < -1 ||
        *delivered > static_cast<long long>(replay->steps) ||
        *delivered + 1 < static_cast<long long>(replay->steps)) {
        if (error.empty()) error = "it is not as far as it says";
    }
    return error;
}

// The frame this machine's held stamps are measured from: its next step or, while it plays the
// game so far back (or waits for it whole), the frame the game so far reaches.
std::int64_t HeldFrom() {
    long long announced = -1;
    if (TheStamps.floor < 0 && !ReadDelivered(&announced)) announced = -1;
    return std::max<std::int64_t>({ReplayFrameSteps(), TheStamps.floor, announced});
}

std::size_t StampsHeld() {
    std::size_t held = 0;
    for (const Stream& m : TheStamps.machines) held += m.stamps.size();
    return held;
}

// Keeps the host's stamp of one machine for one frame; one for a frame already delivered is of no
// use and is let go. False, the network game over, when the frame is too far ahead of this
// machine's or too many stamps are held.
bool Keep(Stream& m, std::uint32_t frame, const std::vector<net::KeyEvent>& keys) {
    if (static_cast<std::int64_t>(frame) <= TheStamps.deliveredThrough) return true;
    if (frame > HeldFrom() + MAX_FRAMES_HELD) {
        GoOffline(TrFormat("The host sent keys for frame %u, too far ahead of this machine (at frame %u)",
                           static_cast<unsigned>(frame), static_cast<unsigned>(HeldFrom())),
                  true);
        return false;
    }
    if (!m.stamps.count(frame) && StampsHeld() >= MAX_FRAMES_HELD) {
        GoOffline(TrLater("The host sent more keys ahead of this machine than a game can need"), true);
        return false;
    }
    m.stamps[frame] = keys;
    m.latest = std::max<std::int64_t>(m.latest, frame);
    return true;
}

// Where this machine keeps the token a host gave it: a file in the data folder named for the host's
// address as the player typed it; empty when there is no data folder.
std::string TokenFile() {
    const std::string data = GameDataDirectory();
    if (data.empty()) return data;
    std::string name = "host-";
    for (char c : TheLink.where) name += std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : '_';
    return data + "/rejoin/" + name;
}

// The token this host gave this machine last time, or 0.
std::uint64_t KeptToken() {
    const std::string file = TokenFile();
    std::ifstream in(file);
    unsigned long long token = 0;
    if (file.empty() || !(in >> token)) return 0;
    return token;
}

void KeepToken(std::uint64_t token) {
    const std::string file = TokenFile();
    if (file.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    std::string error;
    if (!WriteFileAtomically(file, std::to_string(token) + "\n", &error))
        DiagTrace(DIAG_ERROR, "net", __LINE__, "KeepToken", "Not kept: %s", error.c_str());
}

void TakeStamps(const net::Input& input) {
    Stream& m = StreamOf(input.machine);
    for (const net::FrameInput& f : input.frames)
        if (!Keep(m, f.frame, f.keys)) return;
}

void TakeQuiet(const net::Quiet& quiet) {
    Stream& m = StreamOf(quiet.machine);
    if (quiet.last - quiet.first > MAX_FRAMES_AHEAD)
        return GoOffline(TrLater("The host sent nonsense"), true);
    for (std::uint32_t f = quiet.first; f <= quiet.last; ++f)
        if (!Keep(m, f, {})) return;
}

// News of a machine: when it left (and which of its stamps count), and from which frame one that
// came back stamps again; the news for the game at a frame to come (news for a frame already
// delivered would never reach the game and is let go).
void TakeNews(const net::Roster& news) {
    Stream& m = StreamOf(news.machine);
    if (!news.joined) {
        m.gone = true;
        m.lastInput = news.last_input;
        m.back = NEVER;
        // Its stamps after the last that counts are the host's frames, even once it is back.
        m.stamps.erase(m.stamps.upper_bound(m.lastInput), m.stamps.end());
        m.latest = std::min<std::int64_t>(m.latest, m.lastInput);
        m.away = false;
    } else if (news.frame > 0) {
        m.back = news.frame + INPUT_DELAY;
    }
    if (news.frame == 0 || static_cast<std::int64_t>(news.frame) <= TheStamps.deliveredThrough) return;
    std::size_t held = 0;
    for (const auto& [frame, items] : TheStamps.roster) held += items.size();
    if (news.frame > HeldFrom() + MAX_FRAMES_HELD || held >= MAX_NEWS_HELD)
        return GoOffline(TrLater("The host sent more news of machines than a game can have"), true);
    TheStamps.roster[news.frame].push_back({news.machine, news.joined});
}

void TakeCatchUp(const net::CatchUp& piece) {
    if (TheGuest.caughtUp || TheGuest.catchUp.size() + piece.text.size() > LARGEST_REPLAY_FILE)
        return GoOffline(TrLater("The host sent a game that makes no sense"), true);
    TheGuest.catchUp += piece.text;
    TheGuest.caughtUp = piece.last;
}

// What this machine says once it is in the game.
std::string JoinedAs() {
    if (Watching()) return Tr("Watching the game (Esc leaves)");
    return TrFormat("Joined the game as %s", MachineNameShown(TheLink.me).c_str());
}

// The host's welcome: a spectator must be taken as one, and a machine that asked to play as a
// machine.
void TakeWelcome(const net::Welcome& welcome) {
    if (welcome.watch != Watching())
        return GoOffline(TrLater("The host sent a welcome that makes no sense"), true);
    TheGuest.welcomed = true;
    if (Watching()) return;
    TheLink.me = welcome.machine;
    KeepToken(welcome.token);
}

// Why the connection to the host ended without its word: silence on this end's side was the host's,
// unless this machine was away itself just before (stopped, or frozen by its browser) and the host
// gave up on it.
std::string HostEnded(net::DisconnectReason why) {
    if (why == net::DisconnectReason::Closed) return TrLater("The host left the game");
    if (why != net::DisconnectReason::TimedOut)
        return TrFormat("The connection to the host failed (%s)", Tr(net::DescribeReason(why)));
    if (ReturnedFromAbsence()) return TrLater("The host dropped this machine (it was silent too long)");
    return TrLater("The host stopped answering");
}

}  // namespace

void SayAway(bool away) {
    if (TheLink.role != NetRole::Join || !Active() || !TheGuest.caughtUp || StreamOf(TheLink.me).away == away)
        return;
    StreamOf(TheLink.me).away = away;
    Flush();
    SendOwn(net::Presence{static_cast<std::uint8_t>(TheLink.me), away});
}

void Join(void (*pump)()) {
    Notice(TrFormat("Joining the game at %s...", TheLink.where.c_str()));
    AwaitCatchUp(pump);
    if (TheLink.offlinePending) {
        // Never joined.
        StayAtOneKeyboard();
        return;
    }
    ReplayRecord replay;
    long long delivered = -2;
    const std::string error = ReadCatchUp(&replay, &delivered);
    if (!error.empty()) {
        GoOffline(TrFormat("The host's game could not be read (%s)", error.c_str()), true);
        StayAtOneKeyboard();
        return;
    }
    TheGuest.catchUp.clear();
    ReplayLoad(replay, false, true);
    RecordEarlyRemarks();
    TheGuest.catchingUp = replay.steps > 0;
    TheStamps.floor = delivered;
    TheStamps.deliveredThrough = delivered;
    // News the game so far already holds is not given to it again.
    if (delivered >= 0)
        TheStamps.roster.erase(TheStamps.roster.begin(),
                               TheStamps.roster.upper_bound(static_cast<std::uint32_t>(delivered)));
    if (!TheGuest.catchingUp) return Notice(JoinedAs());
    // Nothing is shown while the game so far plays back: this stays on screen meanwhile.
    Notice(Tr("Catching up with the game so far (Esc leaves)"));
    DrawNotices(0, 1);
    GraphxPresentAgain(0);
}

void GuestConnected(net::PeerId host) {
    SendTo(host, net::Hello{net::kProtocolNumber, ReplayGameVersion(), Watching() ? 0 : KeptToken(),
                            Watching(), TheLink.name, OwnKind(), TheLink.joinCode});
    Notice(TrFormat("Connected to %s: joining the game", TheLink.where.c_str()));
}

void GuestDisconnected(net::DisconnectReason why) {
    // A page's browser closes its connections as it freezes it: back, it joins again with its token
    // and takes up its seat, which the host kept.
    if (RejoinOn && TheGuest.caughtUp && !Watching() && TheGuest.hostGone.empty() &&
        (StreamOf(TheLink.me).away || ReturnedFromAbsence())) {
        TheLink.rejoining = true;
        RejoinPending = true;
        return GoOffline(TrLater("Joining the game again..."), false);
    }
    if (why == net::DisconnectReason::RelayLost)
        GoOffline(TrLater("Lost the connection to the relay: the network game ends"), true);
    else if (!TheGuest.welcomed || !TheGuest.caughtUp)
        GoOffline(TrFormat("Could not join %s (%s)", TheLink.where.c_str(), Tr(net::DescribeReason(why))),
                  true);
    else if (Watching() && why == net::DisconnectReason::Lost)
        TheGuest.hostGone =
            TrLater("This spectator fell too far behind the game to watch on (messages were let go)");
    else if (TheGuest.hostGone.empty())
        TheGuest.hostGone = HostEnded(why);
}

void GuestReceived(const net::Message& message) {
    if (const auto* welcome = std::get_if<net::Welcome>(&message)) {
        TakeWelcome(*welcome);
    } else if (const auto* hash = std::get_if<net::StateHash>(&message); hash && Watching()) {
        HostHashHeard(*hash);
    } else if (const auto* refuse = std::get_if<net::Refuse>(&message)) {
        GoOffline(TrFormat("The host refused: %s", refuse->reason.c_str()), true);
    } else if (const auto* piece = std::get_if<net::CatchUp>(&message)) {
        TakeCatchUp(*piece);
    } else if (const auto* input = std::get_if<net::Input>(&message)) {
        TakeStamps(*input);
    } else if (const auto* quiet = std::get_if<net::Quiet>(&message)) {
        TakeQuiet(*quiet);
    } else if (const auto* news = std::get_if<net::Roster>(&message)) {
        TakeNews(*news);
    } else if (const auto* progress = std::get_if<net::Progress>(&message)) {
        TheStamps.hostReached = std::max<std::int64_t>(TheStamps.hostReached, progress->frame);
    } else if (const auto* desync = std::get_if<net::Desync>(&message)) {
        Desync(desync->frame, desync->theirs, desync->ours);
    } else if (const auto* presence = std::get_if<net::Presence>(&message)) {
        if (presence->machine != TheLink.me) PresenceHeard(presence->machine, presence->away);
    } else if (const auto* fast = std::get_if<net::FastForward>(&message)) {
        FastPaceHeard(*fast);
    } else if (const auto* names = std::get_if<net::Names>(&message)) {
        TakeNames(*names);
    } else if (const auto* chat = std::get_if<net::Chat>(&message)) {
        ChatHeard(*chat);
    } else if (const auto* spectator = std::get_if<net::SpectatorChat>(&message)) {
        SpectatorChatHeard(*spectator);
    } else if (const auto* ping = std::get_if<net::Ping>(&message); ping && !ping->answer) {
        PingAsked(*ping);
    } else if (const auto* people = std::get_if<net::People>(&message)) {
        PeopleHeard(*people);
    } else if (const auto* bye = std::get_if<net::Goodbye>(&message)) {
        // The frames already here are played out first. The host's word says why: it left, or it
        // dropped this machine.
        TheGuest.hostGone = bye->reason.empty() ? TrLater("The host left the game") : bye->reason;
    } else {
        GoOffline(TrLater("The host sent a message only a guest sends"), true);
    }
}

void SetRejoin(bool on) { RejoinOn = on; }
bool TakeRejoin() { return std::exchange(RejoinPending, false); }

bool CatchingUp() { return TheGuest.catchingUp; }
void CaughtUp() {
    if (!TheGuest.catchingUp) return;
    Notice(JoinedAs());
    TheGuest.catchingUp = false;
    if (Watching()) return;
    // A machine back in its place (its connection lost while away) may own the frames its steps
    // played back would have stamped: it stamps them quiet now, or nobody could run them.
    const std::uint32_t next = ReplayFrameSteps();
    for (std::uint32_t frame = next; frame < next + INPUT_DELAY; ++frame)
        if (static_cast<std::int64_t>(frame) > StreamOf(TheLink.me).latest && TheStamps.owners.count(frame) &&
            EffectiveOwner(frame) == TheLink.me)
            Stamp(frame, {});
}
const std::string& HostGone() { return TheGuest.hostGone; }
void ResetGuest() { TheGuest = Guest{}; }

}  // namespace netplay
