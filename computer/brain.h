// What a computer player decides: whom to shoot, with which weapon, at what angle and power, and
// what to buy in the shop. Decisions read the game's state only (the landscape, the players, the
// wind and gravity) and draw from the computer players' own generator; they never change the
// game's state nor draw from the game's generator.
//
// The driver (computer/computer_players.h) calls these from the frame step: TurnPlanner::Begin at
// the start of a computer's turn, Think once a frame until it says the plan is ready, then it
// presses the keys that carry the plan out.
#pragma once

#include <cstdint>
#include <vector>

#include "computer/computer_random.h"
#include "computer/flight_sim.h"
#include "computer/targeting.h"
#include "core/globals.h"

// What the turn's keys should reach: the barrel angle (0 to 180), the power (0 to 100) and the
// weapon (0 to 5, one the player has in stock), and the player aimed at (-1 for none).
struct ShotDecision {
    std::int32_t angle = 90;
    std::int32_t power = 50;
    std::int32_t weapon = 0;
    int target = -1;
};

// One computer seat's thinking over one turn, spread over frames.
//
// The thinking is a queue of searches, each over the powers at one angle for one aim; a slice runs
// searches until it has walked THINK_SLICE_SAMPLES samples of predicted paths, so its cost is fixed
// by the work done, never by a clock. Decision() holds the shot that would hurt the shooter least of
// those predicted so far (none before the first search) and the best found once the thinking is
// over; it is final once Think returns true, which happens within THINK_SLICES slices.
class TurnPlanner {
public:
    static constexpr std::int64_t THINK_SLICE_SAMPLES = 15000;
    static constexpr int THINK_SLICES = 40;

    // Starts planning the shot of player `shooter` from the game as it stands now (TheLandscape,
    // ThePlayers and the gravity of TheProjectiles); nothing of it changes while the turn is
    // planned. `quietTurns` is the number of turns in a row no tank has lost armour: from
    // STALEMATE_TURNS on, every level digs and lobs rather than fire what has failed. `matchTurns`
    // is the number of turns begun on this landscape: from LONG_MATCH_TURNS on, every level does the
    // same, grazes or not, so that a match between two tanks that only scratch each other ends.
    void Begin(int shooter, Controller level, ComputerRandom* random, int quietTurns = 0, int matchTurns = 0);
    // One slice of the search, well under a millisecond; true once the decision is made.
    bool Think();
    const ShotDecision& Decision() const { return decision_; }
    // Slices run since Begin, and the most samples one of them walked.
    int Slices() const { return slices_; }
    std::int64_t MostSliceSamples() const { return mostSliceSamples_; }

    static constexpr int STALEMATE_TURNS = 30;
    static constexpr int LONG_MATCH_TURNS = 150;

    // The stages of a turn's thinking (see brain.cpp; the stages' work is split by concern among
    // weapon_choice.cpp, digging.cpp and aiming.cpp).
    enum class Stage { Shells, Special, Clear, Aim, Escape, Done };
    // Which result a search feeds.
    enum Slot { SlotShell, SlotSpecial, SlotClear, SlotAim, SLOT_COUNT };

private:
    struct Search {
        AimGoal goal;
        std::int32_t angle;
        Preference preference;
        Slot slot;
        std::int32_t shift;  // of the power scan (see PowerSearch)
    };

    void Queue(const AimGoal& goal, std::int32_t angle, Preference preference, Slot slot,
               std::int32_t shift = 0);
    void QueueFan(const AimGoal& goal, Preference preference, Slot slot, int first, int step, int last);
    AimGoal GoalAt(int target, std::int32_t weapon, float offset) const;
    void Reset(int shooter, Controller level, ComputerRandom* random, int quietTurns);
    void QueueShells();
    void Keep(const PowerSearch& search);
    void Advance();
    void AfterShells();
    void ChooseSpecial(bool hits);  // computer/weapon_choice.cpp
    void AfterSpecial();
    void ClearTheWay();  // computer/digging.cpp
    bool SteepOnly(int target, int keep, int* column, int* row) const;
    void AfterClear();
    void StartAim(const Candidate& best, std::int32_t weapon, int target);  // computer/aiming.cpp
    void AfterAim();
    void AimByEye(const Candidate& best, std::int32_t weapon, int target);
    Candidate Unrepeated(const Candidate& shot, std::int32_t weapon, int target);
    void Finish(const Candidate& shot, std::int32_t weapon, int target);
    void FinishLeastHarm();
    AimGoal EscapeGoal(int dir) const;
    bool Repeats(const Candidate& shot, std::int32_t weapon) const;
    bool Worn(const Candidate& shot, std::int32_t weapon) const;
    bool Hits(const Candidate& c) const;
    bool PoursOnto(const Candidate& c, int target) const;

