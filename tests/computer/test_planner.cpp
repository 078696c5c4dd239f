// Tests of a computer player's turn: Expert hits what it can reach, every level picks a living
// opponent and a weapon in stock, nobody aims at itself, the thinking leaves the game alone and
// ends in bounded slices, the lower levels bracket the way a person would, a missed shot is not
// fired again from the same place, a computer boxed in fires a checked, least harmful shot (with a
// weapon that has no blast when it has one), out of a stalemate every level finds the narrow way to
// a tank on a ledge, what hit is tried again, and out of reach behind a crest the crest is dug.
#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "computer/situation.h"
#include "core/random.h"
#include "core/rules.h"
#include "tests/computer/computer_fixture.h"

namespace {

// Turns a computer out of a stalemate is given to reach a target that its ordinary search misses.
constexpr int STALEMATE_TEST_TURNS = 8;

constexpr Controller LEVELS[] = {ControllerBeginner, ControllerEasy, ControllerNormal, ControllerHard,
                                 ControllerExpert};

// Over a hill and a rock wall, in a cross wind, Expert hits the target within three shells,
// bracketing from where each landed, and never its own tank, whichever side it shoots from.
TEST_F(ComputerTest, ExpertHitsAReachableTargetOverAWall) {
    Hills(220, 50, 400, 270);
    Wall(300, 310, 100);
    Stand(0, 110);
    Stand(1, 520);
    const std::vector<std::int32_t> terrain = Materials();
    for (int wind : {-7, 0, 6}) {
        for (int shooter : {0, 1}) {
            BrainResetForTests();
            landscape->wind = wind;
            Heal();
            ComputerRandom random;
            random.Seed(42);
            TurnPlanner planner;
            for (int shot = 0; shot < 3 && players->players[1 - shooter].armour == 100; ++shot) {
                Plan(planner, shooter, ControllerExpert, random);
                const ShotDecision& d = planner.Decision();
                EXPECT_EQ(d.target, 1 - shooter);
                EXPECT_EQ(d.weapon, 0);
                const RealShot real = Fire(shooter, d.angle, d.power, d.weapon);
                NoteShotLanded(shooter, d.target, real.lastX, real.lastY);
                RestoreMaterials(terrain);
            }
            EXPECT_LT(players->players[1 - shooter].armour, 100) << "wind " << wind << " shooter " << shooter;
            EXPECT_EQ(players->players[shooter].armour, 100) << "wind " << wind << " shooter " << shooter;
        }
    }
}

// Thinking, and predicting any weapon's flight, draw nothing from the game's generator and change
// neither the terrain nor any player, at every level, with specials in stock.
TEST_F(ComputerTest, ThinkingAndPredictingLeaveTheGameAlone) {
    Hills(200, 40, 300, 260);
    Stand(0, 120).stock = {-1, 2, 2, 2, 2, 2};
    Stand(1, 470, 15);
    Stand(2, 520);
    landscape->wind = -3;
    const std::vector<std::int32_t> terrain = Materials();
    const std::uint32_t state = game::RandState();
    const auto before = players->players;
    for (Controller level : LEVELS) Decide(0, level, 7);
    FlightSim sim;
    sim.Capture(landscape.get(), players, shots->gravity);
    for (std::int32_t weapon = 0; weapon < WEAPON_COUNT; ++weapon) {
        for (std::int32_t angle = 0; angle <= MAX_ANGLE; angle += 15) sim.Shot(0, angle, 70, weapon);
    }
    EXPECT_EQ(game::RandState(), state);
    EXPECT_EQ(Materials(), terrain);
    auto pose = [](const Player& p) {
        return std::tuple(p.x, p.y, p.angle, p.power, p.weapon, p.stock, p.armour, p.alive);
    };
    for (int i = 0; i < MAX_PLAYERS; ++i) EXPECT_EQ(pose(players->players[i]), pose(before[i])) << i;
    EXPECT_EQ(Flying().size(), 0u);
}

// Four seats: one destroyed, one out of the game. Whatever the draws, the target is a standing
// opponent and the weapon one the shooter has: Shells and Lava only. Normal and Hard go for the
// opponent a shell can finish off.
TEST_F(ComputerTest, ChoicesAreLivingOpponentsAndWeaponsInStock) {
    Hills(200, 30, 350, 260);
    Stand(0, 100).stock = {-1, 0, 0, 0, 1, 0};
    Stand(1, 250).alive = false;
    Stand(2, 400);
    Stand(3, 550).inGame = false;
    Stand(4, 600, 10);
    for (Controller level : LEVELS) {
        for (std::uint32_t seed = 1; seed <= 12; ++seed) {
            const ShotDecision d = Decide(0, level, seed);
            EXPECT_TRUE(d.target == 2 || d.target == 4) << level << " " << seed << " " << d.target;
            const bool finisher = level == ControllerNormal || level == ControllerHard;
            EXPECT_TRUE(!finisher || d.target == 4) << level << " " << seed;
            EXPECT_TRUE(d.weapon == WeaponShell || d.weapon == WeaponLava)
                << level << " " << seed << " " << d.weapon;
            EXPECT_GE(d.angle, 0);
            EXPECT_LE(d.angle, MAX_ANGLE);
            EXPECT_GE(d.power, 0);
            EXPECT_LE(d.power, MAX_POWER);
        }
    }
}

// The target stands close under a steep hill: a careless shot would come back down on the shooter.
// No level's real shot, with any weapon it may choose, costs the shooter armour.
TEST_F(ComputerTest, NoLevelHitsItself) {
    Hills(220, 20, 600, 270);
    Wall(140, 170, 60);
    Stand(0, 120).stock = {-1, 3, 3, 3, 3, 3};
    Stand(1, 200);
    const std::vector<std::int32_t> terrain = Materials();
    for (Controller level : LEVELS) {
        for (std::uint32_t seed = 1; seed <= 8; ++seed) {
            BrainResetForTests();
            Heal();
            const ShotDecision d = Decide(0, level, seed);
            Fire(0, d.angle, d.power, d.weapon);
            // Let a lava stream or falling earth finish what it does.
            for (int t = 0; t < 2000 && Tick(); ++t) {
            }
            RestoreMaterials(terrain);
            players->players[0].y = landscape->SurfaceY(120);
            EXPECT_EQ(players->players[0].armour, 100)
                << "level " << level << " seed " << seed << " angle " << d.angle << " power " << d.power
                << " weapon " << d.weapon;
        }
    }
}

// On the largest landscape with eight tanks, Expert decides within the slices it is allowed.
TEST_F(ComputerTest, ThinkingEndsWithinItsSlices) {
    MakeLandscape(MAX_LANDSCAPE_WIDTH, MAX_LANDSCAPE_HEIGHT);
    TheLandscape = landscape.get();
    TheProjectiles = shots.get();
    Hills(350, 120, 700, 480);
    for (int i = 0; i < MAX_PLAYERS; ++i) Stand(i, 80 + 140 * i, 30 + 10 * i);
    landscape->wind = 9;
    ComputerRandom random;
    random.Seed(11);
    TurnPlanner planner;
    planner.Begin(3, ControllerExpert, &random);
    int slices = 0;
    bool ready = false;
    while (!ready && slices < 100) {
        ready = planner.Think();
        ++slices;
    }
    EXPECT_TRUE(ready);
    EXPECT_LE(slices, TurnPlanner::THINK_SLICES);
    // A slice stops within one flight of its share of samples.
    EXPECT_GT(planner.MostSliceSamples(), TurnPlanner::THINK_SLICE_SAMPLES / 2);
    EXPECT_LE(planner.MostSliceSamples(), TurnPlanner::THINK_SLICE_SAMPLES + 6000);
    EXPECT_TRUE(planner.Think());
    EXPECT_EQ(planner.Slices(), slices);
    EXPECT_NE(planner.Decision().target, -1);
    EXPECT_NE(planner.Decision().target, 3);
}

// Two opponents side by side far away: Expert spends its A-Bomb on both, and the real blast hurts
// both and not the shooter. Hard, in the same place with the same stock, also takes the A-Bomb.
TEST_F(ComputerTest, AnABombForTwoTanksTogether) {
    Hills(200, 20, 700, 260);
    Stand(0, 80).stock = {-1, 0, 0, 0, 0, 1};
    Stand(1, 480);
    Stand(2, 530);
    const std::vector<std::int32_t> terrain = Materials();
    const ShotDecision d = Decide(0, ControllerExpert, 9);
    EXPECT_EQ(d.weapon, WeaponABomb);
    Fire(0, d.angle, d.power, d.weapon);
    EXPECT_LT(players->players[1].armour, 100);
    EXPECT_LT(players->players[2].armour, 100);
    EXPECT_EQ(players->players[0].armour, 100);
    EXPECT_EQ(players->players[0].stock[WeaponABomb], 0);
    RestoreMaterials(terrain);
    Heal();
    Stand(1, 480);
    Stand(2, 530);
    players->players[0].stock[WeaponABomb] = 1;
    EXPECT_EQ(Decide(0, ControllerHard, 9).weapon, WeaponABomb);
}

// The target sits under a thick rock roof no shell blast gets through: Expert bores in with an
// Earth Mover when it has one, and fires a shell (never an empty weapon) when it has not.
TEST_F(ComputerTest, AnEarthMoverForATargetUnderARoof) {
    Hills(220, 10, 900, 280);
    Stand(0, 100);
    Stand(1, 450);
    Block(400, 500, 150, 190);
    Block(400, 403, 150, 280);
    Block(497, 500, 150, 280);
    players->players[0].stock = {-1, 0, 0, 2, 0, 0};
    const ShotDecision bore = Decide(0, ControllerExpert, 4);
    EXPECT_EQ(bore.weapon, WeaponEarthMover);
    EXPECT_EQ(bore.target, 1);
    players->players[0].stock = {-1, 0, 0, 0, 0, 0};
    EXPECT_EQ(Decide(0, ControllerExpert, 4).weapon, WeaponShell);
}

// Digging when nothing reaches: the ground to wear down is the wall between where the nearest shell
// came down and the target, not the floor it came down on; with no wall in between, or the line
// never out of the ground, it is where the shell came down.
TEST_F(ComputerTest, TheGroundToDigIsTheWallBeforeTheTarget) {
    const struct {
        int wallLeft;  // an Earth wall from row 100 to the floor, 10 columns wide; 0 for none
        int stopY;     // where the shell came down in column 300
        int column;    // the column expected, -1 for anywhere in the wall
    } cases[] = {{350, 219, -1}, {0, 219, 300}, {350, 240, 300}};
    for (const auto& c : cases) {
        Hills(220, 0, 900, 280);
        if (c.wallLeft > 0) Block(c.wallLeft, c.wallLeft + 10, 100, 220, Earth);
        TankBox them;
        them.x = 450;
        them.y = 219;
        int column = 300, row = c.stopY;
        FirstWallTowards(*landscape, them, &column, &row);
        if (c.column >= 0) {
            EXPECT_EQ(column, c.column) << c.wallLeft << " " << c.stopY;
            EXPECT_EQ(row, c.stopY);
        } else {
            EXPECT_GE(column, c.wallLeft);
            EXPECT_LT(column, c.wallLeft + 10);
            EXPECT_LT(row, 220) << "on the wall above the floor";
        }
    }
}

// A person's correction: the levels that aim by eye fire again at the same angle with more power
// after a shot noted short of the target and less after one beyond it (but for the odd correction
// that would hurt the shooter, where the search's shot is taken); Hard brackets with its aim point;
// Expert's first shot errs by no more than a couple of tank widths.
TEST_F(ComputerTest, TheLowerLevelsCorrectFromWhereTheLastShotLanded) {
    Hills(220, 10, 900, 270);
    Stand(0, 100);
    Stand(1, 450);
    for (Controller level : {ControllerBeginner, ControllerEasy, ControllerNormal, ControllerHard}) {
        int wrong = 0;
        for (int beyond : {-150, 150}) {
            for (std::uint32_t seed = 1; seed <= 5; ++seed) {
                BrainResetForTests();
                ComputerRandom random;
                random.Seed(seed);
                TurnPlanner planner;
                Plan(planner, 0, level, random);
                const ShotMemory first = RememberedShot(0);
                ASSERT_EQ(first.target, 1);
                NoteShotLanded(0, 1, 450 + beyond, 200);
                Plan(planner, 0, level, random);
                const ShotMemory& second = RememberedShot(0);
                EXPECT_EQ(second.shots, 2) << level;
                if (level == ControllerHard) {
                    wrong += second.meantOffset * static_cast<float>(beyond) >= 0.0f;
                } else {
                    wrong += second.angle != first.angle || (second.power - first.power) * beyond >= 0;
                }
            }
        }
        EXPECT_LE(wrong, 1) << "level " << level;
    }
    BrainResetForTests();
    ComputerRandom random;
    TurnPlanner planner;
    Plan(planner, 0, ControllerExpert, random);
    EXPECT_LE(std::abs(RememberedShot(0).meantOffset), 25.0f);
    // A note about another target, or after the memory is forgotten, is ignored.
    NoteShotLanded(0, 2, 10, 10);
    EXPECT_FALSE(RememberedShot(0).landed);
    ForgetShots();
    EXPECT_EQ(RememberedShot(0).target, -1);
}

// A shot that hurt nobody is not fired again from the same place in the same ground and wind; once
// the ground changes it may be.
TEST_F(ComputerTest, AMissedShotIsNotRepeated) {
    Hills(220, 10, 900, 270);
    Stand(0, 100);
    Stand(1, 450);
    for (Controller level : LEVELS) {
        BrainResetForTests();
        ComputerRandom random;
        random.Seed(8);
        TurnPlanner planner;
        std::vector<std::array<std::int32_t, 3>> fired;
        for (int turn = 0; turn < 6; ++turn) {
            Plan(planner, 0, level, random);
            const ShotDecision& d = planner.Decision();
            const std::array<std::int32_t, 3> shot{d.angle, d.power, d.weapon};
            EXPECT_EQ(std::count(fired.begin(), fired.end(), shot), 0) << level << " turn " << turn;
            fired.push_back(shot);
            NoteShotOutcome(0, false);
        }
    }
}

// A shot's key follows what decides where it goes: a crater where it comes down, another wind or the
// shooter moved changes it; a crater in ground the flight passes high over, or beyond the target,
// does not. Predicting in a wind of one's choosing is predicting in that wind.
TEST_F(ComputerTest, AShotsKeyChangesWithWhatTheShotMeetsOnly) {
    Hills(220, 10, 900, 270);
    Stand(0, 100);
    Stand(1, 500);
    FlightSim sim;
    auto key = [&] {
        sim.Capture(landscape.get(), players, GRAVITY);
        return ShotKey(sim, 0, 115, 35, WeaponShell);
    };
    const std::uint32_t first = key();
    const FlightResult flight = sim.Shot(0, 115, 35, WeaponShell);
    ASSERT_EQ(flight.end, FlightEnd::Ground);
    const int landX = static_cast<int>(flight.x), landY = static_cast<int>(flight.y);
    ASSERT_GT(landX, 200);
    ASSERT_LT(landX, 440);

    const int under = (100 + landX) / 2;
    landscape->Hole(under, landscape->SurfaceY(under) + 20, 20, false, 1.0f);
    landscape->Hole(700, landscape->SurfaceY(700), 20, false, 1.0f);
    EXPECT_EQ(key(), first) << "craters the flight never meets";

    landscape->wind = 4;
    const std::uint32_t windy = key();
    EXPECT_NE(windy, first);
    landscape->wind = 0;
    sim.Capture(landscape.get(), players, GRAVITY);
    sim.SetWind(4);
    EXPECT_EQ(ShotKey(sim, 0, 115, 35, WeaponShell), windy);

    Stand(0, 104);
    EXPECT_NE(key(), first) << "the shooter moved";
    Stand(0, 100);
    ASSERT_EQ(key(), first);
    landscape->Hole(landX, landY, 12, false, 1.0f);
    EXPECT_NE(key(), first) << "a crater where it came down";
}

// Deep in a narrow rock well with the target far off, every shot comes down close: whatever the
// level, the shot fired is one that was predicted (never a shot nobody checked), and it does not
// destroy the shooter. Under a low roof and beside a wall on the target's side, with the only way
// out on the other side (no angle of the level's fan), every level finds that way and is not hurt.
TEST_F(ComputerTest, BoxedInTheLeastHarmfulCheckedShot) {
    struct Box {
        std::vector<std::array<int, 4>> blocks;  // rock: left, right, top, bottom
        bool untouched;
    };
    const Box boxes[] = {
        {{{84, 88, 60, 280}, {113, 117, 60, 280}, {84, 97, 40, 60}, {104, 117, 40, 60}}, false},
        {{{108, 112, 196, 280}, {88, 112, 196, 200}}, true},
        {{{108, 112, 198, 280}, {56, 112, 198, 202}, {56, 60, 198, 280}}, true},
    };
    for (const Box& box : boxes) {
        Hills(220, 10, 900, 280);
        Stand(0, 100);
        Stand(1, 600);
        for (const auto& b : box.blocks) Block(b[0], b[1], b[2], b[3]);
        const std::vector<std::int32_t> terrain = Materials();
        for (Controller level : LEVELS) {
            for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                BrainResetForTests();
                Heal();
                const ShotDecision d = Decide(0, level, seed);
                Fire(0, d.angle, d.power, d.weapon);
                RestoreMaterials(terrain);
                EXPECT_GT(players->players[0].armour, box.untouched ? 99 : 0) << level << " seed " << seed;
            }
        }
    }
}

