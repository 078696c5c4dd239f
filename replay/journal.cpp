// The replay written as the game goes, and what a run cut short left kept at the next start.
#include "replay/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/files.h"
#include "diag/diag.h"
#include "replay/replay.h"
#include "replay/session.h"
#include "replay/store.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* PARTIAL = ".partial";
constexpr const char* EXTENSION = ".lobshot-replay";
// An empty partial file younger than this may be a write just begun by a game starting now.
constexpr auto FRESH_EMPTY_AGE = std::chrono::minutes(10);

struct Journal {
    std::string folder;  // the game's folder; the name comes once the seed is known
    std::string path;    // the replay's name; the journal is path + PARTIAL
    int fd = -1;
    bool failed = false;          // journalling gave up: the run is saved whole at its end
    std::size_t written = 0;      // events in the file
    ReplayEvent lastWritten;      // the last of them, to notice a recording that started over
    std::uint32_t seed = 0;       // the head's seed
    std::uint32_t flushedAt = 0;  // frame step of the last append
};

Journal TheJournal;

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void CloseFile() {
    if (TheJournal.fd >= 0) ::close(TheJournal.fd);
    TheJournal.fd = -1;
}

// A failed write ends journalling, with one row; the partial file goes.
void GiveUp(const char* what) {
    DiagTrace(DIAG_ERROR, "replay", __LINE__, "ReplayJournal",
              "The replay cannot be written as the game goes (%s %s: %s); it is saved whole at the end", what,
              (TheJournal.path + PARTIAL).c_str(), std::strerror(errno));
    CloseFile();
    if (!TheJournal.path.empty()) ::unlink((TheJournal.path + PARTIAL).c_str());
    TheJournal.failed = true;
}

// Writes the head and every event recorded so far over whatever the file held.
bool WriteFromStart(const ReplayRecord& replay) {
    std::string text = FormatReplayHead(replay);
    for (const ReplayEvent& e : replay.events) text += FormatReplayEvent(e);
    if (::ftruncate(TheJournal.fd, 0) != 0 || ::lseek(TheJournal.fd, 0, SEEK_SET) != 0 ||
        !WriteAll(TheJournal.fd, text))
        return false;
    TheJournal.seed = replay.seed;
    TheJournal.written = replay.events.size();
    if (TheJournal.written > 0) TheJournal.lastWritten = replay.events.back();
    return true;
}

// Makes the journal's file, locked, once recording has started.
bool Open(const ReplayRecord& replay) {
    if (TheJournal.path.empty()) {
        std::error_code code;
        fs::create_directories(TheJournal.folder, code);
        TheJournal.path = ReplayFreshName(TheJournal.folder, replay.seed);
    }
    TheJournal.fd =
        ::open((TheJournal.path + PARTIAL).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (TheJournal.fd < 0) {
        GiveUp("cannot make");
        return false;
    }
    ::flock(TheJournal.fd, LOCK_EX | LOCK_NB);
    if (!WriteFromStart(replay)) {
        GiveUp("cannot write");
        return false;
    }
    return true;
}

// Appends the events recorded since the last append; a recording that started over (a machine
// joining a network game again takes the game so far anew) is written again from its head.
bool Append(const ReplayRecord& replay, bool sync) {
    const auto& events = replay.events;
    const bool startedOver =
        replay.seed != TheJournal.seed || events.size() < TheJournal.written ||
        (TheJournal.written > 0 && !(events[TheJournal.written - 1] == TheJournal.lastWritten));
    if (startedOver) {
        if (!WriteFromStart(replay)) return false;
    } else if (events.size() > TheJournal.written) {
        std::string text;
        for (std::size_t i = TheJournal.written; i < events.size(); ++i) text += FormatReplayEvent(events[i]);
        if (!WriteAll(TheJournal.fd, text)) return false;
        TheJournal.written = events.size();
        TheJournal.lastWritten = events.back();
    }
    return !sync || ::fsync(TheJournal.fd) == 0 || errno == EINVAL;
}

bool Configured() { return !TheJournal.folder.empty() || !TheJournal.path.empty(); }

// A name for a kept replay, stem + suffix + EXTENSION, numbered when taken; `source`, the partial
// file being kept, does not count as taken.
std::string KeptName(const std::string& stem, const char* suffix, const std::string& source) {
    std::error_code ignored;
    auto taken = [&](const std::string& name) {
        return fs::exists(name, ignored) || (name + PARTIAL != source && fs::exists(name + PARTIAL, ignored));
    };
    std::string name = stem + suffix + EXTENSION;
    for (int n = 2; taken(name); ++n) name = stem + suffix + "-" + std::to_string(n) + EXTENSION;
    return name;
}

// Reads a whole file from its descriptor; false when it cannot, or is longer than a replay can be.
bool ReadAll(int fd, std::string* text) {
    char block[1 << 14];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (text->size() + static_cast<std::size_t>(n) > LARGEST_REPLAY_FILE) return false;
        text->append(block, static_cast<std::size_t>(n));
    }
}

