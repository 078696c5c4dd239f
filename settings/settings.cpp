// The player's settings file: lenient reading, atomic writing.
#include "settings/settings.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/files.h"
#include "diag/diag.h"
#include "net/people_text.h"
#include "net/relay_address.h"

namespace {

constexpr const char* HEADER = "# Lobshot's settings: key = value, one a line.\n";

constexpr std::array<const char*, 6> SEAT_NAMES = {"human", "beginner", "easy", "normal", "hard", "expert"};
constexpr std::array<const char*, 2> GRAVITY_NAMES = {"off", "on"};
constexpr std::array<const char*, 4> WIND_NAMES = {"none", "constant", "variable", "random"};

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsText(std::string_view line) {
    for (const char c : line)
        if ((static_cast<unsigned char>(c) < 32 && c != '\t') || c == 127) return false;
    return true;
}

bool ParseSwitch(std::string_view value, bool* out) {
    if (value != "true" && value != "false") return false;
    *out = value == "true";
    return true;
}

bool ParseVolume(std::string_view value, int* out) {
    if (value.empty() || value.size() > 3) return false;
    int volume = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') return false;
        volume = volume * 10 + (c - '0');
    }
    if (volume > 100) return false;
    *out = volume;
    return true;
}

// The place of `word` among `names`, or -1.
template <std::size_t N>
int IndexOf(const std::array<const char*, N>& names, std::string_view word) {
    for (std::size_t i = 0; i < N; ++i)
        if (word == names[i]) return static_cast<int>(i);
    return -1;
}

// One word of `names` into *out; false when it is none of them.
template <std::size_t N>
bool ParseWord(const std::array<const char*, N>& names, std::string_view value, int* out) {
    const int found = IndexOf(names, value);
    if (found >= 0) *out = found;
    return found >= 0;
}

// The name of value `i` among `names`, the first for a value out of range.
template <std::size_t N>
const char* NameAt(const std::array<const char*, N>& names, int i) {
    return names[i >= 0 && static_cast<std::size_t>(i) < N ? static_cast<std::size_t>(i) : 0];
}

// Eight seats' names, one space or more between them.
bool ParseSeats(std::string_view value, std::array<int, SETTINGS_SEATS>* seats) {
    std::array<int, SETTINGS_SEATS> read{};
    for (int& seat : read) {
        value = Trimmed(value);
        const std::string_view word = value.substr(0, value.find_first_of(" \t"));
        if (!ParseWord(SEAT_NAMES, word, &seat)) return false;
        value.remove_prefix(word.size());
    }
    if (!Trimmed(value).empty()) return false;
    *seats = read;
    return true;
}

// The last game's choice; empty when it is taken, else why not.
std::string TakeGame(std::string_view key, std::string_view value, SettingsGame* game) {
    bool good = false;
    if (key == "players") {
        good = value.size() == 1 && value[0] >= '2' && value[0] < '0' + SETTINGS_SEATS + 1;
        if (good) game->players = value[0] - '0';
    } else if (key == "seats") {
        good = ParseSeats(value, &game->seats);
    } else if (key == "gravity") {
        good = ParseWord(GRAVITY_NAMES, value, &game->gravity);
    } else {
        good = ParseWord(WIND_NAMES, value, &game->wind);
    }
    game->kept = game->kept || good;
    return good               ? ""
           : key == "players" ? "players is a number from 2 to 8"
           : key == "seats"   ? "seats are eight of human, beginner, easy, normal, hard and expert"
           : key == "gravity" ? "gravity is on or off"
                              : "wind is none, constant, variable or random";
}

// Takes one setting; empty when it is taken, else why not.
std::string TakeSetting(std::string_view key, std::string_view value, Settings* settings) {
    if (key == "fullscreen")
        return ParseSwitch(value, &settings->fullscreen) ? "" : "fullscreen is true or false";
    if (key == "mute") return ParseSwitch(value, &settings->mute) ? "" : "mute is true or false";
    if (key == "volume")
        return ParseVolume(value, &settings->volume) ? "" : "volume is a number from 0 to 100";
    if (key == "name") {
        std::string name = net::CleanPeopleText(value, net::kMaxNameLength);
        if (name.empty()) return "the name has no letter the game can show";
        settings->name = std::move(name);
        return "";
    }
    if (key == "language") {
        if (IndexOf(SETTINGS_LANGUAGES, value) < 0) return "language is auto, en, de, fr or es";
        settings->language = std::string(value);
        return "";
    }
    if (key == "tank_numbers")
        return ParseSwitch(value, &settings->tankNumbers) ? "" : "tank_numbers is true or false";
    if (key == "players" || key == "seats" || key == "gravity" || key == "wind")
        return TakeGame(key, value, &settings->game);
    if (key == "relay") {
        std::string error;
        if (!net::CheckRelayAddress(std::string(value), "relay", &error)) return error;
        settings->relay = std::string(value);
        return "";
    }
    return "unknown key \"" + std::string(key) + "\"";
}