// The target stands on a ledge of rock hanging in the air (earth does not fall here), with the
// ground far below it: most shots that pass the ledge come down far beneath it. Once the match has
// gone quiet (in still air), or long (in a wind), every level reaches the tank on the ledge within
// a few turns; every shot it fires is one it checked. Once it has hit, the narrow way is found again.
TEST_F(ComputerTest, OutOfAStalemateEveryLevelReachesATankOnALedge) {
    Hills(300, 6, 900, 330);
    landscape->gravityOn = 0;
    Block(596, 605, 150, 154);
    Stand(0, 120);
    Stand(1, 600);
    const std::vector<std::int32_t> terrain = Materials();
    for (Controller level : LEVELS) {
        for (int wind : {0, 5}) {
            BrainResetForTests();
            landscape->wind = wind;
            players->players[1].armour = 100;
            ComputerRandom random;
            random.Seed(3);
            TurnPlanner planner;
            EXPECT_TRUE(HitWithin(STALEMATE_TEST_TURNS, wind == 0 ? Going::Quiet : Going::Long, planner,
                                  level, random, terrain))
                << level << " wind " << wind;
            EXPECT_EQ(players->players[0].armour, 100) << level << " wind " << wind;
            // The match is no longer quiet: from Normal up, the levels that err least find the
            // way again within a few turns.
            if (level < ControllerNormal) continue;
            EXPECT_TRUE(HitWithin(4, Going::Fresh, planner, level, random, terrain))
                << level << " wind " << wind;
        }
    }
}

