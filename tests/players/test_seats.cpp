// Tests of the seats across a network game's machines: which machine plays a seat, and the seats'
// handover as machines join and leave and when the network game ends.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "players/seats.h"

namespace {

class SeatsNewsTest : public ::testing::Test {
protected:
    void SetUp() override { GlobalsReset(); }
    void TearDown() override { GlobalsReset(); }

    // Seat `seat` played by a person at `machine`.
    static void Person(int seat, int machine) {
        SeatControllers[static_cast<std::size_t>(seat)] = ControllerHuman;
        SeatMachines[static_cast<std::size_t>(seat)] = machine;
    }
};

TEST_F(SeatsNewsTest, ASeatIsPlayedFromItsPersonsMachineAndAnyOtherFromTheHost) {
    Person(0, 3);
    Person(1, 0);
    SeatControllers[2] = ControllerHard;
    Person(3, MAX_MACHINES);
    Person(4, -1);
    EXPECT_EQ(SeatPlayedFrom(0), 3);
    EXPECT_EQ(SeatPlayedFrom(1), 0);
    EXPECT_EQ(SeatPlayedFrom(2), 0) << "a computer's seat";
    EXPECT_EQ(SeatPlayedFrom(3), 0) << "a machine out of range";
    EXPECT_EQ(SeatPlayedFrom(4), 0);
    Person(PLAYER_SEATS - 1, 7);
    EXPECT_EQ(SeatPlayedFrom(PLAYER_SEATS - 1), 7);
    EXPECT_EQ(SeatPlayedFrom(-1), 0) << "no seat";
    EXPECT_EQ(SeatPlayedFrom(PLAYER_SEATS), 0);
}

// Guest 2 plays two seats and Guest 1 one; when Guest 2 leaves, the computer plays its two at the
// host and nothing else changes; a number that left may come back.
TEST_F(SeatsNewsTest, AMachineLeavingHandsItsPersonsSeatsToTheComputerAndNoOneElses) {
    MachinesPresent = 0b111;
    Person(0, 0);
    Person(1, 2);
    Person(2, 1);
    SeatControllers[3] = ControllerEasy;
    Person(4, 2);
    ApplyNetworkNews(InputEvent::Machine(false, 2));
    EXPECT_EQ(MachinesPresent, 0b011u);
    const Controller controllers[] = {ControllerHuman, ControllerNormal, ControllerHuman, ControllerEasy,
                                      ControllerNormal};
    const std::int32_t machines[] = {0, 0, 1, 0, 0};
    for (std::size_t s = 0; s < 5; ++s) {
        EXPECT_EQ(SeatControllers[s], controllers[s]) << s;
        EXPECT_EQ(SeatMachines[s], machines[s]) << s;
    }
    ApplyNetworkNews(InputEvent::Machine(true, 7));
    ApplyNetworkNews(InputEvent::Machine(true, 2));
    EXPECT_EQ(MachinesPresent, 0b10000111u);
    EXPECT_EQ(SeatControllers[1], ControllerNormal) << "a machine coming back does not take its seats again";
    ApplyNetworkNews(InputEvent::Machine(false, 5));
    EXPECT_EQ(MachinesPresent, 0b10000111u) << "a machine not present leaves nothing";
}

TEST_F(SeatsNewsTest, TheNetworkGameEndingLeavesEveryPersonsSeatToThisMachine) {
    MachinesPresent = 0b1011;
    Person(0, 3);
    Person(1, 1);
    SeatControllers[2] = ControllerNormal;
    ApplyNetworkNews(InputEvent::OffNetwork());
    EXPECT_EQ(MachinesPresent, 1u);
    for (std::size_t s = 0; s < PLAYER_SEATS; ++s) EXPECT_EQ(SeatMachines[s], 0) << s;
    EXPECT_EQ(SeatControllers[0], ControllerHuman) << "people stay people";
    EXPECT_EQ(SeatControllers[1], ControllerHuman);
    EXPECT_EQ(SeatControllers[2], ControllerNormal);
}

}  // namespace