// Takes one line; empty when it is taken or says nothing, else why not.
std::string TakeLine(std::string_view line, Settings* settings) {
    if (line.size() > SETTINGS_LONGEST_LINE) return "the line is too long";
    if (!IsText(line)) return "the line is not text";
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed[0] == '#') return "";
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) return "the line is not key = value";
    const std::string_view key = Trimmed(trimmed.substr(0, equals));
    const std::string why = TakeSetting(key, Trimmed(trimmed.substr(equals + 1)), settings);
    if (why.starts_with("unknown key") && !key.empty()) settings->unknown.emplace_back(trimmed);
    return why;
}

void Trace(const std::string& row) {
    DiagTrace(DIAG_HIGH, "Settings", __LINE__, "Settings", "%s", row.c_str());
}

}  // namespace

bool SettingsTakeOption(const char* arg, SettingsOverrides* overrides) {
    const std::string_view option = arg;
    bool* flag = option == "--windowed"     ? &overrides->windowed
                 : option == "--fullscreen" ? &overrides->fullscreen
                 : option == "--mute"       ? &overrides->mute
                 : option == "--nosound"    ? &overrides->nosound
                                            : nullptr;
    if (flag) *flag = true;
    return flag != nullptr;
}

Settings SettingsForRun(Settings settings, const SettingsOverrides& overrides) {
    if (overrides.windowed || overrides.fullscreen) settings.fullscreen = overrides.fullscreen;
    settings.mute = settings.mute || overrides.mute;
    return settings;
}

std::string SettingsPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/lobshot/settings";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/lobshot/settings";
    return "";
}

Settings SettingsParse(std::string_view text, const std::string& file, std::vector<std::string>* faults) {
    Settings settings;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::string why = TakeLine(line, &settings);
        ++number;
        if (!why.empty()) faults->push_back(file + " line " + std::to_string(number) + ": " + why);
    }
    return settings;
}

Settings SettingsRead(const std::string& path) {
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        if (errno != ENOENT && !path.empty()) Trace(path + ": cannot be read: " + std::strerror(errno));
        return {};
    }
    std::string text(SETTINGS_LARGEST_FILE + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    std::vector<std::string> faults;
    if (text.size() > SETTINGS_LARGEST_FILE) {
        faults.push_back(path + ": longer than 64 KiB; the rest is not read");
        // Only whole lines count: the text ends after the last line ending read (none: nothing).
        const std::size_t lastEnd = text.rfind('\n', SETTINGS_LARGEST_FILE);
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    Settings settings = SettingsParse(text, path, &faults);
    for (const std::string& row : faults) Trace(row);
    return settings;
}

std::string SettingsText(const Settings& settings) {
    std::string text = HEADER;
    text += std::string("fullscreen = ") + (settings.fullscreen ? "true" : "false") + "\n";
    text += "volume = " + std::to_string(settings.volume) + "\n";
    text += std::string("mute = ") + (settings.mute ? "true" : "false") + "\n";
    if (!settings.name.empty()) text += "name = " + settings.name + "\n";
    if (!settings.relay.empty()) text += "relay = " + settings.relay + "\n";
    text += "language = " + settings.language + "\n";
    text += std::string("tank_numbers = ") + (settings.tankNumbers ? "true" : "false") + "\n";
    const SettingsGame& game = settings.game;
    if (game.kept) {
        text += "players = " + std::to_string(game.players) + "\nseats =";
        for (const int seat : game.seats) text += std::string(" ") + NameAt(SEAT_NAMES, seat);
        text += std::string("\ngravity = ") + NameAt(GRAVITY_NAMES, game.gravity) + "\n";
        text += std::string("wind = ") + NameAt(WIND_NAMES, game.wind) + "\n";
    }
    for (const std::string& line : settings.unknown) text += line + "\n";
    return text;
}

bool SettingsWrite(const std::string& path, const Settings& settings) {
    std::error_code code;
    if (!path.empty()) std::filesystem::create_directories(std::filesystem::path(path).parent_path(), code);
    std::string error = code ? path + ": " + code.message() : "";
    if (code || !WriteFileAtomically(path, SettingsText(settings), &error)) {
        Trace("the settings were not saved in " + path + ": " + error);
        return false;
    }
    return true;
}
