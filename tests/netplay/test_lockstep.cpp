// Tests of network play inside one process: the real game as host over the in-process transport,
// against machines that break the rules and one that keeps them; keys and quiet frames reaching the
// others; seats passed between machines, and the player choice naming them. (The computer taking over
// a departed person's turn half played: test_hostile.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/globals.h"
#include "net/messages.h"
#include "netplay/lockstep.h"
#include "players/player_collection.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "shell/fast_forward.h"
#include "shell/shell.h"
#include "tests/support/match_fixture.h"
#include "tests/support/netplay_peers.h"

namespace {

class NetplayTest : public NetTest {};

TEST_F(NetplayTest, TheHostTurnsAwayStrangersDropsRuleBreakersAndPlaysOnWithTheRest) {
    Host();
    guests.resize(7);
    guests[0].first = Encoded(net::Hello{net::kProtocolNumber, "0.0-other"});
    guests[1].first = {0xEE, 1, 2, 3};
    guests[2].then = Encoded(net::Input{5, {net::FrameInput{40, {{true, 32, false}}}}});
    guests[3].then = Encoded(net::Quiet{2, 500000, 500000});
    // After the well-behaved guest, quiet frames of their own: a range far too long, and one going
    // back over frames already run.
    guests[5].then = Encoded(net::Quiet{4, 1, 9999});
    guests[6].then = Encoded(net::Quiet{5, 1, 2});

    int connected = 0;
    RunHost(3, 400, [&](int i) {
        connected = NetMachinesConnected();
        // The strangers come one after another, the well-behaved guest fifth.
        if (i % 20 == 0 && i / 20 < 7) guests[static_cast<std::size_t>(i / 20)].Connect(network);
        return true;
    });

    // Another version: refused, naming both, and let go.
    const auto* refusal = guests[0].Find<net::Refuse>();
    ASSERT_NE(refusal, nullptr);
    EXPECT_NE(refusal->reason.find("0.0-other"), std::string::npos) << refusal->reason;
    EXPECT_NE(refusal->reason.find(ReplayGameVersion()), std::string::npos) << refusal->reason;
    EXPECT_TRUE(guests[0].closed);
    EXPECT_EQ(guests[0].reason, net::DisconnectReason::VersionDiffers);
    EXPECT_EQ(guests[0].Find<net::Welcome>(), nullptr);
    // Nonsense, keys of another machine, and quiet frames far ahead, too long or gone: each closed as
    // malformed.
    for (int g : {1, 2, 3, 5, 6}) {
        EXPECT_TRUE(guests[static_cast<std::size_t>(g)].closed) << g;
        EXPECT_EQ(guests[static_cast<std::size_t>(g)].reason, net::DisconnectReason::Malformed) << g;
    }
    EXPECT_NE(guests[2].Find<net::Welcome>(), nullptr);
    // The well-behaved guest got the game so far, hears the host's frames, and stays.
    FakeGuest& kept = guests[4];
    EXPECT_FALSE(kept.closed);
    ASSERT_NE(kept.Find<net::Welcome>(), nullptr);
    // The machines turned away leave their numbers free; the two dropped had numbers 1 and 2, and a
    // number never given comes before theirs.
    EXPECT_EQ(kept.Find<net::Welcome>()->machine, 3);
    EXPECT_EQ(guests[2].Find<net::Welcome>()->machine, 1);
    ASSERT_NE(kept.Find<net::CatchUp>(), nullptr);
    EXPECT_EQ(kept.Find<net::CatchUp>()->text.rfind("delivered ", 0), 0u);
    EXPECT_NE(kept.Find<net::Quiet>(), nullptr);
    EXPECT_GE(FrameCounter, 300) << "the host stalled";
    EXPECT_EQ(connected, 2);
    // The game knows of the guests that came and went, and its replay keeps them.
    EXPECT_EQ(MachinesPresent & 1u, 1u);
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Joined), 5);
    EXPECT_EQ(ReplayEventsOf(ReplayEvent::Left), 4);
}

