// lobshot-headless: runs the real game from a seed and a key script, without window or sound.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>
#include <string>

#include "diag/diag.h"
#include "net/people_text.h"
#include "net/relay_address.h"
#include "net/room_code.h"
#include "net/transport.h"
#include "replay/store.h"
#include "runner/runner.h"
#include "runner/script.h"

#ifndef LOBSHOT_VERSION
#error "LOBSHOT_VERSION must name the game's version"
#endif

namespace {

constexpr const char* USAGE =
    "usage: lobshot-headless [--seed N] [--script FILE] [--frames N] [--state FILE]\n"
    "                        [--screenshot FILE] [--materials FILE] [--timing] [--help]\n"
    "                        [--host PORT | --join ADDRESS:PORT] [--record FILE] [--replay FILE]\n"
    "                        [--relay ADDRESS:PORT] [--online [CODE] | --watch CODE] [--realtime]\n"
    "                        [--page URL] [--name NAME] [--version]\n"
    "Each option is taken once: one given twice is refused.\n";

// Scripts longer than this are refused before they are parsed: no real timeline comes near it.
constexpr std::size_t LARGEST_SCRIPT = std::size_t{64} << 20;

int BadCommandLine(const std::string& message) {
    std::cerr << "lobshot-headless: " << message << "\n" << USAGE;
    return 2;
}

// Reads the whole script ("-" is standard input); false with the reason when it cannot be read
// whole or is longer than LARGEST_SCRIPT.
bool ReadScript(const std::string& name, std::string* text, std::string* why) {
    std::FILE* file = name == "-" ? stdin : std::fopen(name.c_str(), "rb");
    if (!file) {
        *why = std::strerror(errno);
        return false;
    }
    static char block[1 << 16];
    bool ok = true;
    for (std::size_t got; ok && (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        if (got > LARGEST_SCRIPT - text->size()) {
            *why = "the script is longer than 64 MB";
            ok = false;
        } else {
            text->append(block, got);
        }
    }
    if (ok && std::ferror(file)) {
        *why = std::strerror(errno);
        ok = false;
    }
    if (file != stdin) std::fclose(file);
    return ok;
}

// The value of an option naming a file: never empty.
bool FileOption(const std::string& option, const char* value, std::string* file, std::string* problem) {
    if (*value == '\0') {
        *problem = option + " needs a file name, not an empty one";
        return false;
    }
    *file = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RunnerOptions options;
    std::string scriptFile, replayFile;
    bool seedGiven = false;
    std::set<std::string> given;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            std::cout << (arg == "--help" ? USAGE : "lobshot-headless " LOBSHOT_VERSION "\n") << std::flush;
            return std::cout ? 0 : 1;
        }
        if (arg.starts_with("--") && !given.insert(arg).second)
            return BadCommandLine(arg + " is given twice (each option is taken once)");
        if (arg == "--timing") {
            options.timing = true;
            continue;
        }
        if (arg == "--realtime") {
            options.realtime = true;
            continue;
        }
        // --online takes a code only when one follows: alone, it hosts a room.
        if (arg == "--online") {
            if (options.watch) return BadCommandLine("a machine either plays in a room or watches it");
            options.online = true;
            if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) options.onlineCode = argv[++i];
            continue;
        }
        if (arg == "--watch") {
            if (options.online) return BadCommandLine("a machine either plays in a room or watches it");
            if (i + 1 >= argc || std::strncmp(argv[i + 1], "--", 2) == 0)
                return BadCommandLine("missing value after --watch");
            options.online = options.watch = true;
            options.onlineCode = argv[++i];
            continue;
        }
        if (arg != "--seed" && arg != "--frames" && arg != "--script" && arg != "--state" &&
            arg != "--screenshot" && arg != "--materials" && arg != "--record" && arg != "--replay" &&
            arg != "--host" && arg != "--join" && arg != "--relay" && arg != "--page" && arg != "--name")
            return BadCommandLine("unknown option \"" + Escaped(arg) + "\"");
        if (i + 1 >= argc) return BadCommandLine("missing value after " + arg);
        const char* value = argv[++i];
        std::string problem;
        if (arg == "--host") {
            std::uint32_t port = 0;
            if (!ParseDecimal(value, &port) || port == 0 || port > 65535)
                return BadCommandLine("bad port \"" + Escaped(value) + "\" (a number from 1 to 65535)");
            options.hostPort = static_cast<std::uint16_t>(port);
        } else if (arg == "--join") {
            std::string host;
            std::uint16_t port = 0;
            if (!net::ParseHostPort(value, &host, &port, &problem))
                return BadCommandLine(Escaped(problem, 200));
            options.joinAddress = value;
        } else if (arg == "--relay") {
            if (!net::CheckRelays(value, "--relay", &problem)) return BadCommandLine(problem);
            options.relay = value;
        } else if (arg == "--page") {
            if (!net::CheckRoomPage(value, "--page", &problem)) return BadCommandLine(Escaped(problem, 200));
            options.page = value;
        } else if (arg == "--name") {
            options.name = net::CleanPeopleText(value, net::kMaxNameLength);
            if (options.name.empty())
                return BadCommandLine("--name needs a name with a letter the game can show");
        } else if (arg == "--seed") {
            seedGiven = true;
            if (!ParseDecimal(value, &options.seed))
                return BadCommandLine("bad seed \"" + Escaped(value) + "\" (a number from 0 to 4294967295)");
        } else if (arg == "--frames") {
            if (!ParseDecimal(value, &options.frames))
                return BadCommandLine("bad frame count \"" + Escaped(value) +
                                      "\" (a number from 0 to 4294967295)");
        } else if (!FileOption(arg, value,
                               arg == "--script"       ? &scriptFile
                               : arg == "--state"      ? &options.stateFile
                               : arg == "--screenshot" ? &options.screenshotFile
                               : arg == "--record"     ? &options.recordFile
                               : arg == "--replay"     ? &replayFile
                                                       : &options.materialsFile,
                               &problem)) {
            return BadCommandLine(problem);
        }
    }
    if (options.hostPort != 0 && !options.joinAddress.empty())
        return BadCommandLine("a machine either hosts or joins a network game, not both");
    if (options.online && (options.hostPort != 0 || !options.joinAddress.empty()))
        return BadCommandLine("an online room is played through the relay, without --host or --join");
    if ((options.hostPort != 0 || !options.joinAddress.empty() || options.online) && !replayFile.empty())
        return BadCommandLine("a replay is played alone, not in a network game");
    if (!options.page.empty() && (!options.online || !options.onlineCode.empty()))
        return BadCommandLine("--page names the page that opens a hosted room: it goes with --online alone");
    if (!replayFile.empty()) {
        if (seedGiven || !scriptFile.empty())
            return BadCommandLine(
                "--replay brings its own seed and keys: it takes neither --seed nor --script");
        std::string error;
        if (!ReplayReadFile(replayFile, &options.replay, &error)) {
            std::cerr << "lobshot-headless: " << Escaped(error, error.size()) << "\n";
            return 2;
        }
        options.replaying = true;
    }
    if (!scriptFile.empty()) {
        std::string text, error;
        options.scriptName = scriptFile;
        if (!ReadScript(scriptFile, &text, &error)) {
            std::cerr << Escaped(scriptFile, scriptFile.size()) << ":0: cannot read the script: " << error
                      << "\n";
            return 2;
        }
        if (!ParseScript(text, scriptFile, &options.script, &error)) {
            std::cerr << error << "\n";
            return 2;
        }
    }
    DiagConfigureFromEnvironment();
    int status = RunHeadless(options);
    if (status == 1) std::cerr << "lobshot-headless: the run failed\n";
    return status;
}
