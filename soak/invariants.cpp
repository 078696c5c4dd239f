// The soak runner's rules of the game's state, checked after every frame.
#include "soak/invariants.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

#include "core/globals.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"

namespace {

constexpr std::int32_t LAST_PROJECTILE_KIND = KindLava;

// A projectile survives an update only within SIDE_MARGIN pixels beyond a side edge and above the
// bottom; those made during the update (debris, scatter, splits) may start up to a crater's radius
// farther out and are tested on the next one. Nothing limits the height, but no shot climbs this far.
constexpr float SIDE_REACH = static_cast<float>(SIDE_MARGIN) + 128.0f;
constexpr float BOTTOM_REACH = 128.0f;
constexpr float TOP_REACH = 100000.0f;
// A list longer than this is taken to be a loop.
constexpr int PROJECTILE_LIST_LIMIT = 1000000;

template <typename... Parts>
std::string Say(const Parts&... parts) {
    std::ostringstream text;
    (text << ... << parts);
    return text.str();
}

bool IsPlayMode(std::uint32_t mode) { return mode == Aiming || mode == ShotInProgress || mode == EndOfMatch; }

// Mode changes a single tick's keys and frame can make; Terraform passes from the shop to Aiming.
bool AllowedChange(std::uint32_t from, std::uint32_t to) {
    if (from == to) return true;
    switch (from) {
        case Title:
            return to == PlayerChoice;
        case PlayerChoice:
            return to == Title || to == WeaponShop;
        case WeaponShop:
            return to == Title || to == Aiming;
        case Aiming:
            return to == Title || to == ShotInProgress;
        case ShotInProgress:
            return to == Aiming || to == EndOfMatch;
        case EndOfMatch:
            return to == Title || to == WeaponShop;
        default:
            return false;
    }
}

bool Solid(const Landscape& land, int x, int y) { return land.Inside(x, y) && land.Cell(x, y) != Air; }

// A tank rests on the pixel under the middle of its bottom row, or on the bottom row itself.
bool Rests(const Landscape& land, const Player& player) {
    return player.y >= land.height - 1 || Solid(land, player.x, player.y + 1);
}

std::string Who(int index, const Player& player) { return Say("player ", index, " (", player.name, ")"); }

int AliveCount(const PlayerCollection& players) {
    int alive = 0;
    for (int i = 0; i < players.numPlayers; ++i) alive += players.players[static_cast<std::size_t>(i)].alive;
    return alive;
}

std::string CheckModeAndFlags() {
    if (CurrentMode > Title) return Say("the mode is ", CurrentMode);
    if (QuitPromptShown && CurrentMode != Aiming && CurrentMode != WeaponShop && CurrentMode != EndOfMatch)
        return Say("the quit prompt is up in mode ", GameModeName(CurrentMode));
    if (ReadyMessageTicks < 0 || ReadyMessageTicks > READY_MESSAGE_FRAMES)
        return Say("the ready message has ", ReadyMessageTicks, " frames to go");
    if (LandscapeGravityOption > 1) return Say("the landscape gravity option is ", LandscapeGravityOption);
    if (WindOption < 0 || WindOption > 3) return Say("the wind option is ", WindOption);
    if (CurrentMode == ShotInProgress) {
        if (SettleCountdown < -1 || SettleCountdown > SETTLE_FRAMES)
            return Say("the settle countdown is ", SettleCountdown);
        if (FireDelay < -1 || FireDelay > FIRE_DELAY_FRAMES) return Say("the fire delay is ", FireDelay);
        if (ShotsToFire < 0 || ShotsToFire > 1) return Say(ShotsToFire, " shots are left to fire");
    }
    return {};
}

std::string CheckRecord(int index, const Player& player, int numPlayers) {
    auto fail = [&](const auto&... parts) { return Say(Who(index, player), ": ", parts...); };
    if (player.inGame != (index < numPlayers)) return fail("in the game is ", player.inGame);
    if (player.cash < 0) return fail("cash ", player.cash);
    if (player.stock[WeaponShell] >= 0)
        return fail("the first weapon's stock is ", player.stock[WeaponShell], ", not unlimited");
    for (int w = WeaponSodSalvo; w < WEAPON_COUNT; ++w)
        if (player.stock[static_cast<std::size_t>(w)] < 0)
            return fail("stock of weapon ", w, " is ", player.stock[static_cast<std::size_t>(w)]);
    if (player.weapon < WeaponNone || player.weapon >= WEAPON_COUNT) return fail("weapon ", player.weapon);
    if (player.angle < 0 || player.angle > MAX_ANGLE) return fail("angle ", player.angle);
    if (player.power < 0 || player.power > MAX_POWER) return fail("power ", player.power);
    if (player.armour < 0 || player.armour > FULL_ARMOUR) return fail("armour ", player.armour);
    if (player.turnDamage < 0) return fail("damage this turn ", player.turnDamage);
    if (player.fallDistance < 0) return fail("fallen ", player.fallDistance);
    return {};
}

std::string CheckRecords(const PlayerCollection& players) {
    if (players.numPlayers < 2 || players.numPlayers > MAX_PLAYERS)
        return Say("the number of players is ", players.numPlayers);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players.players[static_cast<std::size_t>(i)];
        std::string failure = CheckRecord(i, player, players.numPlayers);
        if (!failure.empty()) return failure;
        if (IsPlayMode(CurrentMode) && i < players.numPlayers && player.weapon < 0)
            return Say(Who(i, player), ": no weapon selected during a match");
    }
    return {};
}

