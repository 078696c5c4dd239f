// The page's options, read from the address's fragment.
#include "platform/web/web_options.h"

#include <algorithm>

#include "net/relay_address.h"
#include "net/room_code.h"
#include "net/transport.h"

namespace {

bool ParseSeed(const std::string& text, std::uint32_t* seed) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFu) return false;
    *seed = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool WebParsePageOptions(const std::string& fragment, WebPageOptions* options, std::string* error) {
    std::size_t start = !fragment.empty() && fragment[0] == '#' ? 1 : 0;
    while (start < fragment.size()) {
        std::size_t end = fragment.find('&', start);
        if (end == std::string::npos) end = fragment.size();
        const std::string option = fragment.substr(start, end - start);
        start = end + 1;
        if (option.empty()) continue;
        if (option == "steps") {
            options->steps = true;
        } else if (option == "host") {
            if (options->host || !options->room.empty()) {
                *error = "a page hosts, joins or watches one room only";
                return false;
            }
            options->host = true;
        } else if (option.rfind("seed=", 0) == 0) {
            if (!ParseSeed(option.substr(5), &options->seed)) {
                *error = "bad seed \"" + option.substr(5) + "\" (a number from 0 to 4294967295)";
                return false;
            }
            options->seedGiven = true;
        } else if (option.rfind("replay=", 0) == 0) {
            if (option.size() == 7) {
                *error = "replay= needs the replay's address";
                return false;
            }
            options->replay = option.substr(7);
        } else if (option.rfind("room=", 0) == 0 || option.rfind("watch=", 0) == 0) {
            const bool watch = option[0] == 'w';
            if (options->host || !options->room.empty()) {
                *error = "a page hosts, joins or watches one room only";
                return false;
            }
            std::string why;
            if (!net::ParseRoomCode(option.substr(watch ? 6 : 5), &options->room, &why)) {
                *error = "bad room code: " + why;
                return false;
            }
            options->watch = watch;
        } else if (option.rfind("relay=", 0) == 0) {
            // One listener, or those of a relay of several brokers comma apart.
            const std::string list = option.substr(6);
            std::string host, why = "too many brokers";
            std::uint16_t port = 0;
            bool good = static_cast<std::size_t>(std::count(list.begin(), list.end(), net::kRelaySeparator)) <
                        net::kMostRelayBrokers;
            for (std::size_t start = 0, end = 0; good && end != std::string::npos; start = end + 1) {
                end = list.find(net::kRelaySeparator, start);
                good = net::ParseHostPort(list.substr(start, end - start), &host, &port, &why);
            }
            if (!good) {
                *error = "bad relay: " + why;
                return false;
            }
            options->relay = option.substr(6);
        } else {
            *error = "unknown option \"" + option + "\"";
            return false;
        }
    }
    return true;
}
