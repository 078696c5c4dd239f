// The room card of a network game: the way in (the room's code and links, or the host's address),
// called up over the picture at any moment so that a person whose game closed can come back.
#include <string>
#include <vector>

#include "net/room_code.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "screens/screens.h"
#include "shell/shell.h"

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
    if (!invite.empty() && way.role != NetRole::Watch) lines->push_back("Join: " + invite);
    if (!watch.empty()) lines->push_back("Watch: " + watch);
}

}  // namespace

std::vector<std::string> ShellRoomCardLines(const NetWayIn& way, const OnlineRoom& online) {
    std::vector<std::string> lines;
    if (way.role == NetRole::Local) return lines;
    if (!way.room.empty()) {
        lines.push_back((way.role == NetRole::Watch ? "Watch code: " : "Room code: ") + way.room);
        if (!way.watchCode.empty()) lines.push_back("Watch code: " + way.watchCode);
        RoomLinks(way, online, &lines);
    } else if (way.role == NetRole::Host) {
        lines.push_back("Hosting on port " + std::to_string(way.port) +
                        (way.joinCode.empty() ? "" : ", code " + way.joinCode));
        for (std::size_t i = 0; i < way.addresses.size() && i < ADDRESSES_SHOWN; ++i)
            lines.push_back("Join: " + way.addresses[i] + ":" + std::to_string(way.port));
    } else {
        lines.push_back("The host: " + way.where);
    }
    lines.push_back("F4, pad L3 or the same tap hides this");
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
