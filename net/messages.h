// The messages machines exchange in a network game, and their checked binary form.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace net {

// Raised whenever the meaning or the form of a message changes; machines with different numbers
// do not play together.
constexpr std::uint16_t kProtocolNumber = 1;

// Limits every message is checked against, sending and receiving.
constexpr std::size_t kMaxVersionLength = 32;  // printable ASCII
constexpr std::size_t kMaxReasonLength = 200;  // printable ASCII
constexpr std::size_t kMaxKeysPerFrame = 32;
constexpr std::size_t kMaxFramesPerInput = 256;  // frames stamped in one Input message
constexpr std::uint32_t kMaxFrame = 0x7FFFFFFF;  // frame numbers run from 0 to this
constexpr int kSeats = 8;
constexpr std::uint8_t kMaxController = 10;  // see SeatHandover

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

// What the player choice screen settles, for every machine to start alike.
struct GameSettings {
    std::uint8_t players = 2;                        // 2 to 8
    std::uint8_t gravity = 0;                        // landscape gravity: 0 off, 1 on
    std::uint8_t wind = 0;                           // 0 none, 1 constant, 2 variable, 3 random
    std::array<std::uint8_t, kSeats> controllers{};  // 0 a person, 1 to 3 a computer (Easy to Hard)
    bool operator==(const GameSettings&) const = default;
};

// A joining machine's first words.
struct Hello {
    std::uint16_t protocol = kProtocolNumber;
    std::string version;  // the game's version, 1 to kMaxVersionLength characters
    bool operator==(const Hello&) const = default;
};

// The host takes the machine and gives it a seat.
struct Welcome {
    std::uint8_t seat = 0;  // 0 to 7
    bool operator==(const Welcome&) const = default;
};

// The host turns the machine away; the reason is for the player to read.
struct Refuse {
    std::string reason;  // 1 to kMaxReasonLength characters
    bool operator==(const Refuse&) const = default;
};

// Everything a machine joining a game under way needs to catch up: the start, and every key so far.
struct CatchUp {
    std::uint32_t seed = 0;
    GameSettings settings;
    std::uint32_t frame = 0;           // the frame the game has reached
    std::vector<FrameInput> timeline;  // frames strictly increasing, none past `frame`
    bool operator==(const CatchUp&) const = default;
};

// Keys for some frames, strictly increasing, 1 to kMaxFramesPerInput of them.
struct Input {
    std::vector<FrameInput> frames;
    bool operator==(const Input&) const = default;
};

// The sender had no keys from frame `first` to frame `last`, both included.
struct Quiet {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const Quiet&) const = default;
};

// The game's state hash as a turn starts, for machines to compare.
struct StateHash {
    std::uint32_t frame = 0;
    std::uint64_t hash = 0;
    bool operator==(const StateHash&) const = default;
};

// From `frame` on, a seat is driven by someone else: controller 0 to 7 is the machine of that
// number, 8 to 10 the computer at Easy, Normal or Hard.
struct SeatHandover {
    std::uint32_t frame = 0;
    std::uint8_t seat = 0;
    std::uint8_t controller = 0;
    bool operator==(const SeatHandover&) const = default;
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

using Message =
    std::variant<Hello, Welcome, Refuse, CatchUp, Input, Quiet, StateHash, SeatHandover, Goodbye, Desync>;

// Checks a message's meaning: lengths, counts, characters, ranges and order of frame numbers, key
// codes and flags, seats and controllers. Returns false and says what is wrong in *error.
bool CheckMessage(const Message& message, std::string* error);

// The binary form: a type byte, then the fields little-endian, strings and lists after a count.
// One message has one form only. Returns false (and *out empty) if CheckMessage refuses it or it
// would not fit in a transport message.
bool EncodeMessage(const Message& message, std::vector<std::uint8_t>* out, std::string* error);

// Reads one whole message, refusing anything short, long, unknown or meaningless; the error then
// names the fault, and the caller disconnects the machine that sent it.
bool DecodeMessage(std::span<const std::uint8_t> bytes, Message* message, std::string* error);

// The host's answer to a Hello: a Welcome to `seat`, or a Refuse naming both machines' versions when
// the protocol or the version differs.
Message AnswerHello(const Hello& hello, const std::string& our_version, std::uint8_t seat);

}  // namespace net
