// The in-process twin: a reliable, ordered layer over a simulated link with faults.
#include "testkit/in_process.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <utility>

namespace net {
namespace {

constexpr int kTickMs = 5;                   // the clock's step while polling
constexpr int kResendMs = 250;               // unacknowledged datagrams go again after this
constexpr int kPingMs = 250;                 // an idle connection says it is alive this often
constexpr std::size_t kReorderLimit = 4096;  // early arrivals kept per connection
constexpr std::uint16_t kFirstFreePort = 49152;

struct Datagram {
    enum Kind : std::uint8_t { Connect, Accept, Refuse, Data, Bye, Ack, Ping };
    int from = 0;
    int to = 0;
    Kind kind = Ping;
    std::uint32_t seq = 0;  // Data and Bye: their number; Ack: everything up to it arrived
    DisconnectReason reason = DisconnectReason::Closed;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
};

class InProcessEnd;

}  // namespace

// The network's state, shared by the network and its ends.
struct InProcessNetwork::State {
    FaultDice dice;
    std::int64_t now = 0;
    std::uint64_t sent_order = 0;
    int next_address = 1;
    std::map<int, InProcessEnd*> ends;
    std::map<int, std::string> names;  // the address each end is seen at, kept after it goes
    std::map<std::uint16_t, int> ports;
    std::set<int> severed;
    std::map<std::pair<std::int64_t, std::uint64_t>, Datagram> in_flight;  // by arrival time

    void Transmit(const Datagram& d);
    void Pump();
    void RunUntil(std::int64_t until);
};

namespace {

// One end: a host or a client, with a connection per peer.
class InProcessEnd final : public Transport {
public:
    InProcessEnd(std::shared_ptr<InProcessNetwork::State> net, bool listening, std::uint16_t port,
                 const TransportOptions& options)
        : net_(std::move(net)), options_(options), listening_(listening), port_(port) {
        options_.max_peers = std::clamp(options_.max_peers, 1, kMaxPeers);
        options_.timeout_ms = std::max(options_.timeout_ms, 1);
        address_ = net_->next_address++;
        net_->ends[address_] = this;
        if (listening_) net_->ports[port_] = address_;
    }

    ~InProcessEnd() override {
        net_->ends.erase(address_);
        if (listening_) net_->ports.erase(port_);
    }

    int Address() const { return address_; }

    // A client starts its attempt at the host's address (0 if none listens there).
    void StartConnect(int host) {
        Connection& c = conns_[next_id_++];
        c.remote = host;
        c.state = Connection::Connecting;
        c.started = c.last_heard = net_->now;
        Emit(c, Datagram::Connect);
    }

    bool Poll(NetEvent* event, int timeout_ms) override {
        const std::int64_t deadline = net_->now + std::max(timeout_ms, 0);
        for (;;) {
            net_->Pump();
            if (!pending_.empty() || net_->now >= deadline) break;
            net_->now = std::min(deadline, net_->now + kTickMs);
        }
        if (pending_.empty()) return false;
        *event = std::move(pending_.front());
        pending_.pop_front();
        return true;
    }

    bool Send(PeerId peer, std::span<const std::uint8_t> bytes) override {
        const auto found = conns_.find(peer);
        if (found == conns_.end() || found->second.state != Connection::Open || bytes.empty() ||
            bytes.size() > options_.max_message_bytes)
            return false;
        Queue(found->second, Datagram::Data, DisconnectReason::Closed,
              std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end()));
        return true;
    }

    void Disconnect(PeerId peer, DisconnectReason why) override {
        const auto found = conns_.find(peer);
        if (found == conns_.end() || found->second.state == Connection::Closing) return;
        if (found->second.state == Connection::Connecting) {
            conns_.erase(found);
            return;
        }
        Close(found->second, why);
    }

    std::vector<PeerId> Peers() const override {
        std::vector<PeerId> ids;
        for (const auto& [id, c] : conns_)
            if (c.state == Connection::Open) ids.push_back(id);
        return ids;
    }

    std::string Address(PeerId peer) const override {
        const auto found = conns_.find(peer);
        if (found == conns_.end() || found->second.state != Connection::Open) return "";
        const auto name = net_->names.find(found->second.remote);
        return name == net_->names.end() ? "" : name->second;
    }

    std::uint16_t Port() const override { return listening_ ? port_ : 0; }

    bool Settled() const override {
        for (const auto& [id, c] : conns_)
            if (c.state == Connection::Closing) return false;
        return true;
    }

    void Receive(const Datagram& d);
    void Service();

private:
    struct Outgoing {
        Datagram::Kind kind;
        DisconnectReason reason;
        std::shared_ptr<const std::vector<std::uint8_t>> bytes;
        std::int64_t last_sent;
    };
    struct Connection {
        enum State { Connecting, Open, Closing };
        int remote = 0;
        State state = Open;
        std::int64_t started = 0;
        std::int64_t last_heard = 0;
        std::int64_t last_sent = 0;
        std::uint32_t next_seq = 1;      // the number of the next Data or Bye we send
        std::uint32_t expected_seq = 1;  // the number of the next one we deliver
        std::map<std::uint32_t, Outgoing> unacked;
        std::map<std::uint32_t, Datagram> early;
    };

