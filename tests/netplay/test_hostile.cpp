// Tests of guests that break the rules on purpose, against the real game as host over the
// in-process transport: a forged state hash, keys that would end the match for everyone, a message
// that goes wrong part-way and stamps with a gap. The host drops the offender and the machines that
// keep the rules play on, never waiting for a frame they cannot get.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "tests/support/netplay_peers.h"
#include "tests/support/temp_folder.h"

namespace {

// A match of two seats between the host (seat 0) and a hand-driven guest (machine 1, seat 1), with
// a second guest (machine 2) that plays no seat and keeps watch. The host fires in its turns.
class HostileGuestTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        setenv("XDG_DATA_HOME", data_.Dir().c_str(), 1);
        Host();
        seated.stamping = watcher.stamping = true;
        // The seated guest's shop: "Finish", a key every other frame it owns.
        for (int i = 0; i < 6; ++i) {
            seated.keys.push_back(Press(VK_DOWN));
            seated.keys.push_back({});
        }
        seated.keys.push_back(Press(VK_RETURN));
    }
    void TearDown() override {
        unsetenv("XDG_DATA_HOME");
        NetTest::TearDown();
    }

    // Plays from the title until the seated guest's first turn, calls `turn` once the hand-driven
    // guest aims (before the step in which its turn starts), and plays `after` more frame steps,
    // calling eachTick before each. The run ends early if the host's network game ends; at its end
    // the watcher hears the host's last stamps.
    void Play(const std::function<void()>& turn, int after = 300) {
        std::size_t next = 0;
        int left = after;
        RunHost(17, 3000, [&](int i) {
            if (i > 0 && (NetRoleNow() != NetRole::Host || (aimed && --left <= 0))) {
                HearTheLastStamps();
                return false;
            }
            if (i == 0) seated.Connect(network);
            if (i == 10) watcher.Connect(network);
            const bool bothHere = (MachinesPresent & 0b110u) == 0b110u;
            if (bothHere && i % 6 == 0 && NetMine()) {
                if (next < TO_GUEST_SHOP.size())
                    PressKey(TO_GUEST_SHOP[next++]);
                else if (CurrentMode == Aiming)
                    PressKey(VK_SPACE);
            }
            if (!aimed && CurrentMode == Aiming && ThePlayers->CurrentIndex() == 1) {
                aimed = true;
                turn();
            }
            if (aimed) {
                titleAgain = titleAgain || CurrentMode == Title;
                promptShown = promptShown || QuitPromptShown;
                shots += CurrentMode == ShotInProgress && ThePlayers->CurrentIndex() == 1 ? 1 : 0;
                if (eachTick) eachTick();
            }
            return true;
        });
        ASSERT_TRUE(aimed) << "the seated guest never had a turn";
        EXPECT_EQ(seated.machine, 1);
        EXPECT_EQ(watcher.machine, 2);
    }

    // The host's quiet stamps still waiting go out, the guests hear them, and each is asked which
    // frame the host ran that it could not.
    void HearTheLastStamps() {
        NetPoll(1);
        network.Advance(5);
        seated.Poll();
        watcher.Poll();
        seatedMissing = seated.FirstMissing(ReplayFrameSteps() - 1);
        watcherMissing = watcher.FirstMissing(ReplayFrameSteps() - 1);
        watcherClosed = watcher.closed;
        stillHosting = NetRoleNow() == NetRole::Host;
    }

    std::int64_t DroppedAfter(bool away, bool thinks, const std::string& why = "", std::int64_t limit = 0);

    // No game differs from the host's: nobody writes a report beside the host's replays, and the
    // host plays on.
    void ExpectNoDesync() const {
        EXPECT_FALSE(NetDesync());
        for (const auto& entry : std::filesystem::recursive_directory_iterator(data_.Dir()))
            EXPECT_NE(entry.path().filename().string().rfind("desync-", 0), 0u) << entry.path();
        ExpectTheHostPlaysOn();
    }

    // The computer fired for the seated guest dropped; the host plays on to the end of the run, and
    // the watcher stays and could run every frame the host ran.
    void ExpectTheComputerPlaysOn() const {
        EXPECT_GT(shots, 0) << "the computer never fired for the seat";
        ExpectTheOthersPlayOn();
    }
    void ExpectTheOthersPlayOn() const {
        ExpectTheHostPlaysOn();
        EXPECT_FALSE(watcherClosed);
        EXPECT_EQ(watcherMissing, -1) << "the watcher would wait there";
    }
    void ExpectTheHostPlaysOn() const {
        EXPECT_TRUE(stillHosting);
        EXPECT_TRUE(NetFailure().empty()) << NetFailure();
        EXPECT_FALSE(titleAgain) << "the match was abandoned";
    }

    FakeGuest& seated = NewGuest();
    FakeGuest& watcher = NewGuest();
    bool aimed = false;
    bool titleAgain = false;  // the host's game went back to the title after the guest's turn began
    bool promptShown = false;
    int shots = 0;  // frame steps of seat 1's shots after its turn began
    std::function<void()> eachTick;
    int guestShots = 0;  // frame steps of shots of seat 1 played by its person
    bool watcherClosed = false;
    bool stillHosting = false;  // at the end of the run
    std::int64_t watcherMissing = -2;
    std::int64_t seatedMissing = -2;
    TempFolder data_;
};

