// A replay: what a run of the game needs to be played again exactly, and its small text file.
//
// A run is reproduced by the seed start-up fed to the random generator, the options and seat
// controllers it started with, and the input that reached the game from outside the rules: a
// person's keys as ProcessKeyEvent was handed them, activation changes and the close. Each is
// stamped with the number of frame steps run before it. Computer players' keys are not
// kept: they are worked out again as the replay runs.
//
// The file, one item a line, words separated by one space, every number decimal:
//
//     lobshot-replay 2
//     game 0.1
//     seed 3141
//     gravity 0
//     wind 0
//     controllers human beginner normal expert human human human human
//     120 down 13
//     120 up 13
//     260 repeat 37
//     900 activateapp 0
//     930 activate 1
//     1500 close
//     end 1520
//
// A network game adds the machines' news: "400 joined 2", "900 left 2" and "950 offline" (the game
// left the network and went back to the title).
//
// Events come in the order they reached the game, so their stamps never go down, and
// none is later than the end line's frame-step count. A file without its end line is incomplete.
//
// A run cut short (the game was killed, or the machine stopped) ends in "cut N" instead of the end
// line: the game writes its replay as it goes, and at its next start keeps what a run cut short
// had written, up to its last whole line, with N the last event's stamp. It plays to that step.
// The end line is at most REPLAY_QUIET_STEPS frame steps after the last event (after step 0 when
// there is none), and no stamp nor the end line is past REPLAY_LONGEST_STEPS: a run that claims more
// is refused rather than played for hours.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/globals.h"
#include "platform/input.h"

// The format's own version (the first line) and the game's (the second): a replay is played only
// by the game that made it, since any change to the rules plays its keys differently. Format 1 is
// read too: its controllers are human, easy, normal and hard, the three levels the computer had
// then, which play those replays with their behaviour of that time (ControllerEarlyEasy and on).
constexpr int REPLAY_FORMAT_VERSION = 2;
const char* ReplayGameVersion();

// Files longer than this are refused before they are parsed; an hour's play is well under 1 MB.
constexpr std::size_t LARGEST_REPLAY_FILE = std::size_t{64} << 20;

// The most frame steps a run may go on after its last input: six hours at 50 steps a second. A game
// left at a screen, or computers playing among themselves and then waiting at the end of the
// match, may run that long without a key; no real game runs longer untouched, and playing back a
// run that claims more would take the runner, or a machine joining a network game, far too long.
constexpr std::uint32_t REPLAY_QUIET_STEPS = 6 * 60 * 60 * 50;
// The most frame steps a whole run may take: a day at 50 steps a second, longer than any real game.
// However its input is spread, a run that claims more would take as long to play back.
constexpr std::uint32_t REPLAY_LONGEST_STEPS = 24 * 60 * 60 * 50;

struct ReplayEvent {
    enum Kind : std::uint8_t {
        KeyDown,
        KeyUp,
        KeyRepeat,
        ActivateApp,
        Activate,
        Close,
        Joined,
        Left,
        Offline
    };
    std::uint32_t step = 0;  // frame steps run before the input
    Kind kind = KeyDown;
    std::uint32_t value = 0;  // the key's virtual-key code (0 to 255), the activation's wParam, or a machine

    bool operator==(const ReplayEvent&) const = default;
};

struct ReplayRecord {
    std::string game = ReplayGameVersion();
    std::uint32_t seed = 0;
    std::uint32_t landscapeGravity = 0;  // LandscapeGravityOption: 0 or 1
    std::int32_t wind = 0;               // WindOption: 0 to 3
    std::array<Controller, PLAYER_SEATS> controllers{};
    bool earlyLevels = false;  // a format 1 replay: its levels are the early ones
    std::vector<ReplayEvent> events;
    std::uint32_t steps = 0;  // frame steps of the whole run
    bool cutShort = false;    // ends in a cut line: the run went on after `steps`, unrecorded

    bool operator==(const ReplayRecord&) const = default;
};

// The input an event stands for.
InputEvent ReplayEventInput(const ReplayEvent& event);

// The event for input reaching the game, stamped with `step`; false for input a replay does not
// keep (a key with a code of KEY_COUNT or more, a machine numbered outside 1 to MAX_MACHINES - 1).
bool ReplayEventFor(const InputEvent& input, std::uint32_t step, ReplayEvent* event);

std::string FormatReplay(const ReplayRecord& replay);
// The file's pieces: its head (the lines before the events), one event's line, and the end (or
// cut) line. FormatReplay is the three in order.
std::string FormatReplayHead(const ReplayRecord& replay);
std::string FormatReplayEvent(const ReplayEvent& event);
std::string FormatReplayEnd(const ReplayRecord& replay);

// Parses a whole file. On failure returns false with "line N: what is wrong" in *error and leaves
// *replay in an unspecified but valid state. Never reads past the text; any bytes may be given.
bool ParseReplay(const std::string& text, ReplayRecord* replay, std::string* error);

// Parses what a run cut short left: the head, then every event up to the last whole line or to the
// first line that is not one (a torn or damaged end), cut at the last event's stamp (cutShort set).
// A text that reaches an end or cut line is read as ParseReplay reads it. False, with the reason,
// only when the head is not all there. Never reads past the text.
bool ParseCutShortReplay(const std::string& text, ReplayRecord* replay, std::string* error);
