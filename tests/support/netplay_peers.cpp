// Test support for network play in one process: fake guests, a fake host, and the fixture.
#include "tests/support/netplay_peers.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "netplay/stamps.h"
#include "replay/session.h"

namespace {

// The network whose clock the network game reads during a test.
net::InProcessNetwork* Clocked = nullptr;

// A game that waits longer than this on the network's clock (ten minutes) is waiting for ever: the
// window is asked to close, and the test goes on to find what it lacks.
constexpr std::int64_t TIME_LIMIT_MS = 600000;
void CloseWhenOverTime() {
    if (Clocked && Clocked->NowMs() > TIME_LIMIT_MS) PostInput(InputEvent::CloseRequest());
}

// Set by LoseTheRelay: the game's end reports each of its peers gone with the relay, once.
bool RelayGone = false;

// The game's end of the link: before each of its reads the test takes a turn, so that a test's host
// acts while the game runs, its catch-up included.
class HostedEnd final : public net::Transport {
public:
    HostedEnd(std::unique_ptr<net::Transport> inner, std::function<void()> turn)
        : inner_(std::move(inner)), turn_(std::move(turn)) {}
    bool Poll(net::NetEvent* event, int ms) override {
        turn_();
        if (!RelayGone) return inner_->Poll(event, ms);
        for (net::PeerId peer : inner_->Peers())
            if (lost_.insert(peer).second) {
                *event = {net::NetEvent::Disconnected, peer, {}, net::DisconnectReason::RelayLost};
                return true;
            }
        return false;
    }
    bool Send(net::PeerId peer, std::span<const std::uint8_t> bytes) override {
        return !RelayGone && inner_->Send(peer, bytes);
    }
    void Disconnect(net::PeerId peer, net::DisconnectReason why) override { inner_->Disconnect(peer, why); }
    std::vector<net::PeerId> Peers() const override {
        return RelayGone ? std::vector<net::PeerId>{} : inner_->Peers();
    }
    std::string Address(net::PeerId peer) const override { return inner_->Address(peer); }
    bool Settled() const override { return inner_->Settled(); }
    std::uint16_t Port() const override { return inner_->Port(); }

private:
    std::unique_ptr<net::Transport> inner_;
    std::function<void()> turn_;
    std::set<net::PeerId> lost_;
};

bool Decoded(std::span<const std::uint8_t> bytes, net::Message* m) {
    std::string error;
    return net::DecodeMessage(bytes, m, &error);
}

}  // namespace

net::Hello Hello(bool watch, std::uint64_t token, const std::string& code) {
    return net::Hello{
        net::kProtocolNumber, ReplayGameVersion(), token, watch, "", net::MachineKind::Game, code};
}

void LoseTheRelay() { RelayGone = true; }

const std::vector<int> TO_GUEST_SHOP = {VK_RETURN, '2',     VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_DOWN,
                                        VK_DOWN,   VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};

std::vector<net::KeyEvent> Press(std::uint8_t key) { return {{true, key, false}, {false, key, false}}; }

long ReplayEventsOf(ReplayEvent::Kind kind) {
    const std::vector<ReplayEvent>& events = ReplayRecorded().events;
    return std::count_if(events.begin(), events.end(),
                         [kind](const ReplayEvent& e) { return e.kind == kind; });
}

void FakeGuest::Connect(net::InProcessNetwork& network, const std::string& from) {
    network_ = &network;
    end_ = network.Connect(NET_PORT, {}, from);
}

void FakeGuest::Send(const net::Message& message) {
    if (end_ && !end_->Peers().empty()) end_->Send(end_->Peers().front(), Encoded(message));
}

void FakeGuest::Poll() {
    net::NetEvent e;
    while (end_ && !closed && !paused && end_->Poll(&e, 0)) {
        if (e.kind == net::NetEvent::Connected) {
            connectedAt = network_->NowMs();
            if (!first.empty()) end_->Send(e.peer, first);
        } else if (e.kind == net::NetEvent::Disconnected) {
            closed = true;
            closedAt = network_->NowMs();
            reason = e.reason;
        } else if (net::Message m; Decoded(e.bytes, &m)) {
            Hear(e.peer, m);
        }
    }
    if (welcomedAt >= 0 && !closed && !paused && !later.empty() && end_ && !end_->Peers().empty()) {
        end_->Send(end_->Peers().front(), later.front());
        later.erase(later.begin());
    }
}

