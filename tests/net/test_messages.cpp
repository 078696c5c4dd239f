// The network game's messages: round trips, exact binary form, and refusal of every fault; and the
// names and chat lines they carry, cleaned to what every machine can show.
#include <gtest/gtest.h>

#include "net/messages.h"
#include "net/people_text.h"
#include "net/transport.h"
#include "tests/support/golden.h"
#include "tests/support/net_messages.h"

namespace {

using namespace net;
using Bytes = std::vector<std::uint8_t>;

FrameInput Frame(std::uint32_t frame, std::vector<KeyEvent> keys) { return {frame, std::move(keys)}; }

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
        Bytes bytes = Encoded(m);
        Message back;
        std::string error;
        ASSERT_TRUE(DecodeMessage(bytes, &back, &error)) << error;
        EXPECT_EQ(back, m);
        for (std::size_t size = 0; size < bytes.size(); ++size)
            EXPECT_FALSE(DecodeMessage(std::span(bytes.data(), size), &back, &error)) << "cut to " << size;
        bytes.push_back(0);
        ExpectRefused(bytes, "1 bytes left over");
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

// The faults are kept in net/message_faults.tsv; the first type past the last is counted here.
TEST(NetMessages, EveryFaultIsRefusedWithItsReason) {
    for (const auto& row : GoldenRows("net/message_faults.tsv")) ExpectRefused(GoldenBytes(row[0]), row[1]);
    const auto past_the_last = static_cast<std::uint8_t>(std::variant_size_v<Message> + 1);
    ExpectRefused(Bytes{past_the_last, 0}, "unknown type " + std::to_string(past_the_last));
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
    const std::pair<Hello, std::vector<std::string>> kRefusals[] = {
        {Hello{kProtocolNumber, "0.2", 0, true}, {"version 0.1", "0.2"}},
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

// The cases are kept in net/people_text.tsv; what is left clean is clean, and the longest chat line
// is cut too.
TEST(PeopleText, CleaningLeavesOnlyWhatTheFontDrawsCutWithoutATrailingSpace) {
    for (const auto& row : GoldenRows("net/people_text.tsv")) {
        const std::size_t limit = std::stoul(row[1]);
        EXPECT_EQ(net::CleanPeopleText(row[0], limit), row[2]) << row[0];
        EXPECT_TRUE(net::IsCleanPeopleText(row[2], limit)) << row[2];
    }
    EXPECT_FALSE(net::IsCleanPeopleText("a\xE2\x80\xAE", 80));
    EXPECT_EQ(net::CleanPeopleText(std::string(10240, 'x'), net::kMaxChatLength),
              std::string(net::kMaxChatLength, 'x'));
    EXPECT_FALSE(net::IsCleanPeopleText(std::string(17, 'x'), net::kMaxNameLength));
}

}  // namespace
