// The host's end of a room on the relay: its notice, guests saying hello, messages both ways; and
// the room and its spectators' room kept together.
#include <algorithm>
#include <chrono>
#include <map>
#include <set>

#include "net/relay/mqtt_end.h"
#include "net/relay/mqtt_host.h"
#include "net/room_code.h"

namespace net {
namespace {

class MqttHost final : public MqttEnd {
public:
    using MqttEnd::MqttEnd;

    // The will is an empty notice: the guests learn the host's id is no longer its own (it vanished,
    // or its connection was taken over and it moves). `make_link` makes the link of a move.
    bool Start(const std::string& broker, MqttLinkMaker make_link, std::string* error) {
        broker_ = broker;
        make_link_ = std::move(make_link);
        return Connect(error);
    }

    bool Send(PeerId peer, std::span<const std::uint8_t> bytes) override;
    void Disconnect(PeerId peer, DisconnectReason why) override { Drop(peer, why, false); }

    std::vector<PeerId> Peers() const override {
        std::vector<PeerId> ids;
        for (const auto& [id, guest] : guests_) ids.push_back(id);
        return ids;
    }

    std::string Address(PeerId peer) const override {
        const auto found = guests_.find(peer);
        return found == guests_.end() ? "" : found->second.client;
    }

    bool Settled() const override { return (link_->AllPublished() && !Unsent()) || !link_->Open(); }

    // Whether the broker has taken this end's subscriptions: joiners asking before then go unheard.
    bool Listening() const {
        return std::all_of(requests_.begin(), requests_.end(),
                           [this](int r) { return link_->Acknowledged(r); });
    }

    void HoldPeer(PeerId peer, int timeout_ms) override {
        const auto found = guests_.find(peer);
        if (found != guests_.end()) found->second.timeout_ms = timeout_ms;
    }

    // A guest or spectator is told the number the host's topic for all has reached; from there on
    // it reads that topic too, where everything for all of them goes once.
    bool Watch(PeerId peer) override {
        const auto found = guests_.find(peer);
        if (found == guests_.end()) return false;
        Envelope follow = Greeting(EnvelopeKind::Follow, found->second.next_out++);
        follow.first = watch_next_;
        found->second.follows = true;
        return Tell(found->second, follow);
    }
    // Guests not yet reading the host's topic for all since its move get each message alone too.
    bool SendToWatchers(std::span<const std::uint8_t> bytes) override {
        if (bytes.empty() || bytes.size() > options_.max_message_bytes || (!link_->Open() && !moving_))
            return false;
        const Envelope envelope = Carrying(watch_next_++, bytes);
        Keep("", envelope);
        for (auto& [peer, guest] : guests_)
            if (guest.mirrored && guest.follows) Publish(Down(guest.client), AsForAll(envelope));
        return Publish(all_topic_, envelope) || moving_;
    }

    // What goes to the topic for all may wait `held_ms` (spectators, who play seconds behind).
    void HoldForAll(int held_ms) { held_ms_ = held_ms; }

private:
    // A guest connected; both ways the hellos were number 1.
    struct Guest {
        std::string client;
        std::uint32_t next_in = 2;
        std::uint32_t next_out = 2;
        Clock::time_point heard = Clock::now();
        Clock::time_point spoke = Clock::now();
        std::vector<std::uint8_t> key{};  // proves the host to it after a move
        int timeout_ms = 0;               // held (HoldPeer): its own timeout; 0 the options'
        bool follows = false;             // it reads the topic for all (Watch)
        bool mirrored = false;            // moved to, and not heard from since: may not read it yet
    };

    static Envelope AsForAll(const Envelope& envelope) {
        Envelope alone = envelope;
        alone.kind = EnvelopeKind::ForAll;
        return alone;
    }

    // What is said on the topic for all is said to every guest that reads it.
    void SpokeToAll() override {
        for (auto& [peer, guest] : guests_)
            if (guest.follows) guest.spoke = Clock::now();
    }

    std::string Down(const std::string& client) const { return Topic("to/" + client + "/" + id_); }

    void Process() override;
    void Receive(const std::string& client, std::span<const std::uint8_t> bytes);
    void Admit(const std::string& client);
    void FromGuest(PeerId peer, Guest& guest, EnvelopeFault fault, const Envelope& envelope);
    void Drop(PeerId peer, DisconnectReason why, bool report);
    void KeepAlive();
    bool Connect(std::string* error);
    void Move();
    void TellMoved();
    void LoseAll();
    bool Tell(Guest& guest, const Envelope& envelope) {
        guest.spoke = Clock::now();
        if (envelope.sequence != 0) Keep(guest.client, envelope);
        return Publish(Down(guest.client), envelope) || moving_;
    }

