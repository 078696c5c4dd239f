// The soak runner's driver: each tick's bookkeeping, the keys it posts and its choices on every screen.
#include "soak/soak_driver.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "core/globals.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "platform/input.h"
#include "players/player_collection.h"
#include "screens/setup_state.h"
#include "soak/aim.h"

namespace {

constexpr int SELL_KEY = 'S';
// A match with people in it that has run this many turns for each player is abandoned, so that
// tanks that cannot reach each other do not hold the soak up. A match of computers alone must end
// by their play: one that runs past COMPUTER_MATCH_TURNS turns is a stalemate, and a failure.
constexpr int TURN_BUDGET_PER_PLAYER = 30;
constexpr int COMPUTER_MATCH_TURNS = 300;
// A held aiming key moves the value once, then again from the eighth even frame on, once every
// second frame: holding it 2 * (steps + AIM_REPEAT_DELAY) - 2 ticks moves it by just under steps.
constexpr int AIM_REPEAT_DELAY = 6;

constexpr int ARROWS[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};
constexpr int CHOICE_KEYS[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_RETURN, VK_SPACE};
constexpr int CLOSING_KEYS[] = {VK_SPACE, VK_RETURN, VK_ESCAPE, VK_LEFT, 'A', 'Z', 'C', 'N'};
constexpr int IDLE_SHOT_KEYS[] = {VK_SPACE, VK_ESCAPE, 'X', 'Q', 'S', VK_F1};
// Keys that are the computer's alone while it aims or shops; a person's are ignored.
constexpr int COMPUTER_AIMING_KEYS[] = {VK_SPACE, 'Z', 'X', 'A', 'Q', 'W', 'S', VK_F2, VK_RETURN};
constexpr int COMPUTER_SHOP_KEYS[] = {VK_RETURN, VK_SPACE, VK_UP, VK_DOWN, 'S'};

template <std::size_t N>
int Pick(SoakRandom& random, const int (&keys)[N]) {
    return keys[random.Uniform(0, static_cast<int>(N) - 1)];
}

std::int64_t TotalStock() {
    std::int64_t total = 0;
    for (int i = 0; i < MAX_PLAYERS; ++i)
        for (int w = 1; w < WEAPON_COUNT; ++w)
            total += ThePlayers->Get(i)->stock[static_cast<std::size_t>(w)];
    return total;
}

std::int32_t Price(int weapon, bool buying) {
    WeaponData data;
    if (!GetWeaponData(weapon, &data)) return 0;
    return buying ? data.buyPrice : data.sellPrice;
}

}  // namespace

SoakDriver::SoakDriver(const SoakOptions& options)
    : options_(options),
      random_(options.seed),
      log_("# args: --seed " + std::to_string(options.seed) + "\n"),
      checker_(options.shotFrameLimit) {}

// Called after every frame step: check the rules, take note of what happened, choose this tick's
// keys and let the next frame run.
bool SoakDriver::Feed() {
    std::string failure = checker_.Check();
    stats_.longestComputerTurn = checker_.Pace().LongestTurn();
    stats_.longestComputerShop = checker_.Pace().LongestShopVisit();
    stats_.longestTable = checker_.Pace().LongestTable();
    if (!failure.empty()) {
        stats_.failure = std::move(failure);
        return false;
    }
    Observe();
    if (Finished()) return false;
    Act();
    if (!stats_.failure.empty()) return false;
    log_.Tick();
    HeadlessTick();
    return true;
}

bool SoakDriver::Finished() const {
    if (options_.matches > 0 && stats_.matchesComplete >= options_.matches) return true;
    return options_.maxFrames > 0 && log_.Ticks() >= options_.maxFrames;
}

