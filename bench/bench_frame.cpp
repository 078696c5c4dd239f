// Benchmarks of whole frame steps of the real game on the headless backend.
#include <benchmark/benchmark.h>

#include "core/globals.h"
#include "platform/backend.h"
#include "platform/headless/headless_platform.h"
#include "shell/shell.h"

namespace {

// Runs the game until it waits for input, then hands each benchmark iteration one tick.
class BenchDriver : public HeadlessDriver {
public:
    explicit BenchDriver(benchmark::State& state) : state_(state) {}
    bool Feed() override {
        if (!state_.KeepRunning()) return false;
        HeadlessTick();
        return true;
    }

private:
    benchmark::State& state_;
};

// One frame step of the title screen, message delivery included.
void TitleFrame(benchmark::State& state) {
    BenchDriver driver(state);
    HeadlessSetClock(1);
    ShellStartWithSeed(1);
    HeadlessSetDriver(&driver);
    WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    PlatformResetForTests();
    ShellResetForTests();
}
BENCHMARK(TitleFrame);

}  // namespace

BENCHMARK_MAIN();
