// The replay runner's outputs: the state snapshot, the screenshot, the material map and timing.
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "netplay/lockstep.h"
#include "platform/headless/headless_audio.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "replay/session.h"
#include "runner/runner.h"
#include "screens/setup_state.h"
#include "shell/shell.h"

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

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

std::string JsonList(const std::vector<int>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + std::to_string(values[i]);
    return text + "]";
}

std::int64_t Percentile(std::vector<std::int64_t> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

const char* ControllerName(int seat) {
    static const char* const names[] = {"human", "easy", "normal", "hard"};
    const Controller c =
        seat >= 0 && seat < PLAYER_SEATS ? SeatControllers[static_cast<std::size_t>(seat)] : ControllerHuman;
    return c >= ControllerHuman && c <= ControllerHard ? names[c] : "human";
}

void PlayerJson(std::ostringstream& j, const Player& p, int seat) {
    j << "    {\"name\": \"" << p.name << "\", \"inGame\": " << Bool(p.inGame)
      << ", \"alive\": " << Bool(p.alive) << ", \"x\": " << p.x << ", \"y\": " << p.y
      << ", \"angle\": " << p.angle << ", \"power\": " << p.power << ", \"weapon\": " << p.weapon
      << ", \"stock\": [";
    for (std::size_t i = 0; i < p.stock.size(); ++i) j << (i ? ", " : "") << p.stock[i];
    j << "], \"cash\": " << p.cash << ", \"armour\": " << p.armour << ", \"turnDamage\": " << p.turnDamage
      << ", \"profit\": " << p.profit << ", \"fallDistance\": " << p.fallDistance << ", \"controller\": \""
      << ControllerName(seat) << "\", \"machine\": "
      << (seat >= 0 && seat < PLAYER_SEATS ? SeatMachines[static_cast<std::size_t>(seat)] : 0) << "}";
}

void PlayersJson(std::ostringstream& j) {
    if (!ThePlayers) {
        j << "  \"players\": null,\n";
        return;
    }
    j << "  \"players\": {\"numPlayers\": " << ThePlayers->numPlayers
      << ", \"current\": " << ThePlayers->current << ", \"wind\": " << ThePlayers->wind
      << ",\n   \"list\": [\n";
    for (std::size_t i = 0; i < ThePlayers->players.size(); ++i) {
        PlayerJson(j, ThePlayers->players[i], static_cast<int>(i));
        j << (i + 1 < ThePlayers->players.size() ? ",\n" : "\n");
    }
    j << "  ]},\n";
}

// Counts of the shot objects in flight and the fired shell's last position.
void ProjectilesJson(std::ostringstream& j) {
    if (!TheProjectiles) {
        j << "  \"projectiles\": null,\n";
        return;
    }
    const ProjectileCollection& shots = *TheProjectiles;
    int projectiles = 0, explosions = 0, fragments = 0;
    std::array<int, FRAGMENT_TYPE_COUNT> types{};
    for (const Projectile* p = shots.projectiles; p; p = p->next) ++projectiles;
    for (const Explosion* e = shots.explosions; e; e = e->next) ++explosions;
    for (const Fragment* f = shots.fragments; f; f = f->next) {
        ++fragments;
        if (f->type >= 0 && f->type < FRAGMENT_TYPE_COUNT) ++types[static_cast<std::size_t>(f->type)];
    }
    j << "  \"projectiles\": {\"projectiles\": " << projectiles << ", \"explosions\": " << explosions
      << ", \"fragments\": " << fragments << ", \"fragmentTypes\": [" << types[0] << ", " << types[1] << ", "
      << types[2] << ", " << types[3] << ", " << types[4]
      << "], \"trackedAlive\": " << Bool(shots.trackedAlive) << ", \"trackedX\": " << shots.trackedX
      << ", \"trackedY\": " << shots.trackedY << "},\n";
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
      << "},\n";
    j << "  \"landscape\": ";
    if (TheLandscape) {
        const Landscape& land = *TheLandscape;
        std::array<long, 4> counts{};
        for (std::size_t i = 0; i < static_cast<std::size_t>(land.width) * land.height; ++i) {
            if (MaterialMap[i] >= Air && MaterialMap[i] <= Lava)
                ++counts[static_cast<std::size_t>(MaterialMap[i])];
        }
        j << "{\"width\": " << land.width << ", \"height\": " << land.height
          << ", \"skyWidth\": " << land.skyWidth << ", \"skyHeight\": " << land.skyHeight
          << ", \"gravityOn\": " << land.gravityOn << ", \"wind\": " << land.wind
          << ", \"windVaries\": " << Bool(land.windVaries) << ", \"materialCounts\": [" << counts[0] << ", "
          << counts[1] << ", " << counts[2] << ", " << counts[3] << "]},\n";
    } else {
        j << "null,\n";
    }
    PlayersJson(j);
    ProjectilesJson(j);
    j << "  \"shop\": {\"player\": " << ShopPlayer << ", \"row\": " << ShopRow << "},\n";
    j << "  \"choice\": {\"row\": " << ChoiceRow << "},\n";
    j << "  \"sound\": {\"played\": " << JsonList(HeadlessSoundTakePlayed())
      << ", \"looping\": " << JsonList(HeadlessSoundLooping()) << "},\n";
    const NetRole role = NetRoleNow();
    j << "  \"net\": {\"role\": \""
      << (role == NetRole::Host   ? "host"
          : role == NetRole::Join ? "join"
                                  : "local")
      << "\", \"machine\": " << NetMachine() << ", \"machines\": " << NetMachinesConnected()
      << ", \"stateHash\": " << NetStateHash() << ", \"desync\": " << Bool(NetDesync()) << "}\n";
    j << "}\n";
    return j.str();
}

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
         << "  terraform_ms " << (Timings.longestTerraformNanoseconds + 500000) / 1000000;
    return line.str();
}
