// The replay runner's key scripts: one command a line, parsed whole before the run starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ScriptCommand {
    enum Kind {
        Press,
        Down,
        Up,
        Repeat,
        Wait,
        Until,
        UntilJoined,
        Activate,
        Close,
        State,
        Screenshot,
        Materials,
        Say
    };
    Kind kind = Wait;
    int line = 0;
    std::vector<int> keys;             // virtual-key codes (Press, Down, Up, Repeat)
    std::uint32_t count = 0;           // Wait ticks, Until's limit, Activate's flag, machines joined
    std::vector<std::uint32_t> modes;  // Until: game modes, or UNTIL_MINE
    std::string file;                  // State, Screenshot, Materials; Say: the line
};

// `until mine`: the frame step waits for this machine's keys.
constexpr std::uint32_t UNTIL_MINE = 100;

// Parses the whole text. On the first error returns false with "NAME:LINE: message" in error.
bool ParseScript(const std::string& text, const std::string& name, std::vector<ScriptCommand>* commands,
                 std::string* error);

// A whole unsigned 32-bit decimal number and nothing else: digits only (leading zeros allowed, no
// sign, no spaces), at most 4294967295.
bool ParseDecimal(const std::string& text, std::uint32_t* value);

// Text from a script or the command line made fit for a message: bytes outside printable ASCII,
// the quote and the backslash become \xNN escapes, and a text longer than `longest` bytes is cut
// there and ends in "...".
std::string Escaped(const std::string& text, std::size_t longest = 60);

// The virtual-key code of a key name (Enter, Space, Esc, Shift, Tab, arrows, F1-F12, 0-9, A-Z, and
// PadX and PadY for a gamepad's X and Y; any case), or 0.
int KeyCodeFromName(const std::string& name);
