// The relay's envelope (exact form, round trips of every kind, batches, refusal of every fault), and a
// room's guest end over a link that cannot wait, as the page's is: the end never waits on it, asks for
// its topics once the broker takes it, and speaks and hears in envelopes numbered in turn.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <utility>

#include "net/relay/envelope.h"
#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_link.h"
#include "tests/support/golden.h"

namespace {

using namespace net;
using Bytes = std::vector<std::uint8_t>;

// Messages said in a row to one topic travel as one batch and unfold into the same messages,
// numbered on.
TEST(Envelope, EveryKindHasItsExactFormAndReadsBack) {
    constexpr DisconnectReason kClosed = DisconnectReason::Closed;
    const std::pair<Envelope, Bytes> kForms[] = {
        {{EnvelopeKind::Seek, 0, {}, kClosed}, {7, 0, 0, 0, 0, kEnvelopeVersion}},
        {{EnvelopeKind::Hello, 1, {}, kClosed}, {1, 1, 0, 0, 0, kEnvelopeVersion}},
        {{EnvelopeKind::Room, 0, {}, kClosed}, {4, 0, 0, 0, 0, kEnvelopeVersion}},
        {{EnvelopeKind::Data, 0x04030201, {9, 8, 7}, kClosed}, {2, 1, 2, 3, 4, 9, 8, 7}},
        {{EnvelopeKind::Bye, 0, {}, DisconnectReason::TimedOut}, {3, 0, 0, 0, 0, 2}},
        {{EnvelopeKind::Bye, 0xFFFFFFFF, {}, DisconnectReason::TooManyRejoins},
         {3, 0xFF, 0xFF, 0xFF, 0xFF, 10}},
        {{EnvelopeKind::Alive, 0, {}, kClosed}, {5, 0, 0, 0, 0}},
        {{EnvelopeKind::Follow, 3, {}, kClosed, 0x0A0B0C0D}, {6, 3, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A}},
        {{EnvelopeKind::ForAll, 9, {1, 2}, kClosed}, {10, 9, 0, 0, 0, 1, 2}},
        {{EnvelopeKind::Batch, 41, {}, kClosed, 0, {{1}, {2, 3}, {4, 5, 6}}},
         {8, 41, 0, 0, 0, 3, 1, 0, 1, 2, 0, 2, 3, 3, 0, 4, 5, 6}},
    };
    for (const auto& [sent, bytes] : kForms) {
        EXPECT_EQ(EncodeEnvelope(sent), bytes);
        Envelope read;
        std::string error;
        ASSERT_EQ(DecodeEnvelope(bytes, 6, &read, &error), EnvelopeFault::None) << error;
        EXPECT_EQ(read, sent);
    }
    const Bytes key(kKeyBytes, 'K');
    for (const Envelope& sent :
         {Envelope{EnvelopeKind::Hello, 1, key, kClosed}, Envelope{EnvelopeKind::Moved, 0, key, kClosed}}) {
        Envelope read;
        std::string error;
        ASSERT_EQ(DecodeEnvelope(EncodeEnvelope(sent), 3, &read, &error), EnvelopeFault::None) << error;
        EXPECT_EQ(read, sent);
    }
    const Envelope batch = kForms[std::size(kForms) - 1].first;
    const std::vector<Envelope> unfolded{
        {EnvelopeKind::Data, 41, {1}}, {EnvelopeKind::Data, 42, {2, 3}}, {EnvelopeKind::Data, 43, {4, 5, 6}}};
    EXPECT_EQ(Unbatch(batch), unfolded);
}

// A message, or a batch's messages together, up to the limit pass; larger ones are oversized.
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
    const Envelope batch{EnvelopeKind::Batch, 1, {}, DisconnectReason::Closed, 0, {{1, 2}, {3, 4, 5, 6}}};
    EXPECT_EQ(DecodeEnvelope(EncodeEnvelope(batch), 5, &read, &error), EnvelopeFault::Oversized);
}

// The faults are kept in net/envelope_faults.tsv.
TEST(Envelope, FaultsOfFormAndNumberingAreRefused) {
    for (const auto& row : GoldenRows("net/envelope_faults.tsv")) {
        Envelope envelope;
        std::string error;
        EXPECT_EQ(DecodeEnvelope(GoldenBytes(row[0]), 8, &envelope, &error), EnvelopeFault::Malformed)
            << row[1];
        EXPECT_EQ(error, row[1]);
    }
}

constexpr const char* kRoom = "lobshot/22222222/";

// The test plays the broker through the link: it decides when the link opens and what comes in, and
// keeps what the end publishes and asks for.
class ScriptedLink final : public net::MqttLink {
public:
    bool open = false;
    std::vector<std::string> filters;
    std::vector<Incoming> published;
    std::vector<Incoming> coming;
    Will will;
    std::string clientId;
    int pumps = 0;

