// The network game's messages: their checks, their binary form and the host's answer to a Hello.
#include "net/messages.h"

#include <type_traits>

#include "net/room_code.h"
#include "net/transport.h"

namespace net {
namespace {

constexpr const char* kNames[] = {"hello",    "welcome",          "refuse",      "catch-up", "input",
                                  "quiet",    "state hash",       "roster",      "goodbye",  "desync",
                                  "progress", "presence",         "names",       "chat",     "ping",
                                  "people",   "spectator's chat", "fast-forward"};
static_assert(std::size(kNames) == std::variant_size_v<Message>);
static_assert(kMaxPeopleListed == kMaxJoiningPeers + 1 + kMaxWatchingPeers, "every machine and spectator");

constexpr std::uint8_t kKeyDown = 1;
constexpr std::uint8_t kKeyRepeat = 2;
constexpr std::size_t kSmallestFrame = 4 + 1;  // a frame number and a key count
static_assert(kMaxKeysPerFrame <= 255, "a frame's key count is one byte");
static_assert(1 + 1 + 2 + kMaxFramesPerInput * (kSmallestFrame + 2 * kMaxKeysPerFrame) <= kMaxMessageBytes,
              "the widest Input fits in a transport message");

// ---- Checks of meaning.

bool Fail(std::string* error, const std::string& what) {
    *error = what;
    return false;
}

bool CheckText(const std::string& text, std::size_t least, std::size_t most, const char* what,
               std::string* error) {
    if (text.size() < least || text.size() > most)
        return Fail(error, std::string(what) + " has " + std::to_string(text.size()) + " characters, not " +
                               std::to_string(least) + " to " + std::to_string(most));
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E)
            return Fail(error, std::string(what) + " has a character that is not printable");
    return true;
}

bool CheckFrameNumber(std::uint32_t frame, std::string* error) {
    if (frame > kMaxFrame) return Fail(error, "frame " + std::to_string(frame) + " is past the last frame");
    return true;
}

// Frames strictly increasing, each with 1 to kMaxKeysPerFrame sensible keys.
bool CheckFrames(const std::vector<FrameInput>& frames, std::string* error) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const FrameInput& f = frames[i];
        const std::string at = "frame " + std::to_string(f.frame);
        if (!CheckFrameNumber(f.frame, error)) return false;
        if (i > 0 && f.frame <= frames[i - 1].frame)
            return Fail(error, at + " comes after a later or equal frame");
        if (f.keys.empty() || f.keys.size() > kMaxKeysPerFrame)
            return Fail(error, at + " has " + std::to_string(f.keys.size()) + " keys, not 1 to " +
                                   std::to_string(kMaxKeysPerFrame));
        for (const KeyEvent& k : f.keys) {
            if (k.key == 0) return Fail(error, at + " has key code 0, which is no key");
            if (k.repeat && !k.down) return Fail(error, at + " has a repeated key going up");
        }
    }
    return true;
}

bool CheckMachine(std::uint8_t machine, std::uint8_t least, std::string* error) {
    if (machine < least || machine > kMaxMachine)
        return Fail(error, "machine " + std::to_string(machine) + " is not " + std::to_string(least) +
                               " to " + std::to_string(kMaxMachine));
    return true;
}

// A name or chat line: within its length, and clean as every machine cleans what it sends.
bool CheckPeopleText(const std::string& text, std::size_t least, std::size_t most, const char* what,
                     std::string* error) {
    if (text.size() < least || text.size() > most)
        return Fail(error, std::string(what) + " has " + std::to_string(text.size()) + " characters, not " +
                               std::to_string(least) + " to " + std::to_string(most));
    if (!IsCleanPeopleText(text, most)) return Fail(error, std::string(what) + " is not clean");
    return true;
}

bool CheckKind(MachineKind kind, std::string* error) {
    if (kind > MachineKind::Page)
        return Fail(error, "kind " + std::to_string(static_cast<int>(kind)) + " is unknown");
    return true;
}

