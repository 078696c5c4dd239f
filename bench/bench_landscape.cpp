// Benchmarks of the landscape's heavy operations: generation, a large crater, and falling earth.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/bench_support.h"

namespace {

// A whole 1200x500 landscape of one terrain kind with one sky kind.
void GenerateLargest(benchmark::State& state) {
    LargestLandscape largest;
    const int kind = static_cast<int>(state.range(0));
    const int sky = static_cast<int>(state.range(1));
    for (auto _ : state) largest.land.Generate(kind, sky, nullptr);
}
BENCHMARK(GenerateLargest)->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);

// The largest crater the game digs, radius 85, deep in the terrain with its star-shaped scorch
// ring, columns rescanned; the terrain is put back between craters.
void Crater85(benchmark::State& state) {
    LargestLandscape largest;
    Landscape& land = largest.land;
    land.Generate(0, 0, nullptr);
    const int x = MAX_LANDSCAPE_WIDTH / 2;
    const int y = std::min(land.SurfaceY(x) + 1 + 85, MAX_LANDSCAPE_HEIGHT - 86);
    largest.Save();
    for (auto _ : state) {
        land.Hole(x, y, 85, false, 0.04f);
        land.ShadeDisc(x, y, 85, 92, 1, 0.4f);
        state.PauseTiming();
        largest.Restore();
        state.ResumeTiming();
    }
}
BENCHMARK(Crater85)->Unit(benchmark::kMicrosecond);

// Falling earth in every column: with state.range(0) 0, each column's top 450 rows float over 50
// rows of air; with 1, a generated landscape has a tunnel 20 rows high dug under all its terrain.
// The terrain is put back before it lands.
void GravityEveryColumn(benchmark::State& state) {
    LargestLandscape largest;
    Landscape& land = largest.land;
    land.Generate(0, 0, nullptr);
    if (state.range(0) == 0) {
        std::fill_n(MaterialMap.begin(), MAX_LANDSCAPE_WIDTH * 450, Earth);
        std::fill_n(MaterialMap.begin() + MAX_LANDSCAPE_WIDTH * 450, MAX_LANDSCAPE_WIDTH * 50, Air);
    } else {
        std::fill_n(MaterialMap.begin() + MAX_LANDSCAPE_WIDTH * 470, MAX_LANDSCAPE_WIDTH * 20, Air);
    }
    land.ScanAllColumns();
    largest.Save();
    int calls = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(land.DoGravity());
        if (++calls == 15) {
            state.PauseTiming();
            largest.Restore();
            calls = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(GravityEveryColumn)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