// Out of a stalemate no shot that missed is fired again from the same place, though the wind has
// turned since: behind a wall, with a roof over the target, every level tries something new after each miss.
TEST_F(ComputerTest, OutOfAStalemateAMissIsNotRepeatedInAnotherWind) {
    Hills(260, 6, 900, 330);
    Wall(300, 316, 20);
    Stand(0, 120);
    Stand(1, 600);
    // A roof of rock over the target, held up by nothing (earth does not fall here).
    landscape->gravityOn = 0;
    Block(520, 680, 200, 230);
    const std::vector<std::int32_t> terrain = Materials();
    for (Controller level : LEVELS) {
        BrainResetForTests();
        ComputerRandom random;
        random.Seed(5);
        TurnPlanner planner;
        std::vector<std::array<std::int32_t, 3>> missed;
        for (int turn = 0; turn < 12; ++turn) {
            landscape->wind = turn % 3 - 1;  // a different wind from the last turn's
            players->players[1].armour = 100;
            const bool hurt =
                PlayTurn(planner, 0, level, random, TurnPlanner::STALEMATE_TURNS + 2 * turn, terrain);
            const ShotDecision& d = planner.Decision();
            const std::array<std::int32_t, 3> shot{d.angle, d.power, d.weapon};
            EXPECT_EQ(std::count(missed.begin(), missed.end(), shot), 0) << level << " turn " << turn;
            if (!hurt) missed.push_back(shot);
        }
        EXPECT_GE(missed.size(), 3u) << level;
    }
}

