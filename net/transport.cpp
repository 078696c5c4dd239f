// Phrases for the reasons a connection ends, and the reading of an address a player types.
#include "net/transport.h"

namespace net {

const char* DescribeReason(DisconnectReason why) {
    switch (why) {
        case DisconnectReason::Closed:
            return "closed by the other machine";
        case DisconnectReason::TimedOut:
            return "timed out";
        case DisconnectReason::HostFull:
            return "the host has no room for another connection";
        case DisconnectReason::Oversized:
            return "a message was too large";
        case DisconnectReason::Malformed:
            return "a message made no sense";
        case DisconnectReason::GameFull:
            return "the game already has eight machines";
        case DisconnectReason::Busy:
            return "too many machines were trying to join at once";
        case DisconnectReason::Silent:
            return "no greeting came in time";
        case DisconnectReason::VersionDiffers:
            return "the versions of the game differ";
        case DisconnectReason::TooManyRejoins:
            return "too many rejoins from one address";
        case DisconnectReason::Lost:
            return "messages were lost on the way";
        case DisconnectReason::RelayLost:
            return "the connection to the relay was lost";
    }
    return "unknown reason";
}

bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port, std::string* error) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        *error = "\"" + text + "\" is not HOST:PORT";
        return false;
    }
    const std::string digits = text.substr(colon + 1);
    const bool all_digits = !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long value = all_digits && digits.size() <= 5 ? std::stoul(digits) : 0;
    if (value == 0 || value > 65535) {
        *error = "the port in \"" + text + "\" is not a number from 1 to 65535";
        return false;
    }
    *host = text.substr(0, colon);
    *port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace net
