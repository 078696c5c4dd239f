// libFuzzer target: the replay runner's key-script parser, with the promises its callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/globals.h"
#include "runner/script.h"

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

// An error names the script and a line, and holds only printable ASCII (garbage comes escaped).
void CheckError(const std::string& error) {
    Require(error.rfind("fuzz.script:", 0) == 0);
    for (unsigned char c : error) Require(c >= 0x20 && c < 0x7F);
}

// Every parsed command is complete enough for the driver to run it without further checks.
void CheckCommands(const std::vector<ScriptCommand>& commands) {
    int line = 0;
    for (const ScriptCommand& c : commands) {
        Require(c.line > line);
        line = c.line;
        switch (c.kind) {
            case ScriptCommand::Press:
                Require(!c.keys.empty());
                break;
            case ScriptCommand::Down:
            case ScriptCommand::Up:
            case ScriptCommand::Repeat:
                Require(c.keys.size() == 1);
                break;
            case ScriptCommand::Until:
                Require(!c.modes.empty() && c.count > 0);
                for (std::uint32_t mode : c.modes)
                    Require((mode >= Aiming && mode <= Title) || mode == UNTIL_MINE);
                break;
            case ScriptCommand::Activate:
                Require(c.count <= 1);
                break;
            case ScriptCommand::State:
            case ScriptCommand::Screenshot:
            case ScriptCommand::Materials:
                Require(!c.file.empty());
                break;
            default:
                break;
        }
        for (int key : c.keys) Require(key > 0 && key < 256);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ScriptCommand> commands;
    std::string error;
    if (ParseScript(text, "fuzz.script", &commands, &error))
        CheckCommands(commands);
    else
        CheckError(error);
    return 0;
}
