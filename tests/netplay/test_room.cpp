// The host's door and room. Its bookkeeping of connections waiting to say hello and of addresses that
// leave and rejoin; then the real game as host over the in-process transport, against guests and
// spectators played by the test: connections that keep quiet, flood it, rejoin in a loop or guess its
// code are kept out; names and chat lines reach everyone within the host's bound, typing keeps its
// keys from the game, the waiting room lists who is in, the room card gives the way in, and
// spectators are heard, counted and limited apart from the machines that play.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/admission.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "players/player_collection.h"
#include "pointer/pointer_screen.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "tests/support/netplay_peers.h"

namespace {

using netplay::Admission;
using netplay::HELLO_LIMIT_MS;
using netplay::MAX_WAITING;
using netplay::REJOIN_WINDOW_MS;
using netplay::REJOINS_ALLOWED;

TEST(Admission, WaitingConnectionsArePushedOutOldestFirstAndTimeOutAtTheLimit) {
    static_assert(MAX_WAITING == 8, "the connections below are named for eight waiting");
    Admission door;
    // Room for MAX_WAITING; each one beyond pushes out the one that has waited longest.
    for (net::PeerId p = 1; p <= static_cast<net::PeerId>(MAX_WAITING); ++p)
        EXPECT_EQ(door.Opened(p, 100), 0u);
    EXPECT_EQ(door.Waiting(), MAX_WAITING);
    EXPECT_EQ(door.Opened(50, 200), 1u);
    EXPECT_EQ(door.Opened(51, 300), 2u);
    EXPECT_EQ(door.Waiting(), MAX_WAITING);

    // A hello ends the wait; one that closed is forgotten.
    EXPECT_EQ(door.Hello(3, "10.1.1.1", 400), 0);
    door.KeepOnly({4, 5, 6, 7, 50, 51});
    EXPECT_EQ(door.Waiting(), MAX_WAITING - 2);

    // The time is up at exactly HELLO_LIMIT_MS, for each by its own opening, oldest first.
    EXPECT_TRUE(door.Overdue(100 + HELLO_LIMIT_MS - 1).empty());
    EXPECT_EQ(door.Overdue(100 + HELLO_LIMIT_MS), (std::vector<net::PeerId>{4, 5, 6, 7}));
    EXPECT_TRUE(door.Overdue(200 + HELLO_LIMIT_MS - 1).empty());
    EXPECT_EQ(door.Overdue(300 + HELLO_LIMIT_MS), (std::vector<net::PeerId>{50, 51}));
    EXPECT_EQ(door.Waiting(), 0);
    EXPECT_TRUE(door.Overdue(1000000).empty()) << "each is reported once";
}

TEST(Admission, AnAddressRejoinsAFewTimesAMinuteAndTheOthersAreNotHeldBack) {
    Admission door;
    net::PeerId next = 1;
    // The first join and REJOINS_ALLOWED rejoins, each machine leaving at once.
    for (int join = 0; join <= REJOINS_ALLOWED; ++join) {
        ASSERT_EQ(door.Hello(next, "10.1.1.1", 1000 + join), 0) << join;
        door.Left(next++, 1000 + join);
    }
    // One more: refused until the first departure is a window old.
    EXPECT_EQ(door.Hello(next++, "10.1.1.1", 2000), 1000 + REJOIN_WINDOW_MS - 2000);
    EXPECT_EQ(door.Hello(next++, "10.1.1.1", 1000 + REJOIN_WINDOW_MS - 1), 1);
    // Another address is not held back, nor are machines of one address that stay.
    for (int machine = 0; machine < 7; ++machine) EXPECT_EQ(door.Hello(next++, "10.2.2.2", 2000), 0);
    EXPECT_EQ(door.Hello(next++, "10.2.2.2", 2001), 0);
    // Once the first departure is out of the window, one rejoin more.
    const net::PeerId back = next++;
    EXPECT_EQ(door.Hello(back, "10.1.1.1", 1000 + REJOIN_WINDOW_MS), 0);
    door.Left(back, 1000 + REJOIN_WINDOW_MS);
    EXPECT_GT(door.Hello(next++, "10.1.1.1", 1000 + REJOIN_WINDOW_MS), 0);
}

TEST(Admission, OnlyMachinesThatWereLetInCountAsDepartures) {
    Admission door;
    // Refused connections (closed without their machine leaving) and connections that never said
    // hello leave no departures behind.
    for (net::PeerId p = 1; p <= 20; ++p) {
        door.Opened(p, 0);
        if (p % 2 == 0) {
            EXPECT_EQ(door.Hello(p, "10.1.1.1", 0), 0);
        }
        door.KeepOnly({});
        door.Left(p, 0);
    }
    EXPECT_EQ(door.Hello(100, "10.1.1.1", 0), 0);
    // Machines of one address that all joined and then all left: the wait lasts until enough of
    // their departures are a window old to leave no more than the allowance.
    for (net::PeerId p = 200; p < 207; ++p) ASSERT_EQ(door.Hello(p, "10.3.3.3", 0), 0);
    for (net::PeerId p = 200; p < 207; ++p) door.Left(p, static_cast<std::int64_t>(p - 200) * 10);
    EXPECT_EQ(door.Hello(300, "10.3.3.3", 100), 2 * 10 + REJOIN_WINDOW_MS - 100);
    EXPECT_EQ(door.Hello(301, "10.3.3.3", 2 * 10 + REJOIN_WINDOW_MS), 0);
}

// ---- The real game as host.

// The lines a machine heard, "WHO: TEXT" and "WHO muted": WHO is the machine's number for a
// machine's line, the name for a spectator's.
template <typename Line>
std::vector<std::string> Lines(const FakeGuest& guest) {
    std::vector<std::string> lines;
    for (const Line& chat : guest.All<Line>()) {
        std::string who;
        if constexpr (std::is_same_v<Line, net::Chat>)
            who = std::to_string(chat.machine);
        else
            who = chat.name;
        lines.push_back(who + (chat.muted ? " muted" : ": " + chat.text));
    }
    return lines;
}

// The real game hosts, its person named Ann.
class RoomTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        Host();
        NetSetName("Ann");
    }

    // Runs the host from `seed` for `ticks` ticks, the guests made so far connecting one a tick from
    // the first and `during` called before each tick.
    void Run(std::uint32_t seed, int ticks, const std::function<void(int tick)>& during) {
        const std::size_t callers = guests.size();
        RunHost(seed, ticks, [&](int i) {
            if (i < static_cast<int>(callers)) guests[static_cast<std::size_t>(i)].Connect(network);
            during(i);
            return true;
        });
    }

    // A machine calling at the host from an address (its own unless given); a quiet one never says
    // hello.
    FakeGuest& Call(const std::string& from = "", bool quiet = false) {
        FakeGuest& caller = NewGuest();
        if (quiet) caller.first.clear();
        caller.Connect(network, from);
        return caller;
    }

    // A guest more, saying its name and kind in its hello.
    FakeGuest& Named(const std::string& name, net::MachineKind kind = net::MachineKind::Game,
                     bool watch = false) {
        net::Hello hello = ::Hello(watch);
        hello.name = name;
        hello.kind = kind;
        FakeGuest& guest = NewGuest();
        guest.first = Encoded(hello);
        return guest;
    }

    void SpectatorsChat(bool heard);
};

