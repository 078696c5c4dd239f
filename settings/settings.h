// The player's settings, kept between runs in a small text file: what the native game starts with.
//
// The file is $XDG_CONFIG_HOME/lobshot/settings (else $HOME/.config/lobshot/settings), a comment
// line and then one setting a line:
//
//     # Lobshot's settings: key = value, one a line.
//     fullscreen = true
//     volume = 70
//     mute = false
//     name = Ada
//     relay = relay.example.org:1883
//     language = auto
//     tank_numbers = false
//     players = 3
//     seats = human easy human human human human human human
//     gravity = on
//     wind = variable
//
// The last four are the last game's choice, kept when a game starts: the player choice screen
// of the next run starts from them (SettingsGame; never in the headless runner nor the scenarios).
// Reading is lenient: a line that makes no sense (an unknown key, a bad value, a line longer than
// SETTINGS_LONGEST_LINE, bytes that are not text) is reported as one trace row naming the file,
// the line and the reason, and skipped; the rest still counts. Only the first SETTINGS_LARGEST_FILE
// bytes are read. A missing file is the defaults, silently. Lines of unknown keys are kept and
// written back, so that a newer version's settings survive an older one. The game's rules never
// see any of it: only the native game's start-up and its window and sound do.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t SETTINGS_LARGEST_FILE = 64 * 1024;
constexpr std::size_t SETTINGS_LONGEST_LINE = 256;
constexpr int SETTINGS_VOLUME_STEP = 10;

// The languages a person may choose, "auto" first (the system's).
constexpr std::array<const char*, 5> SETTINGS_LANGUAGES = {"auto", "en", "de", "fr", "es"};

// The last game's choice on the player choice screen. Seats are a person (0) or the computer's
// levels 1 (Beginner) to 5 (Expert), as the game's Controller numbers them; gravity 0 or 1, wind
// 0 (none) to 3 (random), as the game's options number them.
struct SettingsGame {
    bool kept = false;  // false: no game was chosen yet, and the screen starts as ever
    int players = 2;    // 2 to SETTINGS_SEATS
    std::array<int, 8> seats{};
    int gravity = 0;
    int wind = 0;
};
constexpr int SETTINGS_SEATS = 8;

struct Settings {
    bool fullscreen = true;
    int volume = 100;  // the effects' volume, 0 to 100 per cent
    bool mute = false;
    std::string name;   // the person's name online, cleaned (net::CleanPeopleText); empty: none
    std::string relay;  // ADDRESS:PORT of online rooms' relay; empty: none
    std::vector<std::string> unknown;  // lines of keys this version does not know, as read
    std::string language = "auto";     // one of SETTINGS_LANGUAGES
    bool tankNumbers = false;          // each tank's number drawn on it, for colour-blind eyes
    SettingsGame game;
};

// What this run's command line says over the settings: --windowed, --fullscreen, --mute and
// --nosound (no sound device at all), each false when not given. The file keeps what it holds.
struct SettingsOverrides {
    bool windowed = false;
    bool fullscreen = false;
    bool mute = false;
    bool nosound = false;
};

// Takes arg when it is one of the overrides' options; false for any other.
bool SettingsTakeOption(const char* arg, SettingsOverrides* overrides);

// The settings this run goes by: those read, with the overrides given.
Settings SettingsForRun(Settings settings, const SettingsOverrides& overrides);

// The settings file's path from the environment; empty when neither XDG_CONFIG_HOME nor HOME is
// an absolute path.
std::string SettingsPath();

// Parses the text of a settings file called `file`, appending one row a bad line to *faults
// ("FILE line N: reason").
Settings SettingsParse(std::string_view text, const std::string& file, std::vector<std::string>* faults);

// Reads the file (its first SETTINGS_LARGEST_FILE bytes); each fault is one trace row.
Settings SettingsRead(const std::string& path);

// The file's text for these settings.
std::string SettingsText(const Settings& settings);

// Writes the settings whole or not at all: to a temporary file in the same folder (made if
// missing), synced, then renamed over the file. A failure is one trace row and false; the old
// file is then as it was.
bool SettingsWrite(const std::string& path, const Settings& settings);
