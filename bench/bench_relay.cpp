// The relay's figures: a key's way from one machine to another through the broker and over ENet
// directly, and one broker carrying many rooms' stamps at the game's rate.
//
// Usage: lobshot-bench-relay latency BROKER [KEYS]
//        lobshot-bench-relay load BROKER ROOMS SECONDS [FIRST-ROOM [GO-FILE]]
//        lobshot-bench-relay count BROKER SECONDS
// latency: a guest sends KEYS keys (default 500), one a frame (20 ms), each an Input message as the
// game sends it; its host takes them. Printed: the milliseconds from Send to the host's Poll
// returning the message, p50, p99 and the largest, through the room on BROKER and over ENet on
// 127.0.0.1. The two ends are polled by two threads, as two machines would.
// load: ROOMS rooms, each a host with three guests and two spectators (in its spectators' room, all
// six the game's own ends of net/relay/), for SECONDS seconds. Each frame (every 20 ms, rooms spread
// over the frame) the owner of the moment (the host, then each guest in turn, 5 s each, each room's
// turns shifted by its number) stamps the frame, a key on one frame in eight, and sends its stamps
// as netplay does: keys at once, quiet frames folded into ranges once they have waited 100 ms, all
// when the moment passes on. A guest's stamps go to the host, which passes them on once to all the
// guests and once to all the spectators, as it does its own; while a guest owns the moment it says
// how far it has come every fifty frames; guests and spectators say they are alive every 4 s, as
// the game's do. Every machine unfolds the stamps it hears into frames and folds each frame in
// order into a running hash. Printed, one line: the stamps made, the messages of stamps received,
// the longest wait at a player's machine from a message's sending by its owner to its arrival (the
// largest and the 99th percentile of the rooms' longest), the oldest a stamp was on arrival (the
// fold's wait included), the longest wait at a spectator (the host holds what goes to all
// spectators up to 500 ms), frames missing, machines whose hash differs from the one the stamps
// make (a desync), how late the generator itself stamped and the share of a core it used
// meanwhile. FIRST-ROOM numbers rooms of several such processes apart, and with GO-FILE a process
// whose rooms are open waits (keeping them alive) until that file exists, so that several start
// together. One thread keeps up with thousands of ends: they speak through links of
// bench/epoll_link.h, plain sockets that one epoll waits on, and an end is polled when its link
// hears something (and now and then besides, for its timers), not in turn with all the others.
// count: the broker's own count of the messages it took in and sent out meanwhile (its $SYS
// topics, for the user lobshot-bench, which bench/measure_rooms.sh opens them to).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "bench/epoll_link.h"
#include "net/enet/enet_transport.h"
#include "net/messages.h"
#include "net/mqtt/mosquitto_link.h"
#include "net/mqtt/mqtt_transport.h"
#include "net/relay/mqtt_guest.h"
#include "net/relay/mqtt_host.h"
#include "net/room_code.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;
constexpr auto kFrame = std::chrono::milliseconds(20);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

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
        guest.Push();
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

constexpr int kMachines = 6, kPlayers = 4, kSpectator = 4;
constexpr std::uint32_t kFramesPerOwner = 250;
// As netplay/ sends stamps: quiet ones wait this long for company, keys go at once; while a guest
// owns the moment the host says how far it has come every this many frames.
constexpr auto kFoldWait = std::chrono::milliseconds(100);
constexpr std::uint32_t kProgressFrames = 50;
// The generator polls an end with no news this often (the game, every frame).
constexpr std::uint32_t kQuietPollFrames = 5;
constexpr auto kQuietPoll = kFrame * kQuietPollFrames;

// Who owns a room's frame. Rooms pass the moment on at frames of their own (a room's number
// shifts its turns), as games do: every room at once would be a burst no set of games makes.
int OwnerOf(std::uint32_t room, std::uint32_t frame) {
    return static_cast<int>((frame + room % kFramesPerOwner) / kFramesPerOwner % kPlayers);
}

// Whether a room's frame has a key: one frame in eight.
bool Keyed(std::uint32_t room, std::uint32_t frame) { return (frame * 2654435761u + room * 40503u) % 8 == 0; }

Bytes Encoded(const net::Message& message) {
    Bytes bytes;
    std::string error;
    if (!net::EncodeMessage(message, &bytes, &error))
        std::fprintf(stderr, "not encoded: %s\n", error.c_str());
    return bytes;
}

