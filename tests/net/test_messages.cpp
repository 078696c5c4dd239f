// The network game's messages: round trips, exact binary form, and refusal of every fault; and the
// names and chat lines they carry, cleaned to what every machine can show.
#include <gtest/gtest.h>

#include "net/messages.h"
#include "net/people_text.h"
#include "net/transport.h"
#include "tests/support/net_messages.h"

namespace {

using namespace net;
using Bytes = std::vector<std::uint8_t>;

FrameInput Frame(std::uint32_t frame, std::vector<KeyEvent> keys) { return {frame, std::move(keys)}; }

// `head`, then `count` copies of `fill`, then `tail`.
Bytes Spelled(Bytes head, std::size_t count, std::uint8_t fill, const Bytes& tail = {}) {
    head.insert(head.end(), count, fill);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// Decoding must fail, with an error that contains `expected`.
void ExpectRefused(std::span<const std::uint8_t> bytes, const std::string& expected) {
    Message m;
    std::string error;
    EXPECT_FALSE(DecodeMessage(bytes, &m, &error)) << "accepted, expected: " << expected;
    EXPECT_NE(error.find(expected), std::string::npos) << "error: " << error << "\nexpected: " << expected;
}

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
        Hello{kProtocolNumber, "0.1", 0, true},
        Welcome{7, 0xFFFFFFFFFFFFFFFFull},
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
        Hello{kProtocolNumber, "0.1", 5, false, std::string(kMaxNameLength, '}'), MachineKind::Page,
              "ABCDEFGH"},
        Names{{"Ann", ""}},
        Names{std::vector<std::string>(kMaxMachine + 1, std::string(kMaxNameLength, 'z'))},
        Chat{0, std::string(kMaxChatLength, 'x')},
        Chat{7, "", true},
        Hello{kProtocolNumber, "0.1", 0, true, "Spy", MachineKind::Page},
        Ping{0xFFFFFFFFu, true},
        People{{{false, 0, MachineKind::Game, 0, ""}, {true, 0, MachineKind::Page, kMaxPingMs, "Spy"}}, true},
        People{std::vector<Person>(kMaxPeopleListed, Person{true, 0, MachineKind::Game, 1, "z"}), false},
        SpectatorChat{std::string(kMaxNameLength, 'n'), std::string(kMaxChatLength, 'x')},
        SpectatorChat{"", "", true},
        FastForward{true},
        FastForward{false},
    };
}

// Every kind reads back as it was; cut short anywhere or lengthened, it is refused.
TEST(NetMessages, EveryKindSurvivesARoundTripAndNoOtherLength) {
    for (const Message& m : Samples()) {
        SCOPED_TRACE("kind " + std::to_string(m.index()));
        const Bytes bytes = Encoded(m);
        Message back;
        std::string error;
        ASSERT_TRUE(DecodeMessage(bytes, &back, &error)) << error;
        EXPECT_EQ(back, m);
        for (std::size_t size = 0; size < bytes.size(); ++size)
            EXPECT_FALSE(DecodeMessage(std::span(bytes.data(), size), &back, &error)) << "cut to " << size;
        ExpectRefused(Spelled(bytes, 1, 0), "1 bytes left over");
    }
}