void SoakDriver::Observe() {
    if (CurrentMode <= Title) ++stats_.framesByMode[CurrentMode];
    if (CurrentMode == WeaponShop) {
        const std::int64_t total = TotalStock();
        if (mode_ == WeaponShop && modeSeen_) {
            if (total > shopStock_) stats_.roundsBought += static_cast<std::uint32_t>(total - shopStock_);
            if (total < shopStock_) stats_.roundsSold += static_cast<std::uint32_t>(shopStock_ - total);
        }
        shopStock_ = total;
    }
    if (!modeSeen_ || CurrentMode != mode_) {
        const std::uint32_t from = mode_;
        mode_ = CurrentMode;
        Enter(from);
        modeSeen_ = true;
    }
}

void SoakDriver::Enter(std::uint32_t from) {
    wantQuit_ = false;
    switch (CurrentMode) {
        case Title:
            if (modeSeen_ && from != PlayerChoice) ++stats_.gamesAbandoned;
            Wait(0, 15);
            break;
        case PlayerChoice:
            PlanChoice();
            break;
        case WeaponShop:
            if (from == PlayerChoice) CountGame();
            if (from == EndOfMatch && tableLeft_) ++stats_.tablesMovedOn;
            shopper_ = -1;
            break;
        case Aiming:
            BeginTurn(from == WeaponShop);
            break;
        case ShotInProgress:
            if (const int weapon = ThePlayers->Current()->weapon; weapon >= 0 && weapon < WEAPON_COUNT) {
                ++stats_.shots[static_cast<std::size_t>(weapon)];
                if (ComputerSeat(ThePlayers->CurrentIndex()))
                    ++stats_.computerShots[static_cast<std::size_t>(weapon)];
            }
            break;
        case EndOfMatch:
            EndMatch();
            break;
        default:
            break;
    }
}

void SoakDriver::CountGame() {
    const int players = ThePlayers->numPlayers;
    int computers = 0;
    for (int i = 0; i < players; ++i) computers += ComputerSeat(i);
    ++stats_.gamesStarted;
    ++stats_.gamesByPlayers[static_cast<std::size_t>(players)];
    stats_.gamesWithComputers += computers > 0;
    stats_.gamesOnePerson += computers == players - 1;
    stats_.gamesAllComputers += computers == players;
}

void SoakDriver::BeginTurn(bool newMatch) {
    if (newMatch) {
        ++stats_.matchesStarted;
        if (std::any_of(SeatControllers.begin(), SeatControllers.begin() + ThePlayers->numPlayers,
                        [](Controller c) { return c != ControllerHuman; }))
            ++stats_.matchesWithComputers;
        ++stats_.matchesByGravity[TheLandscape && TheLandscape->gravityOn ? 1 : 0];
        ++stats_.matchesByWind[static_cast<std::size_t>(WindOption & 3)];
        matchTurns_ = 0;
    } else {
        ++matchTurns_;
    }
    const int current = ThePlayers->CurrentIndex();
    if (!ComputerSeat(current)) return PlanTurn();
    ++stats_.computerTurns[SeatControllers[static_cast<std::size_t>(current)]];
    const int asides = random_.Uniform(0, 19);
    asides_ = asides < 10 ? 0 : asides < 16 ? 1 : asides < 19 ? 2 : 4;
}

// At the end of a match with a person at the keyboard they look at the table a while and press on;
// without one the table mostly moves on by itself.
void SoakDriver::EndMatch() {
    ++stats_.matchesComplete;
    dwell_ = random_.Uniform(5, 120);
    tableLeft_ = false;
    if (OnlyComputers()) {
        const int choice = random_.Uniform(0, 99);
        tablePlan_ = choice < 75 ? TablePlan::Wait : choice < 87 ? TablePlan::Space : TablePlan::Abandon;
        tableLeft_ = tablePlan_ == TablePlan::Wait;
        dwell_ = random_.Uniform(5, COMPUTER_DEMO_TABLE_FRAMES - 10);
    }
    if (progress_)
        std::cerr << "lobshot-soak: match " << stats_.matchesComplete << " over after " << matchTurns_ + 1
                  << " turns of " << ThePlayers->numPlayers << " players, frame " << log_.Ticks() << "\n";
}