// The frames a stamp message covers, and whether each has keys; none for another message.
std::vector<std::pair<std::uint32_t, bool>> FramesIn(const Bytes& bytes) {
    std::vector<std::pair<std::uint32_t, bool>> frames;
    net::Message message;
    std::string error;
    if (!net::DecodeMessage(bytes, &message, &error)) return frames;
    if (const auto* quiet = std::get_if<net::Quiet>(&message))
        for (std::uint32_t f = quiet->first; f <= quiet->last; ++f) frames.emplace_back(f, false);
    if (const auto* input = std::get_if<net::Input>(&message))
        for (const net::FrameInput& f : input->frames) frames.emplace_back(f.frame, true);
    return frames;
}

std::uint64_t FoldFrame(std::uint64_t hash, std::uint32_t frame, bool keyed) {
    const Bytes bytes{static_cast<std::uint8_t>(frame), static_cast<std::uint8_t>(frame >> 8),
                      static_cast<std::uint8_t>(keyed)};
    return Fold(hash, bytes);
}

// One machine of a room under load: its end, and what it has folded and received, with the longest
// time a stamp took from its sending (by its owner) to arriving here, and from its frame's time.
struct Machine {
    std::unique_ptr<net::Transport> end;
    bool connected = false;
    std::uint32_t next = 0;  // the next frame to fold
    std::map<std::uint32_t, bool> held;
    std::uint64_t hash = 14695981039346656037ull;
    double longest_ms = 0, oldest_ms = 0;
    long received = 0, dropped = 0, wrong = 0;
    // The owner's stamps not sent yet, and when it last sent.
    std::vector<std::uint32_t> unsent;
    Clock::time_point flushed{};

    // Folds the frame if it is the next, else holds it until the frames before it come.
    void Take(std::uint32_t frame, bool keyed) {
        if (frame == next && held.empty()) {
            hash = FoldFrame(hash, frame, keyed);
            ++next;
            return;
        }
        if (frame < next || !held.emplace(frame, keyed).second) return;
        for (auto first = held.begin(); first != held.end() && first->first == next; first = held.begin()) {
            hash = FoldFrame(hash, first->first, first->second);
            ++next;
            held.erase(first);
        }
    }
};

// A host (machine 0), three guests (1 to 3) and two spectators (4 and 5, in the spectators' room),
// its codes, and when each message of stamps left its owner, by its first frame.
struct Room {
    std::uint32_t number = 0;
    std::string code, watch;
    Clock::duration phase{};
    std::vector<Machine> machines;
    std::uint32_t made = 0;  // frames stamped so far
    bool closed = false;     // its stamping over
    std::map<std::uint32_t, Clock::time_point> sent;
};

// The load generator's own lateness: how far behind its frames' times it stamped them.
double GeneratorLateMs = 0;

// The processor time this process has used so far, in seconds.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What every room's machines saw: the figures of the whole run, one line, with the share of a core
// the generator used while it stamped.
void Report(const std::vector<Room>& all, double ms, double stamping_cpu_pct) {
    long made = 0, received = 0, missing = 0, desynced = 0, dropped = 0, wrong = 0;
    std::vector<double> room_longest, room_oldest, watch_longest;
    for (const Room& room : all) {
        made += room.made;
        std::uint64_t expected = 14695981039346656037ull;
        for (std::uint32_t f = 0; f < room.made; ++f)
            expected = FoldFrame(expected, f, Keyed(room.number, f));
        double longest = 0, oldest = 0, watching = 0;
        for (std::size_t m = 0; m < room.machines.size(); ++m) {
            const Machine& machine = room.machines[m];
            received += machine.received;
            dropped += machine.dropped;
            wrong += machine.wrong;
            missing += room.made - machine.next;
            desynced += machine.hash != expected;
            if (static_cast<int>(m) >= kSpectator) {
                watching = std::max(watching, machine.longest_ms);
            } else {
                longest = std::max(longest, machine.longest_ms);
                oldest = std::max(oldest, machine.oldest_ms);
            }
        }
        room_longest.push_back(longest);
        room_oldest.push_back(oldest);
        watch_longest.push_back(watching);
    }
    std::printf("cpu_s %.1f stamping_cpu_pct %.1f generator_late_ms %.1f connections_lost %ld wrong %ld ",
                CpuSeconds(), stamping_cpu_pct, GeneratorLateMs, dropped, wrong);
    std::printf(
        "rooms %zu seconds %.1f stamps %ld messages_received %ld longest_wait_ms %.1f p99_room_longest_ms "
        "%.1f "
        "oldest_stamp_ms %.1f spectators_longest_wait_ms %.1f missing %ld desynced %ld\n",
        all.size(), ms / 1000, made, received, Quantile(room_longest, 1.0), Quantile(room_longest, 0.99),
        Quantile(room_oldest, 1.0), Quantile(watch_longest, 1.0), missing, desynced);
}

