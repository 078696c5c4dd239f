// Benchmarks of the weapons' heaviest frames: an A-Bomb landing among eight tanks, a Sod Salvo's
// full scatter, a lava stream at full flow, and a plain shell in flight, each on the largest
// landscape.
//
// One iteration is one frame's work of a shot in progress (drawing, the update, falling earth and
// tanks, the view); a sequence of frames plays the shot out and starts again from the saved
// terrain when it is over. The time reported is the mean frame; the counter worst_us is the
// longest single frame seen, in processor time.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "core/globals.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "shell/shell.h"

namespace {

constexpr int BAR = MENU_BAR_MARGIN;

// The largest landscape, generated, with the weapons' shared state as start-up leaves it, eight
// tanks in play and an empty collection; everything is put back when the benchmark ends.
class Battlefield {
    LargestLandscape largest_;

public:
    Battlefield() {
        GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
        ProjectilesResetForTests();
        Explosion::Init(0, 2, nullptr);
        Projectile::Init();
        InitFireRamp();
        land.Generate(0, 0, nullptr);
        players = std::make_unique<PlayerCollection>(nullptr, 0, 2);
        players->SetNumPlayers(MAX_PLAYERS);
        players->NewMatch();
        largest_.Save();
    }
    ~Battlefield() {
        shots.reset();
        players.reset();
        ProjectilesResetForTests();
    }

    // The terrain as generated, fresh tanks standing side by side from column x on, `spacing`
    // apart, and an empty collection.
    void Reset(int x, int spacing) {
        largest_.Restore();
        players->NewMatch();
        for (int i = 0; i < MAX_PLAYERS; ++i) {
            Player& tank = players->players[i];
            tank.x = x + i * spacing;
            tank.y = land.SurfaceY(tank.x);
        }
        shots = std::make_unique<ProjectileCollection>(&land);
    }

    // A projectile just above the ground of column x.
    void Launch(int x, int heightAbove, float vx, float vy, std::int32_t kind) {
        const auto y = static_cast<float>(land.SurfaceY(x) - heightAbove);
        shots->Add(new Projectile(static_cast<float>(x) + 0.5f, y, vx, vy, kind, 0, true));
    }

    // The frame's work of a shot in progress; true while anything moved.
    bool Frame() {
        land.Draw(0, 2, viewX_, viewY_, BAR);
        players->Draw(0, 2, viewX_, viewY_, BAR, false);
        shots->Draw(0, 2, viewX_, viewY_, BAR);
        players->DrawShotMenuBar(0, 2);
        const bool flying = shots->Update(players.get());
        const bool falling = land.DoGravity();
        const bool tanksFalling = players->DoGravity(&land, shots.get());
        shots->FollowView(&viewX_, &viewY_, BAR, &land);
        return flying || falling || tanksFalling;
    }

    Landscape& land = largest_.land;
    std::unique_ptr<PlayerCollection> players;
    std::unique_ptr<ProjectileCollection> shots;

private:
    std::int32_t viewX_ = 440;
    std::int32_t viewY_ = 200;
};

// The thread's processor time in microseconds: a frame's own cost, without the time the machine
// gave to others meanwhile.
double ThreadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Plays frames of a shot set up by `start`, one per iteration, until `frames` have run or nothing
// moves any more, then starts it again untimed. Records the longest frame in processor time.
template <class Start>
void PlayShot(benchmark::State& state, Battlefield& field, int frames, Start start) {
    double worst = 0.0;
    int frame = frames;
    for (auto _ : state) {
        if (frame >= frames) {
            state.PauseTiming();
            start();
            frame = 0;
            state.ResumeTiming();
        }
        const double begin = ThreadMicroseconds();
        const bool busy = field.Frame();
        worst = std::max(worst, ThreadMicroseconds() - begin);
        frame = busy ? frame + 1 : frames;
    }
    state.counters["worst_us"] = worst;
}

// An A-Bomb lands in the middle of eight tanks 12 columns apart: the biggest crater, its debris,
// most of the tanks destroyed in bursts of 100 pieces, and the earth and tanks that fall after.
void ABombAmongEightTanks(benchmark::State& state) {
    Battlefield field;
    PlayShot(state, field, 300, [&field] {
        field.Reset(552, 12);
        field.Launch(600, 1, 0.0f, 2.0f, KindABomb);
    });
}
BENCHMARK(ABombAmongEightTanks)->Unit(benchmark::kMicrosecond);

// Only the frame of the A-Bomb's landing.
void ABombImpactFrame(benchmark::State& state) {
    Battlefield field;
    PlayShot(state, field, 1, [&field] {
        field.Reset(552, 12);
        field.Launch(600, 1, 0.0f, 2.0f, KindABomb);
    });
}
BENCHMARK(ABombImpactFrame)->Unit(benchmark::kMicrosecond);

// A Sod Salvo fired high from the left: all 1300 clods are shed in the air and rain down.
void SodSalvoFullScatter(benchmark::State& state) {
    Battlefield field;
    PlayShot(state, field, 2000, [&field] {
        field.Reset(100, 140);
        field.Launch(300, 100, 1.5f, -2.5f, KindSodSalvo);
    });
}
BENCHMARK(SodSalvoFullScatter)->Unit(benchmark::kMicrosecond);

// A lava shell dropped onto the terrain: the stream pours its 300 pixels, each flickering every
// frame, and sets into rock.
void LavaAtFullFlow(benchmark::State& state) {
    Battlefield field;
    PlayShot(state, field, 400, [&field] {
        field.Reset(100, 140);
        field.Launch(600, 3, 0.0f, 1.0f, KindLava);
    });
}
BENCHMARK(LavaAtFullFlow)->Unit(benchmark::kMicrosecond);

// A shell in flight high over the terrain: the typical frame of a shot.
void ShellInFlight(benchmark::State& state) {
    Battlefield field;
    PlayShot(state, field, 150, [&field] {
        field.Reset(100, 140);
        field.Launch(300, 150, 1.0f, -1.5f, KindShell);
    });
}
BENCHMARK(ShellInFlight)->Unit(benchmark::kMicrosecond);

}  // namespace
