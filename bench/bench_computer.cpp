// Measures the computer players: how often each level's shell hits, and the longest slice of thinking.
//
// Over 300 seeded two-player situations (every terrain kind, every wind option) in which a shell
// can reach the opponent, each level plays three consecutive turns against the same target: the
// real game's shot is fired with the level's decision, and where it ended is noted for the next
// turn's correction. The terrain, the tanks and the wind are put back before every turn, so the
// later turns measure the correction alone. A turn hits when the target loses armour. The longest
// Think() slice is timed in processor time, and once more on the largest landscape with eight
// tanks. Run it by hand: lobshot-bench-computer [situations].
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "computer/brain.h"
#include "computer/flight_sim.h"
#include "computer/targeting.h"
#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "players/weapon_table.h"
#include "projectiles/projectile_collection.h"
#include "shell/shell.h"

namespace {

constexpr int TURNS = 3;
constexpr Controller LEVELS[] = {ControllerBeginner, ControllerEasy, ControllerNormal, ControllerHard,
                                 ControllerExpert};
constexpr const char* LEVEL_NAMES[] = {"Beginner", "Easy", "Normal", "Hard", "Expert"};

double ThreadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// The display, the landscape's and the weapons' shared state as start-up leaves them.
void StartUp() {
    GraphxResetForTests();
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(nullptr, nullptr, false);
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    FillSineTable();
    LandscapeResetForTests();
    Landscape::Init(0, 2);
    ProjectilesResetForTests();
    Explosion::Init(0, 2, nullptr);
    Projectile::Init();
    InitFireRamp();
    InitWeaponData();
}

// One situation: a landscape with two tanks on it, and everything needed to put it back.
struct Situation {
    std::unique_ptr<Landscape> land;
    std::vector<std::int32_t> materials;
    std::int32_t wind = 0;
    std::array<Player, MAX_PLAYERS> tanks{};
    int shooter = 0;
    int target = 1;

    void Restore(PlayerCollection& players) const {
        std::copy(materials.begin(), materials.end(), MaterialMap.begin());
        land->ScanAllColumns();
        land->wind = wind;
        players.players = tanks;
        players.current = shooter;
    }
};

// Whether some angle and power would send a shell into the target's blast reach, by the same
// search Expert makes but over every angle towards the target.
bool Reachable(const Situation& s, PlayerCollection& players) {
    FlightSim sim;
    sim.Capture(s.land.get(), &players, 0.01f);
    AimGoal goal;
    goal.shooter = s.shooter;
    goal.target = s.target;
    const Player& them = players.players[s.target];
    goal.x = static_cast<float>(them.x);
    goal.y = static_cast<float>(them.y - them.height / 2);
    goal.dir = them.x >= players.players[s.shooter].x ? 1 : -1;
    std::int64_t samples = 0;
    for (int elevation = 0; elevation <= 110; ++elevation) {
        const Candidate c =
            SolvePower(sim, goal, AngleFor(elevation, goal.dir), Preference::MostDamage, &samples);
        if (c.safe && c.targetDamage > 0) return true;
    }
    return false;
}

// Where a real shot ended, and whether the target lost armour.
struct Outcome {
    bool hit = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

Outcome FireForReal(Landscape* land, PlayerCollection& players, const ShotDecision& d, int shooter,
                    int target) {
    ProjectileCollection shots(land);
    Player& me = players.players[shooter];
    me.angle = d.angle;
    me.power = d.power;
    me.weapon = d.weapon;
    players.current = shooter;
    const std::int32_t before = players.players[target].armour;
    players.Fire(&shots);
    Outcome outcome;
    for (int tick = 0; tick < 20000 && shots.projectiles; ++tick) {
        shots.Update(&players);
        if (shots.trackedAlive) {
            outcome.x = shots.trackedX;
            outcome.y = shots.trackedY;
        }
        const Explosion* first = nullptr;
        for (const Explosion* e = shots.explosions; e; e = e->next) first = e;
        if (first) {
            outcome.x = static_cast<std::int32_t>(first->x);
            outcome.y = static_cast<std::int32_t>(first->y);
            break;
        }
    }
    outcome.hit = players.players[target].armour < before;
    return outcome;
}

struct Tally {
    int first = 0;
    int later = 0;
    int firstHits = 0;
    int laterHits = 0;
    int slices = 0;
    int turns = 0;
    int mostSlices = 0;
    double longestSlice = 0.0;
    std::int64_t mostSamples = 0;
    std::vector<double> sliceTimes;