// The host's numbers and tokens: a machine offering its number's token gets that number back (the
// old connection, still open, is closed) and its person's seat with it; any other gets a number never
// given while there is one, and then the number of a machine that left, which is said to leave for
// good first, so that the stranger gets none of its seats. A machine that said its person is away
// and then lost its connection (a page frozen by its browser) keeps its place: the game never hears
// it leave, and coming back with its token it is the same machine. The others hear it away and back.
TEST_F(NetplayTest, AMachineOfferingItsTokenGetsItsNumberAndSeatBackAndAStrangerDoesNot) {
    Host();
    // Guests 0 to 5 take numbers 1 to 6; guest 6 comes back as 1 with guest 0's token while guest
    // 0's connection is open; guest 7, a stranger, takes 7, the last number never given; guests 4
    // (away) and 5 leave, and guest 8, a stranger with a token of its own making, gets 5's number;
    // guest 9 comes back as 4 with its token and stamps at once.
    guests.resize(10);
    guests[8].first = Encoded(Hello(false, 12345));
    guests[4].then = Encoded(net::Presence{5, true});
    guests[9].then = Encoded(net::Quiet{5, 1000, 1000});
    // Guest 0 reports a turn's start the host has not reached; coming back, it reports it again.
    guests[0].then = guests[6].then = Encoded(net::StateHash{100000, 77});
    const auto token = [&](int g) { return guests[static_cast<std::size_t>(g)].Token(); };
    const auto number = [&](int g) { return guests[static_cast<std::size_t>(g)].machine; };
    RunHost(3, 200, [&](int i) {
        if (i < 60 && i % 10 == 0) guests[static_cast<std::size_t>(i / 10)].Connect(network);
        if (i == 62) {
            // Seats 1 and 2 are Guest 1's and Guest 6's people.
            SeatMachines[0] = 1;
            SeatMachines[1] = 6;
            guests[6].first = Encoded(Hello(false, token(0)));
            guests[6].Connect(network);
        }
        if (i == 80) guests[7].Connect(network);
        if (i == 100) guests[4].Drop();
        if (i == 100) guests[5].Drop();
        if (i == 150) guests[8].Connect(network);
        if (i == 170) {
            guests[9].first = Encoded(Hello(false, token(4)));
            guests[9].Connect(network);
        }
        if (i == 100) network.Advance(6000);
        return true;
    });
    for (int g = 0; g < 6; ++g) {
        EXPECT_EQ(number(g), g + 1) << g;
        EXPECT_NE(token(g), 0u) << g;
        for (int other = 0; other < g; ++other) EXPECT_NE(token(g), token(other)) << g;
    }
    EXPECT_EQ(number(6), 1) << "the token's number";
    EXPECT_EQ(token(6), token(0));
    EXPECT_TRUE(guests[0].closed) << "the old connection stays open";
    EXPECT_FALSE(guests[6].closed) << "dropped for reporting a turn's start its old connection reported";
    EXPECT_EQ(number(7), 7) << "a stranger took a number given before";
    EXPECT_EQ(number(8), 6) << "the stranger was not given the number that left";
    EXPECT_NE(token(8), token(5));
    EXPECT_EQ(number(9), 5) << "the away machine's number";
    EXPECT_NE(guests[9].Find<net::CatchUp>(), nullptr);
    EXPECT_FALSE(guests[9].closed);
    EXPECT_EQ(guests[1].All<net::Presence>(), (std::vector<net::Presence>{{5, true}, {5, false}}));

    // The game heard Guest 1 leave and join again at once, its person playing seat 1 again; and
    // Guest 6 leave, then leave for good before the stranger joined: seat 2 stays the computer's.
    EXPECT_EQ(SeatControllers[0], ControllerHuman);
    EXPECT_EQ(SeatMachines[0], 1);
    EXPECT_EQ(SeatControllers[1], ControllerNormal);
    EXPECT_EQ(SeatsAwayFrom[1], -1);
    EXPECT_EQ(MachinesPresent, 0xFFu);
    std::vector<ReplayEvent> news;
    for (const ReplayEvent& e : ReplayRecorded().events)
        if (e.kind == ReplayEvent::Joined || e.kind == ReplayEvent::Left) news.push_back(e);
    ASSERT_EQ(news.size(), 12u);
    const std::pair<ReplayEvent::Kind, std::uint32_t> tail[] = {
        {ReplayEvent::Left, 1}, {ReplayEvent::Joined, 1}, {ReplayEvent::Joined, 7},
        {ReplayEvent::Left, 6}, {ReplayEvent::Left, 6},   {ReplayEvent::Joined, 6}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(news[6 + i].kind, tail[i].first) << i;
        EXPECT_EQ(news[6 + i].value, tail[i].second) << i;
    }
    EXPECT_EQ(news[6].step, news[7].step) << "Guest 1 was away for frames";
}