// One forged hash from a machine with no seat: it alone is told and dropped, nobody writes a
// report, and the game goes on for the others.
TEST_F(HostileGuestTest, AForgedStateHashDropsOnlyItsSender) {
    std::uint64_t forged = 0;
    Play([&] {
        // Once the host has a hash of its own to compare: the frame is its turn's start, or one it
        // passed with none.
        eachTick = [&] {
            if (forged != 0 || NetStateHash() == 0) return;
            forged = NetStateHash() + 1;
            watcher.Send(net::StateHash{ReplayFrameSteps(), forged});
        };
    });
    ASSERT_NE(forged, 0u);
    const auto* told = watcher.Find<net::Desync>();
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->theirs, forged);
    EXPECT_TRUE(watcher.closed);
    EXPECT_EQ(watcher.reason, net::DisconnectReason::Malformed);
    ExpectNoDesync();
    EXPECT_FALSE(seated.closed);
    EXPECT_EQ(seated.Find<net::Desync>(), nullptr);
    EXPECT_EQ(seatedMissing, -1) << "the seated guest would wait there";
}

// Both guests (a stranger's two connections, say) reporting the same made-up hash: the host's game
// is the reference, so each is told and dropped, nobody writes a report, and the host plays on.
TEST_F(HostileGuestTest, GuestsDifferingTogetherAreDroppedAndTheHostPlaysOn) {
    bool claimed = false;
    Play([&] {
        // Once the host has a hash of its own, both claim another game at every frame so far.
        eachTick = [&] {
            if (NetStateHash() == 0 || std::exchange(claimed, true)) return;
            for (FakeGuest* g : {&seated, &watcher})
                for (std::uint32_t f = 0; f <= static_cast<std::uint32_t>(FrameCounter); ++f)
                    g->Send(net::StateHash{f, 12345});
        };
    });
    ExpectNoDesync();
    for (const FakeGuest* g : {&seated, &watcher}) {
        ASSERT_NE(g->Find<net::Desync>(), nullptr);
        EXPECT_EQ(g->Find<net::Desync>()->theirs, 12345u);
        EXPECT_TRUE(g->closed);
    }
}

