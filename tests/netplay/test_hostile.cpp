// Tests of guests that break the rules on purpose, against the real game as host over the
// in-process transport: a forged state hash, keys that would end the match for everyone, a message
// that goes wrong part-way and stamps with a gap. The host drops the offender and the machines that
// keep the rules play on, never waiting for a frame they cannot get.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "testkit/in_process.h"
#include "tests/support/game_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t PORT = 4100;

// One key pressed: down, then up.
std::vector<net::KeyEvent> Press(std::uint8_t key) { return {{true, key, false}, {false, key, false}}; }

// A joined machine driven by hand. It stamps every frame its machine owns as the host's game makes
// them known: the keys the test queued, one frame's worth each, or quiet; a test may take over a
// frame instead. It keeps what it hears as a guest would (every machine's stamps, the machines gone
// and their last stamps that count), so that a test can ask whether it could run each frame.
class HandGuest {
public:
    // Given an owned frame as it becomes known: true when the test has dealt with it.
    std::function<bool(std::uint32_t frame)> takeOver;
    std::vector<std::vector<net::KeyEvent>> keys;  // for its next owned frames, in order
    bool stamping = true;
    int machine = -1;
    bool closed = false;
    net::DisconnectReason reason = net::DisconnectReason::Closed;
    std::vector<net::Message> heard;

    void Connect(net::InProcessNetwork& network) { end_ = network.Connect(PORT, {}); }