    std::string broker_;
    MqttLinkMaker make_link_;
    bool moving_ = false;  // connecting under a fresh id, the last connection lost
    bool opened_ = false;
    std::vector<int> requests_{-1};  // the subscriptions asked for, once opened
    bool lost_ = false;
    PeerId next_id_ = 1;
    std::uint32_t watch_next_ = 1;  // the number of the next message on the spectators' topic
    std::map<PeerId, Guest> guests_;
    std::map<std::string, PeerId> by_client_;
    // Guests whose connection ended or that were refused: nothing more from them counts.
    std::set<std::string> ended_;
};

void MqttHost::Process() {
    // Once the broker takes this client: listen to what guests say to it, to their wills and to
    // joiners asking who keeps the room.
    if (!opened_ && link_->Open()) {
        opened_ = true;
        requests_ = {link_->Subscribe(Topic("to/" + id_ + "/+")), link_->Subscribe(Topic("gone/+")),
                     link_->Subscribe(Topic("host/+"))};
    }
    if (moving_ && Listening()) TellMoved();
    MqttLink::Incoming message;
    while (link_->TakeIncoming(&message)) {
        if (std::optional<std::string> client = LevelAfter(message.topic, "to/" + id_ + "/")) {
            Receive(*client, message.payload);
        } else if (std::optional<std::string> gone = LevelAfter(message.topic, "gone/")) {
            if (message.payload == EncodeEnvelope(Goodbye(0, DisconnectReason::TimedOut)))
                Receive(*gone, message.payload);
        } else if (std::optional<std::string> joiner = LevelAfter(message.topic, "host/")) {
            // A joiner asking who keeps the room is told, to it alone.
            if (*joiner != id_ && message.payload == EncodeEnvelope(Greeting(EnvelopeKind::Seek, 0)))
                Publish(Down(*joiner), Greeting(EnvelopeKind::Room, 0));
        }
    }
    KeepAlive();
    // A connection the broker dropped once it had taken it is made again under a fresh id (another
    // client may have taken this one over); without the broker every guest is gone.
    if (link_->Lost() && (moving_ || !opened_ || !link_->Dropped())) LoseAll();
    if (link_->Lost() && !lost_) Move();
}

void MqttHost::LoseAll() {
    if (lost_) return;
    lost_ = true;
    while (!guests_.empty()) Drop(guests_.begin()->first, DisconnectReason::RelayLost, true);
}

bool MqttHost::Connect(std::string* error) {
    if (!MakeId(error)) return false;
    all_topic_ = Topic("watch/" + id_);
    opened_ = false;
    requests_ = {-1};
    return Open(broker_, "host/" + id_, {}, error);
}

// The host connects again under a fresh id and, once the broker takes it, tells its guests
// (Moved); its old id's will has told them that nothing said under it counts any more.
void MqttHost::Move() {
    std::string error;
    ReplaceLink(make_link_());
    moving_ = Connect(&error);
    if (!moving_) LoseAll();
}

// Each guest hears where the host speaks from now, with its key, then again what it may have
// missed, in order: the broker may not have taken the last of it from the old connection.
void MqttHost::TellMoved() {
    moving_ = false;
    for (auto& [peer, guest] : guests_) {
        Envelope moved = Greeting(EnvelopeKind::Moved, 0);
        moved.payload = guest.key;
        Publish(Down(guest.client), moved);
        for (const Kept& kept : kept_) {
            if (kept.to == guest.client) Publish(Down(guest.client), kept.envelope);
            if (kept.to.empty() && guest.follows) Publish(Down(guest.client), AsForAll(kept.envelope));
        }
        guest.mirrored = true;
        guest.spoke = Clock::now();
    }
}

void MqttHost::Receive(const std::string& client, std::span<const std::uint8_t> bytes) {
    if (ended_.count(client) != 0) return;
    Envelope envelope;
    std::string error;
    const EnvelopeFault fault = DecodeEnvelope(bytes, options_.max_message_bytes, &envelope, &error);
    const auto known = by_client_.find(client);
    if (known != by_client_.end() && fault == EnvelopeFault::None && envelope.kind == EnvelopeKind::Batch) {
        // Each message in turn, while the guest lasts (one may end it).
        for (const Envelope& message : Unbatch(envelope)) {
            const auto still = by_client_.find(client);
            if (still == by_client_.end()) return;
            FromGuest(still->second, guests_.at(still->second), fault, message);
        }
    } else if (known != by_client_.end()) {
        FromGuest(known->second, guests_.at(known->second), fault, envelope);
    } else if (fault == EnvelopeFault::None && envelope.kind == EnvelopeKind::Hello) {
        Admit(client);
    }
}

// A new guest is taken while there is room, and turned away for good otherwise.
void MqttHost::Admit(const std::string& client) {
    if (static_cast<int>(guests_.size()) >= options_.max_peers) {
        Publish(Down(client), Goodbye(1, DisconnectReason::HostFull));
        ended_.insert(client);
        return;
    }
    std::string key, error;
    if (!MakeRandomCode(kKeyBytes, &key, &error)) return;
    const PeerId peer = next_id_++;
    guests_[peer] = Guest{client};
    guests_[peer].key.assign(key.begin(), key.end());
    by_client_[client] = peer;
    Envelope hello = Greeting(EnvelopeKind::Hello, 1);
    hello.payload = guests_[peer].key;
    Publish(Down(client), hello);
    events_.push_back(MakeEvent(NetEvent::Connected, peer));
}

void MqttHost::FromGuest(PeerId peer, Guest& guest, EnvelopeFault fault, const Envelope& envelope) {
    guest.heard = Clock::now();
    guest.mirrored = false;
    if (fault != EnvelopeFault::None) {
        Drop(peer,
             fault == EnvelopeFault::Oversized ? DisconnectReason::Oversized : DisconnectReason::Malformed,
             true);
        return;
    }
    // Signs of life (and notices, out of place here) are outside the numbering; a will's goodbye is
    // numbered 0 and always counts; anything else in its order, a second hello being a duplicate.
    if (envelope.kind == EnvelopeKind::Alive || envelope.kind == EnvelopeKind::Room) return;
    const Order order = envelope.kind == EnvelopeKind::Bye && envelope.sequence == 0
                            ? Order::Next
                            : Place(envelope.sequence, guest.next_in);
    if (order == Order::Again || envelope.kind == EnvelopeKind::Hello) return;
    if (order == Order::Gap) {
        Drop(peer, DisconnectReason::Lost, true);
    } else if (envelope.kind == EnvelopeKind::Bye) {
        ended_.insert(guest.client);
        by_client_.erase(guest.client);
        guests_.erase(peer);
        events_.push_back(MakeEvent(NetEvent::Disconnected, peer, envelope.reason));
    } else {
        ++guest.next_in;
        events_.push_back(MakeEvent(NetEvent::Received, peer, DisconnectReason::Closed, envelope.payload));
    }
}

bool MqttHost::Send(PeerId peer, std::span<const std::uint8_t> bytes) {
    const auto found = guests_.find(peer);
    if (found == guests_.end() || bytes.empty() || bytes.size() > options_.max_message_bytes) return false;
    Guest& guest = found->second;
    return Tell(guest, Carrying(guest.next_out++, bytes));
}

void MqttHost::KeepAlive() {
    for (auto next = guests_.begin(); next != guests_.end();) {
        const PeerId peer = next->first;
        Guest& guest = next->second;
        ++next;  // Drop erases the guest
        if (Overdue(guest.heard, guest.timeout_ms)) {
            Drop(peer, DisconnectReason::TimedOut, true);
        } else if (DueToSpeak(guest.spoke)) {
            Tell(guest, Greeting(EnvelopeKind::Alive, 0));
        }
    }
}

// Ends a guest's connection with a goodbye (which the broker may no longer deliver if it is lost).
void MqttHost::Drop(PeerId peer, DisconnectReason why, bool report) {
    const auto found = guests_.find(peer);
    if (found == guests_.end()) return;
    Guest& guest = found->second;
    Publish(Down(guest.client), Goodbye(guest.next_out++, why));
    ended_.insert(guest.client);
    by_client_.erase(guest.client);
    guests_.erase(found);
    if (report) events_.push_back(MakeEvent(NetEvent::Disconnected, peer, why));
}

// The spectators' peers are numbered from here on, the room's below.
constexpr PeerId kFirstSpectator = 0x40000000;
// A wait is cut into slices this long, each spent on one of the two ends.
constexpr int kWaitSliceMs = 5;
// What the host says to all its spectators waits this long to go as one message: they play
// seconds behind the game (netplay/watchers.cpp), so that costs them nothing.
constexpr int kSpectatorsHeldMs = 500;

// A room and its spectators' room: the room's code lets machines in to play, the watch code lets
// spectators in, each door a connection of its own under its own code. What comes in at either is
// one stream of events; the spectators' room losing the broker loses only the spectators.
class RoomAndWatchers final : public Transport {
public:
    RoomAndWatchers(std::unique_ptr<MqttHost> room, std::unique_ptr<MqttHost> watch)
        : room_(std::move(room)), watch_(std::move(watch)) {}