// A target at the foot of a narrow shaft in the rock: once a stalemate's wide search has found the
// way in, Expert, out of the stalemate, tries that way again and hits again.
TEST_F(ComputerTest, WhatHitFromHereIsTriedAgain) {
    Hills(300, 6, 900, 330);
    Wall(570, 589, 180);
    Wall(611, 630, 180);
    Stand(0, 120);
    Stand(1, 600);
    const std::vector<std::int32_t> terrain = Materials();
    for (int wind : {0, 4}) {
        BrainResetForTests();
        landscape->wind = wind;
        players->players[1].armour = 100;
        ComputerRandom random;
        random.Seed(7);
        TurnPlanner planner;
        ASSERT_TRUE(HitWithin(16, Going::Quiet, planner, ControllerExpert, random, terrain))
            << "wind " << wind;
        EXPECT_TRUE(HitWithin(3, Going::Fresh, planner, ControllerExpert, random, terrain))
            << "wind " << wind;
    }
}

// Shut in by rock on every side, where any shell bursts against the rock beside the tank: with an
// Earth Mover or a Sod Salvo in stock, which have no blast of their own, every level fires one of
// those the least harmful way it found rather than a shell.
TEST_F(ComputerTest, ShutInAWeaponWithoutABlast) {
    Hills(220, 10, 900, 280);
    Stand(1, 600);
    Block(70, 131, 150, 280);
    Block(88, 113, 190, 200, Air);
    PlaceTank(0, 100, 199, 100).stock = {-1, 0, 0, 1, 0, 0};
    players->players[0].weapon = WeaponShell;
    for (Controller level : LEVELS) {
        for (std::int32_t gentle : {WeaponEarthMover, WeaponSodSalvo}) {
            BrainResetForTests();
            players->players[0].stock = {-1, 0, 0, 0, 0, 0};
            players->players[0].stock[static_cast<std::size_t>(gentle)] = 1;
            EXPECT_EQ(Decide(0, level, 2).weapon, gentle) << level;
        }
    }
}

}  // namespace

