// Tests of the SDL backend's start-up clock: it counts from the system's start, not from SDL's,
// so the seed it gives differs from launch to launch.
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win.h"

namespace {

std::uint64_t BootNow() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

// When this process started, in milliseconds since the system did (field 22 of /proc/self/stat,
// in clock ticks); 0 when it cannot be read.
std::uint64_t ProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string line;
    std::getline(in, line);
    const std::size_t afterName = line.rfind(')');
    if (afterName == std::string::npos) return 0;
    std::istringstream fields(line.substr(afterName + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) return std::stoull(field) * 1000u / static_cast<std::uint64_t>(sysconf(_SC_CLK_TCK));
    }
    return 0;
}

TEST(BootClockTest, TracksTheTimeSinceTheSystemStarted) {
    // The reading lies between two readings of the system's clock, all truncated to 32 bits.
    const std::uint64_t before = BootNow();
    const DWORD reading = GetTickCount();
    const std::uint64_t after = BootNow();
    EXPECT_LE(static_cast<DWORD>(reading - static_cast<DWORD>(before)), static_cast<DWORD>(after - before));
}

TEST(BootClockTest, IsNotTheGameClock) {
    // The game's clock (SDL's) started with SDL, after this process did; the start-up clock had
    // by then run for as long as the system had been up. Their difference is that time exactly.
    const DWORD game = timeGetTime();
    const std::uint64_t bootAtGameStart = BootNow() - game;
    const DWORD reading = GetTickCount();
    const DWORD gameAfter = timeGetTime();
    const std::uint64_t processStart = ProcessStart();
    ASSERT_GT(processStart, 1000u) << "the system started less than a second before this test";
    EXPECT_GE(bootAtGameStart + 2, processStart);

    const DWORD offset = reading - gameAfter;
    const DWORD expected = static_cast<DWORD>(bootAtGameStart);
    EXPECT_LE(static_cast<DWORD>(offset - expected + 20), 40u) << offset << " against " << expected;
}

}  // namespace
