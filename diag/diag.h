// The trace facility: rows with a severity, plain or HTML, to standard output or a capped file,
// an error file for failures, the per-operation scope that records the exception trail, and the
// stopwatch helpers.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <exception>
#include <string>

// Severities: 0 low (scope entry, exit and exception trail), 1 debug (measurements), 2 high,
// 3 error (also copied to the error file).
enum : unsigned { DIAG_LOW = 0, DIAG_DEBUG = 1, DIAG_HIGH = 2, DIAG_ERROR = 3 };

// The trace file stops growing after this many bytes.
constexpr long DIAG_TRACE_LIMIT = 2048000;

// A trace file handle; null means "no file".
using DiagHandle = std::FILE*;

// Switches and state, process-wide. The defaults reproduce the game's normal behaviour: rows of
// severity 1 and up, plain, to standard output.
struct DiagState {
    bool TraceLowSeverity = false;
    bool TraceHtml = false;
    bool TraceToFile = false;
    DiagHandle TraceFile = nullptr;
    DiagHandle ErrorFile = nullptr;
    bool TraceTruncated = false;
};
extern DiagState Diag;

// Sets the switches from the environment: LOBSHOT_TRACE_FILE, LOBSHOT_ERROR_FILE,
// LOBSHOT_TRACE_HTML=1 and LOBSHOT_TRACE_LOW=1. An HTML file gets a document head.
void DiagConfigureFromEnvironment();
// Closes the files and puts every switch back to its default (tests use this).
void DiagReset();

// Where rows go when no file is in use; tests capture it. Null means standard output.
void DiagSetStandardOutput(std::FILE* stream);

void DiagTrace(unsigned severity, const char* module, int line, const char* function, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
void DiagTraceV(unsigned severity, const char* module, int line, const char* function, const char* format,
                std::va_list args);
void DiagWrite(DiagHandle handle, bool isFormat, const char* text, ...);
void DiagLastError();

// One per call of an operation. Entry tracing writes "->" and "<-"; an exception leaving the
// operation writes "<- EXCEPTION" whatever the flag. Costs two pointer stores when low-severity
// rows are off.
class DiagScope {
public:
    DiagScope(const char* function, const char* module, int line, bool traceEntry = false) noexcept
        : function_(function),
          module_(module),
          line_(line),
          traceEntry_(traceEntry),
          exceptions_(std::uncaught_exceptions()) {
        if (traceEntry_ && Diag.TraceLowSeverity) Enter();
    }
    ~DiagScope() {
        if (!Diag.TraceLowSeverity) return;
        if (std::uncaught_exceptions() > exceptions_)
            Leave(true);
        else if (traceEntry_)
            Leave(false);
    }
    DiagScope(const DiagScope&) = delete;
    DiagScope& operator=(const DiagScope&) = delete;

    const char* Function() const { return function_; }
    const char* Module() const { return module_; }
    int Line() const { return line_; }

private:
    void Enter() const;
    void Leave(bool byException) const;

    const char* function_;
    const char* module_;
    int line_;
    bool traceEntry_;
    int exceptions_;
};

// Opens the scope of the current operation under the given module name.
#define DIAG_SCOPE(module) DiagScope diagScope_(__func__, module, __LINE__)
#define DIAG_SCOPE_NAMED(function, module) DiagScope diagScope_(function, module, __LINE__)

// The stopwatch. It works only once the counter has been declared available; otherwise each call
// writes "Timer is not available." and yields 0.
struct DiagTimerState {
    int TimerAvailable = 0;
    double TimerFrequency = 0;
    double TimerStart = 0;
};
extern DiagTimerState DiagTimer;

// Reads the performance counter's frequency and declares the counter available.
void DiagEnableTimer();
double DiagGetTime();
void DiagStartTiming();
double DiagStopTiming();