bool Check(const Hello& m, std::string* error) {
    if (m.protocol != kProtocolNumber && !(m.name.empty() && m.kind == MachineKind::Game && m.code.empty()))
        return Fail(error, "a hello of another protocol has a name, a kind or a code");
    std::string code, ignored;
    if (!m.code.empty() && !(ParseRoomCode(m.code, &code, &ignored) && code == m.code))
        return Fail(error, "the join code is not a code");
    return CheckText(m.version, 1, kMaxVersionLength, "the version", error) &&
           CheckPeopleText(m.name, 0, kMaxNameLength, "the name", error) && CheckKind(m.kind, error);
}
bool Check(const Ping&, std::string*) { return true; }
bool Check(const Person& m, std::string* error) {
    if (!CheckMachine(m.machine, 0, error) || !CheckKind(m.kind, error)) return false;
    if (m.watching && m.machine != 0) return Fail(error, "a spectator has a machine");
    if (!m.watching && !m.name.empty()) return Fail(error, "a machine is named here");
    if (m.ping_ms > kMaxPingMs) return Fail(error, "a round trip of " + std::to_string(m.ping_ms) + " ms");
    return CheckPeopleText(m.name, 0, kMaxNameLength, "a spectator's name", error);
}
bool Check(const People& m, std::string* error) {
    if (m.people.empty() || m.people.size() > kMaxPeopleListed)
        return Fail(
            error, std::to_string(m.people.size()) + " people, not 1 to " + std::to_string(kMaxPeopleListed));
    std::uint32_t machines = 0;
    for (const Person& person : m.people) {
        if (!Check(person, error)) return false;
        if (person.watching) continue;
        if ((machines >> person.machine & 1) != 0)
            return Fail(error, "machine " + std::to_string(person.machine) + " is listed twice");
        machines |= 1u << person.machine;
    }
    return true;
}
bool Check(const SpectatorChat& m, std::string* error) {
    if (!CheckPeopleText(m.name, 0, kMaxNameLength, "the name", error)) return false;
    if (m.muted) return m.text.empty() || Fail(error, "a muting has a text");
    return CheckPeopleText(m.text, 1, kMaxChatLength, "the line", error);
}
bool Check(const Names& m, std::string* error) {
    if (m.names.empty() || m.names.size() > kMaxMachine + 1u)
        return Fail(error,
                    std::to_string(m.names.size()) + " names, not 1 to " + std::to_string(kMaxMachine + 1));
    for (const std::string& name : m.names)
        if (!CheckPeopleText(name, 0, kMaxNameLength, "a name", error)) return false;
    return true;
}
bool Check(const Chat& m, std::string* error) {
    if (!CheckMachine(m.machine, 0, error)) return false;
    if (m.muted) return m.text.empty() || Fail(error, "a muting has a text");
    return CheckPeopleText(m.text, 1, kMaxChatLength, "the line", error);
}
bool Check(const Welcome& m, std::string* error) {
    if (m.watch && (m.machine != 0 || m.token != 0))
        return Fail(error, "a spectator's welcome gives a machine or a token");
    if (m.watch) return true;
    if (m.token == 0) return Fail(error, "the token is 0, which is none");
    return CheckMachine(m.machine, 1, error);
}
bool Check(const Refuse& m, std::string* error) {
    return CheckText(m.reason, 1, kMaxReasonLength, "the reason", error);
}
bool Check(const Goodbye& m, std::string* error) {
    return CheckText(m.reason, 0, kMaxReasonLength, "the reason", error);
}
bool Check(const StateHash& m, std::string* error) { return CheckFrameNumber(m.frame, error); }
bool Check(const Desync& m, std::string* error) { return CheckFrameNumber(m.frame, error); }
bool Check(const Progress& m, std::string* error) { return CheckFrameNumber(m.frame, error); }
bool Check(const Presence& m, std::string* error) { return CheckMachine(m.machine, 1, error); }
bool Check(const FastForward&, std::string*) { return true; }

bool Check(const CatchUp& m, std::string* error) {
    if (m.text.empty() || m.text.size() > kMaxCatchUpChunk)
        return Fail(error, "a piece of " + std::to_string(m.text.size()) + " characters, not 1 to " +
                               std::to_string(kMaxCatchUpChunk));
    for (unsigned char c : m.text)
        if ((c < 0x20 || c > 0x7E) && c != '\n')
            return Fail(error, "the text has a character that is not printable");
    return true;
}

bool Check(const Input& m, std::string* error) {
    if (!CheckMachine(m.machine, 0, error)) return false;
    if (m.frames.empty() || m.frames.size() > kMaxFramesPerInput)
        return Fail(error, std::to_string(m.frames.size()) + " frames, not 1 to " +
                               std::to_string(kMaxFramesPerInput));
    return CheckFrames(m.frames, error);
}