// Behind a tall crest beside it, with the target beyond the reach of the steep lobs that clear it
// and every flatter shot coming down on the crest: once the match is quiet and digging comes first,
// a level digs the crest down rather than lob short of the target again.
TEST_F(ComputerTest, OutOfReachBehindACrestTheCrestIsDug) {
    MakeLandscape(MAX_LANDSCAPE_WIDTH, 400);
    TheLandscape = landscape.get();
    TheProjectiles = shots.get();
    Hills(350, 0, 900, 390);
    Stand(0, 1140);
    Stand(1, 60);
    Block(1080, 1110, 200, 350, Earth);
    const std::vector<std::int32_t> terrain = Materials();
    for (int wind : {0, -5}) {
        landscape->wind = wind;
        for (Controller level : {ControllerEasy, ControllerNormal, ControllerHard}) {
            BrainResetForTests();
            ComputerRandom random;
            random.Seed(3);
            TurnPlanner planner;
            Plan(planner, 0, level, random, TurnPlanner::STALEMATE_TURNS + 1);
            const ShotDecision d = planner.Decision();
            const RealShot real = Fire(0, d.angle, d.power, d.weapon);
            RestoreMaterials(terrain);
            EXPECT_TRUE(real.exploded && real.x >= 1075.0f && real.x <= 1115.0f)
                << "wind " << wind << " level " << level << " came down at " << real.x;
        }
    }
}