void FakeGuest::Hear(net::PeerId host, const net::Message& m) {
    heard.push_back(m);
    if (const auto* welcome = std::get_if<net::Welcome>(&m)) {
        machine = welcome->watch ? -1 : welcome->machine;
        welcomedAt = network_->NowMs();
        if (!then.empty()) end_->Send(host, then);
        if (passing) {
            end_->Send(host, Encoded(net::Goodbye{"passing through"}));
            end_->Disconnect(host);
            closed = true;
            closedAt = network_->NowMs();
        }
    }
    if (const auto* piece = std::get_if<net::CatchUp>(&m); piece && piece->text.rfind("delivered ", 0) == 0)
        floor_ = std::atoll(piece->text.c_str() + 10);
    if (const auto* input = std::get_if<net::Input>(&m))
        for (const net::FrameInput& f : input->frames) stamps_[input->machine][f.frame] = f.keys;
    if (const auto* quiet = std::get_if<net::Quiet>(&m))
        for (std::uint32_t f = quiet->first; f <= quiet->last && quiet->machine < MAX_MACHINES; ++f)
            stamps_[quiet->machine][f];
    if (const auto* news = std::get_if<net::Roster>(&m); news && !news->joined)
        lastInput_[news->machine] = news->last_input;
    if (const auto* ping = std::get_if<net::Ping>(&m); ping && !ping->answer)
        end_->Send(host, Encoded(net::Ping{ping->number, true}));
}

void FakeGuest::StampOwnFrames() {
    if (!stamping) return;
    const std::uint32_t known = ReplayFrameSteps() + INPUT_DELAY;
    for (; next_ <= known; ++next_) {
        const int owner = NetFrameOwner(next_);
        if (owner < 0) continue;
        owners_[next_] = owner;
        if (owner != machine || closed || (takeOver && takeOver(next_))) continue;
        std::vector<net::KeyEvent> pressed;
        if (!keys.empty()) {
            pressed = keys.front();
            keys.erase(keys.begin());
        }
        if (pressed.empty())
            Send(net::Quiet{static_cast<std::uint8_t>(machine), next_, next_});
        else
            Send(net::Input{static_cast<std::uint8_t>(machine), {net::FrameInput{next_, pressed}}});
    }
}

std::int64_t FakeGuest::FirstMissing(std::uint32_t last) const {
    for (std::int64_t f = floor_ + 1; f <= last; ++f) {
        const auto frame = static_cast<std::uint32_t>(f);
        const auto owner = owners_.find(frame);
        int stamper = owner != owners_.end() ? owner->second : 0;
        const auto gone = lastInput_.find(stamper);
        if (gone != lastInput_.end() && frame > gone->second) stamper = 0;
        if (stamper != machine && !stamps_[static_cast<std::size_t>(stamper)].count(frame)) return f;
    }
    return -1;
}

std::int64_t FakeGuest::LastInputOf(int other) const {
    const auto gone = lastInput_.find(other);
    return gone != lastInput_.end() ? gone->second : -1;
}

