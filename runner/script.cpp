// Parsing of the replay runner's key scripts.
#include "runner/script.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string_view>

#include "core/globals.h"
#include "platform/win.h"

namespace {

constexpr std::uint32_t DEFAULT_UNTIL_LIMIT = 100000;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Quoted(const std::string& text) { return "\"" + Escaped(text) + "\""; }

// Mode names a script may wait for (the transient Terraform is never current).
int ModeFromName(const std::string& name) {
    for (std::uint32_t mode = Aiming; mode <= Title; ++mode)
        if (Lower(name) == Lower(GameModeName(mode))) return static_cast<int>(mode);
    return -1;
}

class LineParser {
public:
    LineParser(const std::vector<std::string>& words, ScriptCommand* command) : w(words), c(command) {}

    // Empty when the line is good, else what is wrong with it.
    std::string Parse() {
        const std::string verb = Lower(w[0]);
        if (verb == "press") return Keys(ScriptCommand::Press, true);
        if (verb == "down") return Keys(ScriptCommand::Down, false);
        if (verb == "up") return Keys(ScriptCommand::Up, false);
        if (verb == "repeat") return Keys(ScriptCommand::Repeat, false);
        if (verb == "wait") return Wait();
        if (verb == "until") return Until();
        if (verb == "activate") return Activate();
        if (verb == "close") return Arguments(ScriptCommand::Close, 0);
        if (verb == "state") return File(ScriptCommand::State);
        if (verb == "screenshot") return File(ScriptCommand::Screenshot);
        if (verb == "materials") return File(ScriptCommand::Materials);
        return "unknown command " + Quoted(w[0]);
    }

private:
    std::string Arguments(ScriptCommand::Kind kind, std::size_t count) {
        c->kind = kind;
        if (w.size() - 1 != count) return w[0] + " takes " + std::to_string(count) + " argument(s)";
        return {};
    }

    std::string Keys(ScriptCommand::Kind kind, bool many) {
        c->kind = kind;
        if (w.size() < 2 || (!many && w.size() != 2)) return w[0] + (many ? " needs keys" : " takes one key");
        for (std::size_t i = 1; i < w.size(); ++i) {
            int code = KeyCodeFromName(w[i]);
            if (code == 0) return "unknown key " + Quoted(w[i]);
            c->keys.push_back(code);
        }
        return {};
    }

    std::string Wait() {
        if (auto e = Arguments(ScriptCommand::Wait, 1); !e.empty()) return e;
        return ParseDecimal(w[1], &c->count) ? std::string() : "bad tick count " + Quoted(w[1]);
    }

    std::string Until() {
        c->kind = ScriptCommand::Until;
        if (w.size() >= 2 && w[1] == "joined") {
            c->kind = ScriptCommand::UntilJoined;
            if (w.size() != 3 || !ParseDecimal(w[2], &c->count) || c->count < 1 || c->count > 8)
                return "until joined takes a number of machines from 1 to 8";
            return {};
        }
        if (w.size() != 2 && w.size() != 3) return "until takes MODE[|MODE...] [MAX]";
        std::stringstream names(w[1]);
        std::string name;
        while (std::getline(names, name, '|')) {
            int mode = name == "mine" ? static_cast<int>(UNTIL_MINE) : ModeFromName(name);
            if (mode < 0) return "unknown mode " + Quoted(name);
            c->modes.push_back(static_cast<std::uint32_t>(mode));
        }
        if (c->modes.empty()) return "until needs a mode";
        c->count = DEFAULT_UNTIL_LIMIT;
        if (w.size() == 3 && (!ParseDecimal(w[2], &c->count) || c->count == 0))
            return "bad tick limit " + Quoted(w[2]);
        return {};
    }

    std::string Activate() {
        if (auto e = Arguments(ScriptCommand::Activate, 1); !e.empty()) return e;
        if (w[1] != "0" && w[1] != "1") return "activate takes 0 or 1";
        c->count = w[1] == "1" ? 1 : 0;
        return {};
    }

    std::string File(ScriptCommand::Kind kind) {
        if (auto e = Arguments(kind, 1); !e.empty()) return e;
        c->file = w[1];
        return {};
    }

    const std::vector<std::string>& w;
    ScriptCommand* c;
};

// `say TEXT`: the rest of the line after the word, without the blanks around it.
std::string Said(std::string_view code, ScriptCommand* command) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::size_t first = 0;
    while (blank(code[first])) ++first;
    std::size_t start = first + 3, end = code.size();
    while (start < end && blank(code[start])) ++start;
    while (end > start && blank(code[end - 1])) --end;
    command->kind = ScriptCommand::Say;
    command->file = std::string(code.substr(start, end - start));
    return command->file.empty() ? "say needs a line to say" : "";
}

}  // namespace

bool ParseDecimal(const std::string& text, std::uint32_t* value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    std::uint64_t v = 0;
    for (char c : text) {
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
        if (v > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

std::string Escaped(const std::string& text, std::size_t longest) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 15];
        }
    }
    return text.size() > longest ? out + "..." : out;
}

int KeyCodeFromName(const std::string& name) {
    const std::string key = Lower(name);
    static const struct {
        const char* name;
        int code;
    } named[] = {{"enter", VK_RETURN},   {"space", VK_SPACE},    {"esc", VK_ESCAPE},  {"shift", VK_SHIFT},
                 {"left", VK_LEFT},      {"up", VK_UP},          {"right", VK_RIGHT}, {"down", VK_DOWN},
                 {"padx", VK_GAMEPAD_X}, {"pady", VK_GAMEPAD_Y}, {"tab", VK_TAB}};
    for (const auto& n : named)
        if (key == n.name) return n.code;
    if (key.size() == 1 && std::isalnum(static_cast<unsigned char>(key[0])))
        return std::toupper(static_cast<unsigned char>(key[0]));
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'f') {
        std::uint32_t n = 0;
        if (ParseDecimal(key.substr(1), &n) && n >= 1 && n <= 12 && key[1] != '0')
            return VK_F1 + static_cast<int>(n) - 1;
    }
    return 0;
}

bool ParseScript(const std::string& text, const std::string& name, std::vector<ScriptCommand>* commands,
                 std::string* error) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::vector<std::string> words;
    std::size_t next = 0;
    for (int number = 1; next < text.size(); ++number) {
        // One line without its comment, cut into words at white space.
        std::size_t end = std::min(text.find('\n', next), text.size());
        const std::string_view line = std::string_view(text).substr(next, end - next);
        next = end + 1;
        const std::string_view code = line.substr(0, line.find('#'));
        words.clear();
        for (std::size_t i = 0; i < code.size();) {
            while (i < code.size() && blank(code[i])) ++i;
            const std::size_t first = i;
            while (i < code.size() && !blank(code[i])) ++i;
            if (i > first) words.emplace_back(code.substr(first, i - first));
        }
        if (words.empty()) continue;
        ScriptCommand command;
        command.line = number;
        std::string problem =
            Lower(words[0]) == "say" ? Said(code, &command) : LineParser(words, &command).Parse();
        if (!problem.empty()) {
            *error = Escaped(name, name.size()) + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
        commands->push_back(std::move(command));
    }
    return true;
}
