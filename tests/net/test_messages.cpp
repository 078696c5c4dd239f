// The network game's messages (round trips, exact binary form, refusal of every fault) and addresses.
#include <gtest/gtest.h>

#include "net/messages.h"
#include "net/transport.h"

namespace {

using namespace net;

std::vector<std::uint8_t> Encoded(const Message& m) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(EncodeMessage(m, &bytes, &error)) << error;
    return bytes;
}

// Decoding must fail, with an error that contains `expected`.
void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& expected) {
    Message m;
    std::string error;
    EXPECT_FALSE(DecodeMessage(bytes, &m, &error)) << "accepted, expected: " << expected;
    EXPECT_NE(error.find(expected), std::string::npos) << "error: " << error << "\nexpected: " << expected;
}

FrameInput Frame(std::uint32_t frame, std::vector<KeyEvent> keys) { return {frame, std::move(keys)}; }

// One of every kind of message, with values at the edges of their ranges.
std::vector<Message> Samples() {
    std::vector<KeyEvent> most_keys(kMaxKeysPerFrame, KeyEvent{false, 255, false});
    most_keys[0] = {true, 1, true};
    Input longest;
    for (std::uint32_t f = 0; f < kMaxFramesPerInput; ++f)
        longest.frames.push_back(Frame(f * 3, {{true, 32, false}}));
    return {
        Hello{kProtocolNumber, "0.1", 0},
        Hello{65535, std::string(kMaxVersionLength, '~'), 0xFFFFFFFFFFFFFFFFull},
        Welcome{7, 0xFFFFFFFFFFFFFFFFull},
        Welcome{1, 1},
        Hello{kProtocolNumber, "0.1", 0, true},
        Welcome{0, 0, true},
        Refuse{"full"},
        CatchUp{"lobshot-replay 1\ngame 0.1\n", false},
        CatchUp{std::string(kMaxCatchUpChunk, '~'), true},
        Input{0, {Frame(12, {{true, 37, false}, {true, 37, true}, {false, 37, false}})}},
        Input{7, {Frame(0, most_keys), Frame(kMaxFrame, {{false, 90, false}})}},
        longest,
        Quiet{3, 5, 5},
        Quiet{0, 0, kMaxFrame},
        StateHash{kMaxFrame, 0xFFFFFFFFFFFFFFFFull},
        Roster{100, 7, false, 99},
        Roster{0, 1, true, 0},
        Goodbye{""},
        Goodbye{std::string(kMaxReasonLength, 'x')},
        Desync{42, 1, 0x8000000000000000ull},
        Progress{kMaxFrame},
        Presence{7, true},
        Presence{1, false},
        Hello{kProtocolNumber, "0.1", 5, false, std::string(kMaxNameLength, '}')},
        Names{{"Ann", ""}},
        Names{std::vector<std::string>(kMaxMachine + 1, std::string(kMaxNameLength, 'z'))},
        Chat{0, std::string(kMaxChatLength, 'x')},
        Chat{7, "", true},
    };
}

TEST(NetMessages, EveryKindSurvivesARoundTrip) {
    for (const Message& m : Samples()) {
        const std::vector<std::uint8_t> bytes = Encoded(m);
        Message back;
        std::string error;
        ASSERT_TRUE(DecodeMessage(bytes, &back, &error)) << "kind " << m.index() << ": " << error;
        EXPECT_EQ(back, m) << "kind " << m.index();
    }
}

