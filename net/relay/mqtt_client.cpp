// A guest's end of a room on the relay: finding its host, saying hello, messages both ways.
#include <set>
#include <vector>

#include "net/relay/mqtt_end.h"
#include "net/relay/mqtt_guest.h"
#include "net/room_code.h"

namespace net {
namespace {

// A guest's only peer, its host.
constexpr PeerId kHostPeer = 1;
// A joiner says hello to at most this many of the hosts the room's notices name.
constexpr std::size_t kMostHostsAsked = 8;
// A guest holds at most this many messages from its host's topic for all before the host tells it
// where it starts reading them (a few come between its hello and that word).
constexpr std::size_t kMaxHeldBeforeFollowing = 1024;

class MqttClient final : public MqttEnd {
public:
    using MqttEnd::MqttEnd;

    // The will is a goodbye numbered 0 saying this guest timed out.
    bool Start(const std::string& broker, std::string* error) {
        const Envelope will = Goodbye(0, DisconnectReason::TimedOut);
        started_ = Clock::now();
        return MakeId(error) && Open(broker, "gone/" + id_, EncodeEnvelope(will), error);
    }

    bool Send(PeerId peer, std::span<const std::uint8_t> bytes) override;
    void Disconnect(PeerId peer, DisconnectReason why) override;

    std::vector<PeerId> Peers() const override {
        if (phase_ == Phase::Joined) return {kHostPeer};
        return {};
    }

    std::string Address(PeerId peer) const override {
        return phase_ == Phase::Joined && peer == kHostPeer ? host_ : "";
    }

    bool Settled() const override { return phase_ != Phase::Ended || !link_->Open(); }

private:
    // Subscribing until the broker has answered both subscriptions, Choosing once it has asked who
    // keeps the room until a host's notice comes, Joining once hello is said to the hosts that
    // answered, Joined once one of them said hello back: that one is the host.
    enum class Phase { Subscribing, Choosing, Joining, Joined, Ended };

    std::string Up() const { return Topic("to/" + host_ + "/" + id_); }
    // What this guest says in its numbering is kept, and waits while its host moves.
    bool Tell(const Envelope& envelope) {
        spoke_ = Clock::now();
        if (envelope.sequence != 0) Keep("", envelope);
        return moving_ || resuming_ || Publish(Up(), envelope);
    }

    void Process() override;
    void Notice(const std::string& client, std::span<const std::uint8_t> bytes);
    void Ask();
    void Answered(const std::string& client, std::span<const std::uint8_t> bytes);
    void FromHost(std::span<const std::uint8_t> bytes);
    void FromHostAlone(const Envelope& envelope);
    void FromTopicForAll(std::span<const std::uint8_t> bytes);
    void ForAll(Envelope message);
    void Moved(const std::string& client, std::span<const std::uint8_t> bytes);
    void Resume();
    void Follow(std::uint32_t first);
    void TakeForAll(const Envelope& envelope);
    void End(DisconnectReason why, bool say_goodbye, bool report);