// A guest that sends 100 lines at once has five passed on and is muted, which everyone hears once;
// the room goes on, and another guest's line and the host's pass after it. Names given in the hellos
// (one of them a spectator's, which names no machine) reach the spectator and the host.
// A guest that speaks for another, or sends a line the game would never write (a control character),
// is dropped. The replay keeps the names and lines.
TEST_F(RoomTest, NamesReachEveryoneAndLinesPassWithinTheHostsBound) {
    NetSetName(
        "\x01"
        "Ann\xE2\x80\xAE");
    Named("Spy", net::MachineKind::Game, true);
    Named("Cy");
    Named("Bob");
    Named("Eve").then = Encoded(net::Chat{1, "not mine"});
    std::vector<std::uint8_t> bell = Encoded(net::Chat{4, "ding"});
    bell[4] = 0x07;
    Named("Dan").then = bell;
    Run(9, 60, [this](int tick) {
        if (tick == 20)
            for (int i = 0; i < 100; ++i) guests[2].Send(net::Chat{2, "flood " + std::to_string(i)});
        if (tick == 30) NetSay("hi  all\xE2\x80\xAE");
        if (tick == 40) guests[1].Send(net::Chat{1, "still here"});
    });

    const std::vector<std::string> shown = {"Bob: flood 0", "Bob: flood 1", "Bob: flood 2",  "Bob: flood 3",
                                            "Bob: flood 4", "Ann: hi all",  "Cy: still here"};
    EXPECT_EQ(NetChat(), shown);
    EXPECT_EQ(NetNames(), (std::vector<std::string>{"Ann", "Cy", "Bob", "Eve", "Dan"}));
    const std::vector<std::string> heard = {"2: flood 0", "2: flood 1", "2: flood 2", "2: flood 3",
                                            "2: flood 4", "2 muted",    "0: hi all",  "1: still here"};
    EXPECT_EQ(Lines<net::Chat>(guests[0]), heard) << "the spectator";
    EXPECT_EQ(Lines<net::Chat>(guests[1]), heard) << "a guest";
    ASSERT_FALSE(guests[0].All<net::Names>().empty());
    EXPECT_EQ(guests[0].All<net::Names>().back().names,
              (std::vector<std::string>{"Ann", "Cy", "Bob", "Eve", "Dan", "", "", ""}));
    EXPECT_FALSE(guests[2].closed) << "the flooding guest was dropped, not muted";
    EXPECT_FALSE(guests[1].closed);
    EXPECT_TRUE(guests[3].closed) << "a guest that spoke for another stayed";
    EXPECT_TRUE(guests[4].closed) << "a guest that sent a bell stayed";

    const ReplayRecord& replay = ReplayRecorded();
    std::vector<std::string> remarks;
    for (const ReplayEvent& e : replay.events)
        if (ReplayEventIsRemark(e))
            remarks.push_back(FormatReplayEvent(e).substr(FormatReplayEvent(e).find(' ') + 1));
    EXPECT_EQ(remarks.size(), 12u);
    EXPECT_EQ(remarks.front(), "name 0 Ann\n");
    EXPECT_NE(std::find(remarks.begin(), remarks.end(), "chat 1 still here\n"), remarks.end());
}