// The links of a room's machine name it to the hub: its room's index and its number there.
std::uint32_t TagOf(std::size_t room, int machine) {
    return static_cast<std::uint32_t>(room * kMachines + machine);
}

// A room's host, the game's own end over links of the hub.
bool OpenHost(Room& room, std::size_t index, bench::LinkHub& hub, const std::string& broker,
              std::string* error) {
    net::TransportOptions options;
    options.timeout_ms = 15000;
    if (!net::MakeRoomCodes(&room.code, &room.watch, error)) return false;
    room.machines.resize(kMachines);
    const std::uint32_t tag = TagOf(index, 0);
    const auto link = [&hub, tag]() -> std::unique_ptr<net::MqttLink> {
        return std::make_unique<bench::EpollLink>(hub, tag);
    };
    room.machines[0].end = net::OpenRoom(link, broker, room.code, room.watch, options, false, error);
    return room.machines[0].end != nullptr;
}

// The room's guests and spectators, the game's own ends over links of the hub.
bool OpenGuests(Room& room, std::size_t index, bench::LinkHub& hub, const std::string& broker,
                std::string* error) {
    net::TransportOptions options;
    options.timeout_ms = 15000;
    options.alive_every_ms = 4000;
    for (int m = 1; m < kMachines; ++m)
        if (!(room.machines[m].end =
                  net::JoinRoom(std::make_unique<bench::EpollLink>(hub, TagOf(index, m)), broker,
                                m < kSpectator ? room.code : room.watch, options, error)))
            return false;
    return true;
}

// The host says a message to every guest and spectator at once, as netplay's Broadcast does.
void Broadcast(Machine& host, const Bytes& bytes) {
    host.end->SendToPlayers(bytes);
    host.end->SendToWatchers(bytes);
}

// Polls one end until it has no more news: the host makes each guest and spectator a follower as
// it comes, and passes a guest's stamps on to all; every machine takes the stamps it hears (a
// guest's own coming back counts for nothing), noting how long they took.
void PollMachine(Room& room, int m, Clock::time_point start) {
    Machine& machine = room.machines[m];
    if (!machine.end) return;
    net::NetEvent event;
    while (machine.end->Poll(&event, 0)) {
        if (event.kind == net::NetEvent::Connected)
            machine.connected = m != 0 || machine.end->Watch(event.peer);
        if (event.kind == net::NetEvent::Disconnected) ++machine.dropped;
        if (event.kind != net::NetEvent::Received) continue;
        const auto frames = FramesIn(event.bytes);
        if (frames.empty()) continue;
        const Clock::time_point now = Clock::now();
        if (m == 0) Broadcast(machine, event.bytes);
        if (OwnerOf(room.number, frames.front().first) == m) continue;
        ++machine.received;
        const auto sent = room.sent.find(frames.front().first);
        if (sent != room.sent.end()) {
            const Clock::time_point made = start + room.phase + frames.front().first * kFrame;
            machine.longest_ms = std::max(machine.longest_ms, Ms(now - sent->second));
            machine.oldest_ms = std::max(machine.oldest_ms, Ms(now - made));
        }
        for (const auto& [frame, keyed] : frames) {
            machine.wrong += keyed != Keyed(room.number, frame);
            machine.Take(frame, keyed);
        }
    }
    machine.end->Push();
}

// Every end of the room once.
void PollRoom(Room& room, Clock::time_point start) {
    for (int m = 0; m < static_cast<int>(room.machines.size()); ++m) PollMachine(room, m, start);
}

