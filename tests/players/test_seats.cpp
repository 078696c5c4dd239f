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
// host and nothing else changes; a machine not present leaves nothing.
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
    ApplyNetworkNews(InputEvent::Machine(false, 5));
    EXPECT_EQ(MachinesPresent, 0b011u) << "a machine not present leaves nothing";
    EXPECT_EQ(SeatControllers[2], ControllerHuman);
    EXPECT_EQ(SeatMachines[2], 1);
}

// The seats of a machine that left are kept for it: when it comes back they are its persons' again,
// and only its; when its number goes to another machine (the host says the number left again
// first), or the host chooses another controller for a seat, or the network game ends, they stay
// the computer's. The network game ending leaves every person's seat to this machine.
TEST_F(SeatsNewsTest, AMachineComingBackTakesItsSeatsAgainAndAStrangerDoesNot) {
    MachinesPresent = 0b1111;
    Person(0, 2);
    Person(1, 3);
    Person(2, 2);
    Person(3, 1);
    ApplyNetworkNews(InputEvent::Machine(false, 2));
    ApplyNetworkNews(InputEvent::Machine(false, 3));
    EXPECT_EQ(SeatControllers[0], ControllerNormal);
    ApplyNetworkNews(InputEvent::Machine(true, 1));
    EXPECT_EQ(SeatControllers[0], ControllerNormal) << "another machine's news returns nothing";
    ApplyNetworkNews(InputEvent::Machine(true, 2));
    EXPECT_EQ(MachinesPresent, 0b0111u);
    for (std::size_t s : {0u, 2u}) {
        EXPECT_EQ(SeatControllers[s], ControllerHuman) << s;
        EXPECT_EQ(SeatMachines[s], 2) << s;
        EXPECT_EQ(SeatPlayedFrom(static_cast<int>(s)), 2) << s;
    }
    EXPECT_EQ(SeatControllers[1], ControllerNormal) << "Guest 3's seat waits for Guest 3";
    EXPECT_EQ(SeatMachines[3], 1);

    // Number 3 goes to a stranger: it is said to leave again, then joins.
    ApplyNetworkNews(InputEvent::Machine(false, 3));
    ApplyNetworkNews(InputEvent::Machine(true, 3));
    EXPECT_EQ(SeatControllers[1], ControllerNormal) << "a stranger took Guest 3's seat";
    EXPECT_EQ(MachinesPresent, 0b1111u);

    // Guest 2 leaves again; the host makes one of its seats Hard, and the game leaves the network.
    ApplyNetworkNews(InputEvent::Machine(false, 2));
    ForgetSeatAway(0);
    SeatControllers[0] = ControllerHard;
    ApplyNetworkNews(InputEvent::Machine(true, 2));
    EXPECT_EQ(SeatControllers[0], ControllerHard) << "the host's choice stands";
    EXPECT_EQ(SeatControllers[2], ControllerHuman);
    ApplyNetworkNews(InputEvent::Machine(false, 2));
    ApplyNetworkNews(InputEvent::OffNetwork());
    EXPECT_EQ(MachinesPresent, 1u);
    for (std::size_t s = 0; s < PLAYER_SEATS; ++s) EXPECT_EQ(SeatMachines[s], 0) << s;
    EXPECT_EQ(SeatControllers[3], ControllerHuman) << "people stay people";
    ApplyNetworkNews(InputEvent::Machine(true, 2));
    EXPECT_EQ(SeatControllers[2], ControllerNormal) << "nothing is kept once the network game ends";
    for (std::size_t s = 0; s < PLAYER_SEATS; ++s) EXPECT_EQ(SeatsAwayFrom[s], -1) << s;
}

}  // namespace