    bool Poll(NetEvent* event, int timeout_ms) override {
        // Both ends are read at once, then in turns of a slice each until the time is up.
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (int slice = 0;; slice = kWaitSliceMs) {
            if (room_->Poll(event, slice) || FromWatchers(event, 0)) return true;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
        }
    }
    bool Send(PeerId peer, std::span<const std::uint8_t> bytes) override {
        return IsSpectator(peer) ? watch_->Send(peer - kFirstSpectator, bytes) : room_->Send(peer, bytes);
    }
    void Disconnect(PeerId peer, DisconnectReason why) override {
        if (IsSpectator(peer))
            watch_->Disconnect(peer - kFirstSpectator, why);
        else
            room_->Disconnect(peer, why);
    }
    std::vector<PeerId> Peers() const override {
        std::vector<PeerId> peers = room_->Peers();
        for (PeerId peer : watch_->Peers()) peers.push_back(peer + kFirstSpectator);
        return peers;
    }
    std::string Address(PeerId peer) const override {
        return IsSpectator(peer) ? watch_->Address(peer - kFirstSpectator) : room_->Address(peer);
    }
    bool Settled() const override { return room_->Settled() && watch_->Settled(); }
    void HoldPeer(PeerId peer, int timeout_ms) override {
        if (!IsSpectator(peer)) room_->HoldPeer(peer, timeout_ms);
    }
    std::uint16_t Port() const override { return 0; }
    bool Watch(PeerId peer) override {
        return IsSpectator(peer) ? watch_->Watch(peer - kFirstSpectator) : room_->Watch(peer);
    }
    bool SendToWatchers(std::span<const std::uint8_t> bytes) override {
        return watch_->SendToWatchers(bytes);
    }
    bool SendToPlayers(std::span<const std::uint8_t> bytes) override { return room_->SendToWatchers(bytes); }
    void Push() override {
        room_->Push();
        watch_->Push();
    }
    PeerRole RoleOf(PeerId peer) const override {
        return IsSpectator(peer) ? PeerRole::Spectator : PeerRole::Player;
    }

private:
    static bool IsSpectator(PeerId peer) { return peer >= kFirstSpectator; }