std::string CheckScreens(const PlayerCollection& players) {
    if (CurrentMode == WeaponShop) {
        if (ScreenPlayers != &players) return "the shop serves another player collection";
        if (ShopPlayer < 0 || ShopPlayer >= players.numPlayers)
            return Say("the shop serves player ", ShopPlayer);
        if (ShopRow < 0 || ShopRow > SHOP_FINISH_ROW) return Say("the shop's cursor is on row ", ShopRow);
    }
    if (CurrentMode == PlayerChoice && (ChoiceRow < CHOICE_PLAYERS_ROW || ChoiceRow > CHOICE_START_ROW))
        return Say("the player choice cursor is on row ", ChoiceRow);
    return {};
}

std::string CheckLandscape(const Landscape& land, const PlayerCollection& players) {
    if (land.width < MIN_LANDSCAPE_WIDTH || land.width > MAX_LANDSCAPE_WIDTH ||
        land.height < MIN_LANDSCAPE_HEIGHT || land.height > MAX_LANDSCAPE_HEIGHT)
        return Say("the landscape is ", land.width, "x", land.height);
    if (land.skyWidth != land.width / 4 + SCREEN_WIDTH || land.skyHeight != land.height / 4 + SCREEN_HEIGHT)
        return Say("the sky is ", land.skyWidth, "x", land.skyHeight, " over a landscape ", land.width, "x",
                   land.height);
    if (land.wind < -MAX_WIND || land.wind > MAX_WIND) return Say("the wind is ", land.wind);
    if (players.wind != land.wind)
        return Say("the wind sock shows ", players.wind, ", the wind is ", land.wind);
    const std::int32_t maxX = land.width - SCREEN_WIDTH;
    const std::int32_t maxY = land.height + MENU_BAR_MARGIN - SCREEN_HEIGHT;
    if (ViewX < 0 || ViewX > maxX || ViewY < 0 || ViewY > maxY)
        return Say("the view (", ViewX, ", ", ViewY, ") is outside (0..", maxX, ", 0..", maxY, ")");
    return {};
}

std::string CheckTanks(const Landscape& land, const PlayerCollection& players) {
    if (players.current < 0 || players.current >= players.numPlayers)
        return Say("the current player is ", players.current);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players.players[static_cast<std::size_t>(i)];
        if (i >= players.numPlayers) {
            if (player.alive) return Say(Who(i, player), " is alive but not in the game");
            continue;
        }
        if (!player.alive) continue;
        if (player.x < TANK_EDGE_DISTANCE || player.x >= land.width - TANK_EDGE_DISTANCE || player.y < -1 ||
            player.y >= land.height)
            return Say(Who(i, player), "'s tank at (", player.x, ", ", player.y,
                       ") is outside the landscape ", land.width, "x", land.height);
    }
    return {};
}

