// The replay runner's outputs: the state snapshot, the screenshot, the material map and timing.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "display/graphx.h"
#include "headless/runner.h"
#include "shell/globals.h"
#include "shell/random.h"
#include "shell/shell.h"

namespace {

const char* Bool(bool value) {
    return value ? "true" : "false";
}

std::int64_t Percentile(std::vector<std::int64_t> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

std::string StateSnapshotJson() {
    std::ostringstream j;
    j << "{\n";
    j << "  \"frame\": " << FrameCounter << ",\n";
    j << "  \"mode\": \"" << (GameModeName(CurrentMode) ? GameModeName(CurrentMode) : "?") << "\",\n";
    j << "  \"rngState\": " << game::RandState() << ",\n";
    j << "  \"active\": " << Bool(AppActive) << ", \"inputSuspended\": " << Bool(InputSuspended) << ",\n";
    j << "  \"view\": {\"x\": " << ViewX << ", \"y\": " << ViewY << ", \"target\": " << ViewTarget
      << ", \"followMode\": " << ViewFollowMode << "},\n";
    j << "  \"flags\": {\"quitPrompt\": " << Bool(QuitPromptShown) << ", \"help\": " << Bool(HelpShown)
      << ", \"angleGuide\": " << Bool(AngleGuideShown) << ", \"readyMessageTicks\": " << ReadyMessageTicks
      << ", \"endMatchPan\": " << Bool(EndMatchPan) << ", \"panStepX\": " << PanStepX
      << ", \"panStepY\": " << PanStepY << ", \"newGamePending\": " << Bool(NewGamePending) << "},\n";
    j << "  \"shot\": {\"fireDelay\": " << FireDelay << ", \"shotsToFire\": " << ShotsToFire
      << ", \"settleCountdown\": " << SettleCountdown << "},\n";
    j << "  \"options\": {\"landscapeGravity\": " << LandscapeGravityOption << ", \"wind\": " << WindOption
      << "}\n";
    j << "}\n";
    return j.str();
}

bool WriteStateSnapshot(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << StateSnapshotJson();
    return static_cast<bool>(out);
}

bool WriteScreenshotPng(const std::string& path) {
    return GraphxWriteVisiblePng(path.c_str());
}

bool WriteMaterialMap(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n0 0\n3\n";
    return static_cast<bool>(out);
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
         << "  terraform_ms " << (Timings.longestTerraformNanoseconds + 500000) / 1000000;
    return line.str();
}