// The chat key starts a line; its letters, Shift, Backspace and Enter never reach the game nor its
// replay, and Esc puts a line away without opening the leave prompt. The log key keeps its key too.
TEST_F(RoomTest, TypingALineKeepsItsKeysFromTheGame) {
    const std::vector<int> keys = {'T', 'H',       VK_BACK, 'N', VK_SPACE,  VK_SHIFT,
                                   'O', VK_RETURN, 'T',     'X', VK_ESCAPE, VK_F3};
    Run(9, 40, [&keys](int tick) {
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

// Everyone in the room is listed with what they run the game in and their round trip to the host,
// the spectators apart; the seats filled follow the players' number, and the host's Enter starts: the
// player choice follows, and a machine joining then still takes the game so far and the list.
TEST_F(RoomTest, ListsWhoIsInAndTheHostStartsForAMachineToJoinLater) {
    Named("Bob", net::MachineKind::Page);
    Named("Spy", net::MachineKind::Page, true);
    Named("Cy", net::MachineKind::Game);
    FakeGuest* late = nullptr;
    std::vector<std::string> four, three, afterStart;
    Run(9, 400, [&](int tick) {
        if (tick == 1) ThePlayers->SetNumPlayers(4);
        if (tick == 200) four = NetWaitingRoom();
        if (tick == 201) ThePlayers->SetNumPlayers(3);
        if (tick == 202) three = NetWaitingRoom();
        if (tick == 210) PressKey(VK_RETURN);
        if (tick == 300) (late = &Named("Dee"))->Connect(network);
        if (tick == 399) afterStart = NetWaitingRoom();
    });

    ASSERT_EQ(four.size(), 7u);
    EXPECT_EQ(four[0], "Waiting room   T: chat   F4: room code");
    EXPECT_EQ(four[1], "Ann              game host");
    EXPECT_EQ(four[2].substr(0, 22), "Bob              page ") << four[2];
    EXPECT_EQ(four[3].substr(0, 22), "Cy               game ") << four[3];
    EXPECT_EQ(four[2].substr(four[2].size() - 3), " ms") << "no round trip measured";
    EXPECT_EQ(four[4], "Watching, unheard (W): Spy");
    EXPECT_EQ(four[5], "3 of 4 seats have a player");
    EXPECT_EQ(four[6], "Enter, pad A or a tap starts");
    EXPECT_EQ(three[5], "Every seat has a player");
    EXPECT_EQ(CurrentMode, PlayerChoice);
    EXPECT_TRUE(afterStart.empty()) << "the waiting room stayed up after the start";

    // Everyone heard the host's list; the late machine with the game so far.
    ASSERT_FALSE(guests[1].All<net::People>().empty());
    const net::People spectators = guests[1].All<net::People>().back();
    ASSERT_EQ(spectators.people.size(), 5u);
    EXPECT_EQ(spectators.people[1].kind, net::MachineKind::Page);
    EXPECT_EQ(spectators.people[4],
              (net::Person{true, 0, net::MachineKind::Page, spectators.people[4].ping_ms, "Spy"}));
    EXPECT_GT(spectators.people[4].ping_ms, 0);
    EXPECT_NE(late->Find<net::CatchUp>(), nullptr);
    ASSERT_NE(late->Find<net::People>(), nullptr);
    EXPECT_EQ(late->Find<net::People>()->people.size(), 5u);
    for (const FakeGuest& guest : guests) EXPECT_FALSE(guest.closed);
}

// The spectators always hear each other; the players hear them only once the host lets them (its W
// in the waiting room). A spectator that floods is muted, not the room, and everyone who hears it is
// told once; one that names itself is dropped.
void RoomTest::SpectatorsChat(bool heard) {
    FakeGuest& player = Named("Bob");
    FakeGuest& spy = Named("Spy", net::MachineKind::Game, true);
    FakeGuest& eve = Named("Eve", net::MachineKind::Page, true);
    FakeGuest& liar = Named("Max", net::MachineKind::Game, true);
    Run(9, 80, [&](int tick) {
        if (tick == 10 && heard) PressKey('W');
        if (tick == 30) spy.Send(net::SpectatorChat{"", "hello"});
        if (tick == 40)
            for (int i = 0; i < 20; ++i) eve.Send(net::SpectatorChat{"", "spam " + std::to_string(i)});
        if (tick == 50) liar.Send(net::SpectatorChat{"Spy", "I am Spy"});
        if (tick == 60) spy.Send(net::SpectatorChat{"", "still here"});
    });
    const std::vector<std::string> all = {"Spy: hello",  "Eve: spam 0", "Eve: spam 1", "Eve: spam 2",
                                          "Eve: spam 3", "Eve: spam 4", "Eve muted",   "Spy: still here"};
    EXPECT_EQ(Lines<net::SpectatorChat>(spy), all);
    EXPECT_EQ(Lines<net::SpectatorChat>(eve), all);
    EXPECT_EQ(Lines<net::SpectatorChat>(player), heard ? all : std::vector<std::string>{});
    std::vector<std::string> shown;
    for (const std::string& line : all)
        if (heard && line != "Eve muted") shown.push_back(line.substr(0, 3) + " (watching)" + line.substr(3));
    EXPECT_EQ(NetChat(), shown) << "the host's own";
    EXPECT_FALSE(eve.closed) << "the flooding spectator was dropped, not muted";
    EXPECT_TRUE(liar.closed) << "a spectator that named itself stayed";
    ASSERT_FALSE(player.All<net::People>().empty());
    EXPECT_EQ(player.All<net::People>().back().spectators_heard, heard);
}

TEST_F(RoomTest, SpectatorsChatAmongThemselvesAtFirst) { SpectatorsChat(false); }
TEST_F(RoomTest, SpectatorsChatToThePlayersOnceTheHostLetsThem) { SpectatorsChat(true); }

// F4 in a network game shows and hides the room card and never reaches the game nor its replay; in
// a match the menu bar's far right is F4 too. The card's lines give the way in for each kind of game:
// an online room's code with the links its starter gave or the page's, a spectator's watch code, a
// host's addresses, a guest's host.
TEST_F(RoomTest, TheRoomCardGivesTheWayInAndItsKeyStaysOnThisMachine) {
    // F4 twice, then the title, "Start Game" and both seats' "Finish" in the shop.
    const std::vector<int> start = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    const std::vector<std::vector<int>> keys = {{VK_F4}, {}, {VK_F4}, {}, {VK_RETURN}, start, finish, finish};
    std::vector<bool> shown;
    RunHost(9, 100, [&](int tick) {
        if (tick % 10 == 5 && tick / 10 < static_cast<int>(keys.size()))
            for (int key : keys[static_cast<std::size_t>(tick / 10)]) PressKey(key);
        if (tick == 10 || tick == 30) shown.push_back(ShellRoomCardShown());
        return true;
    });
    EXPECT_EQ(shown, (std::vector<bool>{true, false}));
    ASSERT_EQ(CurrentMode, Aiming);
    const PointerScreen& screen = PointerScreenShown();
    ASSERT_EQ(screen.barZoneCount, 6);
    EXPECT_EQ(screen.barZones[5].key, VK_F4);
    EXPECT_EQ(screen.barZones[4].right, screen.barZones[5].left) << "the weapon's box keeps the rest";
    for (const ReplayEvent& e : ReplayRecorded().events)
        EXPECT_NE(e.value, static_cast<std::uint32_t>(VK_F4));

    const std::string hide = "F4, pad L3 or the same tap hides this";
    const OnlineRoom started{"ABCDEFGH", "https://a.b/#room=ABCDEFGH", "https://a.b/#watch=WWWWWWWW",
                             "WWWWWWWW"};
    const struct {
        NetWayIn way;
        OnlineRoom online;
        std::vector<std::string> lines;
    } kCases[] = {
        {{NetRole::Host, "ABCDEFGH", "WWWWWWWW", "", "", "relay", 0, {}},
         started,
         {"Room code: ABCDEFGH", "Watch code: WWWWWWWW", "Join: https://a.b/#room=ABCDEFGH",
          "Watch: https://a.b/#watch=WWWWWWWW", hide}},
        {{NetRole::Host, "ABCDEFGH", "WWWWWWWW", "", "https://p.q/", "relay", 0, {}},
         {},
         {"Room code: ABCDEFGH", "Watch code: WWWWWWWW", "Join: https://p.q/#room=ABCDEFGH",
          "Watch: https://p.q/#watch=WWWWWWWW", hide}},
        // A guest knows no watch code, so it can pass on only the way in to play.
        {{NetRole::Join, "ZZZZZZZZ", "", "", "https://p.q/", "room ZZZZZZZZ", 0, {}},
         started,
         {"Room code: ZZZZZZZZ", "Join: https://p.q/#room=ZZZZZZZZ", hide}},
        {{NetRole::Watch, "ZZZZZZZZ", "", "", "", "room ZZZZZZZZ", 0, {}},
         {},
         {"Watch code: ZZZZZZZZ", hide}},
        {{NetRole::Host, "", "", "", "", "26510", 26510, {"10.0.0.2", "192.168.1.5"}},
         {},
         {"Hosting on port 26510", "Join: 10.0.0.2:26510", "Join: 192.168.1.5:26510", hide}},
        {{NetRole::Host, "", "", "K7QX2M9P", "", "26510", 26510, {"10.0.0.2"}},
         {},
         {"Hosting on port 26510, code K7QX2M9P", "Join: 10.0.0.2:26510", hide}},
        {{NetRole::Join, "", "", "", "", "10.0.0.2:26510", 0, {}}, {}, {"The host: 10.0.0.2:26510", hide}},
        {{NetRole::Local, "", "", "", "", "", 0, {}}, started, {}},
    };
    for (const auto& c : kCases) EXPECT_EQ(ShellRoomCardLines(c.way, c.online), c.lines) << c.way.where;
}

// Spectators have places of their own: with 64 watching, the 65th is refused, naming the limit,
// while machines joining to play still get their numbers; one that leaves makes room again. Among
// them, spectators that press keys (the Enter that would leave the title, as any machine's own stamp),
// claim other games at every frame and say quiet frames far ahead are neither dropped nor heard: the
// game stays at the title and hears no news of them. One stops reading altogether: the host never
// waits for it.
TEST_F(RoomTest, SpectatorsAreIgnoredAndLimitedApartFromTheSevenMachines) {
    guests.resize(73);
    const auto watcher = [&](std::size_t w) -> FakeGuest& { return guests[w]; };
    const auto player = [&](std::size_t g) -> FakeGuest& { return guests[66 + g]; };
    for (std::size_t w = 0; w < 66; ++w) watcher(w).first = Encoded(Hello(true));
    for (std::uint32_t f = 5; f < 200; f += 5) {
        watcher(1).later.push_back(Encoded(
            net::Input{0, {net::FrameInput{f, {{true, VK_RETURN, false}, {false, VK_RETURN, false}}}}}));
        watcher(1).later.push_back(
            Encoded(net::Input{1, {net::FrameInput{f + 1, {{true, VK_RETURN, false}}}}}));
        watcher(2).later.push_back(Encoded(net::StateHash{f, 12345}));
    }
    watcher(2).later.push_back(Encoded(net::Quiet{0, 100, 500000}));
    int machines = 0, watching = 0, watchingBefore = 0;
    RunHost(6, 300, [&](int i) {
        // Two connections a step, a guest every tenth, until all but the last spectator are in.
        const auto at = static_cast<std::size_t>(i);
        if (i < 33) {
            watcher(2 * at).Connect(network);
            if (2 * i + 1 < 65) watcher(2 * at + 1).Connect(network);
        }
        if (i % 10 == 5 && i / 10 < 7) player(at / 10).Connect(network);
        // The third reads nothing once it is in: its messages pile up unread.
        if (i == 20) watcher(3).paused = true;
        if (i == 100) {
            watchingBefore = NetWatchers();
            watcher(0).Send(net::Goodbye{"A spectator left"});
        }
        if (i == 110) watcher(65).Connect(network);
        machines = NetMachinesConnected();
        watching = NetWatchers();
        return true;
    });

    EXPECT_EQ(watchingBefore, 64);
    EXPECT_EQ(watching, 64) << "the one that left was not replaced";
    EXPECT_EQ(machines, 8);
    int refused = 0;
    for (std::size_t w = 0; w < 66; ++w) {
        if (watcher(w).Refusal().empty()) continue;
        ++refused;
        EXPECT_NE(watcher(w).Refusal().find("64"), std::string::npos) << watcher(w).Refusal();
        EXPECT_EQ(watcher(w).reason, net::DisconnectReason::GameFull);
    }
    EXPECT_EQ(refused, 1);
    EXPECT_FALSE(watcher(64).Refusal().empty()) << "the 65th was taken";
    EXPECT_NE(watcher(65).Find<net::Welcome>(), nullptr) << "no room after one left";
    for (std::size_t g = 0; g < 7; ++g) EXPECT_EQ(player(g).machine, static_cast<int>(g + 1));

    EXPECT_GE(FrameCounter, 290) << "the host waited for a spectator";
    EXPECT_EQ(CurrentMode, Title) << "a spectator's Enter reached the game";
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Joined), 7);
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Left), 0);
    for (std::size_t w = 1; w <= 3; ++w) {
        EXPECT_FALSE(watcher(w).closed) << "a spectator was dropped";
        ASSERT_NE(watcher(w).Find<net::Welcome>(), nullptr);
        EXPECT_EQ(*watcher(w).Find<net::Welcome>(), (net::Welcome{0, 0, true}));
        EXPECT_NE(watcher(w).Find<net::CatchUp>(), nullptr);
    }
    // The ones reading hear the host's stamps as they come, and nothing of each other's.
    for (std::size_t w : {1, 2}) {
        EXPECT_GE(watcher(w).FramesOf(0), 250u) << w;
        EXPECT_EQ(watcher(w).Count<net::Input>(), 0) << w;
    }
}