// The owner's unsent stamps go: runs of quiet frames as one range, keys as they are.
void Flush(Room& room, int owner, Clock::time_point now) {
    Machine& machine = room.machines[owner];
    std::vector<std::uint32_t>& unsent = machine.unsent;
    for (std::size_t i = 0, j = 0; i < unsent.size(); i = j) {
        const bool keyed = Keyed(room.number, unsent[i]);
        for (j = i + 1; !keyed && j < unsent.size() && !Keyed(room.number, unsent[j]); ++j) {
        }
        const auto o = static_cast<std::uint8_t>(owner);
        const Bytes bytes =
            keyed ? Encoded(net::Input{o, {net::FrameInput{unsent[i], {net::KeyEvent{true, 0x20, false}}}}})
                  : Encoded(net::Quiet{o, unsent[i], unsent[j - 1]});
        room.sent[unsent[i]] = now;
        if (owner == 0)
            Broadcast(machine, bytes);
        else
            machine.end->Send(1, bytes);
    }
    unsent.clear();
    machine.flushed = now;
    machine.end->Push();
}

// The room's owner stamps the frames due by now, and sends them as netplay does: keys at once,
// quiet frames once they have waited long enough, all when the moment passes to another.
void StampRoom(Room& room, Clock::time_point start, Clock::time_point now) {
    while (start + room.phase + room.made * kFrame <= now) {
        const std::uint32_t frame = room.made++;
        GeneratorLateMs = std::max(GeneratorLateMs, Ms(now - (start + room.phase + frame * kFrame)));
        const int owner = OwnerOf(room.number, frame);
        Machine& machine = room.machines[owner];
        machine.unsent.push_back(frame);
        machine.Take(frame, Keyed(room.number, frame));
        if (Keyed(room.number, frame) || OwnerOf(room.number, frame + 1) != owner) Flush(room, owner, now);
        if (owner != 0 && frame % kProgressFrames == 0)
            room.machines[0].end->SendToPlayers(Encoded(net::Progress{frame}));
    }
    const int owner = OwnerOf(room.number, room.made - 1);
    if (room.made > 0 && now - room.machines[owner].flushed >= kFoldWait) Flush(room, owner, now);
    room.sent.erase(room.sent.begin(), room.sent.lower_bound(room.made > 500 ? room.made - 500 : 0));
}

// Waits at most timeout_ms for news, polls each end that heard some, and sends what that made.
void Serve(bench::LinkHub& hub, std::vector<Room>& all, Clock::time_point start, int timeout_ms) {
    for (std::uint32_t tag : hub.Wait(timeout_ms))
        PollMachine(all[tag / kMachines], static_cast<int>(tag % kMachines), start);
    hub.Flush();
}

// Serves the rooms until `until` or until `done` says so, polling every end every kQuietPoll besides.
template <typename Done>
void KeepRooms(bench::LinkHub& hub, std::vector<Room>& all, Clock::time_point start, Clock::time_point until,
               Done done) {
    for (Clock::time_point polled{}; Clock::now() < until && !done();) {
        if (Clock::now() - polled >= kQuietPoll) {
            polled = Clock::now();
            for (Room& room : all) PollRoom(room, start);
        }
        Serve(hub, all, start, 1);
    }
}

