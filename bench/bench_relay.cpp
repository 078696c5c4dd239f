// The relay's figures: a key's way from one machine to another through the broker and over ENet
// directly, and one broker carrying many rooms' stamps at the game's rate.
//
// Usage: lobshot-bench-relay latency BROKER [KEYS]
//        lobshot-bench-relay load BROKER ROOMS SECONDS [FIRST-ROOM [GO-FILE]]
// latency: a guest sends KEYS keys (default 500), one a frame (20 ms), each an Input message as the
// game sends it; its host takes them. Printed: the milliseconds from Send to the host's Poll
// returning the message, p50, p99 and the largest, through the room on BROKER and over ENet on
// 127.0.0.1. The two ends are polled by two threads, as two machines would.
// load: ROOMS rooms, each a host with three guests and two spectators (all six the transport's
// ends), for SECONDS seconds. Each frame (every 20 ms, rooms spread over the frame) the owner of
// the moment (the host, then each guest in turn, 5 s each) stamps the frame: a Quiet message, or
// an Input with a key on one frame in eight, one message a frame as netplay's batching makes it at
// this rate. A guest's stamps go to the host, which passes them on to the other five. Every
// machine folds every frame's stamp (its own or received) in frame order into a running hash.
// Printed, one line: stamps made, messages received, the longest wait between two stamps at any
// receiver (and the median room's longest), messages out of order, frames missing, and machines
// whose hash differs from the one the stamps make (a desync). Frame numbers and hashes are
// per room; FIRST-ROOM numbers rooms of several such processes apart, and with GO-FILE a process
// whose rooms are open waits (keeping them alive) until that file exists, so that several start
// together.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "net/enet/enet_transport.h"
#include "net/messages.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/room_code.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
constexpr auto kFrame = std::chrono::milliseconds(20);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The stamp of a room's frame, as its owner sends it: a key on one frame in eight.
Bytes StampOf(std::uint32_t room, std::uint32_t frame, std::uint8_t owner) {
    net::Message message = net::Quiet{owner, frame, frame};
    if ((frame * 2654435761u + room * 40503u) % 8 == 0)
        message = net::Input{owner, {net::FrameInput{frame, {net::KeyEvent{true, 0x20, false}}}}};
    Bytes bytes;
    std::string error;
    if (!net::EncodeMessage(message, &bytes, &error))
        std::fprintf(stderr, "not encoded: %s\n", error.c_str());
    return bytes;
}

// A key pressed on a frame, as a guest sends it.
Bytes KeyOf(std::uint32_t frame) {
    Bytes bytes;
    std::string error;
    net::EncodeMessage(net::Input{1, {net::FrameInput{frame, {net::KeyEvent{true, 0x20, false}}}}}, &bytes,
                       &error);
    return bytes;
}

std::uint32_t FrameOf(const Bytes& bytes) {
    net::Message message;
    std::string error;
    if (!net::DecodeMessage(bytes, &message, &error)) return UINT32_MAX;
    if (const auto* quiet = std::get_if<net::Quiet>(&message)) return quiet->first;
    if (const auto* input = std::get_if<net::Input>(&message)) return input->frames.front().frame;
    return UINT32_MAX;
}

std::uint64_t Fold(std::uint64_t hash, const Bytes& bytes) {
    for (std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

// Polls both ends until each has reported Connected, at most 10 s.
bool Meet(net::Transport& host, net::Transport& guest) {
    bool host_in = false, guest_in = false;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(10);
    net::NetEvent event;
    while ((!host_in || !guest_in) && Clock::now() < end) {
        while (host.Poll(&event, 1)) host_in |= event.kind == net::NetEvent::Connected;
        while (guest.Poll(&event, 1)) guest_in |= event.kind == net::NetEvent::Connected;
    }
    return host_in && guest_in;
}

// One pair of ends: the guest's thread sends a key a frame, the host's thread takes them.
void KeyLatency(const char* name, net::Transport& host, net::Transport& guest, int keys) {
    if (!Meet(host, guest)) {
        std::printf("%s: the ends did not meet\n", name);
        return;
    }
    std::vector<Clock::time_point> sent(keys), taken(keys);
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        net::NetEvent event;
        while (!done)
            while (host.Poll(&event, 1))
                if (event.kind == net::NetEvent::Received) {
                    const std::uint32_t frame = FrameOf(event.bytes);
                    if (frame < static_cast<std::uint32_t>(keys)) taken[frame] = Clock::now();
                }
    });
    Clock::time_point next = Clock::now();
    net::NetEvent event;
    for (int k = 0; k < keys; ++k) {
        const Bytes bytes = KeyOf(static_cast<std::uint32_t>(k));
        sent[k] = Clock::now();
        guest.Send(1, bytes);
        next += kFrame;
        while (Clock::now() < next) guest.Poll(&event, 1);
    }
    const Clock::time_point end = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < end) guest.Poll(&event, 1);
    done = true;
    receiver.join();
    std::vector<double> ms;
    for (int k = 0; k < keys; ++k)
        if (taken[k] != Clock::time_point{}) ms.push_back(Ms(taken[k] - sent[k]));
    std::printf("%s: %zu of %d keys, p50 %.3f ms, p99 %.3f ms, largest %.3f ms\n", name, ms.size(), keys,
                Quantile(ms, 0.5), Quantile(ms, 0.99), Quantile(ms, 1.0));
}