    bool FromWatchers(NetEvent* event, int timeout_ms) {
        if (!watch_->Poll(event, timeout_ms)) return false;
        event->peer += kFirstSpectator;
        if (event->reason == DisconnectReason::RelayLost) event->reason = DisconnectReason::Lost;
        return true;
    }

    std::unique_ptr<MqttHost> room_;
    std::unique_ptr<MqttHost> watch_;
};

// A room kept once the broker has taken the host and its subscriptions (within the timeout).
// A link that cannot wait (await_broker false) is kept at once; its news comes in later.
std::unique_ptr<MqttHost> KeepRoom(const MqttLinkMaker& make_link, const std::string& broker,
                                   const std::string& code, const TransportOptions& options,
                                   bool await_broker, std::string* error) {
    auto host = std::make_unique<MqttHost>(make_link(), code, options);
    if (!host->Start(broker, make_link, error)) return nullptr;
    if (!await_broker) return host;
    if (!host->AwaitBroker(broker, error)) return nullptr;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeout_ms);
    NetEvent ignored;
    while (!host->Listening() && std::chrono::steady_clock::now() < end) host->Poll(&ignored, kWaitSliceMs);
    if (host->Listening()) return host;
    *error = Compose(says::kRelaySilent, {broker});
    return nullptr;
}

}  // namespace

std::unique_ptr<Transport> OpenRoom(const MqttLinkMaker& make_link, const std::string& broker,
                                    const std::string& code, const std::string& watch_code,
                                    const TransportOptions& options, bool await_broker, std::string* error) {
    std::string room, watching;
    if (!ParseRoomCode(code, &room, error) || !ParseRoomCode(watch_code, &watching, error)) return nullptr;
    if (room == watching) {
        *error = NetText("a room's watch code is not its code");
        return nullptr;
    }
    std::unique_ptr<MqttHost> host = KeepRoom(make_link, broker, room, options, await_broker, error);
    std::unique_ptr<MqttHost> spectators =
        host ? KeepRoom(make_link, broker, watching, options, await_broker, error) : nullptr;
    if (!spectators) return nullptr;
    spectators->HoldForAll(kSpectatorsHeldMs);
    return std::make_unique<RoomAndWatchers>(std::move(host), std::move(spectators));
}

}  // namespace net