void SoakDriver::Act() {
    if (inactiveTicks_ > 0) {
        if (--inactiveTicks_ == 0) {
            log_.Activate(true);
            PostInput(InputEvent::AppActivation(true));
        }
        return;
    }
    ReleaseHolds();
    if (idle_ > 0) {
        --idle_;
        return;
    }
    if (QuitPromptShown) return OnQuitPrompt();
    switch (CurrentMode) {
        case Title:
            return OnTitle();
        case PlayerChoice:
            return OnPlayerChoice();
        case WeaponShop:
            return OnShop();
        case Aiming:
            return OnAiming();
        case ShotInProgress:
            return OnShot();
        case EndOfMatch:
            return OnEndOfMatch();
        default:
            return;
    }
}

void SoakDriver::Press(int key) {
    log_.Press(key);
    PostInput(InputEvent::Down(key));
    PostInput(InputEvent::Up(key));
}

void SoakDriver::HoldKey(int key, int ticks) {
    log_.Down(key);
    PostInput(InputEvent::Down(key));
    holds_.push_back({key, ticks});
}

void SoakDriver::ReleaseHolds() {
    for (auto hold = holds_.begin(); hold != holds_.end();) {
        if (--hold->ticks > 0) {
            ++hold;
            continue;
        }
        log_.Up(hold->key);
        PostInput(InputEvent::Up(hold->key));
        hold = holds_.erase(hold);
    }
}

void SoakDriver::Wait(int lo, int hi) { idle_ = random_.Uniform(lo, hi); }

bool SoakDriver::ComputerSeat(int seat) const {
    return seat >= 0 && seat < PLAYER_SEATS &&
           SeatControllers[static_cast<std::size_t>(seat)] != ControllerHuman;
}

bool SoakDriver::OnlyComputers() const {
    for (int i = 0; i < ThePlayers->numPlayers; ++i)
        if (!ComputerSeat(i)) return false;
    return true;
}

// One or more presses of the key that moves a value or a cursor from now towards target.
void SoakDriver::StepTowards(int now, int target, int lowerKey, int raiseKey, bool batch) {
    if (now == target) return;
    const int distance = std::abs(target - now);
    const int presses = batch ? random_.Uniform(1, distance) : 1;
    for (int i = 0; i < presses; ++i) Press(target < now ? lowerKey : raiseKey);
}

// Esc opens the quit prompt, and Shift+Y answers it, at once or a little later.
void SoakDriver::AbandonGame() {
    Press(VK_ESCAPE);
    wantQuit_ = true;
    if (random_.Chance(0.3)) OnQuitPrompt();
}

void SoakDriver::OnQuitPrompt() {
    if (wantQuit_) {
        wantQuit_ = false;
        log_.Down(VK_SHIFT);
        PostInput(InputEvent::Down(VK_SHIFT));
        Press('Y');
        log_.Up(VK_SHIFT);
        PostInput(InputEvent::Up(VK_SHIFT));
        return;
    }
    const int choice = random_.Uniform(0, 99);
    if (choice < 10)
        Press('Y');
    else if (choice < 15)
        Press(VK_SHIFT);
    else
        Press(Pick(random_, CLOSING_KEYS));
    Wait(0, 10);
}

void SoakDriver::OnTitle() { Press(random_.Chance(0.5) ? VK_RETURN : VK_SPACE); }

void SoakDriver::PlanChoice() {
    choicePlayers_ = random_.Uniform(2, options_.maxPlayers);
    choiceGravity_ = random_.Uniform(0, 1);
    choiceWind_ = random_.Uniform(0, 3);
    choiceEscape_ = random_.Chance(0.03);
    choiceControllers_ = PlanControllers(random_, choicePlayers_);
    Wait(0, 5);
}

