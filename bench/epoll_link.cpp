// The room load generator's links: sockets to the broker, read and written by one epoll hub.
#include "bench/epoll_link.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace bench {
namespace {

// Bytes read from a socket at once, and the largest packet taken from the broker (the relay's own
// limit is far below).
constexpr std::size_t kReadBytes = 256 * 1024;
constexpr std::size_t kLargestPacket = 1 << 20;
// Events taken from epoll at once; more wait for the next call.
constexpr int kEventsAtOnce = 512;
constexpr std::uint8_t kAtLeastOnce = 1;
constexpr std::uint8_t kFirstRefusal = 0x80;  // reason codes from here on refuse

// A connected socket to host:port, non-blocking and without Nagle's delay; -1 with *error if none.
int Connect(const std::string& host, std::uint16_t port, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr) {
        *error = "no address for " + host;
        return -1;
    }
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected = fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    freeaddrinfo(found);
    if (!connected) {
        *error = "cannot connect to " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return -1;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

}  // namespace

LinkHub::LinkHub() : epoll_(epoll_create1(EPOLL_CLOEXEC)), scratch_(kReadBytes) {}

LinkHub::~LinkHub() { close(epoll_); }

void LinkHub::Watch(EpollLink* link, int socket) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    event.data.ptr = link;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, socket, &event);
}

void LinkHub::Forget(EpollLink* link) { std::erase(queued_, link); }

const std::vector<std::uint32_t>& LinkHub::Wait(int timeout_ms) {
    heard_.clear();
    epoll_event events[kEventsAtOnce];
    const int count = epoll_wait(epoll_, events, kEventsAtOnce, timeout_ms);
    for (int i = 0; i < count; ++i) {
        auto* link = static_cast<EpollLink*>(events[i].data.ptr);
        if ((events[i].events & EPOLLOUT) != 0) link->WriteOut();
        if ((events[i].events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) == 0) continue;
        link->ReadAll(scratch_);
        if (heard_.empty() || heard_.back() != link->tag_) heard_.push_back(link->tag_);
    }
    return heard_;
}

void LinkHub::Flush() {
    for (EpollLink* link : queued_) link->WriteOut();
    queued_.clear();
}

EpollLink::~EpollLink() {
    if (queued_) hub_.Forget(this);
    if (socket_ >= 0) close(socket_);
}

bool EpollLink::Open(const std::string& host, std::uint16_t port, const std::string& client_id,
                     const std::string& username, int keepalive_s, const Will& will, std::string* error) {
    socket_ = Connect(host, port, error);
    if (socket_ < 0) return false;
    keepalive_ = std::chrono::seconds(keepalive_s);
    AppendConnect(&Out(),
                  {client_id, username, static_cast<std::uint16_t>(keepalive_s), will.topic, will.payload});
    hub_.Watch(this, socket_);
    return true;
}

int EpollLink::Subscribe(const std::string& filter) {
    if (state_ != State::Open) return -1;
    const std::uint16_t id = NextId();
    AppendSubscribe(&Out(), id, filter, kAtLeastOnce);
    return id;
}

bool EpollLink::Publish(const std::string& topic, std::span<const std::uint8_t> payload, bool retain,
                        bool confirmed) {
    // The relay keeps nothing, so nothing here is ever retained.
    if (state_ != State::Open || retain) return false;
    const std::uint16_t id = confirmed ? NextId() : 0;
    if (confirmed) unacknowledged_.insert(id);
    AppendPublish(&Out(), topic, payload, id);
    return true;
}

void EpollLink::Close() {
    if (state_ == State::Open) AppendDisconnect(&Out());
    state_ = State::Closed;
}

void EpollLink::Pump(int) {
    // The broker hears something at least every half keep-alive.
    if (state_ == State::Open && Clock::now() - wrote_ >= keepalive_ / 2) AppendPingreq(&Out());
}

void EpollLink::ReadAll(std::vector<std::uint8_t>& scratch) {
    while (socket_ >= 0) {
        const ssize_t got = recv(socket_, scratch.data(), scratch.size(), 0);
        if (got > 0) {
            in_.insert(in_.end(), scratch.begin(), scratch.begin() + got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) Lose();
            break;
        }
    }
    // Every whole packet is taken; a part waits for the rest.
    std::size_t at = 0, used = 0;
    Packet packet;
    for (Split split; socket_ >= 0 && at < in_.size(); at += used) {
        split = SplitPacket(std::span(in_).subspan(at), kLargestPacket, &packet, &used);
        if (split == Split::Partial) break;
        if (split == Split::Malformed) Lose();
        if (split == Split::Whole) Take(packet);
    }
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(std::min(at, in_.size())));
}

void EpollLink::WriteOut() {
    queued_ = false;
    std::size_t sent = 0;
    while (socket_ >= 0 && sent < out_.size()) {
        const ssize_t put = send(socket_, out_.data() + sent, out_.size() - sent, MSG_NOSIGNAL);
        if (put > 0) {
            sent += static_cast<std::size_t>(put);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK) Lose();
            break;
        }
    }
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(std::min(sent, out_.size())));
}

// One packet from the broker: the answer to the connection, to a subscription or to a confirmed
// message, or a message; anything else, or a refusal, loses the connection.
void EpollLink::Take(const Packet& packet) {
    std::uint8_t reason = 0;
    std::uint16_t id = 0;
    std::string topic;
    std::span<const std::uint8_t> payload;
    switch (packet.type) {
        case PacketType::Connack:
            if (!ReadConnack(packet.body, &reason) || reason >= kFirstRefusal) return Lose();
            if (state_ == State::Connecting) state_ = State::Open;
            return;
        case PacketType::Suback:
            if (!ReadSuback(packet.body, &id, &reason) || reason >= kFirstRefusal) return Lose();
            subscribed_.insert(id);
            return;
        case PacketType::Puback:
            if (!ReadPuback(packet.body, &id, &reason) || reason >= kFirstRefusal) return Lose();
            unacknowledged_.erase(id);
            return;
        case PacketType::Publish:
            if (!ReadPublish(packet.flags, packet.body, &topic, &payload, &id)) return Lose();
            incoming_.push_back({std::move(topic), {payload.begin(), payload.end()}});
            if (id != 0) AppendPuback(&Out(), id);
            return;
        case PacketType::Pingresp:
            return;
        default:
            return Lose();
    }
}

void EpollLink::Lose() {
    if (state_ != State::Closed) state_ = State::Lost;
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
}

// The bytes queued to go at the hub's next flush.
Bytes& EpollLink::Out() {
    if (!queued_) hub_.Queued(this);
    queued_ = true;
    wrote_ = Clock::now();
    return out_;
}

std::uint16_t EpollLink::NextId() {
    if (++last_id_ == 0) last_id_ = 1;
    return last_id_;
}

}  // namespace bench