// Esc is this machine's own: it offers to leave, any other key puts the offer away, and Shift+Y or a
// pad's Y leaves (the host's leaving ends the game for its guests). No key of the prompt reaches the
// game or the other machines; a pad's Y with no offer up is one of the game's keys.
TEST_F(NetplayTest, EscOffersToLeaveAndShiftYOrAPadsYLeaves) {
    for (const bool pad : {false, true}) {
        SCOPED_TRACE(pad ? "a pad's Y" : "Shift+Y");
        TearDown();
        SetUp();
        Host();
        FakeGuest& guest = NewGuest();
        NetRole during = NetRole::Local;
        RunHost(13, 120, [&](int i) {
            if (i == 0) guest.Connect(network);
            if (i == 24) PressKey(VK_GAMEPAD_Y);
            if (i == 30 || i == 42) PressKey(VK_ESCAPE);
            if (i == 36) PressKey('N');
            if (i == 47) during = NetRoleNow();
            if (i == 48 && pad) PressKey(VK_GAMEPAD_Y);
            if (i == 48 && !pad) {
                PostKey(WM_KEYDOWN, VK_SHIFT);
                PostKey(WM_KEYDOWN, 'Y');
            }
            return true;
        });
        EXPECT_EQ(during, NetRole::Host) << "the first Esc or N left the game";
        EXPECT_EQ(NetRoleNow(), NetRole::Local);
        EXPECT_TRUE(NetFailure().empty()) << "leaving is no failure: " << NetFailure();
        EXPECT_EQ(CurrentMode, Title);
        ASSERT_NE(guest.Find<net::Goodbye>(), nullptr);
        EXPECT_EQ(guest.Find<net::Goodbye>()->reason, "The host left the game");
        const auto promptKey = [](unsigned key) {
            return key == VK_ESCAPE || key == 'N' || key == 'Y' || key == VK_GAMEPAD_Y;
        };
        std::vector<unsigned> sent, played;
        for (const auto& [frame, keys] : guest.KeysOf(0))
            for (const net::KeyEvent& k : keys)
                if (k.down && promptKey(k.key)) sent.push_back(k.key);
        for (const ReplayEvent& e : ReplayRecorded().events)
            if (e.kind == ReplayEvent::KeyDown && promptKey(e.value)) played.push_back(e.value);
        EXPECT_EQ(sent, std::vector<unsigned>{VK_GAMEPAD_Y});
        EXPECT_EQ(played, std::vector<unsigned>{VK_GAMEPAD_Y});
    }
}

// Keys by the hundred in one tick of the host's own moment: a hundred presses (seventy Left, thirty
// Up) go in one frame, and 150 Right go on in the next frame when one frame holds no more. Every key
// reaches the other machines in order, in the frames it went into the host's game. The quiet frames
// after them travel folded, in a quarter as many messages or fewer, and a key after them at once.
TEST_F(NetplayTest, KeysReachTheOtherMachinesInOrderAtOnceAndQuietFramesFolded) {
    Host();
    tickMs = 20;
    FakeGuest& guest = NewGuest();
    std::vector<net::KeyEvent> pressed;
    int quiet = 0, inputs = 0;
    std::size_t frames = 0;
    bool keyOnTime = false;
    RunHost(5, 140, [&](int i) {
        if (i == 0) guest.Connect(network);
        if (i == 40) std::tie(quiet, frames) = std::pair(guest.Count<net::Quiet>(), guest.FramesOf(0));
        if (i == 120) inputs = guest.Count<net::Input>();
        if (i == 122) keyOnTime = guest.Count<net::Input>() == inputs + 1;
        for (int k = 0; (i == 20 && k < 100) || (i == 30 && k < 150) || (i == 120 && k < 1); ++k) {
            const std::uint8_t key = i == 30 ? VK_RIGHT : k < 70 ? VK_LEFT : VK_UP;
            PressKey(key);
            for (const net::KeyEvent& e : Press(key)) pressed.push_back(e);
        }
        return true;
    });
    EXPECT_TRUE(keyOnTime) << "the key waited";
    const std::size_t folded = guest.FramesOf(0) - frames;
    EXPECT_GE(folded, 90u);
    EXPECT_LE(4 * static_cast<std::size_t>(guest.Count<net::Quiet>() - quiet), folded);
    EXPECT_EQ(guest.FirstMissing(guest.KeysOf(0).rbegin()->first), -1);
    std::vector<std::pair<std::uint32_t, net::KeyEvent>> heard, played;
    for (const auto& [frame, keys] : guest.KeysOf(0))
        for (const net::KeyEvent& k : keys) heard.emplace_back(frame, k);
    for (const ReplayEvent& e : ReplayRecorded().events)
        if (e.kind <= ReplayEvent::KeyUp)
            played.emplace_back(e.step, net::KeyEvent{e.kind == ReplayEvent::KeyDown,
                                                      static_cast<std::uint8_t>(e.value), false});
    EXPECT_EQ(heard, played);
    ASSERT_EQ(heard.size(), pressed.size());
    for (std::size_t k = 0; k < pressed.size(); ++k) EXPECT_EQ(heard[k].second, pressed[k]) << k;
    EXPECT_EQ(heard[199].first, heard.front().first) << "the hundred presses went in more than one frame";
    EXPECT_EQ(heard[499].first, heard[200].first + 1) << "the 150 presses did not go on in the next frame";
}