    int shooter_ = -1;
    Controller level_ = ControllerHuman;
    ComputerRandom* random_ = nullptr;
    ShotDecision decision_;
    bool ready_ = false;
    bool stalemate_ = false;
    bool refined_ = false;       // the angles around the nearest shell have been searched
    bool escapeSought_ = false;  // boxed in, every angle both ways has been searched for a way out
    int quietTurns_ = 0;

    FlightSim sim_;
    Stage stage_ = Stage::Done;
    std::vector<Search> searches_;
    std::size_t nextSearch_ = 0;
    PowerSearch current_;
    Slot currentSlot_ = SlotShell;
    bool searching_ = false;
    Candidate results_[SLOT_COUNT];
    int resultTargets_[SLOT_COUNT] = {};
    std::int32_t resultWeapons_[SLOT_COUNT] = {};
    Candidate leastHarm_;
    std::int32_t leastHarmWeapon_ = 0;
    int leastHarmTarget_ = -1;
    Candidate bestKill_;  // the best shot that kills the target but hurts the shooter
    std::int32_t bestKillWeapon_ = 0;
    int bestKillTarget_ = -1;
    Candidate harmless_;  // a way out that hurts nobody, lost off a side
    Candidate wornWay_;   // the best way out that is worn out from here
    std::int32_t specialWeapon_ = -1;
    // The shot the aim errs from, and how far from its aim point an erring shot may land.
    Candidate aimBest_;
    std::int32_t aimWeapon_ = 0;
    int aimTarget_ = -1;
    float aimReach_ = 0.0f;
    bool aimRetried_ = false;
    std::vector<int> targets_;
    std::size_t targetIndex_ = 0;
    float aimOffset_ = 0.0f;
    int slices_ = 0;
    std::int64_t mostSliceSamples_ = 0;
};

// Where a computer's shot ended (the tracked projectile's last position, landscape pixels), so that
// its next shot at the same target can correct from it, and whether it took armour off an opponent.
void NoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y);
void NoteShotOutcome(int shooter, bool hurtOpponent);
// A new landscape: what earlier shots taught is worthless now.
void ForgetShots();

// The shop: the weapon (0 to 5) that player `shopper` should buy next, or -1 to finish shopping.
// Called before each purchase; the driver then moves the cursor there and buys.
int NextPurchase(int shopper, Controller level, ComputerRandom* random);

// Tests: everything remembered back to the start.
void BrainResetForTests();

// What the computer players remember of their last shots: per shooter, the target, the angle and
// the point along the line of fire (pixels beyond the target, negative when short) the shot was
// meant for, and where it landed once noted.
struct ShotMemory {
    int target = -1;
    std::int32_t angle = -1;
    std::int32_t power = -1;
    std::int32_t weapon = -1;
    std::int32_t fromX = 0;  // where the shooter stood
    std::int32_t fromY = 0;
    float meantOffset = 0.0f;
    bool landed = false;
    std::int32_t landX = 0;
    std::int32_t landY = 0;
    int shots = 0;
    std::int32_t wind = 0;  // the wind it was fired in
    // The shot before it from the same place at the same target: its power and how far beyond the
    // target it came down (negative when short), for a level that learns from its last two shots.
    bool havePrevious = false;
    std::int32_t previousPower = 0;
    std::int32_t previousMiss = 0;
};
// A shot as it was fired: the wind and place it was fired in, its key (ShotKey) in the ground as
// it left it, and how far from its target it came down (pixels across or down, whichever is more;
// NEVER_NEAR when it was never seen or had no target). One that took no armour off anyone is not
// fired again while its key stays the same, nor at all once it has come down a few times from the
// same place no nearer its target; one that did is tried first from the same place.
constexpr std::int32_t NEVER_NEAR = 1 << 20;
struct FiredShot {
    std::int32_t angle;
    std::int32_t power;
    std::int32_t weapon;
    std::uint32_t key;
    std::int32_t wind;
    std::int32_t x;
    std::int32_t y;
    std::int32_t miss = NEVER_NEAR;
};
// What decides where a shot goes, as one number: the shooter's place, the wind and the end of the
// shot's flight predicted in the ground and among the tanks as `sim` holds them, an end that follows
// from what lies along its path and from nothing else. Shots of one angle, power and weapon with
// the same key go the same way; ground the flight never meets leaves the key as it was.
std::uint32_t ShotKey(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                      std::int32_t weapon);
const ShotMemory& RememberedShot(int shooter);
