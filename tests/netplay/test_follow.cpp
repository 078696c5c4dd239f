// A joined machine following the host's moment over a slow, jittery link, inside one process on a
// simulated clock: with its lead it stops far less often than stepping as soon as each stamp is here.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "testkit/in_process.h"
#include "tests/support/game_fixture.h"

namespace {

constexpr std::uint16_t PORT = 4150;
constexpr int TICK = 20;
// The game so far that the joiner plays back before it follows.
constexpr std::uint32_t SO_FAR = 10;

std::vector<std::uint8_t> Encoded(const net::Message& m) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(net::EncodeMessage(m, &bytes, &error)) << error;
    return bytes;
}

// The joiner's end of the link: before each of its polls the test's host takes a turn.
class HostedEnd final : public net::Transport {
public:
    HostedEnd(std::unique_ptr<net::Transport> inner, std::function<void()> turn)
        : inner_(std::move(inner)), turn_(std::move(turn)) {}
    bool Poll(net::NetEvent* event, int ms) override {
        turn_();
        return inner_->Poll(event, ms);
    }
    bool Send(net::PeerId peer, std::span<const std::uint8_t> bytes) override {
        return inner_->Send(peer, bytes);
    }
    void Disconnect(net::PeerId peer, net::DisconnectReason why) override { inner_->Disconnect(peer, why); }
    std::vector<net::PeerId> Peers() const override { return inner_->Peers(); }
    std::string Address(net::PeerId peer) const override { return inner_->Address(peer); }
    bool Settled() const override { return inner_->Settled(); }
    std::uint16_t Port() const override { return inner_->Port(); }

private:
    std::unique_ptr<net::Transport> inner_;
    std::function<void()> turn_;
};

net::InProcessNetwork* Network = nullptr;
std::int64_t SimulatedMs() { return Network->NowMs(); }

// A host played by the test, owning every frame (the game stays at the title). It steps a frame
// every TICK ms of the simulated clock from when the joiner is welcomed, stamping each quiet
// INPUT_DELAY frames ahead; each stamp reaches the joiner `delay` ms later, give or take up to
// `jitter`, never before the one stamped earlier.
class PacedHost {
public:
    PacedHost(int delay, int jitter) : delay_(delay), jitter_(jitter) {}

    void Open() {
        std::string error;
        end_ = network_.Listen(PORT, {}, &error);
        ASSERT_TRUE(end_) << error;
        std::unique_ptr<net::Transport> joiner = network_.Connect(PORT, {});
        for (int i = 0; i < 100 && guest_ == 0; ++i) {
            network_.Advance(5);
            Poll();
        }
        ASSERT_NE(guest_, 0u);
        Send(net::Welcome{1});
        ReplayRecord replay;
        replay.seed = 3;
        replay.steps = SO_FAR;
        Send(net::CatchUp{"delivered " + std::to_string(SO_FAR - 1) + "\n" + FormatReplay(replay), true});
        Send(net::Quiet{0, SO_FAR, SO_FAR + INPUT_DELAY});
        stamped_ = SO_FAR + INPUT_DELAY;
        start_ = network_.NowMs();
        Network = &network_;
        NetConfigure(NetRole::Join, std::make_unique<HostedEnd>(std::move(joiner), [this] { Turn(); }),
                     "127.0.0.1:" + std::to_string(PORT));
        NetClockForTests(SimulatedMs);
    }

    // Runs the network to `ms`, the host sending each stamp as it falls due.
    void RunUntil(std::int64_t ms) {
        while (network_.NowMs() < ms) {
            Turn();
            network_.Advance(1);
        }
        Turn();
    }

    std::int64_t Now() const { return network_.NowMs(); }

private:
    void Send(const net::Message& m) { end_->Send(guest_, Encoded(m)); }

    void Poll() {
        net::NetEvent e;
        while (end_->Poll(&e, 0))
            if (e.kind == net::NetEvent::Connected) guest_ = e.peer;
    }