std::string CheckProjectiles(const ProjectileCollection& collection, const Landscape& land) {
    int count = 0;
    for (const Projectile* p = collection.projectiles; p; p = p->next) {
        if (++count > PROJECTILE_LIST_LIMIT) return "the projectile list does not end";
        if (CurrentMode == Aiming) return Say("a projectile of kind ", p->kind, " is flying while aiming");
        if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->vx) || !std::isfinite(p->vy))
            return Say("a projectile of kind ", p->kind, " is at (", p->x, ", ", p->y, ") moving (", p->vx,
                       ", ", p->vy, ")");
        if (p->x < -SIDE_REACH || p->x >= static_cast<float>(land.width) + SIDE_REACH ||
            p->y >= static_cast<float>(land.height) + BOTTOM_REACH || p->y < -TOP_REACH)
            return Say("a projectile of kind ", p->kind, " is at (", p->x, ", ", p->y, "), far outside");
        if (p->kind < KindShell || p->kind > LAST_PROJECTILE_KIND)
            return Say("a projectile has kind ", p->kind);
    }
    return {};
}

// While aiming everything has come to rest: at least two tanks, each standing on something.
std::string CheckAiming(const Landscape& land, const PlayerCollection& players) {
    if (AliveCount(players) < 2) return Say("aiming with ", AliveCount(players), " tanks alive");
    const Player& current = players.players[static_cast<std::size_t>(players.current)];
    if (!current.alive) return Say("aiming for ", Who(players.current, current), ", whose tank is destroyed");
    for (int i = 0; i < players.numPlayers; ++i) {
        const Player& player = players.players[static_cast<std::size_t>(i)];
        if (!player.alive) continue;
        if (!Rests(land, player) || player.fallDistance != 0)
            return Say(Who(i, player), "'s tank hangs over air at (", player.x, ", ", player.y, ")");
    }
    return {};
}

// With landscape gravity on and the shot over, no solid pixel stands over air.
std::string CheckTerrainSettled(const Landscape& land) {
    for (int x = 0; x < land.width; ++x) {
        bool solidAbove = false;
        for (int y = 0; y < land.height; ++y) {
            const bool solid = land.Cell(x, y) != Air;
            if (solidAbove && !solid)
                return Say("earth floats over air at (", x, ", ", y, ") after the shot");
            solidAbove = solidAbove || solid;
        }
    }
    return {};
}

std::string CheckPlay(const PlayerCollection& players) {
    if (!TheLandscape || !TheProjectiles)
        return Say("no landscape or projectiles in mode ", GameModeName(CurrentMode));
    std::string failure = CheckLandscape(*TheLandscape, players);
    if (failure.empty()) failure = CheckTanks(*TheLandscape, players);
    if (failure.empty()) failure = CheckProjectiles(*TheProjectiles, *TheLandscape);
    if (!failure.empty()) return failure;
    if (CurrentMode == Aiming) return CheckAiming(*TheLandscape, players);
    const Player& current = players.players[static_cast<std::size_t>(players.current)];
    if (CurrentMode == ShotInProgress && !current.inGame)
        return Say("the shot belongs to ", Who(players.current, current), ", who is not in the game");
    if (CurrentMode == EndOfMatch && AliveCount(players) >= 2)
        return Say("the match ended with ", AliveCount(players), " tanks alive");
    return {};
}

}  // namespace

std::string InvariantChecker::CheckFrame() const {
    std::string failure = CheckModeAndFlags();
    if (!failure.empty()) return failure;
    if (!ThePlayers) return "there is no player collection";
    failure = CheckRecords(*ThePlayers);
    if (failure.empty()) failure = CheckScreens(*ThePlayers);
    if (failure.empty() && IsPlayMode(CurrentMode)) failure = CheckPlay(*ThePlayers);
    if (failure.empty() && seen_ && !AllowedChange(mode_, CurrentMode))
        failure = Say("the mode went from ", GameModeName(mode_), " to ", GameModeName(CurrentMode));
    return failure;
}