bool Check(const Quiet& m, std::string* error) {
    if (!CheckMachine(m.machine, 0, error)) return false;
    if (!CheckFrameNumber(m.first, error) || !CheckFrameNumber(m.last, error)) return false;
    if (m.first > m.last)
        return Fail(error,
                    "frames " + std::to_string(m.first) + " to " + std::to_string(m.last) + " run backwards");
    return true;
}

bool Check(const Roster& m, std::string* error) {
    return CheckFrameNumber(m.frame, error) && CheckFrameNumber(m.last_input, error) &&
           CheckMachine(m.machine, 1, error);
}

// ---- Writing.

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>* out) : out_(out) {}
    void U8(std::uint8_t v) { out_->push_back(v); }
    void U16(std::uint16_t v) { Little(v, 2); }
    void U32(std::uint32_t v) { Little(v, 4); }
    void U64(std::uint64_t v) { Little(v, 8); }
    void LongText(const std::string& s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_->insert(out_->end(), s.begin(), s.end());
    }
    void Text(const std::string& s) {
        U8(static_cast<std::uint8_t>(s.size()));
        out_->insert(out_->end(), s.begin(), s.end());
    }
    void Frames(const std::vector<FrameInput>& frames) {
        for (const FrameInput& f : frames) {
            U32(f.frame);
            U8(static_cast<std::uint8_t>(f.keys.size()));
            for (const KeyEvent& k : f.keys) {
                U8(k.key);
                U8(static_cast<std::uint8_t>((k.down ? kKeyDown : 0) | (k.repeat ? kKeyRepeat : 0)));
            }
        }
    }

private:
    void Little(std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out_->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t>* out_;
};

void Write(Writer& w, const Hello& m) {
    w.U16(m.protocol);
    w.Text(m.version);
    w.U64(m.token);
    w.U8(m.watch ? 1 : 0);
    if (m.protocol != kProtocolNumber) return;
    w.Text(m.name);
    w.U8(static_cast<std::uint8_t>(m.kind));
    w.Text(m.code);
}
void Write(Writer& w, const Ping& m) {
    w.U32(m.number);
    w.U8(m.answer ? 1 : 0);
}
void Write(Writer& w, const People& m) {
    w.U8(static_cast<std::uint8_t>(m.people.size()));
    for (const Person& p : m.people) {
        w.U8(p.watching ? 1 : 0);
        w.U8(p.machine);
        w.U8(static_cast<std::uint8_t>(p.kind));
        w.U16(p.ping_ms);
        w.Text(p.name);
    }
    w.U8(m.spectators_heard ? 1 : 0);
}
void Write(Writer& w, const SpectatorChat& m) {
    w.Text(m.name);
    w.Text(m.text);
    w.U8(m.muted ? 1 : 0);
}
void Write(Writer& w, const Names& m) {
    w.U8(static_cast<std::uint8_t>(m.names.size()));
    for (const std::string& name : m.names) w.Text(name);
}
void Write(Writer& w, const Chat& m) {
    w.U8(m.machine);
    w.Text(m.text);
    w.U8(m.muted ? 1 : 0);
}
void Write(Writer& w, const Welcome& m) {
    w.U8(m.machine);
    w.U64(m.token);
    w.U8(m.watch ? 1 : 0);
}
void Write(Writer& w, const Refuse& m) { w.Text(m.reason); }
void Write(Writer& w, const CatchUp& m) {
    w.LongText(m.text);
    w.U8(m.last ? 1 : 0);
}
void Write(Writer& w, const Input& m) {
    w.U8(m.machine);
    w.U16(static_cast<std::uint16_t>(m.frames.size()));
    w.Frames(m.frames);
}
void Write(Writer& w, const Quiet& m) {
    w.U8(m.machine);
    w.U32(m.first);
    w.U32(m.last);
}
void Write(Writer& w, const StateHash& m) {
    w.U32(m.frame);
    w.U64(m.hash);
}
void Write(Writer& w, const Roster& m) {
    w.U32(m.frame);
    w.U8(m.machine);
    w.U8(m.joined ? 1 : 0);
    w.U32(m.last_input);
}
void Write(Writer& w, const Goodbye& m) { w.Text(m.reason); }
void Write(Writer& w, const Desync& m) {
    w.U32(m.frame);
    w.U64(m.ours);
    w.U64(m.theirs);
}
void Write(Writer& w, const Progress& m) { w.U32(m.frame); }
void Write(Writer& w, const Presence& m) {
    w.U8(m.machine);
    w.U8(m.away ? 1 : 0);
}
void Write(Writer& w, const FastForward& m) { w.U8(m.held ? 1 : 0); }

