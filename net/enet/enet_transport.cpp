// The ENet transport: one reliable channel per peer, with our limits on peers and message sizes.
#include "net/enet/enet_transport.h"

#include <arpa/inet.h>
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string_view>

namespace net {
namespace {

// A host keeps slots beyond its limit of connections for handshakes under way, for connections
// closing and for telling a machine over the limit that the host is full (ENet ignores an attempt
// it has no slot for, and the machine times out). A flood of attempts that never finish, or of
// connections closed that never answer, must not take them all: a handshake not finished within
// kHandshakeMs is dropped without a word, and whenever fewer than kFreeSlots are free the oldest
// of those attempts and closings is dropped, so that a real machine's attempt finds a slot.
constexpr int kExtraSlots = 64;
constexpr int kFreeSlots = 32;
constexpr std::int64_t kHandshakeMs = 3000;
// Waits in ENet are cut into slices this long, so that slots are reclaimed between them.
constexpr int kWaitSliceMs = 2;

// ENet itself drops (and never acknowledges) a message larger than this, so the sender times out;
// between our limit and this one the receiver closes the connection with a reason.
constexpr std::size_t kEnetPacketLimit = 1024 * 1024;
constexpr std::size_t kEnetWaitingLimit = 4 * 1024 * 1024;
constexpr enet_uint32 kLongestResendMs = 600;

// Messages travel on channel 0. On channel 1 a host tells a client it is accepted, so that a client
// turned away never reports itself connected.
constexpr enet_uint8 kMessageChannel = 0;
constexpr enet_uint8 kControlChannel = 1;
constexpr std::size_t kChannels = 2;
constexpr std::size_t kEarlyLimit = 64;

// ENet is initialised while any transport exists.
std::mutex library_mutex;
int library_users = 0;

bool AcquireLibrary(std::string* error) {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (library_users == 0 && enet_initialize() != 0) {
        *error = "ENet could not be initialised";
        return false;
    }
    ++library_users;
    return true;
}

void ReleaseLibrary() {
    std::lock_guard<std::mutex> lock(library_mutex);
    if (--library_users == 0) enet_deinitialize();
}

DisconnectReason ReasonFromWire(enet_uint32 data) {
    if ((data >= static_cast<enet_uint32>(DisconnectReason::Closed) &&
         data <= static_cast<enet_uint32>(DisconnectReason::Lost)) ||
        data == static_cast<enet_uint32>(DisconnectReason::WrongCode))
        return static_cast<DisconnectReason>(data);
    return data == 0 ? DisconnectReason::TimedOut : DisconnectReason::Closed;
}

// The machine's IPv4 addresses on its networks, the loopback's left out: those others reach it by.
std::vector<std::string> MachineAddresses() {
    std::vector<std::string> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return addresses;
    for (const ifaddrs* at = list; at != nullptr; at = at->ifa_next) {
        if (at->ifa_addr == nullptr || at->ifa_addr->sa_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = "";
        const auto* address = reinterpret_cast<const sockaddr_in*>(at->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr &&
            std::string_view(text).substr(0, 4) != "127.")
            addresses.push_back(text);
    }
    freeifaddrs(list);
    return addresses;
}

class EnetTransport final : public Transport {
public:
    EnetTransport(ENetHost* host, const TransportOptions& options, bool listening)
        : host_(host), options_(options), listening_(listening) {
        host_->maximumPacketSize = kEnetPacketLimit;
        host_->maximumWaitingData = kEnetWaitingLimit;
    }

    ~EnetTransport() override {
        enet_host_destroy(host_);
        ReleaseLibrary();
    }

    bool Poll(NetEvent* event, int timeout_ms) override;
    bool Send(PeerId peer, std::span<const std::uint8_t> bytes) override;
    void Disconnect(PeerId peer, DisconnectReason why) override;

    std::vector<PeerId> Peers() const override {
        std::vector<PeerId> ids;
        for (const auto& [id, peer] : peers_) ids.push_back(id);
        return ids;
    }

    std::string Address(PeerId peer) const override {
        const auto found = peers_.find(peer);
        char text[64] = "";
        if (found == peers_.end() ||
            enet_address_get_host_ip(&found->second->address, text, sizeof text) != 0)
            return "";
        return text;
    }

    std::uint16_t Port() const override { return listening_ ? host_->address.port : 0; }
    std::vector<std::string> LocalAddresses() const override {
        return listening_ ? MachineAddresses() : std::vector<std::string>{};
    }

    bool Settled() const override {
        for (std::size_t i = 0; i < host_->peerCount; ++i)
            if (host_->peers[i].state != ENET_PEER_STATE_DISCONNECTED) return false;
        return true;
    }

    // A client's connection attempt; its peer gets an id now and is reported once it answers.
    bool StartConnect(const ENetAddress& address) {
        ENetPeer* peer = enet_host_connect(host_, &address, kChannels, 0);
        if (peer == nullptr) return false;
        Limit(peer);
        peer->data = reinterpret_cast<void*>(static_cast<std::uintptr_t>(next_id_++));
        unaccepted_ = peer;
        return true;
    }

private:
    static PeerId IdOf(const ENetPeer* peer) {
        return static_cast<PeerId>(reinterpret_cast<std::uintptr_t>(peer->data));
    }

    void Limit(ENetPeer* peer) const {
        const enet_uint32 ms = static_cast<enet_uint32>(std::max(options_.timeout_ms, 1));
        enet_peer_timeout(peer, 0, ms, ms);
    }

    // ENet doubles the wait before resending a message each time it is lost again, without limit, and
    // every message behind it on the channel waits too: on a link that loses one datagram in ten,
    // a message lost four times running held the stream up for ten seconds and more. The waits are
    // kept to at most kLongestResendMs; a peer that answers nothing still times out as before.
    void CapResendDelays() {
        for (std::size_t i = 0; i < host_->peerCount; ++i) {
            ENetPeer& peer = host_->peers[i];
            if (peer.state == ENET_PEER_STATE_DISCONNECTED) continue;
            for (ENetListIterator c = enet_list_begin(&peer.sentReliableCommands);
                 c != enet_list_end(&peer.sentReliableCommands); c = enet_list_next(c)) {
                auto* command = reinterpret_cast<ENetOutgoingCommand*>(c);
                command->roundTripTimeout =
                    std::min<enet_uint32>(command->roundTripTimeout, kLongestResendMs);
            }
        }
    }

    void Reclaim();
    void Handle(const ENetEvent& e);
    void HandleConnect(ENetPeer* peer);
    void HandleReceive(ENetPeer* peer, ENetPacket* packet, enet_uint8 channel);
    void Accepted(ENetPeer* peer);

    ENetHost* host_;
    TransportOptions options_;
    bool listening_;
    PeerId next_id_ = 1;
    std::map<PeerId, ENetPeer*> peers_;  // connected and reported
    std::deque<NetEvent> pending_;
    ENetPeer* unaccepted_ = nullptr;                // a client's host from its attempt until it accepts us
    std::vector<std::vector<std::uint8_t>> early_;  // messages from it that overtook the acceptance
    // A host's slots that hold no reported peer (a handshake under way or a connection closing):
    // the attempt's ENet connection id and when it was first seen, by slot.
    struct Unreported {
        enet_uint32 connect_id = 0;
        std::int64_t since = -1;
    };
    std::vector<Unreported> unreported_;
};

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A host's slots that hold no peer of ours are watched: handshakes that take too long are dropped,
// and when slots run short the oldest handshakes and closings go first. A connection of ours
// always has its id in the peer's data; every other slot's data is null.
void EnetTransport::Reclaim() {
    if (!listening_) return;
    unreported_.resize(host_->peerCount);
    const std::int64_t now = NowMs();
    std::vector<std::pair<std::int64_t, ENetPeer*>> droppable;
    int free = 0;
    for (std::size_t i = 0; i < host_->peerCount; ++i) {
        ENetPeer& peer = host_->peers[i];
        Unreported& slot = unreported_[i];
        if (peer.state == ENET_PEER_STATE_DISCONNECTED || peer.data != nullptr) {
            free += peer.state == ENET_PEER_STATE_DISCONNECTED;
            slot.since = -1;
            continue;
        }
        if (slot.since < 0 || slot.connect_id != peer.connectID) slot = {peer.connectID, now};
        if (peer.state == ENET_PEER_STATE_ACKNOWLEDGING_CONNECT && now - slot.since >= kHandshakeMs) {
            enet_peer_reset(&peer);
            slot.since = -1;
            ++free;
        } else {
            droppable.emplace_back(slot.since, &peer);
        }
    }
    // Short of slots: the oldest go without a word.
    std::sort(droppable.begin(), droppable.end());
    for (auto oldest = droppable.begin(); free < kFreeSlots && oldest != droppable.end(); ++oldest, ++free) {
        enet_peer_reset(oldest->second);
        unreported_[static_cast<std::size_t>(oldest->second - host_->peers)].since = -1;
    }
}

bool EnetTransport::Poll(NetEvent* event, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));