    // How far a frame's stamp strays from the link's delay, drawn from the frame.
    int Spread(std::uint32_t frame) const {
        std::uint32_t h = frame * 2654435761u;
        h ^= h >> 15;
        h *= 2246822519u;
        h ^= h >> 13;
        return static_cast<int>(h % static_cast<std::uint32_t>(2 * jitter_ + 1)) - jitter_;
    }

    // The stamps whose time to arrive has come (the link itself takes a millisecond).
    void Turn() {
        Poll();
        for (;;) {
            const std::uint32_t frame = stamped_ + 1;
            const std::int64_t sent = start_ + static_cast<std::int64_t>(frame - INPUT_DELAY - SO_FAR) * TICK;
            const std::int64_t due = std::max(lastDue_, sent + delay_ + Spread(frame));
            if (network_.NowMs() + 1 < due) return;
            lastDue_ = due;
            Send(net::Quiet{0, frame, frame});
            stamped_ = frame;
        }
    }

    int delay_, jitter_;
    net::InProcessNetwork network_;
    std::unique_ptr<net::Transport> end_;
    net::PeerId guest_ = 0;
    std::uint32_t stamped_ = 0;
    std::int64_t start_ = 0, lastDue_ = 0;
};

struct Following {
    int stops = 0;  // ticks that ran no step, or waited half a tick for one
    int steps = 0;
    int lead = 0;
};

// The joiner follows for `ticks` ticks at the window's pace; the stops are counted after the first
// 150 (three seconds to measure the link).
Following Follow(bool withLead, int ticks) {
    PacedHost host(100, 40);
    host.Open();
    NetTicksPaced(true);
    NetFollowWithLead(withLead);
    Following seen;
    std::int64_t tick = host.Now(), lastTick = tick;
    std::uint32_t lastSteps = 0;
    std::vector<StepDriver::Step> driver;
    for (int i = 0; i < ticks; ++i)
        driver.push_back([&, i] {
            // The tick before this one ran no step, or waited half a tick for it: the picture stood
            // still.
            const bool stood = ReplayFrameSteps() == lastSteps || host.Now() - lastTick >= TICK / 2;
            if (i > 150 && !ReplayPlaying() && stood) ++seen.stops;
            lastSteps = ReplayFrameSteps();
            // A late tick comes at once; the ones missed are not made up.
            tick = std::max(tick + TICK, host.Now());
            host.RunUntil(tick);
            lastTick = host.Now();
            HeadlessTick();
            return true;
        });
    EXPECT_EQ(RunGame(3, driver), 0);
    EXPECT_TRUE(NetFailure().empty()) << NetFailure();
    seen.steps = static_cast<int>(ReplayFrameSteps());
    seen.lead = NetFollowLead();
    NetClockForTests(nullptr);
    return seen;
}

class FollowTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        NetResetForTests();
    }
    void TearDown() override {
        NetResetForTests();
        GameTest::TearDown();
    }
};

// At 100 ms and up to 40 ms either way, a joiner stepping as soon as each stamp is here stops again
// and again; keeping its lead it stops a few times while it builds it, and rarely after.
TEST_F(FollowTest, AFollowerOnAJitteryLinkStopsFarLessOftenWithItsLead) {
    const Following atOnce = Follow(false, 450);
    ResetEverything();
    NetResetForTests();
    const Following paced = Follow(true, 450);
    EXPECT_GT(atOnce.stops, 30);
    EXPECT_LT(paced.stops * 4, atOnce.stops)
        << paced.stops << " stops with the lead, " << atOnce.stops << " without";
    EXPECT_EQ(atOnce.lead, 0);
    EXPECT_GE(paced.lead, 2);
    EXPECT_LE(paced.lead, 6);
    // It keeps up with the host all the same: within its lead and the link's delay.
    EXPECT_GE(paced.steps, atOnce.steps - 12);
}

}  // namespace