// Machines joining under way at every kind of moment (the player choice, the shop, aiming, a shot
// in flight, the end of the match), players and spectators in turn, over a link that loses, repeats,
// reorders and delays its datagrams, while two computers play: each is given the game so far as the
// host ran it, through the frame it says it delivered, and holds every stamp the host runs after it,
// so that it plays on in the host's game.
TEST_F(NetplayTest, MachinesJoiningUnderWayGetTheGameSoFarAndEveryStampAfter) {
    network.SetFaults({0.10, 0.05, 0.10, 200});
    Host();
    // The title, both seats to the Expert computer, and "Start Game".
    const std::vector<int> keys = {VK_RETURN, '1', '1', '1',     '1',     '1',     '2',      '2',
                                   '2',       '2', '2', VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    const GameMode moments[] = {PlayerChoice, WeaponShop, Aiming, ShotInProgress, EndOfMatch};
    std::size_t next = 0, joined = 0;
    int ended = 0;
    std::vector<std::int64_t> missing;
    RunHost(11, 40000, [&](int i) {
        if (i > 10 && i % 6 == 0 && next < keys.size()) PressKey(keys[next++]);
        if (joined < std::size(moments) && next > 11 && CurrentMode == moments[joined]) {
            FakeGuest& joiner = NewGuest();
            joiner.first = Encoded(Hello(joined++ % 2 == 1));
            joiner.stamping = true;
            joiner.Connect(network);
        }
        if (CurrentMode != EndOfMatch || ++ended < 200) return true;
        // The host's last stamps reach the joiners, each asked which frame the host ran that it could not.
        NetPoll(1);
        network.Advance(1000);
        for (FakeGuest& joiner : guests) {
            joiner.Poll();
            missing.push_back(joiner.closed ? -2 : joiner.FirstMissing(ReplayFrameSteps() - 1));
        }
        return false;
    });
    ASSERT_EQ(missing.size(), std::size(moments)) << "a moment never came";
    const ReplayRecord& game = ReplayRecorded();
    for (std::size_t j = 0; j < guests.size(); ++j) {
        SCOPED_TRACE(GameModeName(moments[j]));
        EXPECT_EQ(missing[j], -1) << "the joiner left (-2) or would wait there";
        std::string text;
        for (const net::CatchUp& piece : guests[j].All<net::CatchUp>()) text += piece.text;
        const std::size_t head = text.find('\n');
        ASSERT_EQ(text.rfind("delivered ", 0), 0u) << text.substr(0, 40);
        ReplayRecord soFar;
        std::string error;
        ASSERT_TRUE(ParseReplay(text.substr(head + 1), &soFar, &error)) << error;
        EXPECT_EQ(soFar.steps, std::stoul(text.substr(10, head - 10)) + 1);
        ASSERT_LE(soFar.events.size(), game.events.size());
        EXPECT_TRUE(std::equal(soFar.events.begin(), soFar.events.end(), game.events.begin()));
    }
}

// A host fallen behind a guest: the guest stamps its first moment (its turn in the shop) AHEAD
// frames beyond the host at once, then one stamp a tick as at an even pace. At the window's pace the
// host runs up to ten steps a tick, showing only the last, until it is level; then one a tick again.
// A script's ticks come as fast as it asks for them: one step each, behind or not.
TEST_F(NetplayTest, AMachineFallenBehindCatchesUpAFewStepsATickShowingOnlyTheLast) {
    constexpr std::int64_t AHEAD = 200;
    for (const bool paced : {true, false}) {
        SCOPED_TRACE(paced ? "at the window's pace" : "a script's ticks");
        TearDown();
        SetUp();
        Host();
        NetTicksPaced(paced);
        FakeGuest& guest = NewGuest();
        guest.Connect(network);
        // For each tick from the first stamp on: the steps run, the frames shown, and how far the
        // guest's stamps reach beyond the host's steps.
        std::vector<std::uint32_t> steps;
        std::vector<int> shown;
        std::vector<std::int64_t> lag;
        std::size_t next = 0;
        std::int64_t stamped = -1;  // the guest's last stamp
        std::uint32_t stepsBefore = 0;
        int shownBefore = 0;
        const auto stamp = [&](std::int64_t first, std::int64_t last) {
            guest.Send(net::Quiet{1, static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)});
            stamped = last;
        };
        RunHost(17, 400, [&](int i) {
            if (stamped >= 0) {
                steps.push_back(ReplayFrameSteps() - stepsBefore);
                shown.push_back(HeadlessLastFrame().presents - shownBefore);
                lag.push_back(stamped - static_cast<std::int64_t>(ReplayFrameSteps()));
                stamp(stamped + 1, stamped + 1);
            } else if (CurrentMode == WeaponShop && ShopPlayer == 1) {
                // The guest's moment starts with the frame whose owner the last step found.
                stamp(ReplayFrameSteps() + INPUT_DELAY, ReplayFrameSteps() + INPUT_DELAY + AHEAD);
            }
            stepsBefore = ReplayFrameSteps();
            shownBefore = HeadlessLastFrame().presents;
            const bool guestPresent = (MachinesPresent & 2u) != 0;
            if (i > 10 && i % 6 == 0 && next < TO_GUEST_SHOP.size() && (next != 1 || guestPresent))
                PressKey(TO_GUEST_SHOP[next++]);
            return true;
        });
        EXPECT_EQ(CurrentMode, WeaponShop);
        EXPECT_FALSE(guest.closed);
        ASSERT_GE(steps.size(), 150u) << "the guest's moment never came";
        if (!paced) {
            for (std::size_t t = 0; t < steps.size(); ++t) EXPECT_EQ(steps[t], 1u) << "tick " << t;
            EXPECT_GT(lag.back(), AHEAD);
            continue;
        }
        EXPECT_EQ(*std::max_element(steps.begin(), steps.end()), 10u);
        for (std::size_t t = 0; t < shown.size(); ++t) EXPECT_EQ(shown[t], 1) << "tick " << t;
        EXPECT_GT(lag.front(), AHEAD);
        EXPECT_LE(lag[30], 12) << "still behind after 30 ticks";
        for (std::size_t t = 40; t < steps.size(); ++t) {
            EXPECT_EQ(steps[t], 1u) << "tick " << t;
            EXPECT_LE(lag[t], 12) << "tick " << t;
        }
    }
}

