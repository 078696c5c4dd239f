// Replay files on disk: whole reads, writes and the folder of the newest replays.
#include "replay/store.h"

#include "core/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* EXTENSION = ".lobshot-replay";
constexpr const char* PARTIAL = ".partial";
// A temporary file left this long was left by a write that never finished: none takes a minute.
constexpr auto STALE_PARTIAL_AGE = std::chrono::minutes(10);

bool Failed(std::string* error, const std::string& what) {
    *error = what + ": " + std::strerror(errno);
    return false;
}

std::string FreshNameIn(const std::string& directory, std::uint32_t seed) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string base = directory + "/" + stamp + "-seed" + std::to_string(seed);
    std::string name = base + EXTENSION;
    std::error_code ignored;
    for (int n = 2; fs::exists(name, ignored) || fs::exists(name + PARTIAL, ignored); ++n)
        name = base + "-" + std::to_string(n) + EXTENSION;
    return name;
}

// A file of the folder that pruning counts, and when it was last written.
struct Entry {
    fs::file_time_type time;
    std::string name;
};

bool IsReplay(const std::string& name) { return name.ends_with(EXTENSION); }

// The name of a report netplay writes beside the replays when machines' games differ.
bool IsDesyncReport(const std::string& fileName) {
    return fileName.starts_with("desync-") && fileName.ends_with(".txt");
}

// Removes the oldest files (by modification time, then name) until at most keep are left; returns
// how many went.
std::size_t RemoveOldest(std::vector<Entry>& files, std::size_t keep) {
    if (files.size() <= keep) return 0;
    std::sort(files.begin(), files.end(), [](const Entry& a, const Entry& b) {
        return a.time != b.time ? a.time < b.time : a.name < b.name;
    });
    std::size_t removed = 0;
    std::error_code code;
    for (std::size_t i = 0; i + keep < files.size(); ++i)
        if (fs::remove(files[i].name, code)) ++removed;
    return removed;
}

}  // namespace

std::string ReplayFreshName(const std::string& directory, std::uint32_t seed) {
    return FreshNameIn(directory, seed);
}

bool ReplayFileInUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return inUse;
}

bool ReplayReadFile(const std::string& path, ReplayRecord* replay, std::string* error) {
    std::error_code code;
    if (fs::is_directory(path, code)) {
        *error = path + ": is a folder, not a replay";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Failed(error, "cannot read " + path);
    std::string text;
    static char block[1 << 16];
    bool tooLong = false;
    for (std::size_t got; !tooLong && (got = std::fread(block, 1, sizeof block, file)) > 0;) {
        tooLong = got > LARGEST_REPLAY_FILE - text.size();
        if (!tooLong) text.append(block, got);
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) return Failed(error, "cannot read " + path);
    if (tooLong) {
        *error = path + ": longer than a replay can be";
        return false;
    }
    std::string why;
    if (!ParseReplay(text, replay, &why)) {
        *error = path + ": " + why;
        return false;
    }
    return true;
}

std::string GameDataDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/lobshot";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/lobshot";
    return "";
}

std::string ReplayDirectory() {
    const std::string data = GameDataDirectory();
    return data.empty() ? data : data + "/replays";
}

bool ReplaySaveInDirectory(const std::string& directory, const ReplayRecord& replay, std::size_t keep,
                           std::string* saved, std::string* error) {
    if (directory.empty()) {
        *error = "there is no folder for replays (neither XDG_DATA_HOME nor HOME is set)";
        return false;
    }
    std::error_code code;
    fs::create_directories(directory, code);
    if (code) {
        *error = "cannot make " + directory + ": " + code.message();
        return false;
    }
    *saved = FreshNameIn(directory, replay.seed);
    if (!WriteFileAtomically(*saved, FormatReplay(replay), error)) return false;
    ReplayPrune(directory, keep);
    return true;
}

std::size_t ReplayPrune(const std::string& directory, std::size_t keep) {
    std::vector<Entry> replays, reports;
    std::size_t removed = 0;
    std::error_code code;
    const fs::file_time_type staleBefore = fs::file_time_type::clock::now() - STALE_PARTIAL_AGE;
    for (fs::directory_iterator it(directory, code), end; !code && it != end; it.increment(code)) {
        std::error_code entryCode;
        if (!it->is_regular_file(entryCode)) continue;
        const std::string name = it->path().string();
        const fs::file_time_type time = it->last_write_time(entryCode);
        if (entryCode) continue;
        if (IsReplay(name)) {
            replays.push_back({time, name});
        } else if (IsDesyncReport(it->path().filename().string())) {
            reports.push_back({time, name});
        } else if (name.ends_with(PARTIAL) && time < staleBefore && !ReplayFileInUse(name)) {
            const std::string whole = name.substr(0, name.size() - std::strlen(PARTIAL));
            if ((IsReplay(whole) || IsDesyncReport(fs::path(whole).filename().string())) &&
                fs::remove(name, entryCode))
                ++removed;
        }
    }
    return removed + RemoveOldest(replays, keep) + RemoveOldest(reports, keep);
}
