// The soak runner's driver, which plays the real game on the headless backend with random keys.
//
// From a seed it steers the game through every screen, checks the game's rules after every frame
// and keeps the keys it sent as a replay script.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "players/player.h"
#include "soak/controller_mix.h"
#include "soak/invariants.h"
#include "soak/key_log.h"
#include "soak/soak_random.h"

struct SoakOptions {
    std::uint32_t seed = 1;
    std::uint32_t matches = 10;    // complete matches to play
    std::uint64_t maxFrames = 0;   // stop after this many frames; 0 for no limit
    int maxPlayers = MAX_PLAYERS;  // games of 2 to this many players
    std::uint32_t shotFrameLimit = DEFAULT_SHOT_FRAME_LIMIT;
};

struct SoakStats {
    std::uint32_t matchesComplete = 0;
    std::uint32_t matchesStarted = 0;
    std::uint32_t gamesStarted = 0;
    std::uint32_t gamesAbandoned = 0;
    std::uint32_t matchesCutShort = 0;  // abandoned because they went on too long
    std::array<std::uint32_t, WEAPON_COUNT> shots{};
    std::uint32_t refusedShots = 0;
    std::uint32_t roundsBought = 0;
    std::uint32_t roundsSold = 0;
    std::array<std::uint32_t, MAX_PLAYERS + 1> gamesByPlayers{};
    std::array<std::uint32_t, 2> matchesByGravity{};
    std::array<std::uint32_t, 4> matchesByWind{};
    std::array<std::uint64_t, 6> framesByMode{};
    // Computer players: games where they are all but one seat or every seat, matches with any,
    // turns by level (indexed by Controller), shots by weapon, shop visits and the all-computer
    // end-of-match tables left to move on by themselves; the longest of each, in frames.
    std::uint32_t gamesOnePerson = 0;
    std::uint32_t gamesAllComputers = 0;
    std::uint32_t gamesWithComputers = 0;
    std::uint32_t matchesWithComputers = 0;
    std::array<std::uint32_t, CONTROLLER_COUNT> computerTurns{};
    std::array<std::uint32_t, WEAPON_COUNT> computerShots{};
    std::uint32_t computerShopVisits = 0;
    std::uint32_t tablesMovedOn = 0;
    std::uint32_t longestComputerTurn = 0;
    std::uint32_t longestComputerShop = 0;
    std::uint32_t longestTable = 0;
    // Empty while every rule has held; else the first failure (the run stops there).
    std::string failure;
};

class SoakDriver : public HeadlessDriver {
public:
    explicit SoakDriver(const SoakOptions& options);

    bool Feed() override;

    // Whether the matches or the frames asked for are done.
    bool Finished() const;
    // A line on standard error at the end of every match.
    void SetProgress(bool on) { progress_ = on; }

    const SoakStats& Stats() const { return stats_; }
    const KeyLog& Log() const { return log_; }
    std::uint64_t Frames() const { return log_.Ticks(); }

private:
    struct Hold {
        int key;
        int ticks;
    };
    // What the current player means to do this turn.
    struct TurnPlan {
        int weapon = 0;
        int angle = 0;
        int power = 0;
        int extras = 0;
    };
    // One thing to do for the player now in the shop: a key on a row (Enter or Space buys, S
    // sells), or S held there to sell on at the repeat rate.
    struct ShopErrand {
        int row;
        int key;
        bool hold;
    };
    using Stock = std::array<std::int32_t, WEAPON_COUNT>;
    // At an all-computer game's end-of-match table: leave it to move on, press Space, or give up.
    enum class TablePlan { Wait, Space, Abandon };

    void Observe();
    void Enter(std::uint32_t from);
    void BeginTurn(bool newMatch);
    void EndMatch();
    void Act();

    void OnTitle();
    void OnPlayerChoice();
    void OnShop();
    void OnAiming();
    void OnShot();
    void OnEndOfMatch();
    void OnQuitPrompt();
    void OnComputerAiming();
    void OnComputerShop();
    void OnDemoTable();

    void PlanChoice();
    void StrayChoiceKey();
    bool ChoiceDone() const;
    bool SetController(bool batch);
    void CountGame();
    void PlanShopper();
    ShopErrand Purchase(int weapon, std::int32_t* cash, Stock* stock);
    ShopErrand Sale(int weapon, Stock* stock);
    void PlanTurn();
    int PlanWeapon(const Player& player);
    void AimingExtra();
    void LookAround();
    void StepAway();
    void PersonAside(bool aiming);
    bool Adjust(const Player& player);
    void StepTowards(int now, int target, int upKey, int downKey, bool batch);
    void AbandonGame();
    bool ComputerSeat(int seat) const;
    bool OnlyComputers() const;

    void Press(int key);
    void HoldKey(int key, int ticks);
    void ReleaseHolds();
    bool Holding() const { return !holds_.empty(); }
    void Wait(int lo, int hi);

    SoakOptions options_;
    SoakRandom random_;
    KeyLog log_;
    InvariantChecker checker_;
    SoakStats stats_;
    bool progress_ = false;

    std::vector<Hold> holds_;
    int idle_ = 0;
    int inactiveTicks_ = 0;
    bool wantQuit_ = false;
    std::uint32_t mode_ = 0;
    bool modeSeen_ = false;
    int turnPlayer_ = -1;
    int matchTurns_ = 0;

    int choicePlayers_ = 2;
    int choiceGravity_ = 1;
    int choiceWind_ = 0;
    bool choiceEscape_ = false;
    SeatPlan choiceControllers_{};
    int shopper_ = -1;
    std::vector<ShopErrand> errands_;
    std::int64_t shopStock_ = 0;
    TurnPlan plan_;
    int asides_ = 0;  // things a person does while a computer aims or shops
    int dwell_ = 0;
    TablePlan tablePlan_ = TablePlan::Wait;
    bool tableLeft_ = false;  // an all-computer table left to move on by itself
};
