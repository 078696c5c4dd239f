// A tool for measuring network games between headless runners: a faulty UDP relay between them.
//
//   lobshot-net-tool relay HOST_PORT LOSS DUPLICATION REORDERING MAX_DELAY_MS SECONDS [MIN_DELAY_MS]
//       prints the relay's port on 127.0.0.1, then forwards until standard input closes or the
//       seconds run out, each datagram taking MIN_DELAY_MS (default 0) and up to MAX_DELAY_MS more;
//       prints what has crossed on standard error every second, and what the link did and the bytes
//       each way at the end.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testkit/udp_relay.h"

namespace {

// Whether standard input has closed, waiting at most ms for it.
bool InputClosed(int ms) {
    pollfd in{0, POLLIN, 0};
    if (poll(&in, 1, ms) <= 0) return false;
    char c;
    return read(0, &c, 1) <= 0;
}

int Relay(char** argv) {
    net::LinkFaults faults;
    faults.loss = std::atof(argv[3]);
    faults.duplication = std::atof(argv[4]);
    faults.reordering = std::atof(argv[5]);
    faults.max_delay_ms = std::atoi(argv[6]);
    faults.min_delay_ms = argv[8] ? std::atoi(argv[8]) : 0;
    faults.seed = 11;
    const int seconds = std::atoi(argv[7]);
    std::string error;
    auto relay = net::UdpRelay::Start(static_cast<std::uint16_t>(std::atoi(argv[2])), faults, &error);
    if (!relay) {
        std::fprintf(stderr, "relay: %s\n", error.c_str());
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(relay->Port()));
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(seconds);
    auto report = start + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < end) {
        if (InputClosed(100)) break;
        // Once a second, what has crossed so far, for measuring what a game costs the network.
        if (std::chrono::steady_clock::now() >= report) {
            const net::LinkStats so_far = relay->Stats();
            std::fprintf(stderr, "relay: after %lld s: %llu datagrams, %llu bytes\n",
                         static_cast<long long>(
                             std::chrono::duration_cast<std::chrono::seconds>(report - start).count()),
                         static_cast<unsigned long long>(so_far.sent),
                         static_cast<unsigned long long>(so_far.bytes));
            report += std::chrono::seconds(1);
        }
    }
    const net::LinkStats stats = relay->Stats();
    std::fprintf(stderr, "relay: %llu datagrams, %llu lost, %llu repeated, %llu held back\n",
                 static_cast<unsigned long long>(stats.sent), static_cast<unsigned long long>(stats.lost),
                 static_cast<unsigned long long>(stats.duplicated),
                 static_cast<unsigned long long>(stats.held_back));
    std::fprintf(stderr, "relay: %llu bytes to the host, %llu to the clients\n",
                 static_cast<unsigned long long>(stats.bytes_to_host),
                 static_cast<unsigned long long>(stats.bytes - stats.bytes_to_host));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc == 8 || argc == 9) && std::string(argv[1]) == "relay") return Relay(argv);
    std::fprintf(
        stderr,
        "usage: lobshot-net-tool relay HOST_PORT LOSS DUP REORDER MAX_DELAY_MS SECONDS [MIN_DELAY_MS]\n");
    return 2;
}
