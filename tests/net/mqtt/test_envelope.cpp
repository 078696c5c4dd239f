// The relay's envelope: exact form, round trips of every kind, and refusal of every fault.
#include <gtest/gtest.h>

#include "net/relay/envelope.h"

namespace {

using namespace net;
using Bytes = std::vector<std::uint8_t>;

TEST(Envelope, EveryKindHasItsExactFormAndReadsBack) {
    Envelope hello{EnvelopeKind::Hello, 1, {}, DisconnectReason::Closed};
    Envelope room{EnvelopeKind::Room, 0, {}, DisconnectReason::Closed};
    Envelope data{EnvelopeKind::Data, 0x04030201, {9, 8, 7}, DisconnectReason::Closed};
    Envelope will{EnvelopeKind::Bye, 0, {}, DisconnectReason::TimedOut};
    Envelope refusal{EnvelopeKind::Bye, 0xFFFFFFFF, {}, DisconnectReason::TooManyRejoins};
    Envelope alive{EnvelopeKind::Alive, 0, {}, DisconnectReason::Closed};
    Envelope follow{EnvelopeKind::Follow, 3, {}, DisconnectReason::Closed, 0x0A0B0C0D};
    Envelope seek{EnvelopeKind::Seek, 0, {}, DisconnectReason::Closed};
    EXPECT_EQ(EncodeEnvelope(seek), (Bytes{7, 0, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(hello), (Bytes{1, 1, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(room), (Bytes{4, 0, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(data), (Bytes{2, 1, 2, 3, 4, 9, 8, 7}));
    EXPECT_EQ(EncodeEnvelope(will), (Bytes{3, 0, 0, 0, 0, 2}));
    EXPECT_EQ(EncodeEnvelope(refusal), (Bytes{3, 0xFF, 0xFF, 0xFF, 0xFF, 10}));
    EXPECT_EQ(EncodeEnvelope(alive), (Bytes{5, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeEnvelope(follow), (Bytes{6, 3, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A}));
    for (const Envelope& sent : {hello, room, data, will, refusal, alive, follow, seek}) {
        Envelope read;
        std::string error;
        ASSERT_EQ(DecodeEnvelope(EncodeEnvelope(sent), 3, &read, &error), EnvelopeFault::None) << error;
        EXPECT_EQ(read, sent);
    }
}

TEST(Envelope, MessagesUpToTheLimitPassAndLargerOnesAreOversized) {
    Envelope read;
    std::string error;
    const Envelope at_limit{EnvelopeKind::Data, 7, Bytes(kMaxMessageBytes, 0x55), DisconnectReason::Closed};
    ASSERT_EQ(DecodeEnvelope(EncodeEnvelope(at_limit), kMaxMessageBytes, &read, &error), EnvelopeFault::None)
        << error;
    EXPECT_EQ(read, at_limit);
    const Envelope over{EnvelopeKind::Data, 7, Bytes(kMaxMessageBytes + 1, 0x55), DisconnectReason::Closed};
    EXPECT_EQ(DecodeEnvelope(EncodeEnvelope(over), kMaxMessageBytes, &read, &error),
              EnvelopeFault::Oversized);
    EXPECT_EQ(error, "a message exceeds the size limit");
}

TEST(Envelope, FaultsOfFormAndNumberingAreRefused) {
    const std::pair<Bytes, std::string> kFaults[] = {
        {{}, "an envelope is cut short"},
        {{2, 1, 0, 0}, "an envelope is cut short"},
        {{0, 1, 0, 0, 0, 1}, "an envelope of an unknown kind"},
        {{9, 0, 0, 0, 0}, "an envelope of an unknown kind"},
        {{6, 1, 0, 0, 0, 1, 0, 0}, "a call to follow holds a number and is numbered"},
        {{6, 0, 0, 0, 0, 1, 0, 0, 0}, "a call to follow holds a number and is numbered"},
        {{6, 1, 0, 0, 0, 0, 0, 0, 0}, "the spectators' numbers start at 1"},
        {{5, 0, 0, 0, 0, 1}, "a sign of life holds nothing"},
        {{5, 1, 0, 0, 0}, "a sign of life holds nothing"},
        {{1, 1, 0, 0, 0}, "a greeting holds one byte"},
        {{4, 0, 0, 0, 0, 1, 1}, "a greeting holds one byte"},
        {{1, 1, 0, 0, 0, kEnvelopeVersion + 1}, "another version of the envelope"},
        {{1, 2, 0, 0, 0, kEnvelopeVersion}, "a hello is numbered 1"},
        {{1, 0, 0, 0, 1, kEnvelopeVersion}, "a hello is numbered 1"},
        {{4, 1, 0, 0, 0, kEnvelopeVersion}, "a room notice or a search is numbered 0"},
        {{7, 1, 0, 0, 0, kEnvelopeVersion}, "a room notice or a search is numbered 0"},
        {{2, 1, 0, 0, 0}, "a message is empty"},
        {{2, 0, 0, 0, 0, 7}, "a message is numbered 0"},
        {{3, 1, 0, 0, 0}, "a goodbye without a reason"},
        {{3, 1, 0, 0, 0, 0}, "a goodbye without a reason"},
        {{3, 1, 0, 0, 0, 12}, "a goodbye without a reason"},
        {{3, 1, 0, 0, 0, 1, 1}, "a goodbye without a reason"},
    };
    for (const auto& [bytes, expected] : kFaults) {
        Envelope envelope;
        std::string error;
        EXPECT_EQ(DecodeEnvelope(bytes, 8, &envelope, &error), EnvelopeFault::Malformed) << expected;
        EXPECT_EQ(error, expected);
    }
}

}  // namespace
