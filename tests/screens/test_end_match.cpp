// Tests of the end-of-match table: a row for every player, destroyed or not, with its tank beside it.
#include "screens/screens.h"
#include "tests/players/players_fixture.h"

namespace {

class EndMatchTest : public PlayersTest {};

TEST_F(EndMatchTest, EightPlayersFillEightRowsAboveThePressSpaceLine) {
    Start(8);
    for (int i = 0; i < 8; ++i) {
        Player* p = players->Get(i);
        p->armour = 10 * i;
        p->profit = 100 + i;
        p->cash = 1000 + i;
    }
    players->Get(3)->alive = false;  // destroyed during the match: still listed
    ClearBackPage();
    DrawEndMatch(0, 2, players);

    for (int i = 0; i < 8; ++i) {
        const int y = 40 + 16 * i;
        EXPECT_GT(InkIn(95, y, 103, y + 16), 0) << i;
        EXPECT_GT(InkIn(160, y, 168, y + 16), 0) << i;
        EXPECT_GT(InkIn(225, y, 233, y + 16), 0) << i;
        EXPECT_GT(InkIn(52, y + 7, 63, y + 13), 0) << "tank " << i;
    }
    // Below the last row (y 152) only "Press Space" at (115, 180) is written.
    EXPECT_EQ(InkIn(60, 168, 115, 200), 0);
    EXPECT_GT(InkIn(115, 180, 203, 196), 0);
    // The headings and the rule from x 40 to 279 on row 38.
    EXPECT_GT(InkIn(95, 20, 143, 36), 0);
    EXPECT_GT(InkIn(225, 20, 257, 36), 0);
    EXPECT_NE(BackPixel(40, 38), 0u);
    EXPECT_NE(BackPixel(279, 38), 0u);
    EXPECT_EQ(BackPixel(280, 38), 0u);
    EXPECT_EQ(BackPixel(39, 38), 0u);
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

TEST_F(EndMatchTest, NumbersAreWrittenInFullWithoutPadding) {
    Start(2);
    players->Get(0)->armour = 7;
    players->Get(0)->profit = 0;
    players->Get(0)->cash = 12345;
    ClearBackPage();
    DrawEndMatch(0, 2, players);
    // One cell for 7 and 0, five for 12345 (each glyph is a solid block in this font).
    EXPECT_GT(InkIn(95, 40, 103, 56), 0);
    EXPECT_EQ(InkIn(103, 40, 111, 56), 0);
    EXPECT_EQ(InkIn(168, 40, 176, 56), 0);
    EXPECT_GT(InkIn(257, 40, 265, 56), 0);
    EXPECT_EQ(InkIn(265, 40, 273, 56), 0);
}

}  // namespace
