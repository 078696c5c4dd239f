// Tests of the page's pace: 50 steps a second by the clock at any rate of frame calls, and a stall
// never raced through.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "platform/web/web_pacing.h"

namespace {

// Wakes the pacer `rate` times a second for ten seconds and runs every step owed at each wake-up,
// as the backend does; returns the steps run, and the most at one wake-up in `most`.
int StepsRun(int rate, int* most) {
    StepPacer pacer;
    pacer.Start(0, 20);
    int steps = 0;
    *most = 0;
    for (int call = 1; call <= 10 * rate; ++call) {
        const double now = call * 1000.0 / rate;
        int here = 0;
        while (pacer.Due(now)) {
            pacer.Take(now);
            ++here;
        }
        steps += here;
        if (here > *most) *most = here;
    }
    return steps;
}

TEST(WebPacing, FiftyStepsASecondAtEveryRateOfFrameCalls) {
    // A display slower than the game still has every step, a few a call.
    for (const auto& [rate, mostAtOnce] : {std::pair{60, 1}, {144, 1}, {30, 2}, {24, 3}}) {
        int most = 0;
        EXPECT_EQ(StepsRun(rate, &most), 500) << rate;
        EXPECT_EQ(most, mostAtOnce) << rate;
    }
}

TEST(WebPacing, AStallOwesAFewStepsAtMostAndThePaceGoesOnFromThere) {
    StepPacer pacer;
    pacer.Start(1000, 20);
    EXPECT_EQ(std::tuple(pacer.Due(1019.9), pacer.Due(1020)), std::tuple(false, true));
    // A still picture sleeps until the next step, to the whole millisecond after it.
    EXPECT_EQ(std::tuple(pacer.MillisecondsToNext(1000), pacer.MillisecondsToNext(1019.5),
                         pacer.MillisecondsToNext(1020), pacer.MillisecondsToNext(1500)),
              std::tuple(20, 1, 0, 0));

    // Two seconds in the background: MAX_STEPS_OWED steps, not a hundred.
    int steps = 0;
    while (pacer.Due(3000)) {
        pacer.Take(3000);
        ++steps;
    }
    EXPECT_EQ(std::tuple(steps, pacer.Due(3019.9), pacer.Due(3020)), std::tuple(MAX_STEPS_OWED, false, true));
    // A call a little late takes its one step, and the next is due on the old beat.
    pacer.Take(3025);
    EXPECT_EQ(std::tuple(pacer.Due(3039.9), pacer.Due(3040)), std::tuple(false, true));
    pacer.Stop();
    EXPECT_EQ(std::tuple(pacer.Running(), pacer.Due(5000)), std::tuple(false, false));
}

}  // namespace