// Whether the number of players and every seat's controller are as planned, so that "Start Game"
// begins a game with a computer in it.
bool SoakDriver::ChoiceDone() const {
    if (ThePlayers->numPlayers != choicePlayers_) return false;
    for (int i = 0; i < choicePlayers_; ++i)
        if (SeatControllers[static_cast<std::size_t>(i)] != choiceControllers_[static_cast<std::size_t>(i)])
            return false;
    return true;
}

// A stray key: any of the screen's, or a seat's number; a key that would start the game before the
// controllers are set becomes a seat's number.
void SoakDriver::StrayChoiceKey() {
    int key = Pick(random_, CHOICE_KEYS);
    const bool starts = key == VK_RETURN || key == VK_SPACE;
    if (random_.Chance(0.25) || (starts && !ChoiceDone())) key = '1' + random_.Uniform(0, PLAYER_SEATS - 1);
    Press(key);
}

// The seat keys towards the planned controller of the first seat in the game that differs: all
// its presses at once or one; false when every seat is as planned.
bool SoakDriver::SetController(bool batch) {
    for (int i = 0; i < ThePlayers->numPlayers; ++i) {
        const auto seat = static_cast<std::size_t>(i);
        const int presses = CyclePresses(SeatControllers[seat], choiceControllers_[seat]);
        if (presses == 0) continue;
        for (int p = batch ? presses : 1; p > 0; --p) Press('1' + i);
        return true;
    }
    return false;
}

// Works down the screen: the number of players, gravity, wind, then "Start Game", with a stray
// key now and then. Once the number of players is right, the seats' controllers are set on the
// way, all of them before the start.
void SoakDriver::OnPlayerChoice() {
    if (choiceEscape_) {
        choiceEscape_ = false;
        Press(VK_ESCAPE);
        return;
    }
    Wait(0, 3);
    if (random_.Chance(0.08)) return StrayChoiceKey();
    const int values[] = {ThePlayers->numPlayers, static_cast<int>(LandscapeGravityOption), WindOption};
    const int targets[] = {choicePlayers_, choiceGravity_, choiceWind_};
    int row = CHOICE_START_ROW;
    for (int r = CHOICE_PLAYERS_ROW; r < CHOICE_START_ROW; ++r) {
        if (values[r] != targets[r]) {
            row = r;
            break;
        }
    }
    const bool batch = random_.Chance(0.5);
    const bool playersSet = row != CHOICE_PLAYERS_ROW;
    if (playersSet && (row == CHOICE_START_ROW || random_.Chance(0.3)) && SetController(batch)) return;
    if (ChoiceRow != row)
        StepTowards(ChoiceRow, row, VK_UP, VK_DOWN, batch);
    else if (row != CHOICE_START_ROW)
        StepTowards(values[row], targets[row], VK_LEFT, VK_RIGHT, batch);
    else
        Press(random_.Chance(0.5) ? VK_RETURN : VK_SPACE);
}

// A few purchases and sales for the player now in the shop, by what they can afford and own, with
// now and then a key on the unlimited first weapon or a held S.
void SoakDriver::PlanShopper() {
    shopper_ = ShopPlayer;
    errands_.clear();
    if (random_.Chance(0.015)) return AbandonGame();
    if (random_.Chance(0.03)) Press(VK_ESCAPE);
    const Player& player = *ThePlayers->Get(ShopPlayer);
    std::int32_t cash = player.cash;
    auto stock = player.stock;
    for (int i = random_.Uniform(0, 4); i > 0; --i) {
        const int kind = random_.Uniform(0, 99);
        int weapon = random_.Uniform(1, WEAPON_COUNT - 1);
        if (kind < 65)
            errands_.push_back(Purchase(weapon, &cash, &stock));
        else if (kind < 85)
            errands_.push_back(Sale(weapon, &stock));
        else if (kind < 95)
            errands_.push_back({0, random_.Chance(0.5) ? VK_RETURN : SELL_KEY, false});
        else
            errands_.push_back({weapon, SELL_KEY, true});
    }
}

