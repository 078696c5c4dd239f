// Stamps folded: a quiet stretch of the host's reaches a guest in a few messages that unfold into
// every frame, a key still goes at once, and a guest's hostile quiet range is refused.
#include <gtest/gtest.h>

#include "netplay/lockstep.h"
#include "platform/win.h"
#include "replay/session.h"
#include "tests/support/netplay_peers.h"

namespace {

class FoldingTest : public NetTest {};

TEST_F(FoldingTest, AQuietStretchTravelsInAFewMessagesAndAKeyAtOnce) {
    Host();
    tickMs = 20;
    FakeGuest& guest = NewGuest();
    int quiet = 0, inputs = 0;
    std::size_t frames = 0;
    bool keyOnTime = false;
    RunHost(5, 140, [&](int i) {
        if (i == 0) guest.Connect(network);
        if (i == 40) std::tie(quiet, frames) = std::pair(guest.Count<net::Quiet>(), guest.FramesOf(0));
        if (i == 120) inputs = guest.Count<net::Input>(), PressKey(VK_LEFT);
        if (i == 122) keyOnTime = guest.Count<net::Input>() == inputs + 1;
        return true;
    });
    EXPECT_TRUE(keyOnTime) << "the key waited";
    // The frames since tick 40 came in a quarter as many messages or fewer, and unfold into all.
    const std::size_t folded = guest.FramesOf(0) - frames;
    EXPECT_GE(folded, 90u);
    EXPECT_LE(4 * static_cast<std::size_t>(guest.Count<net::Quiet>() - quiet), folded);
    EXPECT_EQ(guest.FirstMissing(guest.KeysOf(0).rbegin()->first), -1);
    std::vector<net::KeyEvent> heard;
    for (const auto& [frame, keys] : guest.KeysOf(0)) heard.insert(heard.end(), keys.begin(), keys.end());
    EXPECT_EQ(heard, Press(VK_LEFT));
}

// A guest owning no frame sends quiet frames anyway: a range far too long, and one going back over
// frames already run; either drops it, and the host plays on.
TEST_F(FoldingTest, AGuestsHostileQuietRangeDropsIt) {
    Host();
    for (std::uint8_t machine : {1, 2})
        NewGuest().later = {Encoded(net::Quiet{machine, 1, machine == 1 ? 9999u : 2u})};
    RunHost(5, 60, [&](int i) {
        if (i < 2) guests[static_cast<std::size_t>(i)].Connect(network);
        return true;
    });
    for (const FakeGuest& guest : guests)
        EXPECT_EQ(guest.closed ? guest.reason : net::DisconnectReason::Closed,
                  net::DisconnectReason::Malformed);
    EXPECT_GT(ReplayFrameSteps(), 50u);
}

}  // namespace
