// Benchmarks of the display layer: the rectangle copies that make a frame of play, and a flip.
#include <benchmark/benchmark.h>

#include "display/devices.h"
#include "display/graphx.h"

namespace {

constexpr std::uint16_t WHITE = 0xFFFF;

// Device 0 with the surfaces of a match: a sky, a landscape whose upper part is white (left out
// by the colour key) and a menu bar, each filled with a pattern.
struct MatchSurfaces {
    int sky = -1;
    int landscape = -1;
    int menuBar = -1;

    MatchSurfaces() {
        GraphxResetForTests();
        GraphxEnableAdapter(0, 320, 200, true);
        GraphxInit(nullptr, nullptr, false);
        CreateOSSurface(&sky, 0, 2, 620, 325, MEMORY_KIND_SYSTEM);
        CreateOSSurface(&landscape, 0, 2, 1200, 500, MEMORY_KIND_SYSTEM);
        CreateOSSurface(&menuBar, 0, 2, 320, 20, MEMORY_KIND_SYSTEM);
        Fill(sky, [](int x, int y) { return static_cast<std::uint16_t>(y * 64 + x % 32); });
        Fill(landscape,
             [](int x, int y) { return y < 250 + (x % 100) ? WHITE : static_cast<std::uint16_t>(x ^ y); });
        Fill(menuBar, [](int x, int y) { return static_cast<std::uint16_t>(x * y); });
    }
    ~MatchSurfaces() { GraphxResetForTests(); }

    template <typename Pattern>
    static void Fill(int s, Pattern pattern) {
        Surface* surface = nullptr;
        getDD(OFFSCREEN, s, nullptr, &surface, nullptr, -1);
        for (int y = 0; y < surface->height; ++y) {
            for (int x = 0; x < surface->width; ++x) surface->Row(y)[x] = pattern(x, y);
        }
    }
};

// One frame of play drawn as the landscape view and menu bar draw it: the sky behind, the
// landscape over it with white left out, and the menu bar below.
void FrameOfCopies(benchmark::State& state) {
    MatchSurfaces match;
    const ColourKey white{0xFFFFFF, 0xFFFFFF};
    int view = 0;
    for (auto _ : state) {
        const int x = view % 800;
        const int skyX = x / 4;
        GraphxBlitSurfaceAt(OFFSCREEN, match.sky, 0, 2, 0, 0, skyX, 60, skyX + 320, 240, true, false, false,
                            nullptr);
        GraphxBlitSurfaceAt(OFFSCREEN, match.landscape, 0, 2, 0, 0, x, 200, x + 320, 380, true, false, true,
                            &white);
        GraphxBlitSurfaceAt(OFFSCREEN, match.menuBar, 0, 2, 0, 180, 0, 0, 320, 20, true, false, false,
                            nullptr);
        view += 7;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FrameOfCopies);

// Showing a finished frame: the page exchange and the hand-over to the platform.
void Flip(benchmark::State& state) {
    MatchSurfaces match;
    for (auto _ : state) GraphxFlip(0);
}
BENCHMARK(Flip);

}  // namespace