int Load(const std::string& broker, int rooms, int seconds, int first, const char* go) {
    // Open every room's host, give them a moment to listen, then its guests and spectators, and
    // serve them all until every guest and spectator has joined (rooms waiting must be served
    // too, or their ends would take each other for gone).
    bench::LinkHub hub;
    std::vector<Room> all(rooms);
    std::string error;
    const Clock::time_point opening = Clock::now();
    const auto never = [] { return false; };
    for (std::size_t r = 0; r < all.size(); ++r) {
        all[r].number = static_cast<std::uint32_t>(first) + static_cast<std::uint32_t>(r);
        all[r].phase = kFrame * static_cast<int>(r) / rooms;
        if (!OpenHost(all[r], r, hub, broker, &error))
            return std::fprintf(stderr, "room %zu: %s\n", r, error.c_str()), 1;
        Serve(hub, all, opening, 0);
    }
    KeepRooms(hub, all, opening, Clock::now() + std::chrono::seconds(1), never);
    for (std::size_t r = 0; r < all.size(); ++r) {
        if (!OpenGuests(all[r], r, hub, broker, &error))
            return std::fprintf(stderr, "room %zu: %s\n", r, error.c_str()), 1;
        Serve(hub, all, opening, 0);
    }
    const auto joined = [&] {
        for (const Room& room : all)
            for (int m = 1; m < kMachines; ++m)
                if (!room.machines[m].connected) return false;
        return true;
    };
    KeepRooms(hub, all, opening, Clock::now() + std::chrono::seconds(60), joined);
    if (!joined()) return std::fprintf(stderr, "not every machine joined within a minute\n"), 1;
    std::printf("open: %d rooms, %d ends\n", rooms, rooms * kMachines);
    std::fflush(stdout);
    if (go != nullptr)
        KeepRooms(hub, all, opening, Clock::time_point::max(), [go] { return access(go, F_OK) == 0; });

    // Stamp for the time given, each room once a frame at its own moment of it (the rooms take
    // turns in the order of their moments), serving news as it comes between. Every end hears its
    // news as it comes, and is polled every kQuietPoll besides, often enough for its signs of life;
    // a room's host pushes every frame, so that what it holds for its spectators goes on time. At
    // its first moment past the time, a room's owner sends what it has left, as when the moment
    // passes on; then what is on the way arrives.
    const Clock::time_point start = Clock::now();
    const Clock::time_point stop = start + std::chrono::seconds(seconds);
    const double cpu_before = CpuSeconds();
    const auto due = [start](const Room& room) { return start + room.phase + room.made * kFrame; };
    for (std::size_t turn = 0, closed = 0; closed < all.size();) {
        const Clock::time_point now = Clock::now();
        for (Room* room = &all[turn]; !room->closed && due(*room) <= now; room = &all[turn]) {
            if (due(*room) < stop) {
                StampRoom(*room, start, Clock::now());
                room->machines[0].end->Push();
                if (room->made % kQuietPollFrames == 0) PollRoom(*room, start);
            } else {
                for (int m = 0; m < kPlayers; ++m) Flush(*room, m, Clock::now());
                room->closed = true;
                ++closed;
            }
            turn = (turn + 1) % all.size();
        }
        Serve(hub, all, start, 1);
    }
    const double stamping_cpu_pct = (CpuSeconds() - cpu_before) * 100 / Ms(Clock::now() - start) * 1000;
    KeepRooms(hub, all, start, Clock::now() + std::chrono::seconds(3), never);
    Report(all, Ms(Clock::now() - start), stamping_cpu_pct);
    return 0;
}

// The broker's own count of the messages it took in and sent out (its $SYS topics, which the
// measuring script opens to the user lobshot-bench alone), as rates a second over SECONDS seconds:
// the difference between the first and the last report, over the time between them.
int Count(const std::string& broker, int seconds) {
    std::string host, error;
    std::uint16_t port = 0;
    if (!net::ParseHostPort(broker, &host, &port, &error))
        return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    net::MosquittoLink link;
    if (!link.Open(host, port, "lobshotbenchcount", "lobshot-bench", 60, {"lobshot-bench/gone", {}, false},
                   &error))
        return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const char* kCounts[] = {"$SYS/broker/publish/messages/received", "$SYS/broker/publish/messages/sent",
                             "$SYS/broker/messages/received", "$SYS/broker/messages/sent"};
    std::map<std::string, std::vector<std::pair<Clock::time_point, double>>> seen;
    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
    bool subscribed = false;
    while (Clock::now() < end) {
        link.Pump(50);
        for (const char* topic : kCounts)
            if (!subscribed && link.Open()) link.Subscribe(topic);
        subscribed = link.Open();
        net::MqttLink::Incoming message;
        while (link.TakeIncoming(&message))
            seen[message.topic].emplace_back(
                Clock::now(), std::atof(std::string(message.payload.begin(), message.payload.end()).c_str()));
    }
    for (const auto& [topic, values] : seen)
        if (values.size() > 1)
            std::printf(
                "%s %.1f a second\n", topic.c_str(),
                (values.back().second - values.front().second) /
                    std::chrono::duration<double>(values.back().first - values.front().first).count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "latency") return Latency(argv[2], argc > 3 ? std::atoi(argv[3]) : 500);
    if (mode == "count" && argc > 3) return Count(argv[2], std::atoi(argv[3]));
    if (mode == "load" && argc > 4)
        return Load(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argc > 5 ? std::atoi(argv[5]) : 0,
                    argc > 6 ? argv[6] : nullptr);
    std::fprintf(stderr,
                 "usage: lobshot-bench-relay latency BROKER [KEYS]\n"
                 "       lobshot-bench-relay load BROKER ROOMS SECONDS [FIRST-ROOM [GO-FILE]]\n"
                 "       lobshot-bench-relay count BROKER SECONDS\n");
    return 2;
}
