// The page's options, read from the address's fragment: "#seed=N" starts the game from seed N
// instead of the clock, "steps" lets the page's own script advance the game frame step by frame
// step, as the replay runner does, and "replay=URL" plays the replay at that address (the page's
// script fetches it; URL percent-encoded, so an '&' in it is "%26"). Nothing here needs Emscripten,
// so the tests build it natively.
#pragma once

#include <cstdint>
#include <string>

struct WebPageOptions {
    bool seedGiven = false;
    std::uint32_t seed = 0;
    bool steps = false;
    std::string replay;  // the replay's address as written in the fragment, or empty
};

// Reads a fragment such as "#seed=7&steps" (the leading '#' optional, options joined by '&').
// False, with the reason in *error, for an option it does not know or a seed that is not a decimal
// number from 0 to 4294967295; the options read before the fault are kept.
bool WebParsePageOptions(const std::string& fragment, WebPageOptions* options, std::string* error);
