// The replay runner's outputs: the state snapshot, the screenshot, the material map, the replay and timing.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/globals.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "replay/session.h"
#include "runner/runner.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"

namespace {

// Writes all the bytes to the named file and closes it; false when any step fails.
bool WriteBytes(const char* name, const std::string& bytes) {
    std::FILE* file = std::fopen(name, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

// Makes an output at path through write(name), which writes the whole file of that name: see
// runner.h for where it writes and what a failure leaves.
bool WriteWhole(const std::string& path, const std::function<bool(const char*)>& write) {
    if (path.empty()) return false;
    std::error_code error;
    const auto kind = std::filesystem::symlink_status(path, error).type();
    if (kind != std::filesystem::file_type::not_found && kind != std::filesystem::file_type::regular)
        return write(path.c_str());
    const std::string partial = path + ".partial";
    if (write(partial.c_str()) && std::rename(partial.c_str(), path.c_str()) == 0) return true;
    std::remove(partial.c_str());
    return false;
}

std::int64_t Percentile(std::vector<std::int64_t> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

bool WriteStateSnapshot(const std::string& path) {
    const std::string json = StateSnapshotJson();
    return WriteWhole(path, [&json](const char* name) { return WriteBytes(name, json); });
}

bool WriteScreenshotPng(const std::string& path) { return WriteWhole(path, GraphxWriteVisiblePng); }

// A binary PGM of the current landscape, one byte a pixel holding its material; 0x0 without one.
bool WriteMaterialMap(const std::string& path) {
    const int width = TheLandscape ? TheLandscape->width : 0;
    const int height = TheLandscape ? TheLandscape->height : 0;
    std::string bytes = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n3\n";
    const std::size_t header = bytes.size();
    bytes.resize(header + static_cast<std::size_t>(width) * height);
    for (std::size_t i = header; i < bytes.size(); ++i) bytes[i] = static_cast<char>(MaterialMap[i - header]);
    return WriteWhole(path, [&bytes](const char* name) { return WriteBytes(name, bytes); });
}

bool WriteReplayFile(const std::string& path) {
    const std::string text = FormatReplay(ReplayRecorded());
    return WriteWhole(path, [&text](const char* name) { return WriteBytes(name, text); });
}

std::string TimingLine() {
    const std::vector<std::int64_t>& ns = Timings.frameNanoseconds;
    std::int64_t total = 0, longest = 0;
    for (std::int64_t v : ns) {
        total += v;
        longest = std::max(longest, v);
    }
    auto us = [](std::int64_t nanoseconds) { return static_cast<long long>((nanoseconds + 500) / 1000); };
    std::ostringstream line;
    line << "frames " << ns.size() << "  mean_us "
         << (ns.empty() ? 0 : us(total / static_cast<std::int64_t>(ns.size()))) << "  p50_us "
         << us(Percentile(ns, 0.50)) << "  p99_us " << us(Percentile(ns, 0.99)) << "  max_us " << us(longest)
         << "  terraform_ms " << (Timings.longestTerraformNanoseconds + 500000) / 1000000 << "  ticks "
         << HeadlessTickCount();
    return line.str();
}