// ---- Reading. Every read checks what is left first; the first fault is kept and later reads give
// zeros, so a reader is written as straight-line code and asked once at the end.

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Little(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
    std::uint64_t U64() { return Little(8); }

    // A text after a 32-bit count, weighed against the bytes left.
    std::string LongText() { return Chars(U32()); }
    std::string Text() { return Chars(U8()); }

    bool Flag() {
        const std::uint8_t v = U8();
        if (v > 1) Broken("a flag of " + std::to_string(v) + " is neither 0 nor 1");
        return v == 1;
    }

    std::string Chars(std::size_t size) {
        if (!Need(size, "a text")) return {};
        std::string s(reinterpret_cast<const char*>(bytes_.data() + at_), size);
        at_ += size;
        return s;
    }

    // `count` frames; the count is weighed against the bytes left before anything is reserved.
    std::vector<FrameInput> Frames(std::size_t count) {
        std::vector<FrameInput> frames;
        if (count > Left() / kSmallestFrame) {
            Broken("the frame count " + std::to_string(count) + " is more than the message holds");
            return frames;
        }
        frames.resize(count);
        for (FrameInput& f : frames) {
            f.frame = U32();
            f.keys.resize(U8());
            for (KeyEvent& k : f.keys) {
                k.key = U8();
                const std::uint8_t flags = U8();
                if (flags & ~(kKeyDown | kKeyRepeat))
                    Broken("key flags " + std::to_string(flags) + " are unknown");
                k.down = flags & kKeyDown;
                k.repeat = flags & kKeyRepeat;
            }
            if (!fault_.empty()) break;
        }
        return frames;
    }

    // True if everything was read without a fault and nothing is left over.
    bool Finish(std::string* error) {
        if (fault_.empty() && at_ != bytes_.size())
            Broken(std::to_string(bytes_.size() - at_) + " bytes left over at the end");
        if (fault_.empty()) return true;
        *error = fault_;
        return false;
    }

private:
    std::size_t Left() const { return bytes_.size() - at_; }

    void Broken(const std::string& why) {
        if (fault_.empty()) fault_ = why;
    }

    bool Need(std::size_t n, const char* what) {
        if (!fault_.empty()) return false;
        if (n > Left()) {
            Broken(std::string("the message ends inside ") + what);
            return false;
        }
        return true;
    }

    std::uint64_t Little(int n) {
        if (!Need(static_cast<std::size_t>(n), "a number")) return 0;
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(bytes_[at_ + i]) << (8 * i);
        at_ += static_cast<std::size_t>(n);
        return v;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    std::string fault_;
};

void Read(Reader& r, Hello& m) {
    m.protocol = r.U16();
    m.version = r.Text();
    m.token = r.U64();
    m.watch = r.Flag();
    // A hello of another protocol ends where older ones do, so that the answer can name both versions.
    if (m.protocol != kProtocolNumber) return;
    m.name = r.Text();
    m.kind = static_cast<MachineKind>(r.U8());
    m.code = r.Text();
}
void Read(Reader& r, Ping& m) {
    m.number = r.U32();
    m.answer = r.Flag();
}
// At most 255 people: the count is checked once read.
void Read(Reader& r, People& m) {
    m.people.resize(r.U8());
    for (Person& p : m.people) {
        p.watching = r.Flag();
        p.machine = r.U8();
        p.kind = static_cast<MachineKind>(r.U8());
        p.ping_ms = r.U16();
        p.name = r.Text();
    }
    m.spectators_heard = r.Flag();
}
void Read(Reader& r, SpectatorChat& m) {
    m.name = r.Text();
    m.text = r.Text();
    m.muted = r.Flag();
}
// At most 255 names of at most 255 characters: the count is checked once read.
void Read(Reader& r, Names& m) {
    m.names.resize(r.U8());
    for (std::string& name : m.names) name = r.Text();
}
void Read(Reader& r, Chat& m) {
    m.machine = r.U8();
    m.text = r.Text();
    m.muted = r.Flag();
}
void Read(Reader& r, Welcome& m) {
    m.machine = r.U8();
    m.token = r.U64();
    m.watch = r.Flag();
}
void Read(Reader& r, Refuse& m) { m.reason = r.Text(); }
void Read(Reader& r, CatchUp& m) {
    m.text = r.LongText();
    m.last = r.Flag();
}
void Read(Reader& r, Input& m) {
    m.machine = r.U8();
    m.frames = r.Frames(r.U16());
}
void Read(Reader& r, Quiet& m) {
    m.machine = r.U8();
    m.first = r.U32();
    m.last = r.U32();
}
void Read(Reader& r, StateHash& m) {
    m.frame = r.U32();
    m.hash = r.U64();
}
void Read(Reader& r, Roster& m) {
    m.frame = r.U32();
    m.machine = r.U8();
    m.joined = r.Flag();
    m.last_input = r.U32();
}
void Read(Reader& r, Goodbye& m) { m.reason = r.Text(); }
void Read(Reader& r, Desync& m) {
    m.frame = r.U32();
    m.ours = r.U64();
    m.theirs = r.U64();
}
void Read(Reader& r, Progress& m) { m.frame = r.U32(); }
void Read(Reader& r, Presence& m) {
    m.machine = r.U8();
    m.away = r.Flag();
}
void Read(Reader& r, FastForward& m) { m.held = r.Flag(); }

// The alternative of the variant with index `type`, default-made, for reading into.
template <std::size_t I = 0>
bool MakeAlternative(std::size_t type, Message* message) {
    if constexpr (I < std::variant_size_v<Message>) {
        if (type == I) {
            message->emplace<I>();
            return true;
        }
        return MakeAlternative<I + 1>(type, message);
    } else {
        return false;
    }
}

}  // namespace