// Keeps one partial file, which the caller holds locked; its path when kept, else "".
std::string KeepOne(const std::string& partial, int fd) {
    std::string text;
    if (!ReadAll(fd, &text)) return "";
    std::error_code code;
    const auto age = fs::file_time_type::clock::now() - fs::last_write_time(partial, code);
    if (text.empty() && !code && age < FRESH_EMPTY_AGE) return "";
    ReplayRecord replay;
    std::string why;
    if (!ParseCutShortReplay(text, &replay, &why)) {
        DiagTrace(DIAG_HIGH, "replay", __LINE__, "ReplayKeepCutShort",
                  "A run cut short left %s without a whole head (%s); it is removed", partial.c_str(),
                  why.c_str());
        ::unlink(partial.c_str());
        return "";
    }
    const std::string whole = partial.substr(0, partial.size() - std::strlen(PARTIAL));
    const std::string stem = whole.substr(0, whole.size() - std::strlen(EXTENSION));
    // A whole replay only lacked its rename; one cut short is written anew, ending in its cut line.
    const std::string kept = KeptName(stem, replay.cutShort ? "-cut-short" : "", partial);
    const bool done = replay.cutShort
                          ? WriteFileAtomically(kept, FormatReplay(replay), &why)
                          : std::rename(partial.c_str(), kept.c_str()) == 0 && SyncFolder(kept, &why);
    if (!done) {
        if (why.empty()) why = std::strerror(errno);
        DiagTrace(DIAG_ERROR, "replay", __LINE__, "ReplayKeepCutShort",
                  "The replay a run cut short left in %s cannot be kept: %s", partial.c_str(), why.c_str());
        return "";
    }
    ::unlink(partial.c_str());
    DiagTrace(DIAG_HIGH, "replay", __LINE__, "ReplayKeepCutShort",
              "The replay of a run %s was kept as %s: %zu events, to frame step %u",
              replay.cutShort ? "cut short" : "whose saving was cut short", kept.c_str(),
              replay.events.size(), static_cast<unsigned>(replay.steps));
    return kept;
}

}  // namespace

void ReplayJournalInFolder(const std::string& folder) {
    ReplayJournalResetForTests();
    TheJournal.folder = folder;
}

void ReplayJournalToFile(const std::string& path) {
    ReplayJournalResetForTests();
    TheJournal.path = path;
}

void ReplayJournalAfterStep(bool turnStarted, bool matchEnded) {
    if (!Configured() || TheJournal.failed || !ReplayRecording()) return;
    const ReplayRecord& replay = ReplayRecorded();
    if (TheJournal.fd < 0) {
        if (!Open(replay)) return;
        TheJournal.flushedAt = replay.steps;
        return;
    }
    const bool due = replay.steps - TheJournal.flushedAt >= JOURNAL_FLUSH_STEPS;
    if (!turnStarted && !matchEnded && !due) return;
    if (!Append(replay, matchEnded)) {
        GiveUp("cannot write");
        return;
    }
    TheJournal.flushedAt = replay.steps;
}

bool ReplayJournalFinish(std::string* saved, std::string* error) {
    if (TheJournal.fd < 0 || TheJournal.failed || !ReplayRecording()) {
        *error =
            TheJournal.failed ? "the replay could not be written as the game went" : "no replay was written";
        ReplayJournalAbandon();
        return false;
    }
    const ReplayRecord& replay = ReplayRecorded();
    const std::string partial = TheJournal.path + PARTIAL;
    bool done = Append(replay, false) && WriteAll(TheJournal.fd, FormatReplayEnd(replay)) &&
                (::fsync(TheJournal.fd) == 0 || errno == EINVAL);
    if (!done) *error = "cannot write " + partial + ": " + std::strerror(errno);
    CloseFile();
    if (done && std::rename(partial.c_str(), TheJournal.path.c_str()) != 0) {
        *error = "cannot rename " + partial + " to " + TheJournal.path + ": " + std::strerror(errno);
        done = false;
    }
    if (!done) {
        ::unlink(partial.c_str());
        ReplayJournalResetForTests();
        return false;
    }
    *saved = TheJournal.path;
    ReplayJournalResetForTests();
    return SyncFolder(*saved, error);
}

void ReplayJournalAbandon() {
    if (TheJournal.fd >= 0) ::unlink((TheJournal.path + PARTIAL).c_str());
    ReplayJournalResetForTests();
}

void ReplayJournalResetForTests() {
    CloseFile();
    TheJournal = Journal{};
}

std::vector<std::string> ReplayKeepCutShort(const std::string& folder) {
    // The names first: keeping one writes in the folder.
    std::vector<std::string> partials, kept;
    std::error_code code;
    const std::string ending = std::string(EXTENSION) + PARTIAL;
    for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
        std::error_code entryCode;
        if (it->path().string().ends_with(ending) && it->is_regular_file(entryCode))
            partials.push_back(it->path().string());
    }
    for (const std::string& name : partials) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::string path = KeepOne(name, fd);
            if (!path.empty()) kept.push_back(std::move(path));
        }
        ::close(fd);
    }
    return kept;
}
