// A replay: what a run of the game needs to be played again exactly, and its small text file.
//
// A run is reproduced by the seed start-up fed to the random generator, the options and seat
// controllers it started with, and the input that reached the game through ApplyInput: a person's
// keys, the computer players' keys, activation changes, the close and the network's news. Each is
// stamped with the number of frame steps run before it. A replay holds every key that moved the
// game, so it needs only the rules to play, never the computer players' code.
//
// The file, one item a line, words separated by one space, every number decimal:
//
//     lobshot-replay 3
//     rules 1
//     seed 3141
//     gravity 0
//     wind 0
//     controllers human beginner normal expert human human human human
//     choice 4 0 2
//     120 down 13
//     120 up 13
//     260 repeat 37
//     300 computer 90
//     300 computer 81
//     900 activateapp 0
//     930 activate 1
//     1500 close
//     end 1520
//
// The gravity and wind lines hold the options as start-up found them, before it set its own. The
// choice line holds what the player choice screen started with (StartChoice): the number of players
// (2 to 8), gravity (0 or 1) and the wind (0 to 3). A replay without one started with two players,
// gravity on and no wind (files before it, and every run that started so).
//
// "computer K" is a computer player's key K, pressed and released at once in the frame step after
// the events before the step with its stamp; a person's keys are down, up and repeat. A network game
// adds the machines' news: "400 joined 2", "900 left 2" and "950 offline" (the game left the network
// and went back to the title); and remarks, which change nothing the game computes and are passed
// over when the replay plays: a machine's person's name ("410 name 2 Ann", or "410 name 2" for none)
// and a chat line ("700 chat 2 good shot"), each clean (net/people_text.h). Files before remarks have
// none, and play as ever.
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
//
// Formats 1 and 2, made by Lobshot 0.1, have "game 0.1" where the rules line is, and no computer
// keys: the computers worked them out again as the replay ran. They are read as replays of rules
// version 1 (the rules for people did not change), played while only people press keys: one that
// names a computer, or whose computer players come to press a key, is refused, since their code
// has changed since.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/rules_version.h"
#include "platform/input.h"

// The format this game writes (the first line). A replay is played only by a game of the rules
// that made it (the second line), since any change to the rules plays its keys differently.
constexpr int REPLAY_FORMAT_VERSION = 3;
// The game's version as a network game's machines compare it, the release and its rules version
// ("0.1 rules 1"): machines of different rules never play together.
const char* ReplayGameVersion();
// Why a replay of format 1 or 2 that the computer players play cannot be played.
constexpr const char* OLD_COMPUTERS_REFUSAL =
    "made by Lobshot 0.1, whose computer players cannot be played again";

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
        Offline,
        Computer,
        Name,
        Chat
    };
    std::uint32_t step = 0;  // frame steps run before the input
    Kind kind = KeyDown;
    // The key's virtual-key code (0 to 255), the activation's wParam, or a machine (a remark's: 0 to
    // MAX_MACHINES - 1).
    std::uint32_t value = 0;
    std::string text{};  // a remark's name (maybe empty) or chat line; empty for every other event

    bool operator==(const ReplayEvent&) const = default;
};

struct ReplayRecord {
    int format = REPLAY_FORMAT_VERSION;  // 1 and 2 are only read
    std::uint32_t seed = 0;
    std::uint32_t landscapeGravity = 0;  // LandscapeGravityOption: 0 or 1
    std::int32_t wind = 0;               // WindOption: 0 to 3
    std::array<Controller, PLAYER_SEATS> controllers{};
    StartChoice choice;  // what the player choice started with
    std::vector<ReplayEvent> events;
    std::uint32_t steps = 0;  // frame steps of the whole run
    bool cutShort = false;    // ends in a cut line: the run went on after `steps`, unrecorded

    bool operator==(const ReplayRecord&) const = default;
};

// A name or a chat line: kept in the replay, no input of the game's.
bool ReplayEventIsRemark(const ReplayEvent& event);

// The input an event stands for (not a remark).
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