// Seven connections that never say a word (two of them vanish) neither fill the game nor stay past
// the time allowed for a hello; a real machine joins meanwhile.
TEST_F(RoomTest, SilentConnectionsNeitherFillTheGameNorStay) {
    std::vector<FakeGuest*> silent;
    FakeGuest* real = nullptr;
    int machines = 0;
    Run(21, 800, [&](int i) {
        if (i == 0)
            for (int c = 0; c < 7; ++c) silent.push_back(&Call("", true));
        if (i == 2)
            for (int c = 5; c < 7; ++c) silent[static_cast<std::size_t>(c)]->Drop();
        if (i == 20) real = &Call();
        machines = NetMachinesConnected();
    });
    ASSERT_NE(real, nullptr);
    EXPECT_GE(real->welcomedAt, 0) << real->Refusal() << " " << net::DescribeReason(real->reason);
    EXPECT_LT(real->closedAt, 0);
    EXPECT_EQ(machines, 2);
    for (int c = 0; c < 5; ++c) {
        const FakeGuest& quiet = *silent[static_cast<std::size_t>(c)];
        ASSERT_GE(quiet.closedAt, 0) << c;
        EXPECT_EQ(quiet.reason, net::DisconnectReason::Silent) << c;
        EXPECT_NE(quiet.Refusal().find("nothing was heard"), std::string::npos) << quiet.Refusal();
        EXPECT_GE(quiet.closedAt - quiet.connectedAt, netplay::HELLO_LIMIT_MS) << c;
        EXPECT_LT(quiet.closedAt - quiet.connectedAt, netplay::HELLO_LIMIT_MS + 100) << c;
    }
}

