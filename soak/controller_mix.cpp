// The soak runner's mix of people and computers for a game.
#include "soak/controller_mix.h"

namespace {

// Human and the levels the keys cycle through.
constexpr int CONTROLLER_KINDS = ControllerExpert + 1;

Controller RandomLevel(SoakRandom& random) {
    return static_cast<Controller>(random.Uniform(ControllerBeginner, ControllerExpert));
}

}  // namespace

SeatPlan PlanControllers(SoakRandom& random, int players) {
    SeatPlan plan{};
    plan.fill(ControllerHuman);
    const int kind = random.Uniform(0, 99);
    for (int seat = 0; seat < players; ++seat) {
        const bool computer = kind < 40 || random.Chance(0.5);
        if (computer) plan[static_cast<std::size_t>(seat)] = RandomLevel(random);
    }
    // All but one: a person takes one of the seats. In a mix that seat is the computer's for sure, so
    // that every game has one.
    const auto seat = static_cast<std::size_t>(random.Uniform(0, players - 1));
    if (kind >= 20 && kind < 40)
        plan[seat] = ControllerHuman;
    else if (plan[seat] == ControllerHuman && kind >= 40)
        plan[seat] = RandomLevel(random);
    return plan;
}

int CyclePresses(Controller now, Controller wanted) {
    return ((wanted - now) % CONTROLLER_KINDS + CONTROLLER_KINDS) % CONTROLLER_KINDS;
}
