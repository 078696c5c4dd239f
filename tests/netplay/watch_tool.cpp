// Test tool for spectators of online rooms: many light spectators in one process, each a real
// spectator's transport that says hello as one and keeps what the host sends it, without running
// the game.
//
//   lobshot-watch-tool RELAY CODE COUNT SECONDS
//       joins the room CODE on the relay at RELAY (ADDRESS:PORT) as COUNT spectators, a few at a
//       time, and follows until each has been left by the host or the seconds run out. Then prints
//       a row per spectator: "spectator N: welcomed W, through F, stamps D, ended WHY": whether the
//       host welcomed it to watch, the last frame it holds stamps for, a digest of every stamp and
//       every news of machines it holds beyond the game so far, and how its connection ended
//       ("left" when the host said goodbye). Exits 0 when every row could be printed.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "net/messages.h"
#include "net/mqtt/mqtt_transport.h"

namespace {

using Clock = std::chrono::steady_clock;

// Spectators start this many at a time, this far apart: the host's door takes only so many at once.
constexpr int kStartedTogether = 4;
constexpr auto kStartGap = std::chrono::milliseconds(150);

// One spectator: its link and what it holds.
struct Spectator {
    std::unique_ptr<net::Transport> end;
    bool welcomed = false;
    bool done = false;
    std::string ended = "still watching";
    // Every machine's keys by (machine, frame), and the news of machines in the order it came.
    std::map<std::pair<int, std::uint32_t>, std::vector<net::KeyEvent>> stamps;
    std::vector<std::tuple<std::uint32_t, int, bool>> news;

    void Take(const net::Message& message) {
        if (const auto* welcome = std::get_if<net::Welcome>(&message)) {
            welcomed = welcome->watch;
        } else if (const auto* input = std::get_if<net::Input>(&message)) {
            for (const net::FrameInput& f : input->frames) stamps[{input->machine, f.frame}] = f.keys;
        } else if (const auto* quiet = std::get_if<net::Quiet>(&message)) {
            for (std::uint32_t f = quiet->first; f <= quiet->last && f - quiet->first < 100000; ++f)
                stamps[{quiet->machine, f}] = {};
        } else if (const auto* roster = std::get_if<net::Roster>(&message)) {
            news.emplace_back(roster->frame, roster->machine, roster->joined);
        } else if (std::holds_alternative<net::Goodbye>(message)) {
            ended = "left";
            done = true;
        }
    }

    void Poll() {
        net::NetEvent event;
        while (!done && end->Poll(&event, 0)) {
            if (event.kind == net::NetEvent::Connected) {
                std::vector<std::uint8_t> bytes;
                std::string error;
                net::EncodeMessage(net::Hello{net::kProtocolNumber, LOBSHOT_VERSION, 0, true}, &bytes,
                                   &error);
                end->Send(event.peer, bytes);
            } else if (event.kind == net::NetEvent::Disconnected) {
                ended = net::DescribeReason(event.reason);
                done = true;
            } else {
                net::Message message;
                std::string error;
                if (net::DecodeMessage(event.bytes, &message, &error)) Take(message);
            }
        }
    }

    // FNV-1a over the stamps and the news, in order.
    std::uint64_t Digest() const {
        std::uint64_t hash = 14695981039346656037ull;
        const auto mix = [&hash](std::uint64_t value) {
            for (int i = 0; i < 8; ++i) hash = (hash ^ ((value >> (8 * i)) & 0xFF)) * 1099511628211ull;
        };
        for (const auto& [at, keys] : stamps) {
            mix(static_cast<std::uint64_t>(at.first) << 32 | at.second);
            for (const net::KeyEvent& k : keys) mix(k.key | (k.down ? 0x100u : 0) | (k.repeat ? 0x200u : 0));
        }
        for (const auto& [frame, machine, joined] : news)
            mix(std::uint64_t{frame} << 32 | machine << 1 | joined);
        return hash;
    }

    std::uint32_t Through() const {
        std::uint32_t last = 0;
        for (const auto& [at, keys] : stamps) last = std::max(last, at.second);
        return last;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: lobshot-watch-tool RELAY CODE COUNT SECONDS\n");
        return 2;
    }
    const std::string relay = argv[1], code = argv[2];
    const int count = std::atoi(argv[3]);
    const auto end = Clock::now() + std::chrono::seconds(std::atoi(argv[4]));
    std::vector<Spectator> spectators(static_cast<std::size_t>(std::max(count, 0)));
    std::size_t started = 0;
    Clock::time_point nextStart = Clock::now();
    bool anyoneWatching = true;
    while (Clock::now() < end && (started < spectators.size() || anyoneWatching)) {
        for (int i = 0; i < kStartedTogether && started < spectators.size() && Clock::now() >= nextStart;
             ++i) {
            std::string error;
            spectators[started].end = net::MakeMqttWatcher(relay, code, net::TransportOptions{}, &error);
            if (!spectators[started].end) {
                std::fprintf(stderr, "spectator %zu: %s\n", started + 1, error.c_str());
                return 1;
            }
            if (++started % kStartedTogether == 0) nextStart = Clock::now() + kStartGap;
        }
        anyoneWatching = false;
        for (Spectator& s : spectators) {
            if (!s.end || s.done) continue;
            s.Poll();
            anyoneWatching = anyoneWatching || !s.done;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (std::size_t i = 0; i < spectators.size(); ++i) {
        const Spectator& s = spectators[i];
        std::printf("spectator %zu: welcomed %d, through %u, stamps %016llx, ended %s\n", i + 1,
                    s.welcomed ? 1 : 0, s.Through(), static_cast<unsigned long long>(s.Digest()),
                    s.ended.c_str());
    }
    return 0;
}