// Connections opened and abandoned without a word, three every frame, some lingering and some
// vanishing: a real machine is welcomed within a second all the same, and stays.
TEST_F(RoomTest, AFloodOfAbandonedConnectionsCannotKeepARealMachineOut) {
    std::vector<FakeGuest*> lingering, vanishing;
    FakeGuest* real = nullptr;
    std::int64_t calledAt = 0;
    Run(21, 400, [&](int i) {
        for (FakeGuest* flood : vanishing)
            if (flood->connectedAt >= 0) flood->Drop();
        std::erase_if(vanishing, [](const FakeGuest* flood) { return flood->connectedAt >= 0; });
        lingering.push_back(&Call("", true));
        vanishing.push_back(&Call("", true));
        vanishing.push_back(&Call("", true));
        if (i == 100) {
            real = &Call();
            calledAt = network.NowMs();
        }
    });
    ASSERT_NE(real, nullptr);
    ASSERT_GE(real->welcomedAt, 0) << real->Refusal() << " " << net::DescribeReason(real->reason);
    EXPECT_LT(real->welcomedAt - calledAt, 1000);
    EXPECT_LT(real->closedAt, 0);
    // The lingering ones were pushed out by those after them, and told why.
    const FakeGuest& first = *lingering.front();
    EXPECT_EQ(first.reason, net::DisconnectReason::Busy);
    EXPECT_NE(first.Refusal().find("too many"), std::string::npos) << first.Refusal();
}