// Buying: an A-Bomb half the time it is affordable, else a few tries for a weapon within the cash;
// a purchase that cannot be paid is tried all the same (the shop must refuse it).
SoakDriver::ShopErrand SoakDriver::Purchase(int weapon, std::int32_t* cash, Stock* stock) {
    if (*cash >= Price(WeaponABomb, true) && random_.Chance(0.5)) weapon = WeaponABomb;
    for (int tries = 0; tries < 8 && Price(weapon, true) > *cash; ++tries)
        weapon = random_.Uniform(1, WEAPON_COUNT - 1);
    if (Price(weapon, true) <= *cash) {
        *cash -= Price(weapon, true);
        ++(*stock)[static_cast<std::size_t>(weapon)];
    }
    return {weapon, random_.Chance(0.5) ? VK_RETURN : VK_SPACE, false};
}

// Selling: a few tries for a weapon in stock; selling one not owned is tried all the same.
SoakDriver::ShopErrand SoakDriver::Sale(int weapon, Stock* stock) {
    for (int tries = 0; tries < 8 && (*stock)[static_cast<std::size_t>(weapon)] <= 0; ++tries)
        weapon = random_.Uniform(1, WEAPON_COUNT - 1);
    if ((*stock)[static_cast<std::size_t>(weapon)] > 0) --(*stock)[static_cast<std::size_t>(weapon)];
    return {weapon, SELL_KEY, false};
}

void SoakDriver::OnShop() {
    if (Holding()) return;
    if (ComputerSeat(ShopPlayer)) return OnComputerShop();
    if (ShopPlayer != shopper_) {
        PlanShopper();
        if (wantQuit_ || QuitPromptShown) return;
    }
    Wait(0, 2);
    if (random_.Chance(0.03)) return Press(random_.Chance(0.5) ? VK_UP : VK_DOWN);
    const bool batch = random_.Chance(0.6);
    if (errands_.empty()) {
        if (ShopRow != SHOP_FINISH_ROW) return StepTowards(ShopRow, SHOP_FINISH_ROW, VK_UP, VK_DOWN, batch);
        return Press(random_.Chance(0.5) ? VK_RETURN : VK_SPACE);
    }
    const ShopErrand errand = errands_.front();
    if (ShopRow != errand.row) return StepTowards(ShopRow, errand.row, VK_UP, VK_DOWN, batch);
    errands_.erase(errands_.begin());
    if (errand.hold)
        HoldKey(errand.key, random_.Uniform(10, 40));
    else
        Press(errand.key);
}

// Mostly a weapon in stock other than the unlimited one, sometimes one with none left (the fire
// key must refuse it).
int SoakDriver::PlanWeapon(const Player& player) {
    std::vector<int> owned, empty;
    for (int w = 1; w < WEAPON_COUNT; ++w)
        (player.stock[static_cast<std::size_t>(w)] > 0 ? owned : empty).push_back(w);
    if (!empty.empty() && random_.Chance(0.04))
        return empty[static_cast<std::size_t>(random_.Uniform(0, static_cast<int>(empty.size()) - 1))];
    if (!owned.empty() && random_.Chance(0.75))
        return owned[static_cast<std::size_t>(random_.Uniform(0, static_cast<int>(owned.size()) - 1))];
    return 0;
}

