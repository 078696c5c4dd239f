// Test support for network play in one process: the machines a test plays against the real game
// (guests that join it as host, a host it joins), on an in-process network whose simulated clock is
// the network game's clock, so that its waits of seconds take no time.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/messages.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "testkit/in_process.h"
#include "tests/support/game_fixture.h"
#include "tests/support/net_messages.h"

constexpr std::uint16_t NET_PORT = 4100;

// A machine's hello as this build says it, to play or to watch, offering a token or none, and a
// join code or none.
net::Hello Hello(bool watch = false, std::uint64_t token = 0, const std::string& code = "");
// The relay lost: the real game's end, host's or joiner's, hears every peer gone with it.
void LoseTheRelay();
// The host's keys from the title to Guest 1's turn in the shop: seat 2 to Guest 1, "Start Game", and
// seat 1's "Finish" in the shop.
extern const std::vector<int> TO_GUEST_SHOP;
// One key pressed: down, then up.
std::vector<net::KeyEvent> Press(std::uint8_t key);
// The events of a kind in the replay the game records.
long ReplayEventsOf(ReplayEvent::Kind kind);

// A machine joining the real game as host, played by the test. Once connected it says `first`, once
// welcomed `then` (unless empty), and one of `later` at each poll after; it keeps what it hears, and
// when it was connected, welcomed and closed; it answers the host's pings at once. A paused one reads and
// says nothing; one `passing` says goodbye and leaves once welcomed. With `stamping`, it stamps every frame
// its machine owns as the host's game makes them known: the keys queued, one frame's worth each, or quiet,
// unless `takeOver` deals with the frame; and it keeps every machine's stamps as a guest would, so that a
// test can ask whether it could run each frame.
class FakeGuest {
public:
    std::vector<std::uint8_t> first = Encoded(Hello());
    std::vector<std::uint8_t> then;
    std::vector<std::vector<std::uint8_t>> later;
    bool paused = false;
    bool passing = false;
    bool stamping = false;
    std::vector<std::vector<net::KeyEvent>> keys;
    std::function<bool(std::uint32_t frame)> takeOver;

    int machine = -1;  // also for a spectator
    bool closed = false;
    net::DisconnectReason reason = net::DisconnectReason::Closed;
    std::int64_t connectedAt = -1, welcomedAt = -1, closedAt = -1;
    std::vector<net::Message> heard;

    void Connect(net::InProcessNetwork& network, const std::string& from = "");
    void Drop() { end_.reset(); }
    void Send(const net::Message& message);
    void Poll();
    // After each of the host's steps, with `stamping`: notes the owners of frames newly known and
    // stamps its own.
    void StampOwnFrames();

    template <typename T>
    const T* Find() const {
        for (const net::Message& m : heard)
            if (const T* found = std::get_if<T>(&m)) return found;
        return nullptr;
    }
    template <typename T>
    std::vector<T> All() const {
        std::vector<T> all;
        for (const net::Message& m : heard)
            if (const T* found = std::get_if<T>(&m)) all.push_back(*found);
        return all;
    }
    template <typename T>
    int Count() const {
        return static_cast<int>(std::count_if(
            heard.begin(), heard.end(), [](const net::Message& m) { return std::holds_alternative<T>(m); }));
    }
    std::string Refusal() const { return Find<net::Refuse>() ? Find<net::Refuse>()->reason : ""; }
    std::uint64_t Token() const { return Find<net::Welcome>() ? Find<net::Welcome>()->token : 0; }
    // The frames the stamps heard of a machine cover, and the keys heard of it by frame.
    std::size_t FramesOf(int other) const { return stamps_[static_cast<std::size_t>(other)].size(); }
    const std::map<std::uint32_t, std::vector<net::KeyEvent>>& KeysOf(int other) const {
        return stamps_[static_cast<std::size_t>(other)];
    }
    // The first frame after its catch-up and up to `last` that it lacks the stamp for, as it would
    // run them; -1 when it holds them all.
    std::int64_t FirstMissing(std::uint32_t last) const;
    // The last stamp that counts of a machine gone, as the host settled it; -1 while it is here.
    std::int64_t LastInputOf(int other) const;

private:
    void Hear(net::PeerId host, const net::Message& m);

    std::unique_ptr<net::Transport> end_;
    net::InProcessNetwork* network_ = nullptr;
    std::uint32_t next_ = 0;
    std::int64_t floor_ = -1;
    std::map<std::uint32_t, int> owners_;
    std::array<std::map<std::uint32_t, std::vector<net::KeyEvent>>, MAX_MACHINES> stamps_;
    std::map<int, std::uint32_t> lastInput_;
};

// A host played by the test, which the real game joins. It welcomes the machine as Guest 1 (or
// watching, as a spectator) with a game so far of `steps` frame steps of seed 3 holding `keys`,
// having delivered up to the last of them; with `stamping` it stamps its own frames quiet as the
// joiner comes to need them; before each of the joiner's reads of the network it does what `act`
// says.
class FakeHost {
public:
    explicit FakeHost(net::InProcessNetwork& network) : network_(network) {}
    std::vector<ReplayEvent> keys;
    bool stamping = true;

    // Joins it: everything up to the catch-up is on its way before the game starts.
    void Open(std::uint32_t steps, std::function<void()> act, bool watching = false);
    void Send(const net::Message& m) {
        if (!left_) end_->Send(guest_, Encoded(m));
    }
    // Quiet stamps of one machine for frames first to last, in messages the joiner takes.
    void SendQuiet(std::uint8_t machine, std::uint32_t first, std::uint32_t last);
    // Leaves as a host does: a goodbye saying why, and the connection closed.
    void Leave(const std::string& why);
    // The host's end, to be cut off the network.
    const net::Transport& End() const { return *end_; }
    std::uint32_t Stamped() const { return stamped_; }

    // The joiner has said goodbye or gone.
    bool Left() const { return left_; }
    const std::vector<net::Message>& Heard() const { return heard_; }
    // What the joiner sent, once the network has run a while longer.
    void Listen() {
        network_.Advance(100);
        Poll();
    }

private:
    void Poll();
    void Turn();

    net::InProcessNetwork& network_;
    std::unique_ptr<net::Transport> end_;
    net::PeerId guest_ = 0;
    bool left_ = false;
    std::vector<net::Message> heard_;
    std::uint32_t stamped_ = 0;
    std::function<void()> act_;
};

// A test of network play: the network game reset around it, and the network's clock the simulated
// clock of its in-process network. Host and RunHost run the real game as host with fake guests. A
// game, host or joiner, still waiting after ten minutes of that clock is closed, so that a test of
// a wait that never ends fails rather than hangs.
class NetTest : public GameTest {
public:
    void SetUp() override;
    void TearDown() override;

    // The real game hosts on NET_PORT.
    void Host();
    // Runs the real game as host from `seed` for at most `ticks` ticks of tickMs of the network's
    // clock: `each(i)` first (false ends the run), then the network runs, every guest reads and
    // stamps, and the tick.
    void RunHost(std::uint32_t seed, int ticks, const std::function<bool(int)>& each);
    // Ticks for a joining game, the network running tickMs before each.
    std::vector<StepDriver::Step> Ticks(int count);

    // A guest more; the guests stay where they are as others come.
    FakeGuest& NewGuest() { return guests.emplace_back(); }

    net::InProcessNetwork network;
    std::deque<FakeGuest> guests;
    int tickMs = 5;
};
