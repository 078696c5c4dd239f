// Tests of the computer players' foresight: predicted flights land on the very pixel real shots
// do, whatever the angle, power, wind and weapon.
#include <tuple>

#include "computer/flight_sim.h"
#include "computer/targeting.h"
#include "core/rules.h"
#include "tests/computer/computer_fixture.h"

namespace {

// Hills with a rock wall, two tanks and a third one beyond the wall; every shot is fired for real
// on the same terrain and compared with its prediction: the same end, the same point to the bit
// and the same tick. Shells and Earth Movers (which bore through the ground) in every wind.
TEST_F(ComputerTest, PredictedFlightsEndWhereRealShotsDo) {
    Hills(200, 40, 300, 260);
    Wall(330, 340, 120);
    Stand(0, 120);
    Stand(1, 470);
    Stand(2, 560);
    const std::vector<std::int32_t> terrain = Materials();
    int landed = 0;
    int lost = 0;
    int tanks = 0;
    for (int wind : {-9, -4, 0, 3, 9}) {
        landscape->wind = wind;
        for (std::int32_t weapon : {WeaponShell, WeaponEarthMover}) {
            for (std::int32_t angle = 2; angle <= MAX_ANGLE; angle += weapon == WeaponShell ? 11 : 29) {
                for (std::int32_t power = 5; power <= MAX_POWER; power += weapon == WeaponShell ? 13 : 31) {
                    for (int i = 0; i < 3; ++i) players->players[i].armour = 100;
                    FlightSim sim;
                    sim.Capture(landscape.get(), players, shots->gravity);
                    const FlightResult predicted = sim.Shot(0, angle, power, weapon);
                    const RealShot real = Fire(0, angle, power, weapon);
                    RestoreMaterials(terrain);
                    const auto where = ::testing::Message() << "wind " << wind << " weapon " << weapon
                                                            << " angle " << angle << " power " << power;
                    ASSERT_EQ(predicted.Landed(), real.exploded) << where;
                    if (!real.exploded) {
                        ++lost;
                        continue;
                    }
                    ++landed;
                    tanks += predicted.end == FlightEnd::Tank ? 1 : 0;
                    ASSERT_EQ(predicted.x, real.x) << where;
                    ASSERT_EQ(predicted.y, real.y) << where;
                    ASSERT_EQ(predicted.ticks, real.ticks) << where;
                }
            }
        }
    }
    // The cases cover landings, tank hits and shots lost off the sides.
    EXPECT_GT(landed, 200);
    EXPECT_GT(lost, 10);
    EXPECT_GT(tanks, 3);
}

// The blast a prediction reckons is the explosion's: full in the tank, half at the radius, none
// beyond; an A-Bomb reaches much further.
TEST_F(ComputerTest, PredictedBlastDamageMatchesTheExplosions) {
    const TankBox tank{200, 150, TANK_WIDTH, TANK_HEIGHT, true};
    EXPECT_EQ(BlastDamage(tank, 0, 200, 147), 20);
    EXPECT_EQ(BlastDamage(tank, 0, 204, 149), 20);
    EXPECT_EQ(BlastDamage(tank, 0, 216, 147), 10);
    EXPECT_EQ(BlastDamage(tank, 0, 217, 147), 0);
    EXPECT_EQ(BlastDamage(tank, 5, 285, 147), 60);
    EXPECT_EQ(BlastDamage(tank, 5, 286, 147), 0);
    EXPECT_EQ(BlastDamage(tank, 3, 200, 147), 0);
}

}  // namespace
