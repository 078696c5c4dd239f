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

#include "computer/computer_random.h"
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
class TurnPlanner {
public:
    // Starts planning the shot of player `shooter` from the game as it stands now.
    void Begin(int shooter, Controller level, ComputerRandom* random);
    // One slice of the search, well under a millisecond; true once the decision is made.
    bool Think();
    const ShotDecision& Decision() const { return decision_; }

private:
    int shooter_ = -1;
    Controller level_ = ControllerHuman;
    ComputerRandom* random_ = nullptr;
    ShotDecision decision_;
    bool ready_ = false;
};

// Where a computer's shot ended (the tracked projectile's last position, landscape pixels), so that
// its next shot at the same target can correct from it.
void NoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y);
// A new landscape: what earlier shots taught is worthless now.
void ForgetShots();

// The shop: the weapon (0 to 5) that player `shopper` should buy next, or -1 to finish shopping.
// Called before each purchase; the driver then moves the cursor there and buys.
int NextPurchase(int shopper, Controller level, ComputerRandom* random);

// Tests: everything remembered back to the start.
void BrainResetForTests();