    void Emit(Connection& c, Datagram::Kind kind, std::uint32_t seq = 0,
              DisconnectReason reason = DisconnectReason::Closed,
              std::shared_ptr<const std::vector<std::uint8_t>> bytes = nullptr) {
        c.last_sent = net_->now;
        net_->Transmit({address_, c.remote, kind, seq, reason, std::move(bytes)});
    }

    // A Data or Bye: numbered, kept until acknowledged, and sent now.
    void Queue(Connection& c, Datagram::Kind kind, DisconnectReason reason,
               std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
        const std::uint32_t seq = c.next_seq++;
        c.unacked[seq] = {kind, reason, bytes, net_->now};
        Emit(c, kind, seq, reason, std::move(bytes));
    }

    void Close(Connection& c, DisconnectReason why) {
        c.state = Connection::Closing;
        c.early.clear();
        Queue(c, Datagram::Bye, why, nullptr);
    }

    PeerId Find(int address) const {
        for (const auto& [id, c] : conns_)
            if (c.remote == address) return id;
        return 0;
    }

    void Answer(int to, Datagram::Kind kind, std::uint32_t seq, DisconnectReason reason) {
        net_->Transmit({address_, to, kind, seq, reason, nullptr});
    }

    void Accept(const Datagram& d);
    void TakeInOrder(PeerId id, Connection& c, const Datagram& d);
    bool Deliver(PeerId id, Connection& c, const Datagram& d);

    std::shared_ptr<InProcessNetwork::State> net_;
    TransportOptions options_;
    bool listening_;
    std::uint16_t port_;
    int address_ = 0;
    PeerId next_id_ = 1;
    std::map<PeerId, Connection> conns_;
    std::deque<NetEvent> pending_;
};

void InProcessEnd::Receive(const Datagram& d) {
    const PeerId id = Find(d.from);
    if (id == 0) {
        // A stranger: a host takes a new machine if it has room; the last words of a connection
        // already closed here are acknowledged so that the other end stops repeating them.
        if (d.kind == Datagram::Connect && listening_)
            Accept(d);
        else if (d.kind == Datagram::Data || d.kind == Datagram::Bye)
            Answer(d.from, Datagram::Ack, d.seq, DisconnectReason::Closed);
        return;
    }
    Connection& c = conns_[id];
    c.last_heard = net_->now;
    // Anything else from the host also means it took us: its acceptance may have been lost.
    const bool from_open_host = d.kind != Datagram::Refuse && d.kind != Datagram::Connect;
    if (c.state == Connection::Connecting && from_open_host) {
        c.state = Connection::Open;
        pending_.push_back({NetEvent::Connected, id, {}, {}});
    }
    switch (d.kind) {
        case Datagram::Connect:
            if (c.state == Connection::Open) Answer(d.from, Datagram::Accept, 0, DisconnectReason::Closed);
            break;
        case Datagram::Accept:
            break;
        case Datagram::Refuse:
            if (c.state == Connection::Connecting) {
                pending_.push_back({NetEvent::Disconnected, id, {}, d.reason});
                conns_.erase(id);
            }
            break;
        case Datagram::Ack:
            c.unacked.erase(c.unacked.begin(), c.unacked.upper_bound(d.seq));
            if (c.state == Connection::Closing && c.unacked.empty()) conns_.erase(id);
            break;
        case Datagram::Data:
        case Datagram::Bye:
            TakeInOrder(id, c, d);
            break;
        case Datagram::Ping:
            break;
    }
}

void InProcessEnd::Accept(const Datagram& d) {
    if (static_cast<int>(Peers().size()) >= options_.max_peers) {
        Answer(d.from, Datagram::Refuse, 0, DisconnectReason::HostFull);
        return;
    }
    const PeerId id = next_id_++;
    Connection& c = conns_[id];
    c.remote = d.from;
    c.started = c.last_heard = net_->now;
    pending_.push_back({NetEvent::Connected, id, {}, {}});
    Emit(c, Datagram::Accept);
}

// Numbered datagrams are kept until every earlier one has come, delivered in order, and
// acknowledged up to the last one delivered; repeats of delivered ones are only acknowledged.
void InProcessEnd::TakeInOrder(PeerId id, Connection& c, const Datagram& d) {
    const int remote = c.remote;
    if (d.seq >= c.expected_seq && c.state != Connection::Closing && c.early.size() < kReorderLimit)
        c.early.emplace(d.seq, d);
    std::uint32_t acked = c.expected_seq - 1;
    if (c.state != Connection::Closing) {
        while (!c.early.empty() && c.early.begin()->first == c.expected_seq) {
            const Datagram next = c.early.begin()->second;
            c.early.erase(c.early.begin());
            acked = c.expected_seq++;
            if (!Deliver(id, c, next)) break;
        }
    } else {
        acked = d.seq;
    }
    Answer(remote, Datagram::Ack, acked, DisconnectReason::Closed);
}

// Returns false once the connection is over (c is then gone or closing).
bool InProcessEnd::Deliver(PeerId id, Connection& c, const Datagram& d) {
    if (d.kind == Datagram::Bye) {
        pending_.push_back({NetEvent::Disconnected, id, {}, d.reason});
        conns_.erase(id);
        return false;
    }
    if (d.bytes->size() > options_.max_message_bytes) {
        pending_.push_back({NetEvent::Disconnected, id, {}, DisconnectReason::Oversized});
        Close(c, DisconnectReason::Oversized);
        return false;
    }
    pending_.push_back({NetEvent::Received, id, *d.bytes, {}});
    return true;
}

// Timers: attempts and unacknowledged datagrams repeated, keep-alives, and timeouts.
void InProcessEnd::Service() {
    const std::int64_t now = net_->now;
    for (auto it = conns_.begin(); it != conns_.end();) {
        const PeerId id = it->first;
        Connection& c = it->second;
        const std::int64_t since = c.state == Connection::Connecting ? c.started : c.last_heard;
        if (now - since >= options_.timeout_ms) {
            if (c.state != Connection::Closing)
                pending_.push_back({NetEvent::Disconnected, id, {}, DisconnectReason::TimedOut});
            it = conns_.erase(it);
            continue;
        }
        if (c.state == Connection::Connecting) {
            if (now - c.last_sent >= kResendMs) Emit(c, Datagram::Connect);
        } else {
            for (auto& [seq, out] : c.unacked) {
                if (now - out.last_sent < kResendMs) continue;
                out.last_sent = now;
                Emit(c, out.kind, seq, out.reason, out.bytes);
            }
            if (now - c.last_sent >= kPingMs) Emit(c, Datagram::Ping);
        }
        ++it;
    }
}

}  // namespace