void FakeHost::Open(std::uint32_t steps, std::function<void()> act, bool watching) {
    std::string error;
    end_ = network_.Listen(NET_PORT, {}, &error);
    ASSERT_TRUE(end_) << error;
    std::unique_ptr<net::Transport> joiner = network_.Connect(NET_PORT, {});
    for (int i = 0; i < 100 && guest_ == 0; ++i) {
        network_.Advance(5);
        Poll();
    }
    ASSERT_NE(guest_, 0u);
    Send(watching ? net::Welcome{0, 0, true} : net::Welcome{1});
    ReplayRecord replay;
    replay.seed = 3;
    replay.events = keys;
    replay.steps = steps;
    const std::string catchUp = "delivered " + std::to_string(steps - 1) + "\n" + FormatReplay(replay);
    for (std::size_t at = 0; at < catchUp.size(); at += net::kMaxCatchUpChunk)
        Send(net::CatchUp{catchUp.substr(at, net::kMaxCatchUpChunk),
                          at + net::kMaxCatchUpChunk >= catchUp.size()});
    // Then the stamps it holds beyond the game so far, as a host does.
    stamped_ = steps - 1;
    if (steps < net::kMaxFrame - INPUT_DELAY) {
        SendQuiet(0, steps, steps + INPUT_DELAY);
        stamped_ = steps + INPUT_DELAY;
    }
    act_ = std::move(act);
    NetConfigure(watching ? NetRole::Watch : NetRole::Join,
                 std::make_unique<HostedEnd>(std::move(joiner), [this] { Turn(); }),
                 "127.0.0.1:" + std::to_string(NET_PORT));
}

void FakeHost::SendQuiet(std::uint8_t machine, std::uint32_t first, std::uint32_t last) {
    for (std::uint32_t f = first; f <= last; f += netplay::MAX_FRAMES_AHEAD + 1)
        Send(net::Quiet{machine, f, std::min(last, f + netplay::MAX_FRAMES_AHEAD)});
    if (machine == 0) stamped_ = std::max(stamped_, last);
}

void FakeHost::Leave(const std::string& why) {
    Send(net::Goodbye{why});
    end_->Disconnect(guest_, net::DisconnectReason::Closed);
    stamping = false;
}

void FakeHost::Poll() {
    net::NetEvent e;
    while (end_->Poll(&e, 0)) {
        net::Message m;
        if (e.kind == net::NetEvent::Connected)
            guest_ = e.peer;
        else if (e.kind == net::NetEvent::Disconnected)
            left_ = true;
        else if (Decoded(e.bytes, &m))
            heard_.push_back(m);
        if (std::holds_alternative<net::Goodbye>(m)) left_ = true;
    }
}

// The host stamps the frames it owns as the joiner comes to know their owners, quiet.
void FakeHost::Turn() {
    CloseWhenOverTime();
    Poll();
    const std::uint32_t due = ReplayFrameSteps() + INPUT_DELAY;
    for (; stamping && !ReplayPlaying() && stamped_ < due; ++stamped_)
        if (NetFrameOwner(stamped_ + 1) <= 0) Send(net::Quiet{0, stamped_ + 1, stamped_ + 1});
    act_();
}

std::vector<StepDriver::Step> NetTest::Ticks(int count) {
    return std::vector<StepDriver::Step>(static_cast<std::size_t>(count), [this] {
        network.Advance(tickMs);
        HeadlessTick();
        return true;
    });
}

void NetTest::SetUp() {
    GameTest::SetUp();
    NetResetForTests();
    RelayGone = false;
    Clocked = &network;
    NetClockForTests([] { return Clocked->NowMs(); });
}

void NetTest::TearDown() {
    NetResetForTests();
    NetClockForTests(nullptr);
    Clocked = nullptr;
    GameTest::TearDown();
}

void NetTest::Host() {
    std::string error;
    std::unique_ptr<net::Transport> end = network.Listen(NET_PORT, {}, &error);
    ASSERT_TRUE(end) << error;
    NetConfigure(NetRole::Host, std::make_unique<HostedEnd>(std::move(end), CloseWhenOverTime),
                 std::to_string(NET_PORT));
}

void NetTest::RunHost(std::uint32_t seed, int ticks, const std::function<bool(int)>& each) {
    int i = 0;
    TickDriver driver(
        [&] {
            if (!each(i++)) return false;
            network.Advance(tickMs);
            for (FakeGuest& g : guests) {
                g.Poll();
                g.StampOwnFrames();
            }
            return true;
        },
        static_cast<std::uint32_t>(ticks));
    ASSERT_EQ(PlayGame(seed, &driver), 0);
}
