// The relay's envelope (exact form, round trips of every kind, refusal of every fault), and a room's
// guest end over a link that cannot wait, as the page's is: the end never waits on it, asks for its
// topics once the broker takes it, and speaks and hears in envelopes numbered in turn.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <utility>

#include "net/relay/envelope.h"
#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_link.h"

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
    Envelope keyed{EnvelopeKind::Hello, 1, Bytes(kKeyBytes, 'K'), DisconnectReason::Closed};
    Envelope moved{EnvelopeKind::Moved, 0, keyed.payload, DisconnectReason::Closed};
    Envelope for_all{EnvelopeKind::ForAll, 9, {1, 2}, DisconnectReason::Closed};
    EXPECT_EQ(EncodeEnvelope(seek), (Bytes{7, 0, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(hello), (Bytes{1, 1, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(room), (Bytes{4, 0, 0, 0, 0, kEnvelopeVersion}));
    EXPECT_EQ(EncodeEnvelope(data), (Bytes{2, 1, 2, 3, 4, 9, 8, 7}));
    EXPECT_EQ(EncodeEnvelope(will), (Bytes{3, 0, 0, 0, 0, 2}));
    EXPECT_EQ(EncodeEnvelope(refusal), (Bytes{3, 0xFF, 0xFF, 0xFF, 0xFF, 10}));
    EXPECT_EQ(EncodeEnvelope(alive), (Bytes{5, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeEnvelope(follow), (Bytes{6, 3, 0, 0, 0, 0x0D, 0x0C, 0x0B, 0x0A}));
    EXPECT_EQ(EncodeEnvelope(for_all), (Bytes{10, 9, 0, 0, 0, 1, 2}));
    for (const Envelope& sent :
         {hello, room, data, will, refusal, alive, follow, seek, keyed, moved, for_all}) {
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
        {{11, 0, 0, 0, 0}, "an envelope of an unknown kind"},
        {{9, 0, 0, 0, 0, 1}, "a move holds a key and is numbered 0"},
        {{6, 1, 0, 0, 0, 1, 0, 0}, "a call to follow holds a number and is numbered"},
        {{6, 0, 0, 0, 0, 1, 0, 0, 0}, "a call to follow holds a number and is numbered"},
        {{6, 1, 0, 0, 0, 0, 0, 0, 0}, "the spectators' numbers start at 1"},
        {{5, 0, 0, 0, 0, 1}, "a sign of life holds nothing"},
        {{5, 1, 0, 0, 0}, "a sign of life holds nothing"},
        {{1, 1, 0, 0, 0}, "another version of the envelope"},
        {{4, 0, 0, 0, 0, kEnvelopeVersion, 1}, "a greeting holds its version and a hello perhaps a key"},
        {{1, 1, 0, 0, 0, kEnvelopeVersion, 1}, "a greeting holds its version and a hello perhaps a key"},
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

constexpr const char* kRoom = "lobshot/22222222/";

// The test plays the broker: it decides when the link opens and what comes in, and keeps what the
// end publishes and asks for.
struct Broker {
    bool open = false;
    std::vector<std::string> filters;
    std::vector<net::MqttLink::Incoming> published;
    std::vector<net::MqttLink::Incoming> coming;
    net::MqttLink::Will will;
    std::string clientId;
    int pumps = 0;
};

class ScriptedLink final : public net::MqttLink {
public:
    explicit ScriptedLink(Broker* broker) : broker_(broker) {}

    bool Open(const std::string&, std::uint16_t, const std::string& client_id, const std::string&, int,
              const Will& will, std::string*) override {
        broker_->will = will;
        broker_->clientId = client_id;
        return true;
    }
    int Subscribe(const std::string& filter) override {
        if (state_ != State::Open) return -1;
        broker_->filters.push_back(filter);
        subscribed_.insert(static_cast<int>(broker_->filters.size()));
        return static_cast<int>(broker_->filters.size());
    }
    bool Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool, bool) override {
        if (state_ != State::Open) return false;
        broker_->published.push_back({topic, Bytes(payload.begin(), payload.end())});
        return true;
    }
    void Close() override { state_ = State::Closed; }
    void Pump(int) override {
        ++broker_->pumps;
        if (broker_->open && state_ == State::Connecting) state_ = State::Open;
        for (Incoming& message : broker_->coming) incoming_.push_back(std::move(message));
        broker_->coming.clear();
    }
    bool Waits() const override { return false; }

private:
    Broker* broker_;
};

Bytes Wrap(EnvelopeKind kind, std::uint32_t sequence, Bytes payload = {}) {
    return net::EncodeEnvelope({kind, sequence, std::move(payload), net::DisconnectReason::Closed});
}

TEST(GuestOverALinkThatCannotWait, JoinsTheOneHostAndTalksInNumberedEnvelopes) {
    Broker broker;
    std::string error;
    net::TransportOptions options;
    std::unique_ptr<net::Transport> guest = net::JoinRoom(std::make_unique<ScriptedLink>(&broker),
                                                          "127.0.0.1:1884", "2222-2222", options, &error);
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
