// What this machine says on screen in a network game (notices.cpp): its notices, the machine it
// waits for and the leave prompt; and how long it has waited.
//
// Every room that has something to say calls Notice; lockstep.cpp waits through it, asks how long
// it waited, and hands screens/ what to draw; the host's and the guest's sides say when a machine is
// away or back, and the host shows its room's code.
#pragma once

#include <cstdint>
#include <string>

namespace netplay {

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
// A host's online room as it is shown: "Room code: CODE", ", watch: WATCHCODE" when known, and after them
// the links that open the room and watch it in the page, when the page's address is known
// (SetRoomPage, kept until ResetNotices).
std::string RoomNotice();
// A local host's join code as it shows it: "Hosting on port PORT, code CODE".
std::string JoinCodeNotice();
void SetRoomPage(const std::string& page, const std::string& watchCode);
const std::string& RoomPage();
const std::string& WatchCode();

}  // namespace netplay
