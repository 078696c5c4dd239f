// A joined machine following the host's moment over a slow, jittery link, inside one process on a
// simulated clock: with its lead it stops far less often than stepping as soon as each stamp is here.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "netplay/lockstep.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

constexpr int TICK = 20;
// The game so far that the joiner plays back before it follows.
constexpr std::uint32_t SO_FAR = 10;
// The link: each stamp reaches the joiner DELAY ms after it was sent, give or take up to JITTER.
constexpr int DELAY = 100;
constexpr int JITTER = 40;

// How far a frame's stamp strays from the link's delay, drawn from the frame.
int Spread(std::uint32_t frame) {
    std::uint32_t h = frame * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return static_cast<int>(h % static_cast<std::uint32_t>(2 * JITTER + 1)) - JITTER;
}

struct Following {
    int stops = 0;  // ticks that ran no step, or waited half a tick for one
    int steps = 0;
    int lead = 0;
};

class FollowTest : public NetTest {
protected:
    // The joiner follows a host played by the test for `ticks` ticks at the window's pace; the stops
    // are counted after the first 150 (three seconds to measure the link). The host owns every frame
    // (the game stays at the title): it steps a frame every TICK ms from when the joiner is welcomed,
    // stamping each quiet INPUT_DELAY frames ahead, each stamp arriving after the link's delay and
    // never before the one stamped earlier.
    Following Follow(bool withLead, int ticks) {
        FakeHost host(network);
        host.stamping = false;
        std::int64_t start = 0, lastDue = 0;
        const auto sendDue = [&] {
            for (;;) {
                const std::uint32_t frame = host.Stamped() + 1;
                const std::int64_t sent =
                    start + static_cast<std::int64_t>(frame - INPUT_DELAY - SO_FAR) * TICK;
                const std::int64_t due = std::max(lastDue, sent + DELAY + Spread(frame));
                if (network.NowMs() + 1 < due) return;
                lastDue = due;
                host.SendQuiet(0, frame, frame);
            }
        };
        host.Open(SO_FAR, sendDue);
        start = network.NowMs();
        NetTicksPaced(true);
        NetFollowWithLead(withLead);
        Following seen;
        std::int64_t tick = start, lastTick = tick;
        std::uint32_t lastSteps = 0;
        std::vector<StepDriver::Step> driver;
        for (int i = 0; i < ticks; ++i)
            driver.push_back([&, i] {
                // The tick before this one ran no step, or waited half a tick for it: the picture
                // stood still.
                const bool stood = ReplayFrameSteps() == lastSteps || network.NowMs() - lastTick >= TICK / 2;
                if (i > 150 && !ReplayPlaying() && stood) ++seen.stops;
                lastSteps = ReplayFrameSteps();
                // A late tick comes at once; the ones missed are not made up.
                tick = std::max(tick + TICK, network.NowMs());
                for (sendDue(); network.NowMs() < tick; sendDue()) network.Advance(1);
                lastTick = network.NowMs();
                HeadlessTick();
                return true;
            });
        EXPECT_EQ(RunGame(3, driver), 0);
        EXPECT_TRUE(NetFailure().empty()) << NetFailure();
        seen.steps = static_cast<int>(ReplayFrameSteps());
        seen.lead = NetFollowLead();
        NetResetForTests();
        return seen;
    }
};

// At 100 ms and up to 40 ms either way, a joiner stepping as soon as each stamp is here stops again
// and again; keeping its lead it stops a few times while it builds it, and rarely after.
TEST_F(FollowTest, AFollowerOnAJitteryLinkStopsFarLessOftenWithItsLead) {
    const Following atOnce = Follow(false, 450);
    TearDown();
    SetUp();
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