// Fast-forward: the host's person (-1) and two guests (0, 1) take the key and let it go in turn, and
// the second guest leaves (3); five ticks after each, the match runs fast only if all hold, and the
// host, owning the title, runs its own frames fast with it. Each guest hears each change.
TEST_F(NetplayTest, TheHostRunsAMatchFastOnlyWhileEveryMachineHoldsTheFastKey) {
    Host();
    guests.resize(2);
    const struct {
        int who;
        bool held, fast;
    } turns[] = {{-1, true, false},  {0, true, false}, {1, true, true},   {0, false, false}, {0, true, true},
                 {-1, false, false}, {-1, true, true}, {1, false, false}, {3, false, true}};
    RunHost(3, 10 * static_cast<int>(std::size(turns)) + 10, [&](int i) {
        if (i == 0)
            for (FakeGuest& g : guests) g.Connect(network);
        if (i < 10) return true;
        const auto& t = turns[i / 10 - 1];
        if (i % 10 == 0 && t.who < 0) PostKey(t.held ? WM_KEYDOWN : WM_KEYUP, FAST_KEY);
        if (i % 10 == 0 && t.who >= 0)
            guests[static_cast<std::size_t>(t.who % 2)].Send(t.who == 3 ? net::Message{net::Goodbye{""}}
                                                                        : net::FastForward{t.held});
        EXPECT_TRUE(i % 10 != 5 || (NetFastPace() == t.fast && NetRunsFast() == t.fast)) << "tick " << i;
        return true;
    });
    EXPECT_EQ(guests[0].Count<net::FastForward>(), 7);
}

