// Tests of the end-of-match table: a row for every player, destroyed or not, with its tank beside it.
#include "screens/screens.h"
#include "tests/players/players_fixture.h"

namespace {

class EndMatchTest : public PlayersTest {};

// Eight rows above the "Press Space" line, a destroyed player's too, each with its tank, under the
// headings and their rule; the numbers written in full without padding.
TEST_F(EndMatchTest, EightPlayersFillTheTableAsItsPicture) {
    Start(8);
    for (int i = 0; i < 8; ++i) {
        Player* p = players->Get(i);
        p->armour = 10 * i;
        p->profit = 100 + i;
        p->cash = 1000 + i;
    }
    players->Get(0)->cash = 12345;
    players->Get(3)->alive = false;
    ClearBackPage();
    DrawEndMatch(0, 2, players);
    ExpectShownPageIs("screens/end_match", 2);
}

// In a network game each person's row is named left of its tank by its machine (its person's name
// cut to ten characters, else "Host" or "Guest N"); a computer's row and every row at one keyboard
// have none, so that the table at one keyboard is as ever.
TEST_F(EndMatchTest, NetworkRowsAreNamedByTheirMachines) {
    Start(4);
    SeatControllers[3] = ControllerEasy;
    SeatMachines = {0, 1, 2, 0, 0, 0, 0, 0};
    MachineNames[1] = "Bartholomew Long";
    const struct {
        std::uint32_t present;
        std::vector<std::string> names;
    } kCases[] = {{1, {"", "", "", ""}}, {0b111, {"Host", "Bartholome", "Guest 2", ""}}};
    for (const auto& c : kCases) {
        MachinesPresent = c.present;
        std::vector<std::string> names;
        for (int seat = 0; seat < 4; ++seat) names.push_back(EndMatchRowName(seat));
        EXPECT_EQ(names, c.names);
        ClearBackPage();
        DrawEndMatch(0, 2, players);
        EXPECT_EQ(InkIn(0, 40, 48, 104) > 0, c.present != 1);
        EXPECT_EQ(InkIn(0, 88, 48, 104), 0) << "the computer's row is named";
    }
}

}  // namespace
