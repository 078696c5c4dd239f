// Test support for the computer players.
#include "tests/computer/computer_fixture.h"

#include "core/globals.h"
#include "core/rules.h"
#include "players/weapon_table.h"

void ComputerTest::SetUp() {
    ProjectilesTest::SetUp();
    InitWeaponData();
    BrainResetForTests();
    TheLandscape = landscape.get();
    TheProjectiles = shots.get();
}

// The fixture owns the landscape and the collection: the shell's reset must not free them.
void ComputerTest::TearDown() {
    TheLandscape = nullptr;
    TheProjectiles = nullptr;
    BrainResetForTests();
    WeaponTableResetForTests();
    ProjectilesTest::TearDown();
}

void ComputerTest::Hills(int base, int amplitude, int period, int rockTop) {
    for (int x = 0; x < landscape->width; ++x) {
        const int phase = (x * SINE_TABLE_SIZE / period) % SINE_TABLE_SIZE;
        const int top = base - static_cast<int>(static_cast<float>(amplitude) * SineTable[phase]);
        for (int y = 0; y < landscape->height; ++y)
            landscape->Cell(x, y) = y < top ? Air : (y < rockTop ? Earth : Rock);
    }
    landscape->ScanAllColumns();
}

void ComputerTest::Block(int left, int right, int top, int bottom, std::int32_t material) {
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) landscape->Cell(x, y) = material;
    }
    landscape->ScanAllColumns();
}

void ComputerTest::Heal() {
    for (int i = 0; i < players->numPlayers; ++i) players->players[i].armour = 100;
}

ShotDecision ComputerTest::Decide(int shooter, Controller level, std::uint32_t seed) {
    ComputerRandom random;
    random.Seed(seed);
    TurnPlanner planner;
    Plan(planner, shooter, level, random);
    return planner.Decision();
}

Player& ComputerTest::Stand(int i, int x, std::int32_t armour) {
    Player& p = PlaceTank(i, x, landscape->SurfaceY(x), armour);
    p.stock = {-1, 0, 0, 0, 0, 0};
    p.weapon = WeaponShell;
    return p;
}

RealShot ComputerTest::Fire(int shooter, std::int32_t angle, std::int32_t power, std::int32_t weapon) {
    shots = std::make_unique<ProjectileCollection>(landscape.get());
    TheProjectiles = shots.get();
    Player& p = players->players[shooter];
    p.angle = angle;
    p.power = power;
    p.weapon = weapon;
    players->current = shooter;
    players->Fire(shots.get());
    RealShot shot;
    while (!Flying().empty() && shot.ticks < 10000) {
        Tick();
        if (shots->trackedAlive) {
            shot.lastX = shots->trackedX;
            shot.lastY = shots->trackedY;
        }
        // The fired projectile is the only one until it lands; its explosion is then the oldest.
        const Explosion* first = nullptr;
        for (const Explosion* e = shots->explosions; e; e = e->next) first = e;
        if (first) {
            shot.exploded = true;
            shot.x = first->x;
            shot.y = first->y;
            break;
        }
        shot.ticks += 1;
    }
    return shot;
}

int ComputerTest::Plan(TurnPlanner& planner, int shooter, Controller level, ComputerRandom& random,
                       int quietTurns, int matchTurns) {
    planner.Begin(shooter, level, &random, quietTurns, matchTurns);
    int slices = 0;
    while (!planner.Think() && slices < 1000) ++slices;
    return slices + 1;
}

bool ComputerTest::PlayTurn(TurnPlanner& planner, int shooter, Controller level, ComputerRandom& random,
                            int quietTurns, const std::vector<std::int32_t>& terrain, int matchTurns) {
    std::int32_t before = 0;
    for (int i = 0; i < players->numPlayers; ++i)
        if (i != shooter) before += players->players[i].armour;
    Plan(planner, shooter, level, random, quietTurns, matchTurns);
    const ShotDecision& d = planner.Decision();
    const RealShot real = Fire(shooter, d.angle, d.power, d.weapon);
    std::int32_t after = 0;
    for (int i = 0; i < players->numPlayers; ++i)
        if (i != shooter) after += players->players[i].armour;
    NoteShotLanded(shooter, d.target, real.lastX, real.lastY);
    NoteShotOutcome(shooter, after < before);
    RestoreMaterials(terrain);
    return after < before;
}

bool ComputerTest::HitWithin(int turns, Going going, TurnPlanner& planner, Controller level,
                             ComputerRandom& random, const std::vector<std::int32_t>& terrain) {
    for (int turn = 0; turn < turns; ++turn) {
        const int quiet = going == Going::Quiet ? TurnPlanner::STALEMATE_TURNS + 2 * turn : 0;
        const int turnsIn = going == Going::Long ? TurnPlanner::LONG_MATCH_TURNS + 2 * turn : 2 * turn;
        const bool hit = PlayTurn(planner, 0, level, random, quiet, terrain, turnsIn);
        if (hit) return true;
    }
    return false;
}

std::vector<std::int32_t> ComputerTest::Materials() const {
    const auto end = MaterialMap.begin() + static_cast<std::ptrdiff_t>(landscape->width) * landscape->height;
    return std::vector<std::int32_t>(MaterialMap.begin(), end);
}

void ComputerTest::RestoreMaterials(const std::vector<std::int32_t>& materials) {
    std::copy(materials.begin(), materials.end(), MaterialMap.begin());
    landscape->ScanAllColumns();
}
