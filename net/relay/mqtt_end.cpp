// The shared half of the relay's ends: starting the link and polling it for events.
#include "net/relay/mqtt_end.h"

#include <algorithm>
#include <chrono>

#include "net/room_code.h"

namespace net {
namespace {

// Client ids: 16 characters of the code alphabet, 80 random bits.
constexpr std::size_t kClientIdLength = 16;
// Waits on the link are cut into slices this long, so that changes of state are seen between them.
constexpr int kPumpSliceMs = 10;

}  // namespace

Envelope Greeting(EnvelopeKind kind, std::uint32_t sequence) {
    Envelope envelope;
    envelope.kind = kind;
    envelope.sequence = sequence;
    return envelope;
}

Envelope Goodbye(std::uint32_t sequence, DisconnectReason why) {
    Envelope envelope = Greeting(EnvelopeKind::Bye, sequence);
    envelope.reason = why;
    return envelope;
}

Envelope Carrying(std::uint32_t sequence, std::span<const std::uint8_t> bytes) {
    Envelope envelope = Greeting(EnvelopeKind::Data, sequence);
    envelope.payload.assign(bytes.begin(), bytes.end());
    return envelope;
}

NetEvent MakeEvent(NetEvent::Kind kind, PeerId peer, DisconnectReason why, std::vector<std::uint8_t> bytes) {
    NetEvent event;
    event.kind = kind;
    event.peer = peer;
    event.reason = why;
    event.bytes = std::move(bytes);
    return event;
}

Order Place(std::uint32_t sequence, std::uint32_t expected) {
    if (sequence == expected) return Order::Next;
    return sequence < expected ? Order::Again : Order::Gap;
}

MqttEnd::MqttEnd(std::unique_ptr<MqttLink> link, const std::string& code, const TransportOptions& options)
    : link_(std::move(link)), options_(options), code_(code), room_("lobshot/" + code + "/") {}

bool MqttEnd::MakeId(std::string* error) { return MakeRandomCode(kClientIdLength, &id_, error); }

void MqttEnd::ReplaceLink(std::unique_ptr<MqttLink> link) {
    link_ = std::move(link);
    pending_.clear();
    pending_bytes_ = 0;
}

void MqttEnd::Keep(const std::string& to, const Envelope& envelope) {
    const Clock::time_point now = Clock::now();
    while (!kept_.empty() && now - kept_.front().at > std::chrono::milliseconds(options_.timeout_ms))
        kept_.pop_front();
    kept_.push_back({to, envelope, now});
}

bool MqttEnd::Open(const std::string& broker, const std::string& will_topic,
                   const std::vector<std::uint8_t>& will, std::string* error) {
    std::string host;
    std::uint16_t port = 0;
    if (!ParseHostPort(broker, &host, &port, error)) return false;
    return link_->Open(host, port, id_, code_, options_.relay_keepalive_s, {Topic(will_topic), will, false},
                       error);
}

bool MqttEnd::AwaitBroker(const std::string& broker, std::string* error) {
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(options_.timeout_ms);
    while (!link_->Open() && !link_->Lost() && Clock::now() < end) link_->Pump(kPumpSliceMs);
    if (link_->Open()) return true;
    *error = Compose(link_->Lost() ? says::kRelayRefused : says::kRelaySilent, {broker});
    return false;
}

bool MqttEnd::Poll(NetEvent* event, int timeout_ms) {
    // What has come in is read first, so that silence is judged on all that arrived (even with no
    // time to wait); then rounds of the link until an event comes or the time is up (a link that
    // cannot wait has had its one round).
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeout_ms);
    // Polls further apart than two signs of life at the usual pace (or this end's, if quicker) were
    // an absence of this end's own.
    const int absent_ms = 2 * std::min(options_.alive_every_ms, TransportOptions{}.alive_every_ms);
    if (Clock::now() - polled_ > std::chrono::milliseconds(absent_ms)) back_ = Clock::now();
    PushPending(false);
    link_->Pump(0);
    for (bool first = true;; first = false) {
        Process();
        polled_ = Clock::now();
        if (!events_.empty()) {
            *event = std::move(events_.front());
            events_.pop_front();
            return true;
        }
        const Clock::duration left = end - Clock::now();
        if (!first && (left <= Clock::duration::zero() || !link_->Waits())) return false;
        const long long wait_ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        link_->Pump(static_cast<int>(std::clamp<long long>(wait_ms, 0, kPumpSliceMs)));
    }
}

std::optional<std::string> MqttEnd::LevelAfter(const std::string& topic, std::string_view prefix) const {
    const std::string begin = Topic(prefix);
    if (topic.size() <= begin.size() || topic.compare(0, begin.size(), begin) != 0) return std::nullopt;
    std::string level = topic.substr(begin.size());
    if (level.find('/') != std::string::npos) return std::nullopt;
    return level;
}

bool MqttEnd::Publish(const std::string& topic, const Envelope& envelope) {
    if (envelope.kind != EnvelopeKind::Data) {
        PushPending(true);
        return link_->Publish(topic, EncodeEnvelope(envelope), false, envelope.kind == EnvelopeKind::Bye);
    }
    if (!link_->Open()) return false;
    // A message that would not fit in the batch gathering sends what waits first.
    if (!pending_.empty() && (pending_.back().topic != topic || pending_.size() >= kMaxBatch ||
                              pending_bytes_ + envelope.payload.size() > options_.max_message_bytes))
        PushPending(true);
    if (pending_.empty()) pending_since_ = Clock::now();
    pending_.push_back({topic, envelope});
    pending_bytes_ += envelope.payload.size();
    return true;
}

void MqttEnd::PushPending(bool all) {
    if (pending_.empty()) return;
    if (!all && pending_.front().topic == all_topic_ &&
        Clock::now() - pending_since_ < std::chrono::milliseconds(held_ms_))
        return;
    // Every message waiting is for one topic and numbered in turn (a sender's numbering per topic).
    Envelope sent = pending_.front().envelope;
    if (pending_.size() > 1) {
        sent.kind = EnvelopeKind::Batch;
        sent.payload.clear();
        for (Queued& queued : pending_) sent.batch.push_back(std::move(queued.envelope.payload));
    }
    const std::string topic = std::move(pending_.front().topic);
    pending_.clear();
    pending_bytes_ = 0;
    link_->Publish(topic, EncodeEnvelope(sent), false, false);
    if (topic == all_topic_) SpokeToAll();
}

}  // namespace net
