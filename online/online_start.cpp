// The registered starter of online rooms, and the room it last opened.
#include "online/online_start.h"

#include "text/text.h"

namespace {

OnlineStarter TheStarter = nullptr;
OnlineRoom TheRoom;

}  // namespace

void SetOnlineStarter(OnlineStarter starter) { TheStarter = starter; }

bool OnlineAvailable() { return TheStarter != nullptr; }

bool StartOnline(const OnlineRequest& request, OnlineRoom* room, std::string* error) {
    if (TheStarter == nullptr) {
        *error = Tr("Online play is not part of this build.");
        return false;
    }
    OnlineRoom started;
    if (!TheStarter(request, &started, error)) return false;
    TheRoom = started;
    if (room != nullptr) *room = started;
    return true;
}

const OnlineRoom& CurrentOnlineRoom() { return TheRoom; }
