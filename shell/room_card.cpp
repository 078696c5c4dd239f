// The room card of a network game: the way in (the room's code and links, or the host's address),
// called up over the picture at any moment so that a person whose game closed can come back.
#include <string>
#include <vector>

#include "net/room_code.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "screens/screens.h"
#include "shell/shell.h"
#include "text/text.h"

namespace {

// The host's addresses the card lists at most.
constexpr std::size_t ADDRESSES_SHOWN = 3;

bool CardShown = false;

// The links of an online room: those its starter gave when it opened this very room, else made
// from the page the network game knows (none without a page).
void RoomLinks(const NetWayIn& way, const OnlineRoom& online, std::vector<std::string>* lines) {
    const bool started = online.code == way.room;
    const std::string invite = started            ? online.inviteLink
                               : way.page.empty() ? ""
                                                  : net::RoomLink(way.page, way.room);
    const std::string watch = started ? online.watchLink
                              : way.page.empty() || way.watchCode.empty()
                                  ? ""
                                  : net::WatchLink(way.page, way.watchCode);
    if (!invite.empty() && way.role != NetRole::Watch) lines->push_back(TrFormat("Join: %s", invite.c_str()));
    if (!watch.empty()) lines->push_back(TrFormat("Watch: %s", watch.c_str()));
}

}  // namespace

std::vector<std::string> ShellRoomCardLines(const NetWayIn& way, const OnlineRoom& online) {
    std::vector<std::string> lines;
    if (way.role == NetRole::Local) return lines;
    if (!way.room.empty()) {
        lines.push_back(way.role == NetRole::Watch ? TrFormat("Watch code: %s", way.room.c_str())
                                                   : TrFormat("Room code: %s", way.room.c_str()));
        if (!way.watchCode.empty()) lines.push_back(TrFormat("Watch code: %s", way.watchCode.c_str()));
        RoomLinks(way, online, &lines);
    } else if (way.role == NetRole::Host) {
        lines.push_back(way.joinCode.empty()
                            ? TrFormat("Hosting on port %u", static_cast<unsigned>(way.port))
                            : TrFormat("Hosting on port %u, code %s", static_cast<unsigned>(way.port),
                                       way.joinCode.c_str()));
        for (std::size_t i = 0; i < way.addresses.size() && i < ADDRESSES_SHOWN; ++i)
            lines.push_back(
                TrFormat("Join: %s", (way.addresses[i] + ":" + std::to_string(way.port)).c_str()));
    } else {
        lines.push_back(TrFormat("The host: %s", way.where.c_str()));
    }
    lines.push_back(Tr("F4, pad L3 or the same tap hides this"));
    return lines;
}

bool ShellTakeRoomCardKey(const InputEvent& input) {
    if (!input.IsKey() || input.value != VK_F4 || NetRoleNow() == NetRole::Local) return false;
    if (input.kind == InputEvent::KeyDown && !input.repeat) CardShown = !CardShown;
    return true;
}

bool ShellRoomCardShown() { return CardShown && NetRoleNow() != NetRole::Local; }

void ShellDrawRoomCard(int device, int surface) {
    if (!ShellRoomCardShown()) {
        CardShown = false;
        return;
    }
    DrawRoomCard(device, surface, ShellRoomCardLines(NetWayInNow(), CurrentOnlineRoom()));
}

void ShellHideRoomCard() { CardShown = false; }