    Phase phase_ = Phase::Subscribing;
    Clock::time_point started_;
    int notices_request_ = -1;
    int down_request_ = -1;
    int watch_request_ = -1;  // the subscription to its host's topic for all, until taken
    // Reads the host's topic for all, holding what comes there until the host's word (following_),
    // then taking it in its numbering (watch_next_in_).
    bool following_ = false;
    std::vector<Envelope> held_;
    std::uint32_t watch_next_in_ = 1;
    std::set<std::string> notices_;  // clients whose notice says they keep the room
    std::set<std::string> asked_;    // those this joiner said hello to, until one answers
    std::string host_;
    // Given by the host in its hello: a move that carries it is the host's.
    std::vector<std::uint8_t> key_;
    // The host's id was taken over (its will came): nothing under it counts, and what this guest
    // says waits, until the host says where it moved (resuming_: until this guest reads the
    // host's new topic for all, resume_request_).
    bool moving_ = false;
    bool resuming_ = false;
    int resume_request_ = -1;
    std::uint32_t next_in_ = 1;
    std::uint32_t next_out_ = 1;
    Clock::time_point heard_;
    Clock::time_point spoke_;
};

void MqttClient::Process() {
    // Once the broker takes this client: the room's notices first, then what the host says here.
    if (phase_ == Phase::Subscribing && link_->Open() && down_request_ < 0) {
        notices_request_ = link_->Subscribe(Topic("host/+"));
        down_request_ = link_->Subscribe(Topic("to/" + id_ + "/+"));
    }
    MqttLink::Incoming message;
    while (link_->TakeIncoming(&message)) {
        if (std::optional<std::string> client = LevelAfter(message.topic, "host/")) {
            Notice(*client, message.payload);
        } else if (phase_ == Phase::Choosing || phase_ == Phase::Joining) {
            if (std::optional<std::string> from = LevelAfter(message.topic, "to/" + id_ + "/"))
                Answered(*from, message.payload);
        } else if (phase_ == Phase::Joined) {
            const std::optional<std::string> from = LevelAfter(message.topic, "to/" + id_ + "/");
            if (from && *from == host_ && !moving_)
                FromHost(message.payload);
            else if (from)
                Moved(*from, message.payload);
            else if (message.topic == Topic("watch/" + host_) && !moving_)
                FromTopicForAll(message.payload);
        }
    }
    if (resuming_ && link_->Acknowledged(resume_request_)) Resume();
    if (phase_ == Phase::Subscribing && link_->Acknowledged(notices_request_) &&
        link_->Acknowledged(down_request_))
        phase_ = Phase::Choosing;
    // Until a host answers, the search is made again now and then.
    if (phase_ == Phase::Choosing && DueToSpeak(spoke_)) {
        Publish(Topic("host/" + id_), Greeting(EnvelopeKind::Seek, 0));
        spoke_ = Clock::now();
    }
    if (phase_ == Phase::Choosing || phase_ == Phase::Joining) Ask();
    // A guest is connected once the broker takes its subscription to the host's topic for all, so
    // that nothing the host sends there after its word can pass it by.
    if (phase_ == Phase::Joined && watch_request_ >= 0 && link_->Acknowledged(watch_request_)) {
        watch_request_ = -1;
        events_.push_front(MakeEvent(NetEvent::Connected, kHostPeer));
    }

    // A host that never answers or falls silent, or the broker gone, ends the attempt or the
    // connection; while it lasts, this end says it is alive when it has had nothing to say.
    const bool joining = phase_ != Phase::Joined && phase_ != Phase::Ended;
    if ((joining && Overdue(started_)) || (phase_ == Phase::Joined && Overdue(heard_)))
        End(DisconnectReason::TimedOut, true, true);
    if (phase_ == Phase::Joined && DueToSpeak(spoke_)) Tell(Greeting(EnvelopeKind::Alive, 0));
    if (link_->Lost() && phase_ != Phase::Ended) End(DisconnectReason::RelayLost, false, true);
    // An end that has said all it had to say leaves the broker politely, so no will follows.
    if (phase_ == Phase::Ended && link_->Open() && link_->AllPublished()) link_->Close();
}

// An empty notice is a host's will: passed over while choosing; the host's means its id is no
// longer its own (it vanished, or another client took it over), and the host has the timeout to
// say where it moved. Any other notice counts while choosing (the hosts answer a joiner's search
// to it alone).
void MqttClient::Notice(const std::string& client, std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        notices_.erase(client);
        asked_.erase(client);
        if (client == host_ && phase_ == Phase::Joined && key_.empty())
            End(DisconnectReason::TimedOut, false, true);
        if (client == host_) moving_ = true;
        return;
    }
    Envelope envelope;
    std::string error;
    if (DecodeEnvelope(bytes, 0, &envelope, &error) == EnvelopeFault::None &&
        envelope.kind == EnvelopeKind::Room)
        notices_.insert(client);
}

// Hello to every host a notice names (a few at most): a notice left by someone gone is never
// answered, and costs nothing.
void MqttClient::Ask() {
    for (const std::string& client : notices_) {
        if (asked_.size() >= kMostHostsAsked) break;
        if (!asked_.insert(client).second) continue;
        Publish(Topic("to/" + client + "/" + id_), Greeting(EnvelopeKind::Hello, 1));
        phase_ = Phase::Joining;
    }
}

// A host answers the search with its notice, and then the hello: the first hello back makes it this
// joiner's host (whose topic for all it then reads too); a refusal counts once every host asked has
// refused.
void MqttClient::Answered(const std::string& client, std::span<const std::uint8_t> bytes) {
    Envelope envelope;
    std::string error;
    if (DecodeEnvelope(bytes, options_.max_message_bytes, &envelope, &error) != EnvelopeFault::None) return;
    if (envelope.kind == EnvelopeKind::Room) {
        notices_.insert(client);
        return;
    }
    if (asked_.count(client) == 0 || envelope.sequence != 1) return;
    if (envelope.kind == EnvelopeKind::Hello) {
        host_ = client;
        key_ = envelope.payload;
        next_in_ = 2;
        next_out_ = 2;
        heard_ = spoke_ = Clock::now();
        phase_ = Phase::Joined;
        watch_request_ = link_->Subscribe(Topic("watch/" + host_));
    } else if (envelope.kind == EnvelopeKind::Bye) {
        notices_.erase(client);
        if (asked_.size() == 1) return End(envelope.reason, false, true);
        asked_.erase(client);
    }
}

void MqttClient::FromHost(std::span<const std::uint8_t> bytes) {
    Envelope envelope;
    std::string error;
    const EnvelopeFault fault = DecodeEnvelope(bytes, options_.max_message_bytes, &envelope, &error);
    if (fault != EnvelopeFault::None) {
        End(fault == EnvelopeFault::Oversized ? DisconnectReason::Oversized : DisconnectReason::Malformed,
            true, true);
        return;
    }
    heard_ = Clock::now();
    if (envelope.kind == EnvelopeKind::Alive) return;
    if (envelope.kind == EnvelopeKind::ForAll) {
        envelope.kind = EnvelopeKind::Data;
        return ForAll(std::move(envelope));
    }
    if (envelope.kind != EnvelopeKind::Batch) return FromHostAlone(envelope);
    for (const Envelope& message : Unbatch(envelope))
        if (phase_ == Phase::Joined) FromHostAlone(message);
}

// One envelope of what the host says to this guest alone, in its numbering.
void MqttClient::FromHostAlone(const Envelope& envelope) {
    const Order order = Place(envelope.sequence, next_in_);
    if (order == Order::Again) return;
    // Messages follow the host's hello (a second one being a duplicate), and a goodbye may come at
    // any time.
    const bool expected = envelope.kind == EnvelopeKind::Bye || envelope.kind == EnvelopeKind::Data ||
                          (envelope.kind == EnvelopeKind::Follow && !following_);
    if (order == Order::Gap || !expected) {
        End(order == Order::Gap ? DisconnectReason::Lost : DisconnectReason::Malformed, true, true);
        return;
    }
    ++next_in_;
    if (envelope.kind == EnvelopeKind::Bye) {
        End(envelope.reason, false, true);
    } else if (envelope.kind == EnvelopeKind::Follow) {
        Follow(envelope.first);
    } else {
        events_.push_back(
            MakeEvent(NetEvent::Received, kHostPeer, DisconnectReason::Closed, envelope.payload));
    }
}

// What the host says to all its guests (or spectators): held until it says where this one starts,
// then taken in order like what it says here alone.
void MqttClient::FromTopicForAll(std::span<const std::uint8_t> bytes) {
    Envelope envelope;
    std::string error;
    const EnvelopeFault fault = DecodeEnvelope(bytes, options_.max_message_bytes, &envelope, &error);
    if (fault != EnvelopeFault::None ||
        (envelope.kind != EnvelopeKind::Data && envelope.kind != EnvelopeKind::Batch)) {
        End(fault == EnvelopeFault::Oversized ? DisconnectReason::Oversized : DisconnectReason::Malformed,
            true, true);
        return;
    }
    heard_ = Clock::now();
    for (Envelope& message : Unbatch(envelope)) ForAll(std::move(message));
}

void MqttClient::ForAll(Envelope message) {
    if (phase_ != Phase::Joined) return;
    if (following_) {
        TakeForAll(message);
    } else if (held_.size() >= kMaxHeldBeforeFollowing) {
        End(DisconnectReason::Lost, true, true);
    } else {
        held_.push_back(std::move(message));
    }
}

// A move carrying this guest's key is its host's, whoever else may hold the old id: the host is
// believed under its new id, whose topic for all this guest reads from now on.
void MqttClient::Moved(const std::string& client, std::span<const std::uint8_t> bytes) {
    Envelope envelope;
    std::string error;
    if (key_.empty() || DecodeEnvelope(bytes, 0, &envelope, &error) != EnvelopeFault::None ||
        envelope.kind != EnvelopeKind::Moved || envelope.payload != key_)
        return;
    host_ = client;
    moving_ = false;
    heard_ = Clock::now();
    resuming_ = true;
    resume_request_ = link_->Subscribe(Topic("watch/" + host_));
}

// Once this guest reads the host's new topic for all, it says again what the host may have
// missed, and from then on speaks to the host as before; the host, hearing it, stops sending it
// what it sends to all.
void MqttClient::Resume() {
    resuming_ = false;
    for (const Kept& kept : kept_) Publish(Up(), kept.envelope);
    Tell(Greeting(EnvelopeKind::Alive, 0));
}

// The host's word: the messages held from before `first` were said before this spectator came.
void MqttClient::Follow(std::uint32_t first) {
    following_ = true;
    watch_next_in_ = first;
    std::vector<Envelope> held = std::move(held_);
    held_.clear();
    for (const Envelope& envelope : held)
        if (envelope.sequence >= first && phase_ == Phase::Joined) TakeForAll(envelope);
}

void MqttClient::TakeForAll(const Envelope& envelope) {
    const Order order = Place(envelope.sequence, watch_next_in_);
    if (order == Order::Again) return;
    if (order == Order::Gap) return End(DisconnectReason::Lost, true, true);
    ++watch_next_in_;
    events_.push_back(MakeEvent(NetEvent::Received, kHostPeer, DisconnectReason::Closed, envelope.payload));
}

bool MqttClient::Send(PeerId peer, std::span<const std::uint8_t> bytes) {
    if (peer != kHostPeer || phase_ != Phase::Joined || bytes.empty() ||
        bytes.size() > options_.max_message_bytes)
        return false;
    return Tell(Carrying(next_out_++, bytes));
}

void MqttClient::Disconnect(PeerId peer, DisconnectReason why) {
    if (peer == kHostPeer && phase_ != Phase::Ended) End(why, true, false);
}

// Ends the connection or the attempt, telling the host if it may be listening.
void MqttClient::End(DisconnectReason why, bool say_goodbye, bool report) {
    if (say_goodbye && phase_ == Phase::Joined) Tell(Goodbye(next_out_++, why));
    phase_ = Phase::Ended;
    if (report) events_.push_back(MakeEvent(NetEvent::Disconnected, kHostPeer, why));
}

}  // namespace

std::unique_ptr<Transport> JoinRoom(std::unique_ptr<MqttLink> link, const std::string& broker,
                                    const std::string& code, const TransportOptions& options,
                                    std::string* error) {
    std::string room;
    if (!ParseRoomCode(code, &room, error)) return nullptr;
    auto client = std::make_unique<MqttClient>(std::move(link), room, options);
    if (!client->Start(broker, error)) return nullptr;
    return client;
}

}  // namespace net