// From frame to frame of a match: tanks only fall, and only into air; the dead stay dead; armour
// and cash never grow; the end of the match pays each player's profit, with a bonus for armour.
std::string InvariantChecker::CheckMatch() {
    if (!seen_ || !IsPlayMode(CurrentMode)) return {};
    const Landscape& land = *TheLandscape;
    const bool newMatch = !IsPlayMode(mode_);
    const bool settling = mode_ == ShotInProgress && CurrentMode == EndOfMatch;
    for (int i = 0; i < ThePlayers->numPlayers; ++i) {
        const Player& now = ThePlayers->players[static_cast<std::size_t>(i)];
        const PlayerSeen& before = players_[static_cast<std::size_t>(i)];
        auto fail = [&](const auto&... parts) { return Say(Who(i, now), parts...); };
        if (newMatch) {
            if (!now.alive) return fail(" starts the match destroyed");
            if (Solid(land, now.x, now.y) || !Rests(land, now))
                return fail("'s tank is placed at (", now.x, ", ", now.y, "), not on the ground");
            continue;
        }
        if (now.x != before.x || now.y < before.y)
            return fail("'s tank moved from (", before.x, ", ", before.y, ") to (", now.x, ", ", now.y, ")");
        if (now.alive && now.y != before.y && Solid(land, now.x, now.y))
            return fail("'s tank fell into the ground at (", now.x, ", ", now.y, ")");
        if (now.alive && !before.alive) return fail("'s tank came back to life");
        if (now.armour > before.armour)
            return fail("'s armour grew from ", before.armour, " to ", now.armour);
        if (settling) {
            std::int32_t profit = std::max(0, before.profit + now.armour / 4);
            if (now.profit != profit || now.cash != before.cash + profit)
                return fail(" was paid ", now.profit, " profit (cash ", before.cash, " to ", now.cash,
                            ") from a profit of ", before.profit, " and armour ", now.armour);
        } else if (now.cash != before.cash) {
            return fail("'s cash changed from ", before.cash, " to ", now.cash, " during the match");
        }
    }
    return {};
}

// A shot uses one round of the shooter's weapon (none of an unlimited one) and nothing else, and
// its turn ends in time; landscape gravity leaves nothing floating once it is over.
std::string InvariantChecker::CheckShot() {
    if (!seen_ || !IsPlayMode(CurrentMode) || !IsPlayMode(mode_)) return {};
    const PlayerCollection& players = *ThePlayers;
    if (CurrentMode == ShotInProgress && mode_ != ShotInProgress) {
        shooter_ = players.current;
        const Player& shooter = players.players[static_cast<std::size_t>(shooter_)];
        shotWeapon_ = shooter.weapon;
        shotStock_ = shooter.stock[static_cast<std::size_t>(shotWeapon_)];
        roundsUsed_ = 0;
        shotFrames_ = 0;
        if (shotStock_ == 0) return Say("a shot began with no rounds of weapon ", shotWeapon_, " left");
    }
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        for (int w = 0; w < WEAPON_COUNT; ++w) {
            const std::int32_t now =
                players.players[static_cast<std::size_t>(i)].stock[static_cast<std::size_t>(w)];
            const std::int32_t before =
                players_[static_cast<std::size_t>(i)].stock[static_cast<std::size_t>(w)];
            if (now == before) continue;
            const bool firing = mode_ == ShotInProgress && CurrentMode == ShotInProgress && i == shooter_ &&
                                w == shotWeapon_ && now == before - 1 && roundsUsed_ == 0;
            if (!firing)
                return Say(Who(i, players.players[static_cast<std::size_t>(i)]), "'s stock of weapon ", w,
                           " went from ", before, " to ", now, " in mode ", GameModeName(CurrentMode));
            ++roundsUsed_;
        }
    }
    if (CurrentMode == ShotInProgress && ++shotFrames_ > shotFrameLimit_)
        return Say("the turn has not ended after ", shotFrameLimit_, " frames of the shot");
    if (mode_ == ShotInProgress && CurrentMode != ShotInProgress) {
        const int expected = shotStock_ > 0 ? 1 : 0;
        if (roundsUsed_ != expected)
            return Say("the shot used ", roundsUsed_, " rounds of weapon ", shotWeapon_, " from a stock of ",
                       shotStock_);
        if (CurrentMode == Aiming && TheLandscape->gravityOn) return CheckTerrainSettled(*TheLandscape);
    }
    return {};
}

void InvariantChecker::Remember() {
    seen_ = true;
    mode_ = CurrentMode;
    if (!ThePlayers) return;
    for (std::size_t i = 0; i < players_.size(); ++i) {
        const Player& player = ThePlayers->players[i];
        players_[i] = PlayerSeen{player.x,    player.y,      player.alive, player.armour,
                                 player.cash, player.profit, player.stock};
    }
}

std::string InvariantChecker::Check() {
    std::string failure = CheckFrame();
    if (failure.empty()) failure = CheckMatch();
    if (failure.empty()) failure = CheckShot();
    std::string paceFailure = pace_.Check(ObservePace());
    if (failure.empty()) failure = std::move(paceFailure);
    Remember();
    return failure;
}
