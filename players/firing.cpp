// Where a shot starts and where its consequences are booked: firing, damage, earnings and the
// settling of a match's profit into cash.
#include "core/rules.h"
#include "core/shots.h"
#include "diag/diag.h"
#include "players/player_collection.h"
#include "sound/sound.h"

namespace {

// The sound of each weapon's launch.
constexpr int LAUNCH_SOUNDS[WEAPON_COUNT] = {SOUND_SHELL_LAUNCH, SOUND_LIGHT_LAUNCH, SOUND_LIGHT_LAUNCH,
                                             SOUND_LIGHT_LAUNCH, SOUND_LIGHT_LAUNCH, SOUND_HEAVY_LAUNCH};

// Destroying a tank is worth this much to the one who did it, or costs them as much if it was
// their own.
constexpr std::int32_t KILL_BONUS = 50;

}  // namespace

// The shot leaves the tip of the short barrel; an angle of 90 fires straight up because screen y
// grows downwards.
void PlayerCollection::Fire(ShotLauncher* projectiles) {
    DIAG_SCOPE_NAMED("PlayerCollection::Fire", "main");
    Player& shooter = players[current];
    if (shooter.weapon < 0 || shooter.weapon >= WEAPON_COUNT) return;
    std::int32_t& stock = shooter.stock[shooter.weapon];
    if (stock > 0) --stock;
    SoundPlay(LAUNCH_SOUNDS[shooter.weapon]);

    const float c = BarrelCos(shooter.angle);
    const float s = BarrelSin(shooter.angle);
    const auto x0 = static_cast<float>(shooter.x - BARREL_LENGTH * c);
    const auto y0 = static_cast<float>((shooter.y - shooter.height) - BARREL_LENGTH * s);
    const double speed = LaunchSpeed(shooter.power);
    const auto vx = static_cast<float>(-c * speed);
    const auto vy = static_cast<float>(-s * speed);
    if (projectiles) projectiles->Launch(x0, y0, vx, vy, WeaponKind(shooter.weapon), 0, true);
    UpdateMenu();
}

// Hitting an enemy pays half the damage done, plus a bonus for destroying it. Destroying one's own
// tank costs the bonus, shared among the other tanks still standing; merely damaging it moves no
// money.
void PlayerCollection::DamagePlayer(std::int32_t amount, int attacker, int victim,
                                    ShotLauncher* projectiles) {
    DIAG_SCOPE_NAMED("PlayerCollection::DamagePlayer", "main");
    Player* shooter = Get(attacker);
    Player* target = Get(victim);
    if (!shooter || !target) return;
    if (attacker == victim) {
        if (!target->TakeDamage(&amount, projectiles)) {
            shooter->profit -= KILL_BONUS;
            auto shares = [&](int i) { return i != attacker && players[i].inGame && players[i].alive; };
            int others = 0;
            for (int i = 0; i < numPlayers; ++i) others += shares(i) ? 1 : 0;
            for (int i = 0; i < numPlayers; ++i) {
                if (shares(i)) players[i].profit += KILL_BONUS / others;
            }
        }
    } else {
        if (!target->TakeDamage(&amount, projectiles)) shooter->profit += KILL_BONUS;
        shooter->profit += amount / 2;
    }
    UpdateArmourChart();
}

// A quarter of the armour left is added to the profit; neither a loss nor debt is carried over.
void PlayerCollection::SettleMatch() {
    DIAG_SCOPE_NAMED("PlayerCollection::SettleMatch", "main");
    for (int i = 0; i < numPlayers; ++i) {
        Player& player = players[i];
        if (!player.inGame) continue;
        player.profit += player.armour / 4;
        if (player.profit < 0) player.profit = 0;
        player.cash += player.profit;
        if (player.cash < 0) player.cash = 0;
    }
}