// The seated guest crashes in its turn and strangers take every place left: the crashed machine's
// number stays its own for the rest of the match, so a stranger more is told the game is full and
// the machine comes back with its token as the same number.
TEST_F(HostileGuestTest, ACrashedMachinesNumberWaitsForItsToken) {
    int ticks = 0;
    FakeGuest* back = nullptr;
    Play([&] {
        const std::uint64_t token = seated.Token();
        seated.Drop();
        eachTick = [&, token] {
            if (++ticks == 100)
                for (int s = 0; s < MAX_MACHINES - 2; ++s) NewGuest().Connect(network);
            if (ticks == 200) {
                back = &NewGuest();
                back->first = Encoded(Hello(false, token));
                back->Connect(network);
            }
        };
    });
    ASSERT_NE(back, nullptr);
    for (std::size_t s = 2; s + 2 < guests.size(); ++s) EXPECT_GE(guests[s].machine, 3) << s;
    EXPECT_EQ(guests[guests.size() - 2].reason, net::DisconnectReason::GameFull);
    EXPECT_EQ(back->machine, 1) << back->Refusal();
    EXPECT_TRUE(stillHosting);
}

// Esc, then Shift+Y, stamped in the guest's own turn: honest machines keep them, so the host drops
// the guest; the match goes on with the computer in its seat, and no such key reaches the game.
TEST_F(HostileGuestTest, KeysThatWouldAbandonTheMatchDropTheGuestAndTheMatchGoesOn) {
    Play([&] {
        seated.keys = {
            Press(VK_ESCAPE), {}, {{true, VK_SHIFT, false}}, Press('Y'), {{false, VK_SHIFT, false}}};
    });
    EXPECT_TRUE(seated.closed);
    EXPECT_EQ(seated.reason, net::DisconnectReason::Malformed);
    EXPECT_FALSE(promptShown);
    for (const ReplayEvent& e : ReplayRecorded().events)
        EXPECT_TRUE(e.kind > ReplayEvent::KeyRepeat || e.value != VK_ESCAPE) << e.step;
    ExpectTheComputerPlaysOn();
}

// A guest may say only that its own person is away: one speaking for another is dropped, told why
// before its connection closes, and the computer plays its turn; the machine it spoke for stays.
TEST_F(HostileGuestTest, AGuestSayingAnotherIsAwayIsDroppedAndTheMatchGoesOn) {
    Play([&] {
        watcher.Send(net::Presence{2, true});
        seated.Send(net::Presence{2, true});
    });
    EXPECT_TRUE(seated.closed);
    EXPECT_EQ(seated.reason, net::DisconnectReason::Malformed);
    const auto* bye = seated.Find<net::Goodbye>();
    ASSERT_NE(bye, nullptr);
    EXPECT_EQ(bye->reason, "The host dropped this machine (the presence of another)");
    ExpectTheComputerPlaysOn();
}

// With the game's quit prompt up, Shift+Y from another machine abandons nothing, and Y being an
// honest key, the guest stays.
TEST_F(HostileGuestTest, TheQuitPromptsAnswerNeverComesFromAnotherMachine) {
    Play(
        [&] {
            QuitPromptShown = true;
            seated.keys = {{{true, VK_SHIFT, false}}, Press('Y'), {{false, VK_SHIFT, false}}};
        },
        60);
    EXPECT_FALSE(titleAgain) << "the match was abandoned";
    EXPECT_EQ(CurrentMode, Aiming);
    EXPECT_FALSE(seated.closed);
}

// A message whose first frame is good and whose last is out of turn: the host keeps none of it, so
// the last stamp that counts is one the others have, and they never wait for a frame only the host
// heard.
TEST_F(HostileGuestTest, AMessageBadPartWayIsKeptByNoMachine) {
    std::uint32_t sent = 0;
    Play([&] {
        seated.takeOver = [&](std::uint32_t frame) {
            sent = frame;
            seated.Send(net::Input{
                1, {net::FrameInput{frame, Press('Z')}, net::FrameInput{frame + 100000, Press('Z')}}});
            seated.stamping = false;
            return true;
        };
    });
    ASSERT_NE(sent, 0u);
    EXPECT_TRUE(seated.closed);
    EXPECT_LT(watcher.LastInputOf(1), static_cast<std::int64_t>(sent));
    ExpectTheComputerPlaysOn();
}