    // Service the host, a slice at a time, until an event worth reporting arrives or the time is
    // up. ENet's own events for peers we refused or already closed are swallowed on the way; slots
    // are reclaimed once each event has been handled.
    while (pending_.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        ENetEvent e;
        const long long slice = std::clamp<long long>(left.count(), 0, kWaitSliceMs);
        const int got = enet_host_service(host_, &e, static_cast<enet_uint32>(slice));
        CapResendDelays();
        if (got < 0) return false;
        if (got > 0) Handle(e);
        Reclaim();
        if (got == 0 && Clock::now() >= deadline) break;
    }
    if (pending_.empty()) return false;
    *event = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

void EnetTransport::Handle(const ENetEvent& e) {
    switch (e.type) {
        case ENET_EVENT_TYPE_CONNECT:
            HandleConnect(e.peer);
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            HandleReceive(e.peer, e.packet, e.channelID);
            break;
        case ENET_EVENT_TYPE_DISCONNECT: {
            const PeerId id = IdOf(e.peer);
            e.peer->data = nullptr;
            if (e.peer == unaccepted_) {
                unaccepted_ = nullptr;
                early_.clear();
            }
            if (id == 0) break;
            const bool was_connected = peers_.erase(id) > 0;
            // A client whose attempt was never answered hears of it too.
            if (was_connected || !listening_)
                pending_.push_back({NetEvent::Disconnected, id, {}, ReasonFromWire(e.data)});
            break;
        }
        case ENET_EVENT_TYPE_NONE:
            break;
    }
}

void EnetTransport::HandleConnect(ENetPeer* peer) {
    if (!listening_) return;  // connected, but reported only once the host accepts us
    // A host turns away a machine beyond its limit, telling it why.
    if (static_cast<int>(peers_.size()) >= options_.max_peers) {
        peer->data = nullptr;
        enet_peer_disconnect(peer, static_cast<enet_uint32>(DisconnectReason::HostFull));
        return;
    }
    Limit(peer);
    const PeerId id = next_id_++;
    peer->data = reinterpret_cast<void*>(static_cast<std::uintptr_t>(id));
    peers_[id] = peer;
    pending_.push_back({NetEvent::Connected, id, {}, {}});
    const std::uint8_t accepted = 1;
    ENetPacket* packet = enet_packet_create(&accepted, 1, ENET_PACKET_FLAG_RELIABLE);
    if (packet != nullptr && enet_peer_send(peer, kControlChannel, packet) != 0) enet_packet_destroy(packet);
    enet_host_flush(host_);
}

void EnetTransport::Accepted(ENetPeer* peer) {
    const PeerId id = IdOf(peer);
    unaccepted_ = nullptr;
    peers_[id] = peer;
    pending_.push_back({NetEvent::Connected, id, {}, {}});
    for (std::vector<std::uint8_t>& bytes : early_)
        pending_.push_back({NetEvent::Received, id, std::move(bytes), {}});
    early_.clear();
}

void EnetTransport::HandleReceive(ENetPeer* peer, ENetPacket* packet, enet_uint8 channel) {
    const PeerId id = IdOf(peer);
    const bool size_ok = packet->dataLength > 0 && packet->dataLength <= options_.max_message_bytes;
    if (peer == unaccepted_ && channel == kControlChannel) {
        Accepted(peer);
    } else if (peer == unaccepted_ && channel == kMessageChannel && size_ok && early_.size() < kEarlyLimit) {
        early_.emplace_back(packet->data, packet->data + packet->dataLength);
    } else if (channel == kMessageChannel && id != 0 && peers_.count(id) > 0) {
        if (!size_ok) {
            // An oversized message ends the connection of the peer that sent it, and only that one.
            peers_.erase(id);
            peer->data = nullptr;
            enet_peer_disconnect(peer, static_cast<enet_uint32>(DisconnectReason::Oversized));
            pending_.push_back({NetEvent::Disconnected, id, {}, DisconnectReason::Oversized});
        } else {
            pending_.push_back(
                {NetEvent::Received, id, {packet->data, packet->data + packet->dataLength}, {}});
        }
    }
    enet_packet_destroy(packet);
}

bool EnetTransport::Send(PeerId peer, std::span<const std::uint8_t> bytes) {
    const auto found = peers_.find(peer);
    if (found == peers_.end() || bytes.empty() || bytes.size() > options_.max_message_bytes) return false;
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (packet == nullptr) return false;
    if (enet_peer_send(found->second, kMessageChannel, packet) != 0) {
        enet_packet_destroy(packet);
        return false;
    }
    enet_host_flush(host_);
    return true;
}

void EnetTransport::Disconnect(PeerId peer, DisconnectReason why) {
    // A client may give up its attempt before the host has accepted it.
    if (unaccepted_ != nullptr && IdOf(unaccepted_) == peer) {
        unaccepted_->data = nullptr;
        enet_peer_disconnect(unaccepted_, static_cast<enet_uint32>(why));
        unaccepted_ = nullptr;
        early_.clear();
        enet_host_flush(host_);
        return;
    }
    const auto found = peers_.find(peer);
    if (found == peers_.end()) return;
    found->second->data = nullptr;
    enet_peer_disconnect_later(found->second, static_cast<enet_uint32>(why));
    peers_.erase(found);
    enet_host_flush(host_);
}

// Common start: the library, options in range, a host with one channel.
std::unique_ptr<EnetTransport> MakeHost(const ENetAddress* address, const TransportOptions& given,
                                        bool listening, std::string* error) {
    TransportOptions options = given;
    options.max_peers = std::clamp(options.max_peers, 1, kMaxPeers);
    if (!AcquireLibrary(error)) return nullptr;
    const std::size_t slots = listening ? static_cast<std::size_t>(options.max_peers + kExtraSlots) : 1;
    ENetHost* host = enet_host_create(address, slots, kChannels, 0, 0);
    if (host == nullptr) {
        ReleaseLibrary();
        *error = listening
                     ? "cannot listen on port " + std::to_string(address->port) + " (in use, or not allowed)"
                     : "cannot open a UDP socket";
        return nullptr;
    }
    return std::make_unique<EnetTransport>(host, options, listening);
}

}  // namespace

namespace {

// ENet 1.3 (Debian's libenet7) keeps an address in 32 bits: it sends, receives and listens on IPv4
// alone.
std::string OnlyIpv4() {
    return "the network library of this build (ENet " + std::to_string(ENET_VERSION_MAJOR) + "." +
           std::to_string(ENET_VERSION_MINOR) + "." + std::to_string(ENET_VERSION_PATCH) +
           ") reaches IPv4 addresses only: join by an IPv4 address, or by a name that has one";
}

// Whether the name resolves to an IPv6 address (ENet found no IPv4 one).
bool HasIpv6Address(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0) return false;
    freeaddrinfo(found);
    return true;
}

}  // namespace

