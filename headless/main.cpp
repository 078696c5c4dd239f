// lobshot-headless: runs the real game from a seed and a key script, without window or sound.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "diag/diag.h"
#include "headless/runner.h"

namespace {

constexpr const char* USAGE =
    "usage: lobshot-headless [--seed N] [--script FILE] [--frames N] [--state FILE]\n"
    "                        [--screenshot FILE] [--materials FILE] [--timing] [--help]\n";

int BadCommandLine(const std::string& message) {
    std::cerr << "lobshot-headless: " << message << "\n" << USAGE;
    return 2;
}

bool ParseUnsigned(const char* text, std::uint32_t* value) {
    std::string s = text;
    if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    unsigned long long v = std::stoull(s);
    if (v > 0xFFFFFFFFull) return false;
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool ReadScript(const std::string& name, std::string* text) {
    std::ostringstream buffer;
    if (name == "-") {
        buffer << std::cin.rdbuf();
    } else {
        std::ifstream in(name, std::ios::binary);
        if (!in) return false;
        buffer << in.rdbuf();
    }
    *text = buffer.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    RunnerOptions options;
    std::string scriptFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help") {
            std::cout << USAGE;
            return 0;
        }
        if (arg == "--timing") {
            options.timing = true;
            continue;
        }
        if (i + 1 >= argc) return BadCommandLine("missing value after " + arg);
        const char* value = argv[++i];
        if (arg == "--seed") {
            if (!ParseUnsigned(value, &options.seed))
                return BadCommandLine("bad seed \"" + std::string(value) + "\"");
        } else if (arg == "--frames") {
            if (!ParseUnsigned(value, &options.frames))
                return BadCommandLine("bad frame count \"" + std::string(value) + "\"");
        } else if (arg == "--script") {
            scriptFile = value;
        } else if (arg == "--state") {
            options.stateFile = value;
        } else if (arg == "--screenshot") {
            options.screenshotFile = value;
        } else if (arg == "--materials") {
            options.materialsFile = value;
        } else {
            return BadCommandLine("unknown option " + arg);
        }
    }
    if (!scriptFile.empty()) {
        std::string text, error;
        options.scriptName = scriptFile;
        if (!ReadScript(scriptFile, &text)) {
            std::cerr << scriptFile << ":0: cannot read the script\n";
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
