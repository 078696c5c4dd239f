// What a host and a guest on the relay share: the room's topics, numbering and the polling loop.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/relay/envelope.h"
#include "net/relay/mqtt_link.h"
#include "net/transport.h"

namespace net {

// Envelopes and events as the ends make them.
Envelope Greeting(EnvelopeKind kind, std::uint32_t sequence);  // Hello or Room
Envelope Goodbye(std::uint32_t sequence, DisconnectReason why);
Envelope Carrying(std::uint32_t sequence, std::span<const std::uint8_t> bytes);
NetEvent MakeEvent(NetEvent::Kind kind, PeerId peer, DisconnectReason why = DisconnectReason::Closed,
                   std::vector<std::uint8_t> bytes = {});

// Where a message stands in its sender's numbering: the next one, one already had, or past a gap.
enum class Order { Next, Again, Gap };
Order Place(std::uint32_t sequence, std::uint32_t expected);

// One end of a room. Subclasses turn what the link brings in into events (Process) and say what
// they know of their peers; this class runs the link between them from Poll.
class MqttEnd : public Transport {
public:
    // `code` is the room's code as ParseRoomCode gives it; the end speaks through `link`, not yet
    // open.
    MqttEnd(std::unique_ptr<MqttLink> link, const std::string& code, const TransportOptions& options);

    // Makes this end's fresh client id (id_), then opens the link under it, with the room's code as
    // the user name (the broker lets a client read only its own room's topics) and a will on the
    // given room topic. False with a message in *error if either cannot be done. Nothing is ever
    // retained: the relay keeps nothing of a client once it is gone.
    bool MakeId(std::string* error);
    bool Open(const std::string& broker, const std::string& will_topic, const std::vector<std::uint8_t>& will,
              std::string* error);
    // Waits (at most the timeout) until the broker takes this client. False with a message in
    // *error if it refuses or does not answer.
    bool AwaitBroker(const std::string& broker, std::string* error);

    bool Poll(NetEvent* event, int timeout_ms) override;
    std::uint16_t Port() const override { return 0; }
    void Push() override { PushPending(false); }

protected:
    using Clock = std::chrono::steady_clock;

    // Handles what came in and what changed on the link, queueing events.
    virtual void Process() = 0;

    // Room topics: "lobshot/CODE/" + rest.
    std::string Topic(std::string_view rest) const { return room_ + std::string(rest); }
    // The one level after `prefix` (a room topic's beginning) in `topic`, if the topic is the
    // prefix followed by one level; otherwise nullopt.
    std::optional<std::string> LevelAfter(const std::string& topic, std::string_view prefix) const;
    // Publishes an envelope, at most once but for a goodbye (what comes before it has then reached
    // the broker once the broker acknowledges it: Settled). A Data waits (in order with everything else this
    // end sends) for the next Push or poll, or for anything else sent, and the messages that wait in a row
    // for one topic go then as one Batch: a tick's messages cost the broker one. Messages on a host's topic
    // for all (all_topic_) may wait up to held_ms_ while nothing else waits.
    bool Publish(const std::string& topic, const Envelope& envelope);
    // Sends what waits: all of it, or (`all` false) unless only held messages wait, the oldest for
    // less than held_ms.
    void PushPending(bool all);
    bool Unsent() const { return !pending_.empty(); }
    // Called for each message published on the topic for all, for the host to count it as said to
    // every peer that reads it.
    virtual void SpokeToAll() {}

    // An end that has said nothing to a peer for alive_every_ms says it is alive, and a peer heard from last
    // longer ago than the timeout is taken to be gone, its connection open or not (the broker's own
    // keep-alive takes far longer to notice). Poll reads what waits before judging, so that an end back from
    // a while away (its process stopped, say) hears its peers before it takes their silence for their
    // absence.
    bool DueToSpeak(Clock::time_point spoke) const {
        return Clock::now() - spoke >= std::chrono::milliseconds(options_.alive_every_ms);
    }
    // A peer heard from at `heard` is overdue after `timeout_ms` (the options' unless given), counted
    // from this end's own return when it was away itself (its polls far apart: stopped, or a page
    // frozen by its browser), so that its peers have a whole timeout to be heard again.
    bool Overdue(Clock::time_point heard, int timeout_ms = 0) const {
        const Clock::time_point from = std::max(heard, back_);
        return Clock::now() - from >
               std::chrono::milliseconds(timeout_ms > 0 ? timeout_ms : options_.timeout_ms);
    }

    // The link to use from now on (not yet open) in place of one lost; what waited to be sent on
    // the old one is let go (Keep has it).
    void ReplaceLink(std::unique_ptr<MqttLink> link);

    // What this end said in its numberings for the timeout's length (`to`: whom it was for), so
    // that it can say it again after its host moves: the broker may never have taken the last of
    // it from a connection lost, and a peer ignores a number it already had.
    struct Kept {
        std::string to;
        Envelope envelope;
        Clock::time_point at;
    };
    void Keep(const std::string& to, const Envelope& envelope);
    std::deque<Kept> kept_;

    std::unique_ptr<MqttLink> link_;
    TransportOptions options_;
    std::string code_;
    std::string room_;
    std::string id_;
    std::deque<NetEvent> events_;

    std::string all_topic_;
    int held_ms_ = 0;

private:
    struct Queued {
        std::string topic;
        Envelope envelope;
    };
    std::vector<Queued> pending_;
    std::size_t pending_bytes_ = 0;
    Clock::time_point pending_since_{};
    Clock::time_point polled_ = Clock::now();
    Clock::time_point back_{};
};

}  // namespace net