// A guest that leaves a frame of its turn unstamped, stamps the next and is then dropped: nobody can
// have run past the gap, so what it owned is settled before it, and the host stamps the rest.
TEST_F(HostileGuestTest, AGuestDroppedAfterAGapIsSettledBeforeIt) {
    std::uint32_t skipped = 0;
    Play([&] {
        seated.takeOver = [&](std::uint32_t frame) {
            if (skipped == 0) {
                skipped = frame;
                return true;
            }
            seated.Send(net::Quiet{1, frame, frame});
            seated.Send(net::Quiet{2, frame + 1, frame + 1});
            seated.stamping = false;
            return true;
        };
    });
    ASSERT_NE(skipped, 0u);
    EXPECT_TRUE(seated.closed);
    EXPECT_EQ(watcher.LastInputOf(1), static_cast<std::int64_t>(skipped) - 1);
    ExpectTheComputerPlaysOn();
}

// The seated guest in its own turn, ticks of 100 ms from then on: silent, having said first that its
// person is away, or stamping its quiet frames while its person thinks for half a minute and then
// fires. Returns when the host dropped it, in ms after the turn began, telling it `why`, or -1; a
// guest dropped is dropped within a second of `limit`.
std::int64_t HostileGuestTest::DroppedAfter(bool away, bool thinks, const std::string& why,
                                            std::int64_t limit) {
    std::int64_t turnAt = 0, droppedAt = -1;
    Play(
        [&] {
            tickMs = 100;
            turnAt = network.NowMs();
            if (away) seated.Send(net::Presence{1, true});
            seated.takeOver = [&, thinks](std::uint32_t) {
                if (thinks && network.NowMs() - turnAt >= 30000 && guestShots == 0)
                    seated.keys = {Press(VK_SPACE)};
                return !thinks;
            };
            eachTick = [&] {
                if (seated.closed && droppedAt < 0) droppedAt = network.NowMs() - turnAt;
                guestShots += CurrentMode == ShotInProgress && SeatControllers[1] == ControllerHuman;
            };
        },
        AWAY_HOLD_MS / 100 + 200);
    if (droppedAt < 0) {
        ExpectTheOthersPlayOn();
        return droppedAt;
    }
    EXPECT_GE(droppedAt, limit);
    EXPECT_LE(droppedAt, limit + 1000);
    EXPECT_EQ(seated.reason, net::DisconnectReason::TimedOut);
    EXPECT_EQ(seated.Find<net::Goodbye>() ? seated.Find<net::Goodbye>()->reason : "", why);
    ExpectTheComputerPlaysOn();
    return droppedAt;
}

// A guest silent in its own turn: the host hands its seat to the computer after STALL_LIMIT_MS; one
// that said its person is away is waited for AWAY_HOLD_MS over its turn, and no longer.
TEST_F(HostileGuestTest, AGuestSilentInItsTurnIsDroppedAfterTenSeconds) {
    EXPECT_GE(
        DroppedAfter(false, false, "The host dropped this machine (it was silent too long)", STALL_LIMIT_MS),
        0);
}
TEST_F(HostileGuestTest, AnAwayGuestIsWaitedForItsHoldAndNoLonger) {
    EXPECT_GE(DroppedAfter(true, false, "The host dropped this machine (it was away too long)", AWAY_HOLD_MS),
              0);
}

// A guest that goes on stamping while its person thinks is never dropped, and its person fires.
TEST_F(HostileGuestTest, AGuestThinkingInItsTurnIsNeverDropped) {
    EXPECT_EQ(DroppedAfter(false, true), -1);
    EXPECT_GT(guestShots, 0) << "the guest's person never fired";
}

}  // namespace
