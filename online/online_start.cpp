// The registered starter of online rooms, and the room it last opened.
#include "online/online_start.h"

#include "text/text.h"

namespace {

OnlineStarter TheStarter = nullptr;
bool Offered = false;
OnlineRoom TheRoom;
OnlineRelayReader TheRelayReader = nullptr;
OnlineRelayKeeper TheRelayKeeper = nullptr;

}  // namespace

void SetOnlineStarter(OnlineStarter starter, bool offered) {
    TheStarter = starter;
    Offered = offered;
}

bool OnlineAvailable() { return TheStarter != nullptr && Offered; }

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

void SetOnlineRelay(OnlineRelayReader reader, OnlineRelayKeeper keeper) {
    TheRelayReader = reader;
    TheRelayKeeper = keeper;
}

std::string OnlineRelayNow() { return TheRelayReader != nullptr ? TheRelayReader() : ""; }

bool OnlineKeepRelay(const std::string& relay, std::string* error) {
    if (TheRelayKeeper == nullptr) {
        *error = Tr("The relay cannot be changed here.");
        return false;
    }
    return TheRelayKeeper(relay, error);
}

void OnlineStartResetForTests() {
    TheStarter = nullptr;
    TheRoom = OnlineRoom{};
    SetOnlineRelay(nullptr, nullptr);
}
