// Names and chat with the real game as host over the in-process transport, against guests and a
// spectator played by the test: names reach everyone and are shown, lines pass to all within the
// host's bound, lines that break the rules cost their machine its place, typing keeps its keys from
// the game, and the replay keeps both.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "snapshot/state_snapshot.h"
#include "tests/support/netplay_peers.h"

namespace {

// The chat lines a machine heard, "MACHINE: TEXT", and "MACHINE muted".
std::vector<std::string> Lines(const FakeGuest& guest) {
    std::vector<std::string> lines;
    for (const net::Message& m : guest.heard)
        if (const auto* chat = std::get_if<net::Chat>(&m))
            lines.push_back(std::to_string(chat->machine) + (chat->muted ? " muted" : ": " + chat->text));
    return lines;
}

class ChatTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        Host();
        NetSetName(
            "\x01"
            "Ann\xE2\x80\xAE");
    }

    // Runs the host at the title for `ticks` ticks, a guest connecting each tick from the first and
    // `during` called before each tick.
    void Run(int ticks, const std::function<void(int tick)>& during) {
        RunHost(9, ticks, [this, during](int i) {
            if (i < static_cast<int>(guests.size())) guests[static_cast<std::size_t>(i)].Connect(network);
            during(i);
            return true;
        });
    }

    // A guest more, saying its name in its hello.
    FakeGuest& Named(const std::string& name, bool watch = false) {
        net::Hello hello = ::Hello(watch);
        hello.name = name;
        FakeGuest& guest = NewGuest();
        guest.first = Encoded(hello);
        return guest;
    }
};

// A guest that sends 100 lines at once has five passed on and is muted, which everyone hears once;
// the room goes on, and another guest's line and the host's pass after it. Names given in the hellos
// (one of them a spectator's, which names no machine) reach the spectator and the host's snapshot.
// A guest that speaks for another, or sends a line the game would never write (a control character),
// is dropped. The replay keeps the names and lines, and reads back as it was written.
TEST_F(ChatTest, NamesReachEveryoneAndLinesPassWithinTheHostsBound) {
    Named("Spy", true);
    Named("Cy");
    Named("Bob");
    Named("Eve").then = Encoded(net::Chat{1, "not mine"});
    std::vector<std::uint8_t> bell = Encoded(net::Chat{4, "ding"});
    bell[4] = 0x07;
    Named("Dan").then = bell;
    std::string snapshot;
    Run(60, [this, &snapshot](int tick) {
        if (tick == 20)
            for (int i = 0; i < 100; ++i) guests[2].Send(net::Chat{2, "flood " + std::to_string(i)});
        if (tick == 59) snapshot = StateSnapshotJson();
        if (tick == 30) NetSay("hi  all\xE2\x80\xAE");
        if (tick == 40) guests[1].Send(net::Chat{1, "still here"});
    });

    const std::vector<std::string> shown = {"Bob: flood 0", "Bob: flood 1", "Bob: flood 2",  "Bob: flood 3",
                                            "Bob: flood 4", "Ann: hi all",  "Cy: still here"};
    EXPECT_EQ(NetChat(), shown);
    EXPECT_EQ(NetNames(), (std::vector<std::string>{"Ann", "Cy", "Bob", "Eve", "Dan"}));
    const std::vector<std::string> heard = {"2: flood 0", "2: flood 1", "2: flood 2", "2: flood 3",
                                            "2: flood 4", "2 muted",    "0: hi all",  "1: still here"};
    EXPECT_EQ(Lines(guests[0]), heard) << "the spectator";
    EXPECT_EQ(Lines(guests[1]), heard) << "a guest";
    const auto names =
        std::find_if(guests[0].heard.rbegin(), guests[0].heard.rend(),
                     [](const net::Message& m) { return std::holds_alternative<net::Names>(m); });
    ASSERT_NE(names, guests[0].heard.rend());
    EXPECT_EQ(std::get<net::Names>(*names).names,
              (std::vector<std::string>{"Ann", "Cy", "Bob", "Eve", "Dan", "", "", ""}));
    EXPECT_FALSE(guests[2].closed) << "the flooding guest was dropped, not muted";
    EXPECT_FALSE(guests[1].closed);
    EXPECT_TRUE(guests[3].closed) << "a guest that spoke for another stayed";
    EXPECT_TRUE(guests[4].closed) << "a guest that sent a bell stayed";
    EXPECT_NE(snapshot.find(R"("names": ["Ann", "Cy", "Bob", "Eve", "Dan"], "chat": ["Bob: flood 0")"),
              std::string::npos)
        << snapshot;

    const ReplayRecord& replay = ReplayRecorded();
    std::vector<std::string> remarks;
    for (const ReplayEvent& e : replay.events)
        if (ReplayEventIsRemark(e))
            remarks.push_back(FormatReplayEvent(e).substr(FormatReplayEvent(e).find(' ') + 1));
    EXPECT_EQ(remarks.size(), 12u);
    EXPECT_EQ(remarks.front(), "name 0 Ann\n");
    EXPECT_NE(std::find(remarks.begin(), remarks.end(), "chat 1 still here\n"), remarks.end());
    ReplayRecord back;
    std::string error;
    ASSERT_TRUE(ParseReplay(FormatReplay(replay), &back, &error)) << error;
    EXPECT_EQ(back, replay);
}

// The chat key starts a line; its letters, Shift, Backspace and Enter never reach the game nor its
// replay, and Esc puts a line away without opening the leave prompt. The log key keeps its key too.
TEST_F(ChatTest, TypingALineKeepsItsKeysFromTheGame) {
    const std::vector<int> keys = {'T', 'H',       VK_BACK, 'N', VK_SPACE,  VK_SHIFT,
                                   'O', VK_RETURN, 'T',     'X', VK_ESCAPE, VK_F3};
    Run(40, [&keys](int tick) {
        if (tick >= 5 && tick < 5 + static_cast<int>(keys.size())) {
            const int key = keys[static_cast<std::size_t>(tick - 5)];
            if (key == VK_SHIFT)
                PostKey(WM_KEYDOWN, VK_SHIFT);
            else
                PressKey(key);
            if (key == 'O') PostKey(WM_KEYUP, VK_SHIFT);
        }
    });
    EXPECT_EQ(NetChat(), (std::vector<std::string>{"Ann: n O"}));
    for (const ReplayEvent& e : ReplayRecorded().events)
        EXPECT_FALSE(e.kind == ReplayEvent::KeyDown || e.kind == ReplayEvent::KeyUp) << FormatReplayEvent(e);
    EXPECT_EQ(CurrentMode, Title);
    int top = 0, bottom = 0;
    EXPECT_FALSE(NetLeavePromptYesRows(&top, &bottom)) << "Esc opened the leave prompt";
}

}  // namespace
