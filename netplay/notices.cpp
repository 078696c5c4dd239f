// What this machine says on screen in a network game, drawn by screens/ over the frame: its notices,
// the machine it waits for and the leave prompt; and how long it has waited.
#include "netplay/notices.h"

#include <algorithm>

#include "core/globals.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "net/room_code.h"
#include "netplay/chat.h"
#include "netplay/host.h"
#include "netplay/keyboard.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "netplay/watchers.h"
#include "replay/session.h"
#include "screens/screens.h"
#include "text/text.h"

namespace netplay {

namespace {

// How long a machine's own messages stay on screen.
constexpr int NOTICE_MS = 4000;
// While waiting, the messages are drawn again this often.
constexpr int WAIT_REDRAW_MS = 250;
// A wait whose calls come further apart than this was this machine's own absence (its process
// stopped, a laptop's lid closed): that time is nobody's silence.
constexpr int AWAY_MS = 1000;

struct Notices {
    std::string notice;
    std::int64_t noticeUntil = 0;
    bool waiting = false;
    std::int64_t waitingSince = 0;
    std::int64_t lastWaitCall = 0;
    std::int64_t lastWaitDrawn = 0;
    std::int64_t longestWait = 0;  // milliseconds, for the trace at the end
    std::string roomPage;          // the page's address, without a fragment, or empty
    std::string watchCode;         // a host's online room's watch code, or empty
    // The hold an away machine has had in its moment: whom, in which turn, and for how long so far
    // (the waits over before this one, and this one).
    int holdOwner = -1;
    std::uint32_t holdTurn = 0;
    std::int64_t heldBefore = 0;
    std::int64_t heldNow = 0;
};

Notices TheNotices;

// A guest waiting for another guest leaves the decision to the host, which hears the silence as soon
// as it does: it waits this much longer for the host's news.
constexpr int HOST_DECIDES_MS = 5000;

// A machine that said its person is away is waited for AWAY_HOLD_MS over its whole moment (a turn,
// or its time in the shop), however often it says so, so that no machine holds the game for ever.
std::int64_t StallLimit(int owner) {
    std::int64_t limit = STALL_LIMIT_MS;
    if (owner > 0 && StreamOf(owner).away)
        limit = std::max<std::int64_t>(STALL_LIMIT_MS, AWAY_HOLD_MS - TheNotices.heldBefore);
    return TheLink.role != NetRole::Host && owner != 0 ? limit + HOST_DECIDES_MS : limit;
}

// A new moment of another machine starts its hold afresh.
void CountHold(int owner) {
    if (owner == TheNotices.holdOwner && TurnsStarted == TheNotices.holdTurn) return;
    TheNotices.holdOwner = owner;
    TheNotices.holdTurn = TurnsStarted;
    TheNotices.heldBefore = 0;
}

// The host hands a silent guest's seats to the computer, as if it had left, and the game goes on; a
// guest whose host (or, through it, the rest of the game) is silent ends its network game.
void GiveUpOn(int owner) {
    if (TheLink.role == NetRole::Host && owner > 0) {
        Drop(owner, net::DisconnectReason::TimedOut,
             StreamOf(owner).away ? "away too long" : "no keys for 10 seconds");
        WaitOver();
        return;
    }
    const long seconds = static_cast<long>(StallLimit(owner) / 1000);
    GoOffline(TrFormat(TrPlural("No keys from %s for %ld second", "No keys from %s for %ld seconds", seconds),
                       MachineNameShown(owner).c_str(), seconds),
              true);
}

}  // namespace

void Notice(const std::string& text) {
    TheNotices.notice = text;
    TheNotices.noticeUntil = NowMs() + NOTICE_MS;
    DiagTrace(DIAG_DEBUG, "net", __LINE__, "Notice", "%s", text.c_str());
}

bool NoticeShown() { return !TheNotices.notice.empty() && NowMs() < TheNotices.noticeUntil; }

// Says for whom it waits after WAIT_MESSAGE_MS, drawing over the last frame shown; gives up after
// STALL_LIMIT_MS.
void WaitForKeys(int ms) {
    const std::int64_t now = NowMs();
    // A spectator building its lead has the stamps it needs: it is not waiting for anyone.
    if (BuildingLead(ReplayFrameSteps())) {
        TheNotices.waiting = false;
        return Poll(ms);
    }
    if (!TheNotices.waiting) {
        TheNotices.waiting = true;
        TheNotices.waitingSince = now;
        TheNotices.lastWaitDrawn = now;
    } else if (now - TheNotices.lastWaitCall > AWAY_MS) {
        TheNotices.waitingSince += now - TheNotices.lastWaitCall;
    }
    Poll(ms);
    TheNotices.lastWaitCall = NowMs();
    if (TheNotices.lastWaitCall - now > ms + AWAY_MS)
        TheNotices.waitingSince += TheNotices.lastWaitCall - now - ms;
    const std::int64_t waited = NowMs() - TheNotices.waitingSince;
    TheNotices.longestWait = std::max(TheNotices.longestWait, waited);
    const int owner = Awaited(ReplayFrameSteps());
    CountHold(owner);
    TheNotices.heldNow = waited;
    if (waited >= StallLimit(owner)) return GiveUpOn(owner);
    if (waited >= WAIT_MESSAGE_MS && NowMs() - TheNotices.lastWaitDrawn >= WAIT_REDRAW_MS) {
        TheNotices.lastWaitDrawn = NowMs();
        DrawNotices(0, 1);
        GraphxPresentAgain(0);
    }
}

void WaitOver() {
    if (TheNotices.waiting) TheNotices.heldBefore += TheNotices.heldNow;
    TheNotices.heldNow = 0;
    TheNotices.waiting = false;
}

void PresenceHeard(int machine, bool away) {
    StreamOf(machine).away = away;
    Notice(away ? TrFormat("%s is away", MachineNameShown(machine).c_str())
                : TrFormat("%s is back", MachineNameShown(machine).c_str()));
    // Back, it has STALL_LIMIT_MS from now to be heard, as at the start of a wait.
    if (!away && TheNotices.waiting) {
        TheNotices.heldBefore += TheNotices.heldNow;
        TheNotices.heldNow = 0;
        TheNotices.waitingSince = NowMs();
    }
}
std::int64_t LongestWait() { return TheNotices.longestWait; }

namespace {

// What this machine has to say over its frame now.
NetworkMessages Messages() {
    NetworkMessages messages;
    messages.leavePrompt = LeavePromptShown();
    ChatOverlay(&messages);
    if (TheNotices.waiting && NowMs() - TheNotices.waitingSince >= WAIT_MESSAGE_MS) {
        const int owner = Awaited(static_cast<std::uint32_t>(ReplayFrameSteps()));
        messages.waitingFor = MachineNameShown(owner);
        messages.away = owner > 0 && StreamOf(owner).away;
    }
    // At the title everyone waits in the waiting room, which says how to call up the room's code.
    if (Active() && CurrentMode == Title) messages.waitingRoom = WaitingRoomLines();
    if (NoticeShown()) messages.notice = TheNotices.notice;
    // A host's room code or join code stays up while others may still be joining, so that it can
    // be read out.
    else if (TheLink.role == NetRole::Host && (!TheLink.room.empty() || !TheLink.joinCode.empty()) &&
             CurrentMode == PlayerChoice)
        messages.notice = TheLink.room.empty() ? JoinCodeNotice() : RoomNotice();
    return messages;
}

}  // namespace

void DrawNotices(int device, int surface) { DrawNetworkMessages(device, surface, Messages()); }

bool LeavePromptYesRows(int* top, int* bottom) {
    if (!LeavePromptShown()) return false;
    // The prompt's question comes first and its answer second.
    NetworkMessageBandRows(1, static_cast<int>(NetworkMessageLines(Messages()).size()), top, bottom);
    return true;
}

void ResetNotices() { TheNotices = Notices{}; }

std::string RoomNotice() {
    const bool watching = !TheNotices.watchCode.empty(), linked = !TheNotices.roomPage.empty();
    std::string notice =
        watching ? TrFormat("Room code: %s, watch: %s", TheLink.room.c_str(), TheNotices.watchCode.c_str())
                 : TrFormat("Room code: %s", TheLink.room.c_str());
    if (linked) notice += " " + net::RoomLink(TheNotices.roomPage, TheLink.room);
    if (linked && watching) notice += " " + net::WatchLink(TheNotices.roomPage, TheNotices.watchCode);
    return notice;
}

std::string JoinCodeNotice() {
    return TrFormat("Hosting on port %u, code %s", static_cast<unsigned>(TheLink.transport->Port()),
                    TheLink.joinCode.c_str());
}

void SetRoomPage(const std::string& page, const std::string& watchCode) {
    TheNotices.roomPage = page;
    TheNotices.watchCode = watchCode;
}
const std::string& RoomPage() { return TheNotices.roomPage; }
const std::string& WatchCode() { return TheNotices.watchCode; }

}  // namespace netplay
