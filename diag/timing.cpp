// The stopwatch: seconds from the performance counter, one interval at a time.
#include <cstdint>

#include "diag/diag.h"
#include "platform/win.h"

DiagTimerState DiagTimer;

void DiagEnableTimer() {
    std::int64_t frequency = 0;
    if (QueryPerformanceFrequency(&frequency) && frequency > 0) {
        DiagTimer.TimerFrequency = static_cast<double>(frequency);
        DiagTimer.TimerAvailable = 1;
    }
}

double DiagGetTime() {
    if (!DiagTimer.TimerAvailable) {
        DiagTrace(DIAG_ERROR, "Diag", __LINE__, "DiagGetTime", "Timer is not available.");
        return 0;
    }
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count) / DiagTimer.TimerFrequency;
}

void DiagStartTiming() {
    if (!DiagTimer.TimerAvailable) {
        DiagTrace(DIAG_ERROR, "Diag", __LINE__, "DiagStartTiming", "Timer is not available.");
        return;
    }
    DiagTimer.TimerStart = DiagGetTime();
}

double DiagStopTiming() {
    if (!DiagTimer.TimerAvailable) {
        DiagTrace(DIAG_ERROR, "Diag", __LINE__, "DiagStopTiming", "Timer is not available.");
        return 0;
    }
    return DiagGetTime() - DiagTimer.TimerStart;
}