    bool Open(const std::string&, std::uint16_t, const std::string& client_id, const std::string&, int,
              const Will& given, std::string*) override {
        will = given;
        clientId = client_id;
        return true;
    }
    int Subscribe(const std::string& filter) override {
        if (state_ != State::Open) return -1;
        filters.push_back(filter);
        subscribed_.insert(static_cast<int>(filters.size()));
        return static_cast<int>(filters.size());
    }
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool, bool) override {
        if (state_ != State::Open) return false;
        published.push_back({topic, Bytes(payload.begin(), payload.end())});
        return true;
    }
    void Close() override { state_ = State::Closed; }
    void Pump(int) override {
        ++pumps;
        if (open && state_ == State::Connecting) state_ = State::Open;
        for (Incoming& message : coming) incoming_.push_back(std::move(message));
        coming.clear();
    }
    bool Waits() const override { return false; }
};

Bytes Wrap(EnvelopeKind kind, std::uint32_t sequence, Bytes payload = {}) {
    return net::EncodeEnvelope({kind, sequence, std::move(payload), net::DisconnectReason::Closed});
}

TEST(GuestOverALinkThatCannotWait, JoinsTheOneHostAndTalksInNumberedEnvelopes) {
    auto owned = std::make_unique<ScriptedLink>();
    ScriptedLink& broker = *owned;
    std::string error;
    std::unique_ptr<net::Transport> guest =
        net::JoinRoom(std::move(owned), "127.0.0.1:1884", "2222-2222", net::TransportOptions{}, &error);
    ASSERT_TRUE(guest) << error;
    EXPECT_EQ(broker.will.topic, kRoom + std::string("gone/") + broker.clientId);
    EXPECT_EQ(broker.will.payload,
              net::EncodeEnvelope({EnvelopeKind::Bye, 0, {}, net::DisconnectReason::TimedOut}));

    // A poll with time to wait reads what waits, takes one round of the link and returns: waiting
    // would only keep the news out.
    NetEvent event;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(guest->Poll(&event, 2000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_LE(broker.pumps, 2);
    EXPECT_TRUE(broker.filters.empty());

    // Once the broker takes the client it listens for the notices and for what is said to it, asks
    // who keeps the room, and greets the host that answers.
    broker.open = true;
    EXPECT_FALSE(guest->Poll(&event, 0));
    EXPECT_FALSE(guest->Poll(&event, 0));
    ASSERT_EQ(broker.filters.size(), 2u);
    EXPECT_EQ(broker.filters[0], kRoom + std::string("host/+"));
    EXPECT_EQ(broker.filters[1], kRoom + std::string("to/") + broker.clientId + "/+");
    ASSERT_EQ(broker.published.size(), 1u);
    EXPECT_EQ(broker.published[0].topic, kRoom + std::string("host/") + broker.clientId);
    EXPECT_EQ(broker.published[0].payload, Wrap(EnvelopeKind::Seek, 0));
    const std::string down = kRoom + std::string("to/") + broker.clientId + "/HOSTHOSTHOSTHOST";
    broker.coming.push_back({down, Wrap(EnvelopeKind::Room, 0)});
    EXPECT_FALSE(guest->Poll(&event, 0));
    EXPECT_FALSE(guest->Poll(&event, 0));
    ASSERT_EQ(broker.published.size(), 2u);
    const std::string up = kRoom + std::string("to/HOSTHOSTHOSTHOST/") + broker.clientId;
    EXPECT_EQ(broker.published[1].topic, up);
    EXPECT_EQ(broker.published[1].payload, Wrap(EnvelopeKind::Hello, 1));

    // The host's hello connects it; messages go both ways numbered on from the hellos.
    broker.coming.push_back({down, Wrap(EnvelopeKind::Hello, 1)});
    ASSERT_TRUE(guest->Poll(&event, 0));
    EXPECT_EQ(event.kind, NetEvent::Connected);
    const Bytes hi{'h', 'i'};
    ASSERT_TRUE(guest->Send(event.peer, hi));
    guest->Push();
    EXPECT_EQ(broker.published.back().topic, up);
    EXPECT_EQ(broker.published.back().payload, Wrap(EnvelopeKind::Data, 2, hi));
    broker.coming.push_back({down, Wrap(EnvelopeKind::Data, 2, {7, 0, 255})});
    broker.coming.push_back({down, Wrap(EnvelopeKind::Data, 2, {7, 0, 255})});  // the broker's duplicate
    broker.coming.push_back({down, Wrap(EnvelopeKind::Data, 3, {1})});
    ASSERT_TRUE(guest->Poll(&event, 0));
    EXPECT_EQ(event.kind, NetEvent::Received);
    EXPECT_EQ(event.bytes, (Bytes{7, 0, 255}));
    ASSERT_TRUE(guest->Poll(&event, 0));
    EXPECT_EQ(event.bytes, Bytes{1});
    EXPECT_FALSE(guest->Poll(&event, 0));
}

}  // namespace