TEST(NetMessages, BinaryFormIsTypeThenLittleEndianFields) {
    const std::pair<Message, Bytes> kForms[] = {
        {StateHash{0x01020304, 0x1112131415161718ull},
         {7, 4, 3, 2, 1, 0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11}},
        // A hello's token and a welcome's follow the rest, eight bytes little-endian; then the flag
        // of a spectator.
        {Hello{0x0102, "ab", 0x0807060504030201ull}, {1, 2, 1, 2, 'a', 'b', 1, 2, 3, 4, 5, 6, 7, 8, 0}},
        {Hello{0x0102, "ab", 0, true}, {1, 2, 1, 2, 'a', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {Welcome{3, 0x1122ull}, {2, 3, 0x22, 0x11, 0, 0, 0, 0, 0, 0, 0}},
        {Welcome{0, 0, true}, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        // The machine, a frame count, then a frame: its number, a key count, and per key its code
        // and flags (1 down, 2 repeat).
        {Input{4, {Frame(9, {{true, 65, true}, {false, 66, false}})}},
         {5, 4, 1, 0, 9, 0, 0, 0, 2, 65, 3, 66, 0}},
        {CatchUp{"ab", true}, {4, 2, 0, 0, 0, 'a', 'b', 1}},
        {Roster{0x0102, 3, false, 0x0101}, {8, 2, 1, 0, 0, 3, 0, 1, 1, 0, 0}},
        // A chat line is the machine, the text after its length and the flag of a muting; the names
        // are a count, then each after its length.
        {Chat{2, "hi"}, {14, 2, 2, 'h', 'i', 0}},
        {Names{{"Al", ""}}, {13, 2, 2, 'A', 'l', 0}},
        // A ping is its number and whether it answers; the people a count, then each one's flag of a
        // spectator, machine, kind, round trip and name, then the flag of the spectators heard.
        {Ping{0x0102, true}, {15, 2, 1, 0, 0, 1}},
        {People{{{false, 3, MachineKind::Page, 0x0102, ""}}, true}, {16, 1, 0, 3, 1, 2, 1, 0, 1}},
        {SpectatorChat{"S", "hi"}, {17, 1, 'S', 2, 'h', 'i', 0}},
    };
    for (const auto& [message, bytes] : kForms)
        EXPECT_EQ(Encoded(message), bytes) << "kind " << message.index();
}

TEST(NetMessages, EveryFaultIsRefusedWithItsReason) {
    constexpr auto past_the_last = static_cast<std::uint8_t>(std::variant_size_v<Message> + 1);
    const std::pair<Bytes, std::string> kFaults[] = {
        {{}, "empty"},
        {{0}, "unknown type 0"},
        {{past_the_last, 0}, "unknown type " + std::to_string(past_the_last)},
        {{255}, "unknown type 255"},
        {Spelled({9}, kMaxMessageBytes, 0),
         std::to_string(kMaxMessageBytes + 1) + " bytes, more than any sent"},
        // Texts: a hello is the protocol, the version, the token and the flag of a spectator.
        {{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "the version has 0 characters"},
        {Spelled({1, 1, 0, kMaxVersionLength + 1}, kMaxVersionLength + 1, 'v', Bytes(9)), "33 characters"},
        {{1, 1, 0, 2, '1', '\n', 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not printable"},
        {{1, 1, 0, 2, '1', 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not printable"},
        {{1, 1, 0, 2, '1', '2', 0, 0, 0, 0, 0, 0, 0, 0}, "ends inside a number"},
        {{1, 1, 0, 2, '1', '2', 0, 0, 0, 0, 0, 0, 0, 0, 2}, "a flag of 2"},
        {{3, 0}, "the reason has 0 characters"},
        {{3, 5, 'a'}, "ends inside a text"},
        {Spelled({9, kMaxReasonLength + 1}, kMaxReasonLength + 1, 'g'), "201 characters"},
        // Machines, flags and tokens out of range.
        {{2, 8, 1, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 8 is not 1 to 7"},
        {{2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 0 is not 1 to 7"},
        {{2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "the token is 0"},
        {{2, 1, 1, 0, 0, 0, 0, 0, 0, 0}, "ends inside a number"},
        {{2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "a spectator's welcome gives a machine or a token"},
        {{2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}, "a spectator's welcome gives a machine or a token"},
        {{5, 8, 1, 0, 4, 0, 0, 0, 1, 65, 1}, "machine 8 is not 0 to 7"},
        {{6, 9, 0, 0, 0, 0, 0, 0, 0, 0}, "machine 9"},
        {{8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0}, "machine 0 is not 1 to 7"},
        {{8, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0}, "a flag of 2"},
        {{12, 0, 1}, "machine 0 is not 1 to 7"},
        {{12, 8, 1}, "machine 8 is not 1 to 7"},
        {{12, 1, 2}, "a flag of 2"},
        {{18, 2}, "a flag of 2"},
        // Catch-up pieces.
        {{4, 1, 0, 0, 0, 'a', 3}, "a flag of 3"},
        {{4, 0, 0, 0, 0, 1}, "a piece of 0 characters"},
        {{4, 2, 0, 0, 0, 'a', '\t', 0}, "not printable"},
        {{4, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}, "ends inside a text"},
        {Spelled({4, 0x61, 0xEA, 0, 0}, kMaxCatchUpChunk + 1, 'x', {0}), "a piece of 60001 characters"},
        // Names and chat lines as every machine cleans them (people_text.h), within their lengths; a
        // hello of this protocol ends in its person's name, its kind and its join code.
        {{1, kProtocolNumber, 0, 1, 'v', 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 'A', '\t', 0, 0},
         "the name is not clean"},
        // What a machine runs the game in, and who is in the room: no machine twice, a spectator
        // without a machine and a machine without a name, round trips within what is shown.
        {{1, kProtocolNumber, 0, 1, 'v', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0}, "kind 2 is unknown"},
        {{1, kProtocolNumber, 0, 1, 'v', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 'a', 'b', 'c'},
         "the join code is not a code"},
        {{16, 0, 0}, "0 people"},
        {{16, 1, 0, 8, 0, 0, 0, 0, 0}, "machine 8"},
        {{16, 1, 1, 2, 0, 0, 0, 0, 0}, "a spectator has a machine"},
        {{16, 1, 0, 2, 0, 0, 0, 1, 'A', 0}, "a machine is named here"},
        {{16, 1, 0, 2, 0, 0x10, 0x27, 0, 0}, "a round trip of 10000 ms"},
        {{16, 1, 0, 2, 3, 0, 0, 0, 0}, "kind 3 is unknown"},
        {{16, 2, 0, 2, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0}, "machine 2 is listed twice"},
        {{17, 0, 0, 0}, "the line has 0 characters"},
        {{17, 0, 1, 'x', 1}, "a muting has a text"},
        {{17, 1, 0x07, 1, 'x', 0}, "the name is not clean"},
        {{14, 2, 0, 0}, "the line has 0 characters"},
        {{14, 2, 2, 'h', 'i', 1}, "a muting has a text"},
        {{14, 2, 3, 'h', 0x07, 'i', 0}, "the line is not clean"},
        {{14, 2, 5, 0xE2, 0x80, 0xAE, 'h', 'i', 0}, "the line is not clean"},
        {{14, 2, 3, 'h', 'i', ' ', 0}, "the line is not clean"},
        {{13, 0}, "0 names"},
        {{13, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "9 names"},
        {Spelled({14, 2, kMaxChatLength + 1}, kMaxChatLength + 1, 'x', {0}), "81 characters"},
        {Spelled({14, 2, 255}, 10237, 'x'), "chat message"},
        // Frame numbers out of range or order; input frames must strictly increase.
        {{7, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}, "frame 2147483648 is past the last frame"},
        {{6, 1, 3, 0, 0, 0, 2, 0, 0, 0}, "frames 3 to 2 run backwards"},
        {{6, 1, 0, 0, 0, 0, 0, 0, 0, 0x80}, "past the last frame"},
        {{8, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0x80}, "past the last frame"},
        {{11, 0, 0, 0, 0x80}, "past the last frame"},
        {Spelled({10, 0xFF, 0xFF, 0xFF, 0xFF}, 16, 0), "frame " + std::to_string(0xFFFFFFFFu)},
        {{5, 0, 2, 0, 4, 0, 0, 0, 1, 65, 1, 4, 0, 0, 0, 1, 65, 0}, "frame 4 comes after"},
        {{5, 0, 2, 0, 5, 0, 0, 0, 1, 65, 1, 4, 0, 0, 0, 1, 65, 0}, "frame 4 comes after"},
        // Key counts, codes and flags; counts larger than what follows.
        {{5, 0, 0, 0}, "0 frames"},
        {{5, 0, 1, 0, 4, 0, 0, 0, 0}, "frame 4 has 0 keys"},
        {{5, 0, 1, 0, 4, 0, 0, 0, 1, 0, 1}, "key code 0"},
        {{5, 0, 1, 0, 4, 0, 0, 0, 1, 65, 2}, "repeated key going up"},
        {{5, 0, 1, 0, 4, 0, 0, 0, 1, 65, 4}, "key flags 4 are unknown"},
        {Spelled({5, 0, 1, 0, 4, 0, 0, 0, kMaxKeysPerFrame + 1}, 2 * (kMaxKeysPerFrame + 1),
                 1),  // key 1, down
         std::to_string(kMaxKeysPerFrame + 1) + " keys"},
        {{5, 0, 0xFF, 0xFF, 1, 0, 0, 0, 1, 65, 1}, "more than the message holds"},
        {{5, 0, 1, 0, 4, 0, 0, 0, 3, 65, 1}, "ends inside"},
    };
    for (const auto& [bytes, expected] : kFaults) ExpectRefused(bytes, expected);
}

TEST(NetMessages, EncodingRefusesWhatDecodingWouldAndWhatCannotBeSent) {
    Input too_long;
    for (std::uint32_t f = 0; f <= kMaxFramesPerInput; ++f)
        too_long.frames.push_back(Frame(f, {{true, 32, false}}));
    const std::pair<Message, std::string> kRefused[] = {
        {Welcome{8, 1}, "welcome message: machine 8"},
        {Welcome{1, 0}, "token"},
        {Input{0, {Frame(3, {{false, 9, true}})}}, "repeated key going up"},
        {CatchUp{std::string(kMaxCatchUpChunk + 1, 'a'), true}, "60001 characters"},
        {too_long, std::to_string(kMaxFramesPerInput + 1) + " frames"},
    };
    for (const auto& [message, expected] : kRefused) {
        Bytes bytes{1, 2, 3};
        std::string error;
        EXPECT_FALSE(EncodeMessage(message, &bytes, &error)) << expected;
        EXPECT_TRUE(bytes.empty()) << expected;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }

    // The largest pieces and inputs still fit in a transport message.
    Input widest{7, {}};
    for (std::uint32_t f = 0; f < kMaxFramesPerInput; ++f)
        widest.frames.push_back(Frame(f, std::vector<KeyEvent>(kMaxKeysPerFrame, KeyEvent{true, 80, false})));
    EXPECT_LE(Encoded(widest).size(), kMaxMessageBytes);
    EXPECT_LE(Encoded(CatchUp{std::string(kMaxCatchUpChunk, 'a'), true}).size(), kMaxMessageBytes);
}

TEST(NetMessages, HostAnswersHelloWithWelcomeOrARefusalNamingBothVersions) {
    EXPECT_EQ(AnswerHello(Hello{kProtocolNumber, "0.1", 0}, "0.1", 3, 99), Message(Welcome{3, 99}));
    // A spectator is welcomed to watch, with no number and no token.
    EXPECT_EQ(AnswerHello(Hello{kProtocolNumber, "0.1", 0, true}, "0.1", 3, 99),
              Message(Welcome{0, 0, true}));
    EXPECT_TRUE(
        std::holds_alternative<Refuse>(AnswerHello(Hello{kProtocolNumber, "0.2", 0, true}, "0.1", 0, 0)));

    const std::pair<Hello, std::vector<std::string>> kRefusals[] = {
        {Hello{kProtocolNumber, "0.2-dev"}, {"version 0.1", "0.2-dev"}},
        {Hello{kProtocolNumber + 1, "0.1"}, {"protocol " + std::to_string(kProtocolNumber + 1)}},
    };
    for (const auto& [hello, named] : kRefusals) {
        const Message answer = AnswerHello(hello, "0.1", 3, 99);
        ASSERT_TRUE(std::holds_alternative<Refuse>(answer));
        for (const std::string& text : named)
            EXPECT_NE(std::get<Refuse>(answer).reason.find(text), std::string::npos) << text;
    }
    // The refusal is itself a valid message even for the longest versions.
    Encoded(AnswerHello(Hello{9, std::string(kMaxVersionLength, 'z')}, std::string(kMaxVersionLength, 'y'), 1,
                        1));
}

TEST(PeopleText, CleaningLeavesOnlyWhatTheFontDraws) {
    const struct {
        const char* given;
        const char* clean;
    } cases[] = {
        {"Ann", "Ann"},
        {"A\tn\x1B[31mn\x7F", "An[31mn"},  // control characters
        {"\xE2\x80\xAE"
         "nnA\xE2\x80\x8F\xEF\xBB\xBF",
         "nnA"},                                     // a direction override, a mark, the BOM
        {"Zo\xC3\xAB \xF0\x9F\x99\x82~", "Zo? ??"},  // letters and signs the font lacks
        {"a\xFF\xC3", "a??"},                        // stray bytes, one each
        {"  two   words  ", "two words"},
        {"a\x01 \x01 b", "a b"},
        {"\x01\x02", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(net::CleanPeopleText(c.given, 80), c.clean) << c.given;
        EXPECT_TRUE(net::IsCleanPeopleText(c.clean, 80)) << c.clean;
    }
    EXPECT_FALSE(net::IsCleanPeopleText("a\xE2\x80\xAE", 80));
}

TEST(PeopleText, LongTextIsCutWithoutATrailingSpace) {
    EXPECT_EQ(net::CleanPeopleText("Bartholomew Ainsworth", net::kMaxNameLength), "Bartholomew Ains");
    EXPECT_EQ(net::CleanPeopleText("Bartholomew     Ainsworth", 12), "Bartholomew");
    EXPECT_EQ(net::CleanPeopleText(std::string(10240, 'x'), net::kMaxChatLength),
              std::string(net::kMaxChatLength, 'x'));
    EXPECT_FALSE(net::IsCleanPeopleText(std::string(17, 'x'), net::kMaxNameLength));
}

}  // namespace