void InProcessNetwork::State::Transmit(const Datagram& d) {
    const bool cut_off = severed.count(d.from) > 0 || severed.count(d.to) > 0;
    for (int delay : dice.Fate(cut_off)) in_flight.emplace(std::make_pair(now + delay, ++sent_order), d);
}

// Delivers what has arrived by now, then lets every end run its timers. An end may be destroyed
// only between calls, so the pointers stay good throughout.
void InProcessNetwork::State::Pump() {
    while (!in_flight.empty() && in_flight.begin()->first.first <= now) {
        const Datagram d = in_flight.begin()->second;
        in_flight.erase(in_flight.begin());
        const auto to = ends.find(d.to);
        if (to == ends.end() || severed.count(d.to) > 0) continue;
        to->second->Receive(d);
    }
    std::vector<InProcessEnd*> all;
    for (const auto& [address, end] : ends) all.push_back(end);
    for (InProcessEnd* end : all) end->Service();
}

void InProcessNetwork::State::RunUntil(std::int64_t until) {
    for (;;) {
        Pump();
        if (now >= until) return;
        now = std::min(until, now + kTickMs);
    }
}

InProcessNetwork::InProcessNetwork(const LinkFaults& faults) : state_(std::make_shared<State>()) {
    state_->dice.SetFaults(faults);
}

InProcessNetwork::~InProcessNetwork() = default;

std::unique_ptr<Transport> InProcessNetwork::Listen(std::uint16_t port, const TransportOptions& options,
                                                    std::string* error) {
    if (port == 0) {
        port = kFirstFreePort;
        while (state_->ports.count(port) > 0) ++port;
    }
    if (state_->ports.count(port) > 0) {
        *error = "port " + std::to_string(port) + " is already in use";
        return nullptr;
    }
    auto end = std::make_unique<InProcessEnd>(state_, true, port, options);
    state_->names[end->Address()] = "10.0.0." + std::to_string(end->Address());
    return end;
}

std::unique_ptr<Transport> InProcessNetwork::Connect(std::uint16_t port, const TransportOptions& options,
                                                     const std::string& from) {
    auto end = std::make_unique<InProcessEnd>(state_, false, 0, options);
    state_->names[end->Address()] = from.empty() ? "10.0.0." + std::to_string(end->Address()) : from;
    const auto host = state_->ports.find(port);
    end->StartConnect(host == state_->ports.end() ? 0 : host->second);
    return end;
}

void InProcessNetwork::SetFaults(const LinkFaults& faults) { state_->dice.SetFaults(faults); }

void InProcessNetwork::Sever(const Transport& end) {
    for (const auto& [address, e] : state_->ends)
        if (e == &end) state_->severed.insert(address);
}

void InProcessNetwork::Advance(int ms) { state_->RunUntil(state_->now + std::max(ms, 0)); }

std::int64_t InProcessNetwork::NowMs() const { return state_->now; }

LinkStats InProcessNetwork::Stats() const { return state_->dice.Stats(); }

}  // namespace net