    // The slice time that this fraction of the slices stays within.
    double Percentile(double fraction) {
        if (sliceTimes.empty()) return 0.0;
        std::sort(sliceTimes.begin(), sliceTimes.end());
        return sliceTimes[static_cast<std::size_t>(fraction * static_cast<double>(sliceTimes.size() - 1))];
    }
};

// Plans a turn, timing every slice.
ShotDecision PlanTimed(TurnPlanner& planner, int shooter, Controller level, ComputerRandom& random,
                       Tally& tally) {
    planner.Begin(shooter, level, &random);
    int slices = 0;
    bool ready = false;
    while (!ready && slices < TurnPlanner::THINK_SLICES + 10) {
        const double begin = ThreadMicroseconds();
        ready = planner.Think();
        const double spent = ThreadMicroseconds() - begin;
        tally.longestSlice = std::max(tally.longestSlice, spent);
        tally.sliceTimes.push_back(spent);
        ++slices;
    }
    tally.slices += slices;
    tally.turns += 1;
    tally.mostSlices = std::max(tally.mostSlices, slices);
    tally.mostSamples = std::max(tally.mostSamples, planner.MostSliceSamples());
    return planner.Decision();
}

// The largest landscape, rolling hills in a strong wind, eight tanks: the heaviest thinking.
double LongestSliceOnTheLargest(PlayerCollection& players, Tally& tally) {
    auto land = std::make_unique<Landscape>();
    land->width = MAX_LANDSCAPE_WIDTH;
    land->height = MAX_LANDSCAPE_HEIGHT;
    land->skyWidth = MAX_SKY_WIDTH;
    land->skyHeight = MAX_SKY_HEIGHT;
    land->lowestAir = std::make_unique<std::int32_t[]>(MAX_LANDSCAPE_WIDTH);
    land->topSolid = std::make_unique<std::int32_t[]>(MAX_LANDSCAPE_WIDTH);
    land->Generate(0, 0, nullptr);
    land->wind = 9;
    TheLandscape = land.get();
    players.SetNumPlayers(MAX_PLAYERS);
    players.NewMatch();
    players.PositionPlayers(land.get());
    for (int shooter = 0; shooter < MAX_PLAYERS; ++shooter) {
        ComputerRandom random;
        random.Seed(static_cast<std::uint32_t>(shooter));
        TurnPlanner planner;
        PlanTimed(planner, shooter, ControllerExpert, random, tally);
    }
    TheLandscape = nullptr;
    return tally.longestSlice;
}

}  // namespace

int main(int argc, char** argv) {
    const int wanted = argc > 1 ? std::atoi(argv[1]) : 300;
    StartUp();
    auto players = std::make_unique<PlayerCollection>(nullptr, 0, 2);
    ThePlayers = players.get();
    std::array<Tally, std::size(LEVELS)> tallies{};
    int situations = 0;
    int skipped = 0;

    for (std::uint32_t seed = 1; situations < wanted && seed < 100000; ++seed) {
        // 1. The situation: a terrain kind and a wind option in turn, as the game makes them.
        game::srand(seed);
        SetWindOption(seed % 4);
        LandscapeGravityOption = GRAVITY_ON;
        Situation s;
        s.land = std::make_unique<Landscape>();
        s.land->Generate(static_cast<int>((seed / 4) % 3), 0, nullptr);
        s.wind = s.land->wind;
        players->SetNumPlayers(2);
        players->NewMatch();
        players->PositionPlayers(s.land.get());
        for (int i = 0; i < 2; ++i) players->players[i].stock = {-1, 0, 0, 0, 0, 0};
        s.shooter = players->current;
        s.target = 1 - s.shooter;
        const auto end = MaterialMap.begin() + static_cast<std::ptrdiff_t>(s.land->width) * s.land->height;
        s.materials.assign(MaterialMap.begin(), end);
        s.tanks = players->players;
        TheLandscape = s.land.get();
        if (!Reachable(s, *players)) {
            ++skipped;
            continue;
        }
        ++situations;

        // 2. Each level's three turns, the same situation every time, the landing noted after each.
        for (std::size_t l = 0; l < std::size(LEVELS); ++l) {
            BrainResetForTests();
            ComputerRandom random;
            random.Seed(seed * 31u + static_cast<std::uint32_t>(l));
            Tally& tally = tallies[l];
            for (int turn = 0; turn < TURNS; ++turn) {
                s.Restore(*players);
                TurnPlanner planner;
                const ShotDecision d = PlanTimed(planner, s.shooter, LEVELS[l], random, tally);
                const Outcome outcome = FireForReal(s.land.get(), *players, d, s.shooter, s.target);
                NoteShotLanded(s.shooter, d.target, outcome.x, outcome.y);
                if (turn == 0) {
                    tally.first += 1;
                    tally.firstHits += outcome.hit ? 1 : 0;
                } else {
                    tally.later += 1;
                    tally.laterHits += outcome.hit ? 1 : 0;
                }
            }
        }
        TheLandscape = nullptr;
    }

    std::printf("%d situations where a shell reaches the opponent (%d skipped), %d turns a level\n",
                situations, skipped, situations * TURNS);
    for (std::size_t l = 0; l < std::size(LEVELS); ++l) {
        Tally& t = tallies[l];
        std::printf(
            "%-7s first shot %5.1f%%  later shots %5.1f%%  slices a turn %.1f (most %d)  longest slice %.0f "
            "us (%lld samples), 99%% of slices within %.0f us\n",
            LEVEL_NAMES[l], 100.0 * t.firstHits / std::max(t.first, 1),
            100.0 * t.laterHits / std::max(t.later, 1), static_cast<double>(t.slices) / std::max(t.turns, 1),
            t.mostSlices, t.longestSlice, static_cast<long long>(t.mostSamples), t.Percentile(0.99));
    }
    Tally largest;
    LongestSliceOnTheLargest(*players, largest);
    std::printf(
        "Expert on 1200x500 with eight tanks: slices a turn %.1f (most %d), longest slice %.0f us (%lld "
        "samples), 99%% within %.0f us\n",
        static_cast<double>(largest.slices) / std::max(largest.turns, 1), largest.mostSlices,
        largest.longestSlice, static_cast<long long>(largest.mostSamples), largest.Percentile(0.99));
    ThePlayers = nullptr;
    players.reset();
    ProjectilesResetForTests();
    LandscapeResetForTests();
    WeaponTableResetForTests();
    GraphxResetForTests();
    return 0;
}
