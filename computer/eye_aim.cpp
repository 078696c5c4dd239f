// How the lower levels set their power by eye: a misjudged first guess, then corrections from the last shot.
#include "computer/eye_aim.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/rules.h"
#include "landscape/landscape.h"

namespace {

// The most the power moves from one shot to the next, and the least carry of a step believed.
constexpr std::int32_t MOST_CHANGE = 20;
constexpr float LEAST_CARRY = 2.0f;
// A shot landing this near the target's column was on it.
constexpr float ON_TARGET = 8.0f;
// The power steps either side of a shot over which its carry is measured.
constexpr std::int32_t CARRY_SPAN = 2;
// A tank pushed this far down into its own crater, or this far aside, still stands where it was.
constexpr std::int32_t SAME_PLACE_X = 3;
constexpr std::int32_t SAME_PLACE_Y = 20;

// The way a barrel at this angle fires: right above 90 degrees, left below.
int DirOf(std::int32_t angle) { return angle > 90 ? 1 : -1; }

// Where the shot would end along its line, in the wind given.
float EndAt(FlightSim sim, int shooter, std::int32_t angle, std::int32_t power, std::int32_t weapon,
            std::int32_t wind) {
    sim.SetWind(wind);
    return sim.Shot(shooter, angle, std::clamp(power, 0, MAX_POWER), weapon).x;
}

// How far one step of power carries the shot, along its line.
float CarryOfStep(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                  std::int32_t weapon) {
    const std::int32_t wind = sim.landscape()->wind;
    const float further = EndAt(sim, shooter, angle, power + CARRY_SPAN, weapon, wind);
    const float shorter = EndAt(sim, shooter, angle, power - CARRY_SPAN, weapon, wind);
    const float carry = static_cast<float>(DirOf(angle)) * (further - shorter) / (2 * CARRY_SPAN);
    return std::max(carry, LEAST_CARRY);
}

// How much further along its line the wind takes the shot than it would go in still air.
float WindCarry(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                std::int32_t weapon, std::int32_t wind) {
    return static_cast<float>(DirOf(angle)) *
           (EndAt(sim, shooter, angle, power, weapon, wind) - EndAt(sim, shooter, angle, power, weapon, 0));
}

std::int32_t Slip(const EyeHabits& habits, ComputerRandom* random) { return random->Around(habits.slip); }

}  // namespace

bool SamePlace(std::int32_t x, std::int32_t y, std::int32_t fromX, std::int32_t fromY) {
    return std::abs(x - fromX) <= SAME_PLACE_X && std::abs(y - fromY) <= SAME_PLACE_Y;
}

std::int32_t FirstPowerByEye(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                             std::int32_t weapon, const EyeHabits& habits, ComputerRandom* random) {
    // The wind it leaves out carries the shot on: it puts that much more power in against it.
    const std::int32_t wind = sim.landscape()->wind;
    const float unallowed = WindCarry(sim, shooter, angle, power, weapon, wind) *
                            static_cast<float>(100 - habits.windPercent) / 100.0f;
    const float carry = CarryOfStep(sim, shooter, angle, power, weapon);
    const float guessed = static_cast<float>(power) + unallowed / carry;
    const float off = guessed * static_cast<float>(random->Around(habits.guessPercent)) / 100.0f;
    return std::clamp(static_cast<std::int32_t>(std::lround(guessed + off)) + Slip(habits, random), 1,
                      MAX_POWER);
}

std::int32_t NextPowerByEye(const FlightSim& sim, int shooter, const ShotMemory& memory, std::int32_t targetX,
                            const EyeHabits& habits, int feel, ComputerRandom* random) {
    const int dir = DirOf(memory.angle);
    const float miss = static_cast<float>(dir * (memory.landX - targetX));
    // Each shot from here teaches a little: the sense of a step and the allowance for the wind come
    // nearer the truth, so that a long match from one place ends.
    float unlearnt = 1.0f;
    for (int i = 0; i < memory.shots; ++i) unlearnt *= static_cast<float>(habits.keptPercent) / 100.0f;
    const float windShare = 1.0f - static_cast<float>(100 - habits.windPercent) / 100.0f * unlearnt;
    const float sense = 1.0f + (static_cast<float>(feel) / 100.0f - 1.0f) * unlearnt;
    // The change of wind since the last shot, as far as the level allows for the wind at all.
    const float windChange =
        (WindCarry(sim, shooter, memory.angle, memory.power, memory.weapon, sim.landscape()->wind) -
         WindCarry(sim, shooter, memory.angle, memory.power, memory.weapon, memory.wind)) *
        windShare;
    float carry = CarryOfStep(sim, shooter, memory.angle, memory.power, memory.weapon) * sense;
    if (habits.learns && memory.havePrevious && memory.previousPower != memory.power) {
        const float learnt = (miss - static_cast<float>(memory.previousMiss)) /
                             static_cast<float>(memory.power - memory.previousPower);
        if (learnt >= LEAST_CARRY) carry = learnt;
    }
    // A level that learns fires a shot on the target again as it was.
    if (habits.learns && std::abs(miss) <= ON_TARGET && windChange == 0.0f) return memory.power;
    const auto step =
        static_cast<std::int32_t>(std::lround(-(miss + windChange) / std::max(carry, LEAST_CARRY)));
    return std::clamp(memory.power + std::clamp(step, -MOST_CHANGE, MOST_CHANGE) + Slip(habits, random), 1,
                      MAX_POWER);
}
