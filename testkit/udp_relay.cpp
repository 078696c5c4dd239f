// The faulty UDP relay: a thread forwarding datagrams between clients and a host through a delay line.
#include "testkit/udp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxClients = 16;  // more distinct senders are ignored
constexpr std::size_t kDatagramBytes = 65536;
constexpr int kWakeMs = 1;  // the thread looks at the delay line this often

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A non-blocking UDP socket bound to an ephemeral port on 127.0.0.1, or -1.
int OpenSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    const sockaddr_in any = Loopback(0);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
}

class Relay final : public UdpRelay {
public:
    Relay(int listen_fd, std::uint16_t host_port, const LinkFaults& faults)
        : listen_fd_(listen_fd), host_(Loopback(host_port)), dice_(faults) {
        sockaddr_in bound{};
        socklen_t size = sizeof bound;
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &size);
        port_ = ntohs(bound.sin_port);
        thread_ = std::thread([this] { Run(); });
    }

    ~Relay() override {
        stop_ = true;
        thread_.join();
        close(listen_fd_);
        for (const Client& c : clients_) close(c.fd);
    }

    std::uint16_t Port() const override { return port_; }

    void Sever(int client) override {
        std::lock_guard<std::mutex> lock(mutex_);
        severed_.insert(client);
    }

    LinkStats Stats() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        LinkStats stats = dice_.Stats();
        stats.bytes = bytes_;
        stats.bytes_to_host = bytesToHost_;
        return stats;
    }

private:
    struct Client {
        sockaddr_in address;
        int fd;  // the socket it talks to the host through
    };
    struct Pending {
        int from_fd;
        sockaddr_in to;
        std::vector<std::uint8_t> bytes;
    };

    void Run();
    void ReadAll(int fd, int client);
    int ClientOf(const sockaddr_in& address);
    void Schedule(int client, int from_fd, const sockaddr_in& to, const std::uint8_t* data, std::size_t size);
    void SendDue();

    int listen_fd_;
    sockaddr_in host_;
    std::uint16_t port_ = 0;
    std::vector<Client> clients_;  // only the relay's thread touches these
    std::multimap<Clock::time_point, Pending> line_;
    mutable std::mutex mutex_;       // guards the dice and the severed clients
    std::uint64_t bytes_ = 0;        // offered to the link, under the mutex
    std::uint64_t bytesToHost_ = 0;  // of those, from the clients
    FaultDice dice_;
    std::set<int> severed_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void Relay::Run() {
    while (!stop_) {
        std::vector<pollfd> fds{{listen_fd_, POLLIN, 0}};
        for (const Client& c : clients_) fds.push_back({c.fd, POLLIN, 0});
        poll(fds.data(), fds.size(), kWakeMs);
        if (fds[0].revents & POLLIN) ReadAll(listen_fd_, -1);
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents & POLLIN) ReadAll(fds[i].fd, static_cast<int>(i - 1));
        SendDue();
    }
}

// Datagrams on the relay's port come from clients and go to the host; those on a client's own
// socket come from the host and go back to that client.
void Relay::ReadAll(int fd, int client) {
    std::vector<std::uint8_t> buffer(kDatagramBytes);
    for (;;) {
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t got =
            recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &size);
        if (got < 0) return;
        if (client < 0) {
            const int sender = ClientOf(from);
            if (sender >= 0)
                Schedule(sender, clients_[sender].fd, host_, buffer.data(), static_cast<std::size_t>(got));
        } else if (SameAddress(from, host_)) {
            Schedule(client, listen_fd_, clients_[client].address, buffer.data(),
                     static_cast<std::size_t>(got));
        }
    }
}

int Relay::ClientOf(const sockaddr_in& address) {
    for (std::size_t i = 0; i < clients_.size(); ++i)
        if (SameAddress(clients_[i].address, address)) return static_cast<int>(i);
    if (clients_.size() >= kMaxClients) return -1;
    const int fd = OpenSocket();
    if (fd < 0) return -1;
    clients_.push_back({address, fd});
    return static_cast<int>(clients_.size()) - 1;
}

void Relay::Schedule(int client, int from_fd, const sockaddr_in& to, const std::uint8_t* data,
                     std::size_t size) {
    std::vector<int> delays;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        delays = dice_.Fate(severed_.count(client) > 0);
        bytes_ += size;
        if (from_fd != listen_fd_) bytesToHost_ += size;
    }
    const Clock::time_point now = Clock::now();
    for (int delay : delays)
        line_.emplace(now + std::chrono::milliseconds(delay), Pending{from_fd, to, {data, data + size}});
}

void Relay::SendDue() {
    const Clock::time_point now = Clock::now();
    while (!line_.empty() && line_.begin()->first <= now) {
        const Pending& p = line_.begin()->second;
        sendto(p.from_fd, p.bytes.data(), p.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&p.to),
               sizeof p.to);
        line_.erase(line_.begin());
    }
}

}  // namespace

std::unique_ptr<UdpRelay> UdpRelay::Start(std::uint16_t host_port, const LinkFaults& faults,
                                          std::string* error) {
    const int fd = OpenSocket();
    if (fd < 0) {
        *error = "the relay cannot open a UDP socket on 127.0.0.1";
        return nullptr;
    }
    return std::make_unique<Relay>(fd, host_port, faults);
}

}  // namespace net
