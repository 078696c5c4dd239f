// The waiting room, the room card and the spectators' chat with the real game as host over the
// in-process transport, against guests and spectators played by the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "online/online_start.h"
#include "players/player_collection.h"
#include "pointer/pointer_screen.h"
#include "replay/session.h"
#include "shell/shell.h"
#include "tests/support/netplay_peers.h"

namespace {

class WaitingRoomTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        Host();
        NetSetName("Ann");
    }

    // A guest more, saying its name and kind in its hello.
    FakeGuest& Named(const std::string& name, net::MachineKind kind, bool watch = false) {
        net::Hello hello = ::Hello(watch);
        hello.name = name;
        hello.kind = kind;
        FakeGuest& guest = NewGuest();
        guest.first = Encoded(hello);
        return guest;
    }

    // The last list of people a guest heard from the host.
    static net::People LastPeople(const FakeGuest& guest) {
        net::People last;
        for (const net::Message& m : guest.heard)
            if (const auto* people = std::get_if<net::People>(&m)) last = *people;
        return last;
    }

    void SpectatorsChat(bool heard);
};

// Everyone in the room is listed with what they run the game in and their round trip to the host,
// the spectators apart; the seats filled follow the players' number, and the host's Enter starts: the
// player choice follows, and a machine joining then still takes the game so far and the list.
TEST_F(WaitingRoomTest, ListsWhoIsInAndTheHostStartsForAMachineToJoinLater) {
    Named("Bob", net::MachineKind::Page);
    Named("Spy", net::MachineKind::Page, true);
    Named("Cy", net::MachineKind::Game);
    FakeGuest& late = Named("Dee", net::MachineKind::Game);
    std::vector<std::string> four, three, afterStart;
    RunHost(9, 400, [&](int tick) {
        if (tick < 3) guests[static_cast<std::size_t>(tick)].Connect(network);
        if (tick == 1) ThePlayers->SetNumPlayers(4);
        if (tick == 200) four = NetWaitingRoom();
        if (tick == 201) ThePlayers->SetNumPlayers(3);
        if (tick == 202) three = NetWaitingRoom();
        if (tick == 210) PressKey(VK_RETURN);
        if (tick == 300) late.Connect(network);
        if (tick == 399) afterStart = NetWaitingRoom();
        return true;
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
    const net::People spectators = LastPeople(guests[1]);
    ASSERT_EQ(spectators.people.size(), 5u);
    EXPECT_EQ(spectators.people[1].kind, net::MachineKind::Page);
    EXPECT_EQ(spectators.people[4],
              (net::Person{true, 0, net::MachineKind::Page, spectators.people[4].ping_ms, "Spy"}));
    EXPECT_GT(spectators.people[4].ping_ms, 0);
    EXPECT_NE(late.Find<net::CatchUp>(), nullptr);
    ASSERT_NE(late.Find<net::People>(), nullptr);
    EXPECT_EQ(late.Find<net::People>()->people.size(), 5u);
    for (const FakeGuest& guest : guests) EXPECT_FALSE(guest.closed);
}

// The spectators always hear each other; the players hear them only once the host lets them (its W
// in the waiting room). A spectator that floods is muted, not the room, and everyone who hears it is
// told once; one that names itself is dropped.
void WaitingRoomTest::SpectatorsChat(bool heard) {
    FakeGuest& player = Named("Bob", net::MachineKind::Game);
    FakeGuest& spy = Named("Spy", net::MachineKind::Game, true);
    FakeGuest& eve = Named("Eve", net::MachineKind::Page, true);
    FakeGuest& liar = Named("Max", net::MachineKind::Game, true);
    RunHost(9, 80, [&](int tick) {
        if (tick < 4) guests[static_cast<std::size_t>(tick)].Connect(network);
        if (tick == 10 && heard) PressKey('W');
        if (tick == 30) spy.Send(net::SpectatorChat{"", "hello"});
        if (tick == 40)
            for (int i = 0; i < 20; ++i) eve.Send(net::SpectatorChat{"", "spam " + std::to_string(i)});
        if (tick == 50) liar.Send(net::SpectatorChat{"Spy", "I am Spy"});
        if (tick == 60) spy.Send(net::SpectatorChat{"", "still here"});
        return true;
    });
    const auto lines = [](const FakeGuest& guest) {
        std::vector<std::string> said;
        for (const net::Message& m : guest.heard)
            if (const auto* chat = std::get_if<net::SpectatorChat>(&m))
                said.push_back(chat->name + (chat->muted ? " muted" : ": " + chat->text));
        return said;
    };
    const std::vector<std::string> all = {"Spy: hello",  "Eve: spam 0", "Eve: spam 1", "Eve: spam 2",
                                          "Eve: spam 3", "Eve: spam 4", "Eve muted",   "Spy: still here"};
    EXPECT_EQ(lines(spy), all);
    EXPECT_EQ(lines(eve), all);
    EXPECT_EQ(lines(player), heard ? all : std::vector<std::string>{});
    std::vector<std::string> shown;
    for (const std::string& line : all)
        if (heard && line != "Eve muted") shown.push_back(line.substr(0, 3) + " (watching)" + line.substr(3));
    EXPECT_EQ(NetChat(), shown) << "the host's own";
    EXPECT_FALSE(eve.closed) << "the flooding spectator was dropped, not muted";
    EXPECT_TRUE(liar.closed) << "a spectator that named itself stayed";
    EXPECT_EQ(LastPeople(player).spectators_heard, heard);
}

TEST_F(WaitingRoomTest, SpectatorsChatAmongThemselvesAtFirst) { SpectatorsChat(false); }
TEST_F(WaitingRoomTest, SpectatorsChatToThePlayersOnceTheHostLetsThem) { SpectatorsChat(true); }

// F4 in a network game shows and hides the room card and never reaches the game nor its replay; in
// a match the menu bar's far right is F4 too. The card's lines give the way in for each kind of game:
// an online room's code with the links its starter gave or the page's, a spectator's watch code, a
// host's addresses, a guest's host.
TEST_F(WaitingRoomTest, TheRoomCardGivesTheWayInAndItsKeyStaysOnThisMachine) {
    const std::vector<std::vector<int>> keys = {
        {VK_F4},
        {},
        {VK_F4},
        {},
        {VK_RETURN},
        {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
        {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN},
        {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}};
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
    const OnlineRoom started{"ABCDEFGH", "https://a.b/#room=ABCDEFGH", "https://a.b/#watch=WWWWWWWW"};
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

}  // namespace