std::unique_ptr<Transport> ListenEnet(const std::string& address, std::uint16_t port,
                                      const TransportOptions& options, std::string* error) {
    ENetAddress where{};
    where.host = ENET_HOST_ANY;
    where.port = port;
    if (!address.empty() && enet_address_set_host_ip(&where, address.c_str()) != 0) {
        *error = "\"" + address + "\" is not a numeric address";
        return nullptr;
    }
    return MakeHost(&where, options, true, error);
}

std::unique_ptr<Transport> ConnectEnet(const std::string& host, std::uint16_t port,
                                       const TransportOptions& options, std::string* error) {
    if (host.find(':') != std::string::npos) {
        *error = host + " is an IPv6 address, and " + OnlyIpv4();
        return nullptr;
    }
    std::unique_ptr<EnetTransport> transport = MakeHost(nullptr, options, false, error);
    if (!transport) return nullptr;
    ENetAddress where{};
    where.port = port;
    if (enet_address_set_host(&where, host.c_str()) != 0) {
        *error = HasIpv6Address(host) ? host + " has only IPv6 addresses, and " + OnlyIpv4()
                                      : "cannot find the address of " + host;
        return nullptr;
    }
    if (!transport->StartConnect(where)) {
        *error = "cannot start a connection to " + host;
        return nullptr;
    }
    return transport;
}

}  // namespace net
