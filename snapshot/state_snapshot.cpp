// The state snapshot: the game's state as JSON, for the replay runner, the page and the tests.
#include "snapshot/state_snapshot.h"

#include <array>
#include <sstream>
#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "landscape/landscape.h"
#include "netplay/lockstep.h"
#include "platform/audio.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"
#include "shell/shell.h"

namespace {

const char* Bool(bool value) { return value ? "true" : "false"; }

std::string JsonList(const std::vector<int>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) text += (i ? ", " : "") + std::to_string(values[i]);
    return text + "]";
}

// Names and chat lines as JSON strings: they hold codes 32 to 125 only (net/people_text.h), so the
// quote and the backslash are all that need escaping.
std::string JsonTexts(const std::vector<std::string>& texts) {
    std::string list = "[";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        list += i ? ", \"" : "\"";
        for (char c : texts[i]) list += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
        list += "\"";
    }
    return list + "]";
}

const char* ControllerName(int seat) {
    static const char* const names[] = {"human", "beginner", "easy", "normal", "hard", "expert"};
    const Controller c =
        seat >= 0 && seat < PLAYER_SEATS ? SeatControllers[static_cast<std::size_t>(seat)] : ControllerHuman;
    return c >= ControllerHuman && c < CONTROLLER_COUNT ? names[c] : "human";
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
    j << "  \"sound\": {\"played\": " << JsonList(AudioTakePlayed())
      << ", \"looping\": " << JsonList(AudioLooping()) << "},\n";
    const NetRole role = NetRoleNow();
    j << "  \"net\": {\"role\": \""
      << (role == NetRole::Host    ? "host"
          : role == NetRole::Join  ? "join"
          : role == NetRole::Watch ? "watch"
                                   : "local")
      << "\", \"machine\": " << NetMachine() << ", \"machines\": " << NetMachinesConnected()
      << ", \"stateHash\": " << NetStateHash() << ", \"desync\": " << Bool(NetDesync()) << ", \"room\": \""
      << NetRoom() << "\", \"watchers\": " << NetWatchers();
    // A game at one keyboard has no one's name nor chat: its snapshot stays as it always was.
    if (role != NetRole::Local)
        j << ", \"names\": " << JsonTexts(NetNames()) << ", \"chat\": " << JsonTexts(NetChat());
    j << "}\n";
    j << "}\n";
    return j.str();
}
