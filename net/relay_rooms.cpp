// Opening a room on a relay of several brokers: the broker a fresh code names, or the next that answers.
#include "net/relay_rooms.h"

#include <vector>

#include "net/relay_address.h"
#include "net/room_code.h"

namespace net {

std::unique_ptr<Transport> OpenRoomOnSomeRelay(const std::string& setting, const OpenRoomOn& open,
                                               std::string* code, std::string* watch_code, std::string* relay,
                                               std::string* error) {
    // The first broker is the one a code drawn at random names; the others follow in their order.
    std::vector<std::string> relays;
    if (!SplitRelays(setting, "the relay", &relays, error) || !MakeRoomCode(code, error)) return nullptr;
    const std::size_t first = RelayOfCode(*code, relays.size());
    for (std::size_t tried = 0; tried < relays.size(); ++tried) {
        const std::size_t at = (first + tried) % relays.size();
        if (!MakeRoomCodesOn(at, relays.size(), code, watch_code, error)) return nullptr;
        if (auto room = open(relays[at], *code, *watch_code, error)) {
            *relay = relays[at];
            return room;
        }
    }
    return nullptr;
}

}  // namespace net
