// What a computer player decides. A first plain version: it aims straight up with middling power
// and buys nothing; the searching planner replaces it.
#include "computer/brain.h"

void TurnPlanner::Begin(int shooter, Controller level, ComputerRandom* random) {
    shooter_ = shooter;
    level_ = level;
    random_ = random;
    decision_ = ShotDecision{};
    ready_ = true;
}

bool TurnPlanner::Think() { return ready_; }

void NoteShotLanded(int, int, std::int32_t, std::int32_t) {}
void ForgetShots() {}
int NextPurchase(int, Controller, ComputerRandom*) { return -1; }
void BrainResetForTests() {}