TEST(NetMessages, BinaryFormIsTypeThenLittleEndianFields) {
    EXPECT_EQ(Encoded(StateHash{0x01020304, 0x1112131415161718ull}),
              (std::vector<std::uint8_t>{7, 4, 3, 2, 1, 0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11}));
    // A hello's token and a welcome's follow the rest, eight bytes little-endian.
    // Then the flag of a spectator.
    EXPECT_EQ(Encoded(Hello{0x0102, "ab", 0x0807060504030201ull}),
              (std::vector<std::uint8_t>{1, 2, 1, 2, 'a', 'b', 1, 2, 3, 4, 5, 6, 7, 8, 0}));
    EXPECT_EQ(Encoded(Hello{0x0102, "ab", 0, true}),
              (std::vector<std::uint8_t>{1, 2, 1, 2, 'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Encoded(Welcome{3, 0x1122ull}),
              (std::vector<std::uint8_t>{2, 3, 0x22, 0x11, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Encoded(Welcome{0, 0, true}), (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    // The machine, a frame count, then a frame: its number, a key count, and per key its code and
    // flags (1 down, 2 repeat).
    EXPECT_EQ(Encoded(Input{4, {Frame(9, {{true, 65, true}, {false, 66, false}})}}),
              (std::vector<std::uint8_t>{5, 4, 1, 0, 9, 0, 0, 0, 2, 65, 3, 66, 0}));
    EXPECT_EQ(Encoded(CatchUp{"ab", true}), (std::vector<std::uint8_t>{4, 2, 0, 0, 0, 'a', 'b', 1}));
    EXPECT_EQ(Encoded(Roster{0x0102, 3, false, 0x0101}),
              (std::vector<std::uint8_t>{8, 2, 1, 0, 0, 3, 0, 1, 1, 0, 0}));
}

TEST(NetMessages, EveryShortenedOrLengthenedFormIsRefused) {
    for (const Message& m : Samples()) {
        const std::vector<std::uint8_t> bytes = Encoded(m);
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            Message back;
            std::string error;
            EXPECT_FALSE(DecodeMessage(std::span(bytes.data(), size), &back, &error))
                << "kind " << m.index() << " cut to " << size;
        }
        std::vector<std::uint8_t> longer = bytes;
        longer.push_back(0);
        ExpectRefused(longer, "1 bytes left over");
    }
}

TEST(NetMessages, UnknownTypesEmptyAndOverlongMessagesAreRefused) {
    ExpectRefused({}, "empty");
    ExpectRefused({0}, "unknown type 0");
    constexpr auto past_the_last = static_cast<std::uint8_t>(std::variant_size_v<Message> + 1);
    ExpectRefused({past_the_last, 0}, "unknown type " + std::to_string(past_the_last));
    ExpectRefused({255}, "unknown type 255");
    std::vector<std::uint8_t> too_long(kMaxMessageBytes + 1, 0);
    too_long[0] = 9;
    ExpectRefused(too_long, std::to_string(kMaxMessageBytes + 1) + " bytes, more than any sent");
}

TEST(NetMessages, BadTextsAreRefused) {
    // A hello is the protocol, the version, the token and the flag of a spectator.
    ExpectRefused({1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "the version has 0 characters");
    std::vector<std::uint8_t> long_version{1, 1, 0, kMaxVersionLength + 1};
    long_version.resize(long_version.size() + kMaxVersionLength + 1, 'v');
    long_version.resize(long_version.size() + 9, 0);
    ExpectRefused(long_version, "33 characters");
    ExpectRefused({1, 1, 0, 2, '1', '\n', 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not printable");
    ExpectRefused({1, 1, 0, 2, '1', 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not printable");
    ExpectRefused({1, 1, 0, 2, '1', '2', 0, 0, 0, 0, 0, 0, 0, 0}, "ends inside a number");
    ExpectRefused({1, 1, 0, 2, '1', '2', 0, 0, 0, 0, 0, 0, 0, 0, 2}, "a flag of 2");
    ExpectRefused({1, 1, 0, 2, '1', '2', 0, 0, 0, 0, 0, 0, 0}, "ends inside a number");
    ExpectRefused({3, 0}, "the reason has 0 characters");
    ExpectRefused({3, 5, 'a'}, "ends inside a text");
    std::vector<std::uint8_t> long_goodbye{9, kMaxReasonLength + 1};
    long_goodbye.resize(long_goodbye.size() + kMaxReasonLength + 1, 'g');
    ExpectRefused(long_goodbye, "201 characters");
}

TEST(NetMessages, MachinesFlagsAndCatchUpTextsOutOfRangeAreRefused) {
    ExpectRefused({2, 8, 1, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 8 is not 1 to 7");
    ExpectRefused({2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 0 is not 1 to 7");
    ExpectRefused({2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "the token is 0");
    ExpectRefused({2, 1}, "ends inside a number");
    ExpectRefused({2, 1, 1, 0, 0, 0, 0, 0, 0, 0}, "ends inside a number");
    // A spectator's welcome gives neither a machine nor a token.
    ExpectRefused({2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "a spectator's welcome gives a machine or a token");
    ExpectRefused({2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}, "a spectator's welcome gives a machine or a token");
    ExpectRefused({5, 8, 1, 0, 4, 0, 0, 0, 1, 65, 1}, "machine 8 is not 0 to 7");
    ExpectRefused({6, 9, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 9");
    ExpectRefused({8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}, "machine 0 is not 1 to 7");
    ExpectRefused({8, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0}, "a flag of 2");
    ExpectRefused({12, 0, 1}, "machine 0 is not 1 to 7");
    ExpectRefused({12, 8, 1}, "machine 8 is not 1 to 7");
    ExpectRefused({12, 1, 2}, "a flag of 2");
    ExpectRefused({4, 1, 0, 0, 0, 'a', 3}, "a flag of 3");
    ExpectRefused({4, 0, 0, 0, 0, 1}, "a piece of 0 characters");
    ExpectRefused({4, 2, 0, 0, 0, 'a', '	', 0}, "not printable");
    ExpectRefused({4, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}, "ends inside a text");
    std::vector<std::uint8_t> long_piece{4, 0x61, 0xEA, 0, 0};  // 60001 characters
    long_piece.resize(long_piece.size() + kMaxCatchUpChunk + 1, 'x');
    long_piece.push_back(0);
    ExpectRefused(long_piece, "a piece of 60001 characters");
}

// Names and chat lines are as every machine cleans them (people_text.h), within their lengths: a
// control character, a direction override, a space at the end, or a line of 10 kB is refused.
TEST(NetMessages, NamesAndChatLinesAreCleanAndShort) {
    // A chat line is the machine, the text after its length and the flag of a muting; the names are
    // a count, then each after its length; a hello of this protocol ends in its person's name.
    EXPECT_EQ(Encoded(Chat{2, "hi"}), (std::vector<std::uint8_t>{14, 2, 2, 'h', 'i', 0}));
    EXPECT_EQ(Encoded(Names{{"Al", ""}}), (std::vector<std::uint8_t>{13, 2, 2, 'A', 'l', 0}));
    ExpectRefused({1, kProtocolNumber, 0, 1, 'v', 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 'A', '\t'},
                  "the name is not clean");
    ExpectRefused({14, 2, 0, 0}, "the line has 0 characters");
    ExpectRefused({14, 2, 2, 'h', 'i', 1}, "a muting has a text");
    ExpectRefused({14, 2, 3, 'h', 0x07, 'i', 0}, "the line is not clean");
    ExpectRefused({14, 2, 5, 0xE2, 0x80, 0xAE, 'h', 'i', 0}, "the line is not clean");
    ExpectRefused({14, 2, 3, 'h', 'i', ' ', 0}, "the line is not clean");
    ExpectRefused({13, 0}, "0 names");
    ExpectRefused({13, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "9 names");
    std::vector<std::uint8_t> long_line{14, 2, static_cast<std::uint8_t>(kMaxChatLength + 1)};
    long_line.resize(long_line.size() + kMaxChatLength + 1, 'x');
    long_line.push_back(0);
    ExpectRefused(long_line, "81 characters");
    std::vector<std::uint8_t> huge(10240, 'x');
    huge[0] = 14;
    huge[1] = 2;
    huge[2] = 255;
    ExpectRefused(huge, "chat message");
}

TEST(NetMessages, FrameNumbersOutOfRangeOrOrderAreRefused) {
    ExpectRefused({7, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}, "frame 2147483648 is past the last frame");
    ExpectRefused({6, 1, 3, 0, 0, 0, 2, 0, 0, 0}, "frames 3 to 2 run backwards");
    ExpectRefused({6, 1, 0, 0, 0, 0, 0, 0, 0, 0x80}, "past the last frame");
    ExpectRefused({8, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0x80}, "past the last frame");
    ExpectRefused({11, 0, 0, 0, 0x80}, "past the last frame");
    ExpectRefused({10, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                  "frame " + std::to_string(0xFFFFFFFFu));
    // Input frames must strictly increase.
    ExpectRefused({5, 0, 2, 0, 4, 0, 0, 0, 1, 65, 1, 4, 0, 0, 0, 1, 65, 0}, "frame 4 comes after");
    ExpectRefused({5, 0, 2, 0, 5, 0, 0, 0, 1, 65, 1, 4, 0, 0, 0, 1, 65, 0}, "frame 4 comes after");
}

TEST(NetMessages, KeyCountsCodesAndFlagsAreChecked) {
    ExpectRefused({5, 0, 0, 0}, "0 frames");
    ExpectRefused({5, 0, 1, 0, 4, 0, 0, 0, 0}, "frame 4 has 0 keys");
    ExpectRefused({5, 0, 1, 0, 4, 0, 0, 0, 1, 0, 1}, "key code 0");
    ExpectRefused({5, 0, 1, 0, 4, 0, 0, 0, 1, 65, 2}, "repeated key going up");
    ExpectRefused({5, 0, 1, 0, 4, 0, 0, 0, 1, 65, 4}, "key flags 4 are unknown");
    std::vector<std::uint8_t> many_keys{5, 0, 1, 0, 4, 0, 0, 0, kMaxKeysPerFrame + 1};
    for (std::size_t k = 0; k <= kMaxKeysPerFrame; ++k) many_keys.insert(many_keys.end(), {65, 1});
    ExpectRefused(many_keys, std::to_string(kMaxKeysPerFrame + 1) + " keys");
    // Too many frames for one Input, and counts larger than what follows.
    Input too_long;
    for (std::uint32_t f = 0; f <= kMaxFramesPerInput; ++f)
        too_long.frames.push_back(Frame(f, {{true, 32, false}}));
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(EncodeMessage(too_long, &bytes, &error));
    EXPECT_NE(error.find(std::to_string(kMaxFramesPerInput + 1) + " frames"), std::string::npos) << error;
    EXPECT_TRUE(bytes.empty());
    ExpectRefused({5, 0, 0xFF, 0xFF, 1, 0, 0, 0, 1, 65, 1}, "more than the message holds");
    ExpectRefused({5, 0, 1, 0, 4, 0, 0, 0, 3, 65, 1}, "ends inside");
}

TEST(NetMessages, EncodingRefusesWhatDecodingWouldAndWhatCannotBeSent) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    std::string error;
    EXPECT_FALSE(EncodeMessage(Welcome{8, 1}, &bytes, &error));
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(error.find("welcome message: machine 8"), std::string::npos) << error;
    EXPECT_FALSE(EncodeMessage(Welcome{1, 0}, &bytes, &error)) << "a welcome without a token";
    EXPECT_NE(error.find("token"), std::string::npos) << error;
    EXPECT_FALSE(EncodeMessage(Input{0, {Frame(3, {{false, 9, true}})}}, &bytes, &error));
    EXPECT_FALSE(EncodeMessage(CatchUp{std::string(kMaxCatchUpChunk + 1, 'a'), true}, &bytes, &error));

    // The largest pieces and inputs still fit in a transport message.
    EXPECT_TRUE(EncodeMessage(CatchUp{std::string(kMaxCatchUpChunk, 'a'), true}, &bytes, &error)) << error;
    EXPECT_LE(bytes.size(), kMaxMessageBytes);
    Input widest{7, {}};
    for (std::uint32_t f = 0; f < kMaxFramesPerInput; ++f)
        widest.frames.push_back(Frame(f, std::vector<KeyEvent>(kMaxKeysPerFrame, KeyEvent{true, 80, false})));
    EXPECT_TRUE(EncodeMessage(widest, &bytes, &error)) << error;
    EXPECT_LE(bytes.size(), kMaxMessageBytes);
}

TEST(NetMessages, HostAnswersHelloWithWelcomeOrARefusalNamingBothVersions) {
    EXPECT_EQ(AnswerHello(Hello{kProtocolNumber, "0.1", 0}, "0.1", 3, 99), Message(Welcome{3, 99}));
    // A spectator is welcomed to watch, with no number and no token.
    EXPECT_EQ(AnswerHello(Hello{kProtocolNumber, "0.1", 0, true}, "0.1", 3, 99),
              Message(Welcome{0, 0, true}));
    EXPECT_TRUE(
        std::holds_alternative<Refuse>(AnswerHello(Hello{kProtocolNumber, "0.2", 0, true}, "0.1", 0, 0)));

    const Message other_version = AnswerHello(Hello{kProtocolNumber, "0.2-dev"}, "0.1", 3, 99);
    ASSERT_TRUE(std::holds_alternative<Refuse>(other_version));
    const std::string reason = std::get<Refuse>(other_version).reason;
    EXPECT_NE(reason.find("version 0.1"), std::string::npos) << reason;
    EXPECT_NE(reason.find("0.2-dev"), std::string::npos) << reason;

    const Message other_protocol = AnswerHello(Hello{kProtocolNumber + 1, "0.1"}, "0.1", 3, 99);
    ASSERT_TRUE(std::holds_alternative<Refuse>(other_protocol));
    EXPECT_NE(std::get<Refuse>(other_protocol).reason.find("protocol " + std::to_string(kProtocolNumber + 1)),
              std::string::npos);
    // The refusal is itself a valid message even for the longest versions.
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(EncodeMessage(
        AnswerHello(Hello{9, std::string(kMaxVersionLength, 'z')}, std::string(kMaxVersionLength, 'y'), 1, 1),
        &bytes, &error))
        << error;
}

TEST(NetAddresses, HostAndPortAreSplitAndCheckedAsTyped) {
    std::string host, error;
    std::uint16_t port = 0;
    ASSERT_TRUE(ParseHostPort("127.0.0.1:1", &host, &port, &error)) << error;
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 1);
    ASSERT_TRUE(ParseHostPort("game.example:65535", &host, &port, &error)) << error;
    EXPECT_EQ(host, "game.example");
    EXPECT_EQ(port, 65535);
    for (const char* bad : {"", "127.0.0.1", ":4000", "host:", "host:0", "host:65536",
                            "host:99999999999999999999", "host:40a", "host:-1", "host: 40"})
        EXPECT_FALSE(ParseHostPort(bad, &host, &port, &error)) << bad;
    EXPECT_EQ(error, "the port in \"host: 40\" is not a number from 1 to 65535");
    EXPECT_FALSE(ParseHostPort("localhost", &host, &port, &error));
    EXPECT_EQ(error, "\"localhost\" is not HOST:PORT");
}

// An IPv6 address goes in brackets before a port, or stands bare without one; the host comes out
// without the brackets.
TEST(NetAddresses, IPv6AddressesAreReadBareOrInBrackets) {
    std::string host, error;
    std::uint16_t port = 0;
    ASSERT_TRUE(ParseHostPort("[::1]:26510", &host, &port, &error)) << error;
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 26510);
    for (const char* bad : {"::1:26510", "[::1]", "[::1]26510", "[::1]:", "[::1]:0", "[]:5", "[::1", "[a]:5"})
        EXPECT_FALSE(ParseHostPort(bad, &host, &port, &error)) << bad;
    EXPECT_FALSE(ParseHostPort("::1:26510", &host, &port, &error));
    EXPECT_NE(error.find("goes in brackets"), std::string::npos) << error;

    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
    };
    for (const Case& c : {Case{"::1", "::1", 7}, Case{"[::1]", "::1", 7}, Case{"[fe80::1]:9", "fe80::1", 9},
                          Case{"2001:db8::2", "2001:db8::2", 7}, Case{"localhost", "localhost", 7},
                          Case{"10.0.0.1:8", "10.0.0.1", 8}, Case{"::ffff:10.0.0.1", "::ffff:10.0.0.1", 7}}) {
        ASSERT_TRUE(ParseHostOptionalPort(c.text, 7, &host, &port, &error)) << c.text << ": " << error;
        EXPECT_EQ(host, c.host) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
    for (const char* bad : {"", "[]", "::1:2x", "host:", "[::1]:x", ":5"})
        EXPECT_FALSE(ParseHostOptionalPort(bad, 7, &host, &port, &error)) << bad;
}

}  // namespace
