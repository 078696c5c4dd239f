// The relay's batches: messages said in a row to one topic travel as one envelope and unfold into
// the same messages, numbered on; a hostile batch is refused.
#include <gtest/gtest.h>

#include "net/relay/envelope.h"

namespace {

using namespace net;
using Bytes = std::vector<std::uint8_t>;

TEST(Batch, ABatchUnfoldsIntoItsMessagesNumberedOn) {
    const Envelope batch{EnvelopeKind::Batch, 41, {}, DisconnectReason::Closed, 0, {{1}, {2, 3}, {4, 5, 6}}};
    const Bytes bytes = EncodeEnvelope(batch);
    EXPECT_EQ(bytes, (Bytes{8, 41, 0, 0, 0, 3, 1, 0, 1, 2, 0, 2, 3, 3, 0, 4, 5, 6}));
    Envelope read;
    std::string error;
    ASSERT_EQ(DecodeEnvelope(bytes, 6, &read, &error), EnvelopeFault::None) << error;
    const std::vector<Envelope> expected{
        {EnvelopeKind::Data, 41, {1}}, {EnvelopeKind::Data, 42, {2, 3}}, {EnvelopeKind::Data, 43, {4, 5, 6}}};
    EXPECT_EQ(Unbatch(read), expected);
    EXPECT_EQ(DecodeEnvelope(bytes, 5, &read, &error), EnvelopeFault::Oversized);
}

TEST(Batch, HostileBatchesAreRefused) {
    const std::pair<Bytes, std::string> kFaults[] = {
        {{8, 1, 0, 0, 0, 1, 1, 0, 7}, "a batch holds two messages or more"},
        {{8, 0, 0, 0, 0, 2, 1, 0, 7, 1, 0, 7}, "a batch's numbers run out"},
        {{8, 0xFF, 0xFF, 0xFF, 0xFF, 2, 1, 0, 7, 1, 0, 7}, "a batch's numbers run out"},
        {{8, 1, 0, 0, 0, 2, 1, 0, 7, 0, 0}, "a message is empty"},
        {{8, 1, 0, 0, 0, 2, 1, 0, 7, 0xFF, 0xFF, 7}, "a batch is cut short"},
        {{8, 1, 0, 0, 0, 2, 1, 0, 7, 1, 0, 7, 0}, "a batch has bytes left over"},
    };
    for (const auto& [bytes, expected] : kFaults) {
        Envelope envelope;
        std::string error;
        EXPECT_EQ(DecodeEnvelope(bytes, 8, &envelope, &error), EnvelopeFault::Malformed) << expected;
        EXPECT_EQ(error, expected);
    }
}

}  // namespace