bool CheckMessage(const Message& message, std::string* error) {
    std::string fault;
    const bool ok = std::visit([&](const auto& m) { return Check(m, &fault); }, message);
    if (!ok) *error = std::string(kNames[message.index()]) + " message: " + fault;
    return ok;
}

bool EncodeMessage(const Message& message, std::vector<std::uint8_t>* out, std::string* error) {
    out->clear();
    if (!CheckMessage(message, error)) return false;
    Writer w(out);
    w.U8(static_cast<std::uint8_t>(message.index() + 1));
    std::visit([&](const auto& m) { Write(w, m); }, message);
    if (out->size() > kMaxMessageBytes) {
        *error = std::string(kNames[message.index()]) + " message of " + std::to_string(out->size()) +
                 " bytes is too large to send";
        out->clear();
        return false;
    }
    return true;
}

bool DecodeMessage(std::span<const std::uint8_t> bytes, Message* message, std::string* error) {
    if (bytes.empty() || bytes.size() > kMaxMessageBytes) {
        *error = bytes.empty()
                     ? "an empty message"
                     : "a message of " + std::to_string(bytes.size()) + " bytes, more than any sent";
        return false;
    }
    if (!MakeAlternative(static_cast<std::size_t>(bytes[0]) - 1, message)) {
        *error = "a message of unknown type " + std::to_string(bytes[0]);
        return false;
    }
    Reader r(bytes.subspan(1));
    std::visit([&](auto& m) { Read(r, m); }, *message);
    std::string fault;
    if (!r.Finish(&fault)) {
        *error = std::string(kNames[message->index()]) + " message: " + fault;
        return false;
    }
    return CheckMessage(*message, error);
}

Message AnswerHello(const Hello& hello, const std::string& our_version, std::uint8_t machine,
                    std::uint64_t token) {
    if (hello.protocol == kProtocolNumber && hello.version == our_version)
        return hello.watch ? Welcome{0, 0, true} : Welcome{machine, token};
    std::string reason = "this game is version " + our_version + " (protocol " +
                         std::to_string(kProtocolNumber) + "), yours is " + hello.version + " (protocol " +
                         std::to_string(hello.protocol) + ")";
    if (reason.size() > kMaxReasonLength) reason.resize(kMaxReasonLength);
    return Refuse{reason};
}

}  // namespace net
