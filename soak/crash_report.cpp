// The crash report: only calls that are safe inside a signal handler (open, write, close).
#include "soak/crash_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "soak/key_log.h"
#include "soak/soak_driver.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

struct FatalSignal {
    int number;
    const char* name;
};

[[maybe_unused]] constexpr FatalSignal FATAL_SIGNALS[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"}, {SIGFPE, "SIGFPE"}, {SIGILL, "SIGILL"}, {SIGABRT, "SIGABRT"}};
constexpr std::size_t PATH_SIZE = 4096;

struct CrashContext {
    const KeyLog* log = nullptr;
    const SoakStats* stats = nullptr;
    std::uint32_t seed = 0;
    char path[PATH_SIZE] = {};
};

CrashContext Context;

// A line of text built without the allocator.
class Line {
public:
    Line& Text(const char* text) {
        while (*text && length_ < sizeof(buffer_)) buffer_[length_++] = *text++;
        return *this;
    }
    Line& Number(std::uint64_t value) {
        char digits[24];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0);
        while (count > 0 && length_ < sizeof(buffer_)) buffer_[length_++] = digits[--count];
        return *this;
    }
    bool WriteTo(int fd) const { return write(fd, buffer_, length_) == static_cast<ssize_t>(length_); }

private:
    char buffer_[PATH_SIZE + 256] = {};
    std::size_t length_ = 0;
};

void Report(const char* what) {
    if (!Context.log) return;
    Line()
        .Text("lobshot-soak: the game crashed (")
        .Text(what)
        .Text(") with seed ")
        .Number(Context.seed)
        .Text(" in match ")
        .Number(Context.stats->matchesStarted)
        .Text(" at frame ")
        .Number(Context.log->Ticks())
        .Text("; the keys that lead there are in ")
        .Text(Context.path)
        .Text("\n")
        .WriteTo(STDERR_FILENO);
    WriteKeysForCrash(Context.path, *Context.log);
    Context.log = nullptr;
}

[[maybe_unused]] void OnSignal(int signal) {
    const char* name = "a signal";
    for (const FatalSignal& fatal : FATAL_SIGNALS)
        if (fatal.number == signal) name = fatal.name;
    Report(name);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

[[maybe_unused]] void OnSanitizerDeath() { Report("a sanitizer stopped it"); }

}  // namespace

bool WriteKeysForCrash(const char* path, const KeyLog& log) {
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const std::string& finished = log.Finished();
    bool ok = write(fd, finished.data(), finished.size()) == static_cast<ssize_t>(finished.size());
    if (ok && log.PendingTicks() > 0)
        ok = Line().Text("wait ").Number(log.PendingTicks()).Text("\n").WriteTo(fd);
    return close(fd) == 0 && ok;
}

void InstallCrashReport(const KeyLog& log, const SoakStats& stats, std::uint32_t seed,
                        const std::string& path) {
    Context.log = &log;
    Context.stats = &stats;
    Context.seed = seed;
    std::strncpy(Context.path, path.c_str(), PATH_SIZE - 1);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(OnSanitizerDeath);
#else
    for (const FatalSignal& fatal : FATAL_SIGNALS) std::signal(fatal.number, OnSignal);
#endif
}

void RemoveCrashReport() {
    Context.log = nullptr;
#if !defined(__SANITIZE_ADDRESS__)
    for (const FatalSignal& fatal : FATAL_SIGNALS) std::signal(fatal.number, SIG_DFL);
#endif
}