// Most turns aim at a living enemy; the rest take any angle and power, now and then one so weak
// that the shell drops by the shooter's own tank.
void SoakDriver::PlanTurn() {
    const Player& player = *ThePlayers->Current();
    plan_.weapon = PlanWeapon(player);
    std::vector<int> enemies;
    for (int i = 0; i < ThePlayers->numPlayers; ++i)
        if (i != ThePlayers->CurrentIndex() && ThePlayers->Get(i)->alive) enemies.push_back(i);
    if (!enemies.empty() && random_.Chance(0.65)) {
        const int target =
            enemies[static_cast<std::size_t>(random_.Uniform(0, static_cast<int>(enemies.size()) - 1))];
        const Aim aim = AimAt(*TheLandscape, player, *ThePlayers->Get(target), random_);
        const int jitter = random_.Chance(0.3) ? random_.Uniform(-2, 2) : 0;
        plan_.angle = std::clamp(aim.angle + jitter, 0, MAX_ANGLE);
        plan_.power = aim.power;
    } else {
        plan_.angle = random_.Uniform(0, MAX_ANGLE);
        plan_.power = random_.Chance(0.05) ? random_.Uniform(0, 5) : random_.Uniform(15, MAX_POWER);
    }
    const int extras = random_.Uniform(0, 9);
    plan_.extras = extras < 5 ? 0 : extras < 8 ? 1 : extras < 9 ? 2 : 4;
    Wait(0, 10);
}

// Looking around: scrolling, gliding to a tank or back to the shooter's, or the help screen.
void SoakDriver::LookAround() {
    switch (random_.Uniform(0, 4)) {
        case 0:
            for (int i = random_.Uniform(1, 6); i > 0; --i) Press(ARROWS[random_.Uniform(0, 3)]);
            return;
        case 1:
            return HoldKey(Pick(random_, ARROWS), random_.Uniform(3, 40));
        case 2:
            return Press('1' + random_.Uniform(0, MAX_PLAYERS - 1));
        case 3:
            return Press('C');
        default:
            return HoldKey(VK_F1, random_.Uniform(2, 40));
    }
}

// Losing the focus for a moment; it comes back on its own.
void SoakDriver::StepAway() {
    log_.Activate(false);
    PostInput(InputEvent::AppActivation(false));
    inactiveTicks_ = random_.Uniform(1, 20);
}

// Something besides aiming: looking around, the angle guide, the quit prompt, a key that means
// nothing here, losing and regaining the focus, or giving up.
void SoakDriver::AimingExtra() {
    switch (random_.Uniform(0, 7)) {
        case 0:
            return HoldKey(VK_F2, random_.Uniform(2, 40));
        case 1:
            return Press(VK_ESCAPE);
        case 2:
            return Press(random_.Chance(0.5) ? VK_RETURN : 'Y');
        case 3:
            return StepAway();
        case 4:
            if (random_.Chance(0.1)) return AbandonGame();
            return Press(Pick(random_, ARROWS));
        default:
            return LookAround();
    }
}

// What a person at the keyboard does while a computer aims (or shops): look around (aiming only),
// call up the quit prompt, which the next keys close, step away, now and then press a key the
// computer's turn keeps from them, and rarely give up the game.
void SoakDriver::PersonAside(bool aiming) {
    const int choice = random_.Uniform(0, 99);
    if (aiming && choice < 50) return LookAround();
    if (choice < 70) return Press(VK_ESCAPE);
    if (choice < 82) return StepAway();
    if (choice < 97)
        return Press(aiming ? Pick(random_, COMPUTER_AIMING_KEYS) : Pick(random_, COMPUTER_SHOP_KEYS));
    if (random_.Chance(0.2)) return AbandonGame();
    Press(VK_ESCAPE);
}

// A computer aims: the person mostly watches.
void SoakDriver::OnComputerAiming() {
    if (asides_ > 0 && random_.Chance(0.04)) {
        --asides_;
        PersonAside(true);
    }
}

// A computer shops: the person mostly watches, and now and then gives up at once.
void SoakDriver::OnComputerShop() {
    if (ShopPlayer != shopper_) {
        shopper_ = ShopPlayer;
        errands_.clear();
        ++stats_.computerShopVisits;
        asides_ = random_.Chance(0.3) ? random_.Uniform(1, 2) : 0;
        if (random_.Chance(0.01)) return AbandonGame();
    }
    if (asides_ > 0 && random_.Chance(0.03)) {
        --asides_;
        PersonAside(false);
    }
}