// From one address: a machine joins and crashes, strangers join and leave five times, and the
// machine joins again with its token at once; then it leaves and rejoins with its token in a loop,
// and is refused once it has rejoined the times allowed, with nothing in the replay for the
// refusals. The rejoins count by token, so the strangers cost the machine nothing.
TEST_F(RoomTest, RejoinsCountPerMachineNotPerAddress) {
    constexpr std::size_t kStrangers = 5, kCalls = 1 + kStrangers + netplay::REJOINS_ALLOWED + 1;
    std::vector<FakeGuest*> calls;
    std::uint64_t token = 0;
    int idle = 0;
    Run(21, 2000, [&](int) {
        // The machine crashes once welcomed; each call after it comes 10 frames after the last ended.
        if (calls.size() == 1 && calls[0]->welcomedAt >= 0 && token == 0) {
            token = calls[0]->Token();
            calls[0]->Drop();
        }
        const bool ended = calls.empty() || calls.back()->closedAt >= 0 || (calls.size() == 1 && token != 0);
        if (!ended || ++idle < 10 || calls.size() >= kCalls) return;
        idle = 0;
        FakeGuest& caller = NewGuest();
        caller.passing = !calls.empty();
        if (calls.size() > kStrangers) caller.first = Encoded(Hello(false, token));
        caller.Connect(network, "192.168.7.7");
        calls.push_back(&caller);
    });
    ASSERT_EQ(calls.size(), kCalls);
    const FakeGuest& back = *calls[kStrangers + 1];
    ASSERT_GE(back.welcomedAt, 0) << back.Refusal();
    EXPECT_EQ(back.machine, 1);
    EXPECT_LT(back.welcomedAt - back.connectedAt, 100);
    for (std::size_t c = 0; c + 1 < kCalls; ++c) EXPECT_GE(calls[c]->welcomedAt, 0) << c;
    const FakeGuest& refused = *calls.back();
    EXPECT_EQ(refused.reason, net::DisconnectReason::TooManyRejoins);
    EXPECT_NE(refused.Refusal().find("rejoined too often: try again in "), std::string::npos)
        << refused.Refusal();
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Joined), static_cast<long>(kCalls - 1));
}

