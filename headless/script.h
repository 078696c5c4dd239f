// The replay runner's key scripts: one command a line, parsed whole before the run starts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptCommand {
    enum Kind { Press, Down, Up, Repeat, Wait, Until, Activate, Close, State, Screenshot, Materials };
    Kind kind = Wait;
    int line = 0;
    std::vector<int> keys;             // virtual-key codes (Press, Down, Up, Repeat)
    std::uint32_t count = 0;           // Wait ticks, Until's limit, Activate's flag
    std::vector<std::uint32_t> modes;  // Until
    std::string file;                  // State, Screenshot, Materials
};

// Parses the whole text. On the first error returns false with "NAME:LINE: message" in error.
bool ParseScript(const std::string& text, const std::string& name, std::vector<ScriptCommand>* commands,
                 std::string* error);

// The virtual-key code of a key name (Enter, Space, Esc, Shift, arrows, F1-F12, 0-9, A-Z; any
// case), or 0.
int KeyCodeFromName(const std::string& name);