void SoakDriver::OnAiming() {
    if (Holding()) return;
    if (OnlyComputers() && matchTurns_ > COMPUTER_MATCH_TURNS) {
        stats_.failure = "a match of computers alone has gone " + std::to_string(matchTurns_) +
                         " turns without ending (a stalemate)";
        return;
    }
    if (!OnlyComputers() && matchTurns_ > TURN_BUDGET_PER_PLAYER * ThePlayers->numPlayers) {
        ++stats_.matchesCutShort;
        return AbandonGame();
    }
    if (ComputerSeat(ThePlayers->CurrentIndex())) return OnComputerAiming();
    if (plan_.extras > 0 && random_.Chance(0.2)) {
        --plan_.extras;
        return AimingExtra();
    }
    const Player& player = *ThePlayers->Current();
    Wait(0, 1);
    if (Adjust(player)) return;
    if (player.stock[static_cast<std::size_t>(player.weapon)] == 0) {
        ++stats_.refusedShots;
        plan_.weapon = 0;
    }
    Press(VK_SPACE);
}

// Keys towards the planned weapon, angle and power, in that order, by presses in a batch or a held
// key; false once everything is as planned.
bool SoakDriver::Adjust(const Player& player) {
    if (player.weapon != plan_.weapon) {
        const int forward = (plan_.weapon - player.weapon + WEAPON_COUNT) % WEAPON_COUNT;
        const bool useS = random_.Chance(0.8) ? forward <= WEAPON_COUNT / 2 : random_.Chance(0.5);
        const int presses = useS ? forward : WEAPON_COUNT - forward;
        for (int i = 0; i < presses; ++i) Press(useS ? 'S' : 'W');
        return true;
    }
    const bool aimingAngle = player.angle != plan_.angle;
    if (!aimingAngle && player.power == plan_.power) return false;
    const int now = aimingAngle ? player.angle : player.power;
    const int target = aimingAngle ? plan_.angle : plan_.power;
    const int key = aimingAngle ? (target < now ? 'Z' : 'X') : (target < now ? 'A' : 'Q');
    const int distance = std::abs(target - now);
    if (distance > 12 && random_.Chance(0.25)) {
        HoldKey(key, 2 * (distance + AIM_REPEAT_DELAY) - 2);
        return true;
    }
    for (int i = std::min(distance, random_.Uniform(1, 25)); i > 0; --i) Press(key);
    return true;
}

void SoakDriver::OnShot() {
    if (random_.Chance(0.01)) return Press(Pick(random_, ARROWS));
    if (random_.Chance(0.004)) Press(Pick(random_, IDLE_SHOT_KEYS));
}

// The table of a game without people: a look around now and then, rarely the quit prompt, and the
// plan made at the end of the match.
void SoakDriver::OnDemoTable() {
    if (random_.Chance(0.01)) {
        if (random_.Chance(0.5)) return Press(Pick(random_, ARROWS));
        return HoldKey(Pick(random_, ARROWS), random_.Uniform(3, 30));
    }
    if (random_.Chance(0.002)) return Press(VK_ESCAPE);
    if (tablePlan_ == TablePlan::Wait) return;
    if (dwell_ > 0) {
        --dwell_;
        return;
    }
    if (tablePlan_ == TablePlan::Abandon) return AbandonGame();
    Press(VK_SPACE);
}

void SoakDriver::OnEndOfMatch() {
    if (Holding()) return;
    if (OnlyComputers()) return OnDemoTable();
    if (dwell_ > 0) {
        --dwell_;
        if (random_.Chance(0.03)) {
            if (random_.Chance(0.5)) return Press(Pick(random_, ARROWS));
            return HoldKey(Pick(random_, ARROWS), random_.Uniform(3, 30));
        }
        return;
    }
    const int choice = random_.Uniform(0, 99);
    if (choice < 20) return AbandonGame();
    if (choice < 25) return Press(VK_ESCAPE);
    Press(VK_SPACE);
}