// A host asking for a join code takes only machines and spectators that give it; an address that
// guessed wrong too often is refused even the right code for a while, and another is not.
TEST_F(RoomTest, AJoinCodeIsAskedOfEveryJoiner) {
    struct Case {
        net::Hello hello;
        const char* refusal;
        const char* from = "";
    };
    const net::Hello wrong = Hello(false, 0, "ABCDEFGJ"), right = Hello(false, 0, "ABCDEFGH");
    const std::vector<Case> cases = {
        {Hello(), "asks for its join code"},
        {wrong, "not this game's join code"},
        {Hello(true, 0, "ABCDEFGJ"), "not this game's join code"},
        {right, ""},
        {Hello(true, 0, "ABCDEFGH"), ""},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {wrong, "not this game's join code", "10.9.9.9"},
        {right, "too many wrong codes from this address: try again in 60 seconds", "10.9.9.9"},
        {right, "", "10.9.9.8"},
    };
    Run(21, 50, [&](int i) {
        if (i == 0) NetSetJoinCode("ABCDEFGH");
        // One a frame, in order.
        if (i < 1 || i > static_cast<int>(cases.size())) return;
        const Case& c = cases[static_cast<std::size_t>(i - 1)];
        FakeGuest& caller = NewGuest();
        caller.first = Encoded(c.hello);
        caller.Connect(network, c.from);
    });
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const FakeGuest& caller = guests[c];
        if (*cases[c].refusal == '\0') {
            EXPECT_GE(caller.welcomedAt, 0) << c << " " << caller.Refusal();
            continue;
        }
        EXPECT_EQ(caller.reason, net::DisconnectReason::WrongCode) << c;
        EXPECT_NE(caller.Refusal().find(cases[c].refusal), std::string::npos) << caller.Refusal();
    }
}

}  // namespace
