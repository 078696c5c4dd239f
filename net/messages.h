// The messages machines exchange in a network game, and their checked binary form.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "net/people_text.h"

namespace net {

// Raised whenever the meaning or the form of a message changes; machines with different numbers
// do not play together.
constexpr std::uint16_t kProtocolNumber = 8;

// Limits every message is checked against, sending and receiving.
constexpr std::size_t kMaxVersionLength = 32;  // printable ASCII
constexpr std::size_t kMaxReasonLength = 200;  // printable ASCII
// A frame's keys: a burst far beyond any person's, within the count's byte. The widest Input (every
// frame with every key) still fits in a transport message.
constexpr std::size_t kMaxKeysPerFrame = 250;
constexpr std::size_t kMaxFramesPerInput = 128;  // frames stamped in one Input message
constexpr std::uint32_t kMaxFrame = 0x7FFFFFFF;  // frame numbers run from 0 to this
constexpr std::uint8_t kMaxMachine = 7;          // machines are numbered 0 (the host) to 7
constexpr std::size_t kMaxCatchUpChunk = 60000;  // characters of the timeline in one message
constexpr std::uint16_t kMaxPingMs = 9999;       // a round trip as the host shows it, at most
// The people a room lists: its eight machines and the spectators the host takes (transport.h).
constexpr std::size_t kMaxPeopleListed = 8 + 64;

// What a machine or spectator runs the game in: the native game, or the web page.
enum class MachineKind : std::uint8_t { Game = 0, Page = 1 };

// One key message as a frame step reads it. Key codes run from 1 to 255; a repeat is always a
// key going down.
struct KeyEvent {
    bool down = true;
    std::uint8_t key = 0;
    bool repeat = false;
    bool operator==(const KeyEvent&) const = default;
};

// The keys one machine's player pressed in one frame; frames without keys need not be sent.
struct FrameInput {
    std::uint32_t frame = 0;
    std::vector<KeyEvent> keys;  // 1 to kMaxKeysPerFrame, in the order they happened
    bool operator==(const FrameInput&) const = default;
};

// A joining machine's first words. A machine that was in this host's game before offers the token
// the host gave it then, so that it gets its number (and its people's seats) back; 0 offers none.
// A spectator asks to watch: it follows the game and plays no seat; it offers no token. The name is
// its person's, clean (people_text.h); empty when none was given. The kind says what the sender
// runs the game in, for the waiting room to show. A host that asks for a join code takes only
// machines and spectators that give it (net/room_code.h's form).
struct Hello {
    std::uint16_t protocol = kProtocolNumber;
    std::string version;  // the game's version, 1 to kMaxVersionLength characters
    std::uint64_t token = 0;
    bool watch = false;
    std::string name{};  // 0 to kMaxNameLength characters; none in a hello of another protocol
    MachineKind kind = MachineKind::Game;  // none in a hello of another protocol
    std::string code{};                    // "" or kRoomCodeLength characters of kCodeAlphabet; as name
    bool operator==(const Hello&) const = default;
};

// The host takes the machine and gives it its number, and a token (never 0) for coming back as
// that number: a secret between the host and the machine, no part of the game. A spectator's
// welcome says it watches, with machine 0 and token 0: it is no machine of the game.
struct Welcome {
    std::uint8_t machine = 1;  // 1 to kMaxMachine; 0 when watching
    std::uint64_t token = 1;   // 0 when watching, else never 0
    bool watch = false;
    bool operator==(const Welcome&) const = default;
};

// The host turns the machine away; the reason is for the player to read.
struct Refuse {
    std::string reason;  // 1 to kMaxReasonLength characters
    bool operator==(const Refuse&) const = default;
};

// Everything a machine joining a game under way needs to catch up: the game so far as the text of
// its replay (the seed, the start and every event the frame steps read), sent in pieces; the last
// piece says so. Printable characters and line ends only.
struct CatchUp {
    std::string text;  // 1 to kMaxCatchUpChunk characters
    bool last = false;
    bool operator==(const CatchUp&) const = default;
};

// Keys of one machine for some frames, strictly increasing, 1 to kMaxFramesPerInput of them. A
// joined machine sends its own; the host passes every machine's on to the others.
struct Input {
    std::uint8_t machine = 0;
    std::vector<FrameInput> frames;
    bool operator==(const Input&) const = default;
};

// The machine had no keys from frame `first` to frame `last`, both included.
struct Quiet {
    std::uint8_t machine = 0;
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const Quiet&) const = default;
};

// The game's state hash as a turn starts, for machines to compare: a guest's to the host, and the
// host's to its spectators.
struct StateHash {
    std::uint32_t frame = 0;
    std::uint64_t hash = 0;
    bool operator==(const StateHash&) const = default;
};

// The host's news of a machine joining or leaving, taking effect before frame `frame` runs. A machine
// that left sent nothing for frames after `last_input`; its seats are the computer's from `frame`.
struct Roster {
    std::uint32_t frame = 0;
    std::uint8_t machine = 1;  // 1 to kMaxMachine
    bool joined = true;
    std::uint32_t last_input = 0;  // left only
    bool operator==(const Roster&) const = default;
};

