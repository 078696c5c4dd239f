// Phrases for the reasons a connection ends, and the reading of an address a player types.
#include "net/transport.h"

#include <algorithm>

namespace net {

const char* DescribeReason(DisconnectReason why) {
    switch (why) {
        case DisconnectReason::Closed:
            return NetText("closed by the other machine");
        case DisconnectReason::TimedOut:
            return NetText("timed out");
        case DisconnectReason::HostFull:
            return NetText("the host has no room for another connection");
        case DisconnectReason::Oversized:
            return NetText("a message was too large");
        case DisconnectReason::Malformed:
            return NetText("a message made no sense");
        case DisconnectReason::GameFull:
            return NetText("the game already has eight machines");
        case DisconnectReason::Busy:
            return NetText("too many machines were trying to join at once");
        case DisconnectReason::Silent:
            return NetText("no greeting came in time");
        case DisconnectReason::VersionDiffers:
            return NetText("the versions of the game differ");
        case DisconnectReason::TooManyRejoins:
            return NetText("too many rejoins from one address");
        case DisconnectReason::Lost:
            return NetText("messages were lost on the way");
        case DisconnectReason::RelayLost:
            return NetText("the connection to the relay was lost");
        case DisconnectReason::WrongCode:
            return NetText("the join code was not the game's");
    }
    return NetText("unknown reason");
}

std::string Compose(const char* format, std::initializer_list<std::string_view> blanks) {
    std::string text;
    auto blank = blanks.begin();
    for (const char* c = format; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's' && blank != blanks.end()) {
            text += *blank++;
            ++c;
        } else {
            text += *c;
        }
    }
    return text;
}

namespace {

// The port after HOST: as typed: a decimal number from 1 to 65535.
bool ParsePort(const std::string& text, const std::string& digits, std::uint16_t* port, std::string* error) {
    const bool allDigits = !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long value = allDigits && digits.size() <= 5 ? std::stoul(digits) : 0;
    if (value == 0 || value > 65535) {
        *error = Compose(says::kPortNotNumber, {text});
        return false;
    }
    *port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

bool ParseHostPort(const std::string& text, std::string* host, std::uint16_t* port, std::string* error) {
    // An IPv6 address comes in brackets, since its own colons would hide the port's.
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close == 1 || text.find(':', 1) > close) {
            *error = Compose(says::kNotBracketed, {text});
            return false;
        }
        if (close + 1 >= text.size() || text[close + 1] != ':') {
            *error = Compose(says::kPortMissing, {text});
            return false;
        }
        if (!ParsePort(text, text.substr(close + 2), port, error)) return false;
        *host = text.substr(1, close - 1);
        return true;
    }
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || text.find(':') != colon) {
        const bool ipv6 = colon != std::string::npos && text.find(':') != colon;
        *error = Compose(ipv6 ? says::kBracketsForPort : says::kNotHostPort, {text});
        return false;
    }
    if (!ParsePort(text, text.substr(colon + 1), port, error)) return false;
    *host = text.substr(0, colon);
    return true;
}

bool ParseHostOptionalPort(const std::string& text, std::uint16_t defaultPort, std::string* host,
                           std::uint16_t* port, std::string* error) {
    // Without a port: a name, an IPv4 address, a bare IPv6 address (two colons or more) or one in
    // brackets.
    const std::size_t colons = static_cast<std::size_t>(std::count(text.begin(), text.end(), ':'));
    const bool bracketed = !text.empty() && text[0] == '[' && text.back() == ']';
    if (colons >= 2 && text[0] != '[') {
        if (text.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos) {
            *error = Compose(says::kNotIpv6, {text});
            return false;
        }
        *host = text;
        *port = defaultPort;
        return true;
    }
    if (colons == 0 || bracketed) {
        *host = bracketed ? text.substr(1, text.size() - 2) : text;
        *port = defaultPort;
        if (host->empty()) {
            *error = Compose(says::kNoHost, {text});
            return false;
        }
        return true;
    }
    return ParseHostPort(text, host, port, error);
}

}  // namespace net