    void Send(const net::Message& message) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(net::EncodeMessage(message, &bytes, &error)) << error;
        if (end_ && !end_->Peers().empty()) end_->Send(end_->Peers().front(), bytes);
    }

    void Poll() {
        net::NetEvent e;
        while (end_ && !closed && end_->Poll(&e, 0)) {
            if (e.kind == net::NetEvent::Connected) {
                Send(net::Hello{net::kProtocolNumber, ReplayGameVersion()});
            } else if (e.kind == net::NetEvent::Disconnected) {
                closed = true;
                reason = e.reason;
            } else {
                net::Message m;
                std::string error;
                if (net::DecodeMessage(e.bytes, &m, &error)) Hear(m);
            }
        }
    }

    // After each of the host's steps: notes the owners of frames newly known and stamps its own.
    void StampOwnFrames() {
        const std::uint32_t known = ReplayFrameSteps() + INPUT_DELAY;
        for (; next_ <= known; ++next_) {
            const int owner = NetFrameOwner(next_);
            if (owner < 0) continue;
            owners_[next_] = owner;
            if (owner != machine || closed || !stamping || (takeOver && takeOver(next_))) continue;
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

    // The first frame after its catch-up and up to `last` that it lacks the stamp for, as it would
    // run them; -1 when it holds them all.
    std::int64_t FirstMissing(std::uint32_t last) const {
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

    // The last stamp that counts of a machine gone, as the host settled it; -1 while it is here.
    std::int64_t LastInputOf(int other) const {
        const auto gone = lastInput_.find(other);
        return gone != lastInput_.end() ? gone->second : -1;
    }

    template <typename T>
    const T* Find() const {
        for (const net::Message& m : heard)
            if (const T* found = std::get_if<T>(&m)) return found;
        return nullptr;
    }

private:
    void Hear(const net::Message& m) {
        heard.push_back(m);
        if (const auto* welcome = std::get_if<net::Welcome>(&m)) machine = welcome->machine;
        if (const auto* piece = std::get_if<net::CatchUp>(&m);
            piece && piece->text.rfind("delivered ", 0) == 0)
            floor_ = std::atoll(piece->text.c_str() + 10);
        if (const auto* input = std::get_if<net::Input>(&m))
            for (const net::FrameInput& f : input->frames) stamps_[input->machine].insert(f.frame);
        if (const auto* quiet = std::get_if<net::Quiet>(&m))
            for (std::uint32_t f = quiet->first; f <= quiet->last; ++f) stamps_[quiet->machine].insert(f);
        if (const auto* news = std::get_if<net::Roster>(&m); news && !news->joined)
            lastInput_[news->machine] = news->last_input;
    }

    std::unique_ptr<net::Transport> end_;
    std::uint32_t next_ = 0;
    std::int64_t floor_ = -1;
    std::map<std::uint32_t, int> owners_;
    std::array<std::set<std::uint32_t>, MAX_MACHINES> stamps_;
    std::map<int, std::uint32_t> lastInput_;
};

// A match of two seats between the host (seat 0) and a hand-driven guest (machine 1, seat 1), with
// a second guest (machine 2) that plays no seat and keeps watch. The host fires in its turns.
class HostileGuestTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        NetResetForTests();
        data_ = fs::temp_directory_path() / ("lobshot-hostile-" + std::to_string(::getpid()));
        fs::remove_all(data_);
        setenv("XDG_DATA_HOME", data_.c_str(), 1);
        std::string error;
        NetConfigure(NetRole::Host, network.Listen(PORT, {}, &error), std::to_string(PORT));
        // The seated guest's shop: "Finish", a key every other frame it owns.
        for (int i = 0; i < 6; ++i) {
            seated.keys.push_back(Press(VK_DOWN));
            seated.keys.push_back({});
        }
        seated.keys.push_back(Press(VK_RETURN));
    }
    void TearDown() override {
        NetResetForTests();
        unsetenv("XDG_DATA_HOME");
        fs::remove_all(data_);
        GameTest::TearDown();
    }

    // Plays from the title until the seated guest's first turn, calls `turn` once the hand-driven
    // guest aims (before the step in which its turn starts), and plays `after` more frame steps,
    // calling eachTick before each. The run ends early if the host's network game ends; at its end
    // the watcher hears the host's last stamps.
    void Play(const std::function<void()>& turn, int after = 300) {
        // The title, seat 1 to Guest 1, "Start Game", and seat 0's "Finish" in the shop.
        const std::vector<int> hostKeys = {VK_RETURN, '2',     VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN, VK_DOWN,
                                           VK_DOWN,   VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
        std::size_t next = 0;
        int left = after;
        std::vector<StepDriver::Step> steps;
        for (int i = 0; i < 3000; ++i)
            steps.push_back([&, i] {
                if (i == 0) seated.Connect(network);
                if (i == 10) watcher.Connect(network);
                network.Advance(5);
                seated.Poll();
                watcher.Poll();
                const bool bothHere = (MachinesPresent & 0b110u) == 0b110u;
                if (bothHere && i % 6 == 0 && NetMine()) {
                    if (next < hostKeys.size())
                        PressKey(hostKeys[next++]);
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
                seated.StampOwnFrames();
                watcher.StampOwnFrames();
                HeadlessTick();
                const bool goOn = NetRoleNow() == NetRole::Host && (!aimed || --left > 0);
                if (!goOn) HearTheLastStamps();
                return goOn;
            });
        ASSERT_EQ(RunGame(17, steps), 0);
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

    // Reports written beside the host's replays.
    int Reports() const {
        int count = 0;
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(data_, ignored))
            count += entry.path().filename().string().rfind("desync-", 0) == 0 ? 1 : 0;
        return count;
    }

    // The host plays on to the end of the run, and the watcher stays and could run every frame the
    // host ran.
    void ExpectTheOthersPlayOn() const {
        EXPECT_TRUE(stillHosting);
        EXPECT_TRUE(NetFailure().empty()) << NetFailure();
        EXPECT_FALSE(titleAgain) << "the match was abandoned";
        EXPECT_FALSE(watcherClosed);
        EXPECT_EQ(watcherMissing, -1) << "the watcher would wait there";
    }

    net::InProcessNetwork network;
    HandGuest seated;
    HandGuest watcher;
    bool aimed = false;
    bool titleAgain = false;  // the host's game went back to the title after the guest's turn began
    bool promptShown = false;
    int shots = 0;  // frame steps of seat 1's shots after its turn began
    std::function<void()> eachTick;
    bool watcherClosed = false;
    bool stillHosting = false;  // at the end of the run
    std::int64_t watcherMissing = -2;
    std::int64_t seatedMissing = -2;
    fs::path data_;
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
    EXPECT_FALSE(NetDesync());
    EXPECT_TRUE(stillHosting);
    EXPECT_TRUE(NetFailure().empty()) << NetFailure();
    EXPECT_FALSE(titleAgain);
    EXPECT_EQ(Reports(), 0);
    EXPECT_FALSE(seated.closed);
    EXPECT_EQ(seated.Find<net::Desync>(), nullptr);
    EXPECT_EQ(seatedMissing, -1) << "the seated guest would wait there";
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
    EXPECT_GT(shots, 0) << "the computer never fired for the seat";
    for (const ReplayEvent& e : ReplayRecorded().events)
        EXPECT_TRUE(e.kind > ReplayEvent::KeyRepeat || e.value != VK_ESCAPE) << e.step;
    ExpectTheOthersPlayOn();
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
    EXPECT_GT(shots, 0) << "the computer never fired for the seat";
    ExpectTheOthersPlayOn();
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
    EXPECT_GT(shots, 0) << "the computer never fired for the seat";
    ExpectTheOthersPlayOn();
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
    EXPECT_GT(shots, 0) << "the computer never fired for the seat";
    ExpectTheOthersPlayOn();
}

}  // namespace