// The sender leaves the game.
struct Goodbye {
    std::string reason;  // 0 to kMaxReasonLength characters
    bool operator==(const Goodbye&) const = default;
};

// The sender's state differs from what the receiver reported for the frame.
struct Desync {
    std::uint32_t frame = 0;
    std::uint64_t ours = 0;
    std::uint64_t theirs = 0;
    bool operator==(const Desync&) const = default;
};

// The host's frame steps have reached `frame` (it has run that many). The host says so to the joined
// machines now and then while one of them owns the moment, which its own stamps then do not tell:
// the owner runs no further ahead of the host than the host takes stamps for.
struct Progress {
    std::uint32_t frame = 0;
    bool operator==(const Progress&) const = default;
};

// A machine's person is away (its page went to the background or was frozen) or back. A guest says
// so of itself to the host, which passes it on; the others then wait for it longer in its own moment.
struct Presence {
    std::uint8_t machine = 1;  // 1 to kMaxMachine
    bool away = true;
    bool operator==(const Presence&) const = default;
};

// The host's word of every machine's person's name, by machine number (0 the host): sent to every
// machine and spectator whenever one changes. A name is clean (people_text.h); empty for a machine
// without one, which is then called as it always was ("the host", "Guest 2").
struct Names {
    std::vector<std::string> names;  // 1 to kMaxMachine + 1 of them, each 0 to kMaxNameLength characters
    bool operator==(const Names&) const = default;
};

// A chat line. A guest sends its own to the host; the host passes each line it takes on to every
// machine (the sender too) and spectator, and says when it mutes a machine that sent too many
// (`muted`, and no text). The line is clean (people_text.h).
struct Chat {
    std::uint8_t machine = 0;  // 0 to kMaxMachine: whose line it is
    std::string text;          // 1 to kMaxChatLength characters; none when muted
    bool muted = false;
    bool operator==(const Chat&) const = default;
};

// The host asks every machine and spectator now and then how long a message takes there and back:
// it sends a number, and the other end answers with the same number at once. Only the host asks;
// an answer with any number but the last asked counts for nothing.
struct Ping {
    std::uint32_t number = 0;
    bool answer = false;
    bool operator==(const Ping&) const = default;
};

// Someone in the room as the host lists them: a machine of the game by its number, or a spectator
// by its person's name; what it runs the game in, and its round trip to the host in milliseconds
// (0 for the host itself and for one not measured yet).
struct Person {
    bool watching = false;
    std::uint8_t machine = 0;  // 0 to kMaxMachine; 0 for a spectator
    MachineKind kind = MachineKind::Game;
    std::uint16_t ping_ms = 0;  // 0 to kMaxPingMs
    std::string name;           // a spectator's, clean, 0 to kMaxNameLength characters; none for a machine
    bool operator==(const Person&) const = default;
};

// The host's word of who is in the room (every machine connected, itself first, then the spectators),
// sent to every machine and spectator when it changes; and whether the players hear the spectators'
// chat lines.
struct People {
    std::vector<Person> people;  // 1 to kMaxPeopleListed, no machine twice
    bool spectators_heard = false;
    bool operator==(const People&) const = default;
};

// A spectator's chat line. A spectator sends its own to the host without a name; the host passes
// each line it takes on, with the spectator's name, to the other spectators and, when it lets the
// players hear them, to every machine; and says when it mutes a spectator that sent too many
// (`muted`, and no text).
struct SpectatorChat {
    std::string name;  // 0 to kMaxNameLength characters, clean; none from the spectator itself
    std::string text;  // 1 to kMaxChatLength characters, clean; none when muted
    bool muted = false;
    bool operator==(const SpectatorChat&) const = default;
};

using Message = std::variant<Hello, Welcome, Refuse, CatchUp, Input, Quiet, StateHash, Roster, Goodbye,
                             Desync, Progress, Presence, Names, Chat, Ping, People, SpectatorChat>;

// Checks a message's meaning: lengths, counts, characters, ranges and order of frame numbers, key
// codes and flags, and machine numbers. Returns false and says what is wrong in *error.
bool CheckMessage(const Message& message, std::string* error);

// The binary form: a type byte, then the fields little-endian, strings and lists after a count.
// One message has one form only. Returns false (and *out empty) if CheckMessage refuses it or it
// would not fit in a transport message.
bool EncodeMessage(const Message& message, std::vector<std::uint8_t>* out, std::string* error);

// Reads one whole message, refusing anything short, long, unknown or meaningless; the error then
// names the fault, and the caller disconnects the machine that sent it.
bool DecodeMessage(std::span<const std::uint8_t> bytes, Message* message, std::string* error);

// The host's answer to a Hello: a Welcome as machine `machine` with its token (a spectator's: to
// watch), or a Refuse naming both machines' versions when the protocol or the version differs.
Message AnswerHello(const Hello& hello, const std::string& our_version, std::uint8_t machine,
                    std::uint64_t token);

}  // namespace net