// A guest says when its person holds the fast key or lets go, and goes by the host's pace.
TEST_F(NetplayTest, AGuestSaysWhetherItsPersonHoldsTheFastKeyAndGoesByTheHostsPace) {
    FakeHost host(network);
    host.Open(50, [] {});
    std::vector<StepDriver::Step> steps = Ticks(10);
    for (const bool held : {true, false}) {
        steps.push_back(Do([&host, held] {
            PostKey(held ? WM_KEYDOWN : WM_KEYUP, FAST_KEY);
            host.Send(net::FastForward{held});
        }));
        for (const StepDriver::Step& s : Ticks(5)) steps.push_back(s);
        steps.push_back(Do([held] { EXPECT_EQ(NetFastPace(), held); }));
    }
    ASSERT_EQ(RunGame(3, steps), 0);
    host.Listen();
    EXPECT_EQ(
        std::count_if(host.Heard().begin(), host.Heard().end(),
                      [](const net::Message& m) { return std::holds_alternative<net::FastForward>(m); }),
        2);
}

// A machine is in its room while its network game goes on, and in none once it is over or reset. A
// joining machine with nobody to answer it goes on at its own keyboard, saying why.
TEST_F(NetplayTest, TheRoomIsKeptOnlyWhileTheNetworkGameGoesOn) {
    std::string error;
    NetConfigure(NetRole::Host, network.Listen(4002, {}, &error), "127.0.0.1:1883", "ABCDEFGH");
    EXPECT_EQ(NetRoom(), "ABCDEFGH");
    NetResetForTests();
    EXPECT_EQ(NetRoom(), "");
    NetConfigure(NetRole::Join, nullptr, "room ABCDEFGH", "ABCDEFGH");
    EXPECT_EQ(NetRoom(), "");
    net::TransportOptions quick;
    quick.timeout_ms = 200;
    NetConfigure(NetRole::Join, network.Connect(4003, quick), "room ABCDEFGH", "ABCDEFGH");
    EXPECT_EQ(NetRoom(), "ABCDEFGH");
    ASSERT_EQ(RunGame(5, Ticks(20)), 0);
    EXPECT_NE(NetFailure().find("Could not join room ABCDEFGH"), std::string::npos) << NetFailure();
    EXPECT_EQ(NetRoom(), "");
    EXPECT_EQ(NetRoleNow(), NetRole::Local);
    EXPECT_EQ(HeadlessTickCount(), 20u);
    EXPECT_EQ(CurrentMode, Title);
}

class SeatsTest : public MatchTest {};

TEST_F(SeatsTest, KeysOneToEightCycleThroughTheMachinesPresentThenTheComputer) {
    InitPlayerChoice(ThePlayers);
    const auto cycle = [] {
        std::vector<std::string> labels;
        for (int i = 0; i < 6; ++i) {
            EXPECT_TRUE(PlayerChoiceCycleController(1));
            labels.push_back(SeatLabel(1));
        }
        return labels;
    };
    // At one keyboard: a person (no label) and the five levels.
    EXPECT_EQ(SeatLabel(1), "");
    EXPECT_EQ(cycle(), (std::vector<std::string>{"Beginner", "Easy", "Normal", "Hard", "Expert", ""}));
    // The host and the machines that joined (1 and 3 here; 2 has gone), then the levels.
    SeatControllers[1] = ControllerHuman;
    MachinesPresent = 0b1011;
    EXPECT_EQ(SeatLabel(1), "Host");
    EXPECT_EQ(cycle(),
              (std::vector<std::string>{"Guest 1", "Guest 3", "Beginner", "Easy", "Normal", "Hard"}));
    EXPECT_TRUE(PlayerChoiceCycleController(1));
    EXPECT_EQ(SeatLabel(1), "Expert");
    EXPECT_TRUE(PlayerChoiceCycleController(1));
    EXPECT_EQ(SeatLabel(1), "Host");
    EXPECT_EQ(SeatMachines[1], 0);
    EXPECT_FALSE(PlayerChoiceCycleController(5)) << "only seats taking part change";
}

}  // namespace