int Latency(const std::string& broker, int keys) {
    std::string error, code, watch;
    net::TransportOptions options;
    options.timeout_ms = 15000;
    if (!net::MakeRoomCodes(&code, &watch, &error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    auto room_host = net::MakeMqttHost(broker, code, watch, options, &error);
    auto room_guest = room_host ? net::MakeMqttClient(broker, code, options, &error) : nullptr;
    if (!room_guest) return std::fprintf(stderr, "the room: %s\n", error.c_str()), 1;
    KeyLatency("through the relay", *room_host, *room_guest, keys);
    auto enet_host = net::ListenEnet("127.0.0.1", 0, options, &error);
    auto enet_guest = enet_host ? net::ConnectEnet("127.0.0.1", enet_host->Port(), options, &error) : nullptr;
    if (!enet_guest) return std::fprintf(stderr, "ENet: %s\n", error.c_str()), 1;
    KeyLatency("ENet direct", *enet_host, *enet_guest, keys);
    return 0;
}

constexpr int kMachines = 6, kPlayers = 4;
constexpr std::uint32_t kFramesPerOwner = 250;

// One machine of a room under load: its end, and what it has folded and received.
struct Machine {
    std::unique_ptr<net::Transport> end;
    bool connected = false;
    std::uint32_t next = 0;               // the next frame to fold
    std::map<std::uint32_t, Bytes> held;  // frames here before the ones before them
    std::uint64_t hash = 14695981039346656037ull;
    std::int64_t last_heard[4] = {-1, -1, -1, -1};  // the last frame received of each player machine
    Clock::time_point heard{};
    double longest_ms = 0;
    long received = 0, out_of_order = 0, dropped = 0;

    void Take(std::uint32_t frame, Bytes bytes) {
        held.emplace(frame, std::move(bytes));
        for (auto first = held.begin(); first != held.end() && first->first == next; first = held.begin()) {
            hash = Fold(hash, first->second);
            ++next;
            held.erase(first);
        }
    }
    // Stamps of one machine come in its order; those of two owners in turn may cross on the way.
    void Heard(std::uint32_t frame, Bytes bytes, Clock::time_point now) {
        if (heard != Clock::time_point{}) longest_ms = std::max(longest_ms, Ms(now - heard));
        heard = now;
        ++received;
        std::int64_t& last = last_heard[frame / kFramesPerOwner % kPlayers];
        if (static_cast<std::int64_t>(frame) <= last) ++out_of_order;
        last = frame;
        Take(frame, std::move(bytes));
    }
};

// A host (machine 0), three guests (1 to 3) and two spectators (4 and 5).
struct Room {
    std::uint32_t number = 0;
    Clock::duration phase{};
    std::vector<Machine> machines;
    std::uint32_t made = 0;  // frames stamped so far
};

constexpr auto kPass = std::chrono::milliseconds(10);

// What every room's machines saw: the figures of the whole run, one line.
void Report(const std::vector<Room>& all, double ms) {
    long made = 0, received = 0, out_of_order = 0, missing = 0, desynced = 0, dropped = 0;
    double longest = 0;
    std::vector<double> room_longest;
    for (const Room& room : all) {
        made += room.made;
        std::uint64_t expected = 14695981039346656037ull;
        for (std::uint32_t f = 0; f < room.made; ++f)
            expected = Fold(
                expected, StampOf(room.number, f, static_cast<std::uint8_t>(f / kFramesPerOwner % kPlayers)));
        double worst = 0;
        for (const Machine& machine : room.machines) {
            received += machine.received;
            out_of_order += machine.out_of_order;
            dropped += machine.dropped;
            missing += room.made - machine.next;
            desynced += machine.hash != expected;
            worst = std::max(worst, machine.longest_ms);
        }
        longest = std::max(longest, worst);
        room_longest.push_back(worst);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu_s = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("cpu_s %.1f expected %ld connections_lost %ld ", cpu_s, made * (kMachines - 1), dropped);
    std::printf(
        "rooms %zu seconds %.1f stamps %ld received %ld longest_wait_ms %.1f median_room_longest_ms %.1f "
        "p99_room_longest_ms %.1f out_of_order %ld missing %ld desynced %ld\n",
        all.size(), ms / 1000, made, received, longest, Quantile(room_longest, 0.5),
        Quantile(room_longest, 0.99), out_of_order, missing, desynced);
}

bool OpenRoom(Room& room, const std::string& broker, std::string* error) {
    std::string code, watch;
    net::TransportOptions options;
    options.timeout_ms = 15000;
    if (!net::MakeRoomCodes(&code, &watch, error)) return false;
    room.machines.resize(kMachines);
    room.machines[0].end = net::MakeMqttHost(broker, code, watch, options, error);
    for (int m = 1; m < kMachines && room.machines[0].end; ++m)
        if (!(room.machines[m].end = net::MakeMqttClient(broker, code, options, error))) return false;
    return room.machines[0].end != nullptr;
}

// Polls every end once; the host passes a guest's stamps on to every other machine.
void PollRoom(Room& room, Clock::time_point now) {
    net::NetEvent event;
    for (std::size_t m = 0; m < room.machines.size(); ++m) {
        Machine& machine = room.machines[m];
        while (machine.end->Poll(&event, 0)) {
            if (event.kind == net::NetEvent::Connected) machine.connected = true;
            if (event.kind == net::NetEvent::Disconnected) ++machine.dropped;
            if (event.kind != net::NetEvent::Received) continue;
            const std::uint32_t frame = FrameOf(event.bytes);
            if (m == 0)
                for (net::PeerId peer : machine.end->Peers())
                    if (peer != event.peer) machine.end->Send(peer, event.bytes);
            machine.Heard(frame, std::move(event.bytes), now);
        }
    }
}

// The room's owner stamps the frames due by now.
void StampRoom(Room& room, Clock::time_point start, Clock::time_point now) {
    while (start + room.phase + room.made * kFrame <= now) {
        const std::uint32_t frame = room.made++;
        const int owner = static_cast<int>(frame / kFramesPerOwner % kPlayers);
        Bytes bytes = StampOf(room.number, frame, static_cast<std::uint8_t>(owner));
        Machine& machine = room.machines[owner];
        if (owner == 0)
            for (net::PeerId peer : machine.end->Peers()) machine.end->Send(peer, bytes);
        else
            machine.end->Send(1, bytes);
        machine.Take(frame, std::move(bytes));
        machine.heard = {};  // the owner waits for no one meanwhile
    }
}

int Load(const std::string& broker, int rooms, int seconds, int first, const char* go) {
    // Open every room, then poll them all until every guest and spectator has joined (rooms
    // waiting must be polled too, or their ends would take each other for gone).
    std::vector<Room> all(rooms);
    std::string error;
    for (int r = 0; r < rooms; ++r) {
        all[r].number = static_cast<std::uint32_t>(first + r);
        all[r].phase = kFrame * r / rooms;
        if (!OpenRoom(all[r], broker, &error))
            return std::fprintf(stderr, "room %d: %s\n", r, error.c_str()), 1;
        for (Room& room : all) PollRoom(room, Clock::now());
    }
    const auto joined = [&] {
        for (const Room& room : all)
            for (int m = 1; m < kMachines; ++m)
                if (!room.machines[m].connected) return false;
        return true;
    };
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    while (!joined() && Clock::now() < deadline)
        for (Room& room : all) PollRoom(room, Clock::now());
    if (!joined()) return std::fprintf(stderr, "not every machine joined within a minute\n"), 1;
    std::printf("open: %d rooms, %d ends\n", rooms, rooms * kMachines);
    std::fflush(stdout);
    while (go != nullptr && access(go, F_OK) != 0) {
        for (Room& room : all) PollRoom(room, Clock::now());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Stamp for the time given, then let what is on the way arrive. A pass over the rooms every
    // kPass leaves the processor to the broker meanwhile (the game polls once a frame).
    const Clock::time_point start = Clock::now();
    const Clock::time_point stop = start + std::chrono::seconds(seconds);
    for (Clock::time_point now = start; now < stop; now = Clock::now()) {
        for (Room& room : all) {
            StampRoom(room, start, now);
            PollRoom(room, now);
        }
        std::this_thread::sleep_for(kPass);
    }
    const Clock::time_point drained = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < drained) {
        for (Room& room : all) PollRoom(room, Clock::now());
        std::this_thread::sleep_for(kPass);
    }
    Report(all, Ms(Clock::now() - start));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "latency") return Latency(argv[2], argc > 3 ? std::atoi(argv[3]) : 500);
    if (mode == "load" && argc > 4)
        return Load(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argc > 5 ? std::atoi(argv[5]) : 0,
                    argc > 6 ? argv[6] : nullptr);
    std::fprintf(stderr,
                 "usage: lobshot-bench-relay latency BROKER [KEYS]\n"
                 "       lobshot-bench-relay load BROKER ROOMS SECONDS [FIRST-ROOM [GO-FILE]]\n");
    return 2;
}
