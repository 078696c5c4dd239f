// The page's options, read from the address's fragment: "#seed=N" starts the game from seed N
// instead of the clock, "steps" lets the page's own script advance the game frame step by frame
// step, as the replay runner does, and "replay=URL" plays the replay at that address (the page's
// script fetches it; URL percent-encoded, so an '&' in it is "%26"). "room=CODE" joins that online
// room as a guest ("watch=CODE" as a spectator) and "host" opens a room of its own, through the relay whose
// WebSocket listener "relay=HOST:PORT" names (by default the page's own origin over HTTPS, else its
// host name and port DEFAULT_WEB_RELAY_PORT); a relay of several brokers is their listeners in a
// fixed order, comma apart, "relay=HOST:PORT,HOST:PORT" (net/relay_address.h). Nothing here needs Emscripten,
// so the tests build it natively.
#pragma once

#include <cstdint>
#include <string>

// The WebSocket port of the relay a page joins rooms through unless told otherwise: the one
// scripts/relay.sh opens beside the default TCP port 1883.
constexpr std::uint16_t DEFAULT_WEB_RELAY_PORT = 1884;

struct WebPageOptions {
    bool seedGiven = false;
    std::uint32_t seed = 0;
    bool steps = false;
    std::string replay;  // the replay's address as written in the fragment, or empty
    std::string room;    // the room's code as net::ParseRoomCode gives it; empty: no room
    bool watch = false;  // the page watches the room rather than joining it
    bool host = false;   // the page opens a room and keeps it
    std::string relay;   // "HOST:PORT[,HOST:PORT...]" as given; empty: the page's host
};

// Reads a fragment such as "#seed=7&steps" (the leading '#' optional, options joined by '&').
// False, with the reason in *error, for an option it does not know, a seed that is not a decimal
// number from 0 to 4294967295, a room code that is not one, a second room (hosting counts as one) or
// a relay that is not a list of HOST:PORT; the
// options read before the fault are kept.
bool WebParsePageOptions(const std::string& fragment, WebPageOptions* options, std::string* error);
