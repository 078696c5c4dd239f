// The page's pace: the game's steps kept on the clock whatever the rate of the browser's frame calls.
#include "platform/web/web_pacing.h"

#include <cmath>

void StepPacer::Start(double now, double period) {
    running_ = true;
    period_ = period > 0 ? period : 1;
    next_ = now + period_;
}

void StepPacer::Take(double now) {
    const double owedAtMost = MAX_STEPS_OWED * period_;
    if (now - next_ >= owedAtMost) next_ = now - owedAtMost + period_;
    next_ += period_;
}

int StepPacer::MillisecondsToNext(double now) const {
    return now >= next_ ? 0 : static_cast<int>(std::ceil(next_ - now));
}
