// Tests of the player choice screen: its texts, each setting's limits with their sounds, the
// cursor, "Start Game", and the tanks it shows.
#include "core/globals.h"
#include "screens/player_choice.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "tests/players/players_fixture.h"

namespace {

class PlayerChoiceTest : public PlayersTest {
protected:
    void SetUp() override {
        PlayersTest::SetUp();
        LandscapeGravityOption = 1;
        WindOption = 0;
        InitPlayerChoice(players);
        Played();
    }
    static std::string Line(int row) { return PlayerChoiceText(row, ScreenPlayers->numPlayers); }
};

TEST_F(PlayerChoiceTest, TheArrowsShowWhichWayTheNumberOfPlayersCanMove) {
    EXPECT_EQ(Line(0), "Number of players      2 >");
    PlayerChoiceAction(ChoiceAction::Left);
    EXPECT_EQ(players->numPlayers, 2);
    EXPECT_TRUE(Played().empty());
    for (int i = 0; i < 3; ++i) PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_EQ(Line(0), "Number of players      < 5 >");
    EXPECT_EQ(Played(), std::vector<int>(3, 4));
    for (int i = 0; i < 5; ++i) PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_EQ(Line(0), "Number of players      < 8");
    EXPECT_EQ(Played().size(), 3u);
    for (int i = 0; i < MAX_PLAYERS; ++i) EXPECT_TRUE(players->Get(i)->inGame);
    PlayerChoiceAction(ChoiceAction::Left);
    EXPECT_FALSE(players->Get(7)->inGame);
}

TEST_F(PlayerChoiceTest, GravityAndWindStepWithinTheirChoices) {
    PlayerChoiceAction(ChoiceAction::Down);
    EXPECT_EQ(Line(1), "Landscape Gravity      < ON");
    PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_EQ(Played(), std::vector<int>{3});
    PlayerChoiceAction(ChoiceAction::Left);
    EXPECT_EQ(LandscapeGravityOption, 0u);
    EXPECT_EQ(Line(1), "Landscape Gravity      OFF >");

    PlayerChoiceAction(ChoiceAction::Down);
    Played();
    const char* winds[] = {"Wind      NO >", "Wind      < CONSTANT >", "Wind      < VARIABLE >",
                           "Wind      < RANDOM"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Line(2), winds[i]);
        PlayerChoiceAction(ChoiceAction::Right);
    }
    EXPECT_EQ(WindOption, 3);
    for (int i = 0; i < 4; ++i) PlayerChoiceAction(ChoiceAction::Left);
    EXPECT_EQ(WindOption, 0);
    EXPECT_EQ(Played(), std::vector<int>(6, 4));
}

TEST_F(PlayerChoiceTest, OnlySelectOnStartGameStartsAndEverySelectSounds) {
    EXPECT_FALSE(PlayerChoiceAction(ChoiceAction::Select));
    PlayerChoiceAction(ChoiceAction::Up);
    EXPECT_EQ(ChoiceRow, 0);
    for (int i = 0; i < 5; ++i) PlayerChoiceAction(ChoiceAction::Down);
    EXPECT_EQ(ChoiceRow, CHOICE_START_ROW);
    EXPECT_EQ(Line(3), "Start Game");
    PlayerChoiceAction(ChoiceAction::Left);
    PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_TRUE(PlayerChoiceAction(ChoiceAction::Select));
    EXPECT_EQ(Played(), (std::vector<int>{4, 3, 3, 3, 4}));
}

TEST_F(PlayerChoiceTest, TheCursorRowIsBarredAndEveryTankOfTheGameShown) {
    for (int i = 0; i < 6; ++i) PlayerChoiceAction(ChoiceAction::Right);
    PlayerChoiceAction(ChoiceAction::Down);
    ClearBackPage();
    DrawPlayerChoice(0, 2);
    // The gravity row at y 81: edges at y and y + 15, filled between them (as 16-bit colours).
    // Eight tanks, the last at x 220.
    EXPECT_EQ(BackPixel(5, 81), 0x680080u);
    EXPECT_EQ(BackPixel(5, 88), 0x580068u);
    EXPECT_EQ(BackPixel(5, 96), 0x680080u);
    EXPECT_EQ(BackPixel(5, 97), 0u);
    EXPECT_EQ(BackPixel(5, 60), 0u);
    EXPECT_GT(InkIn(215, 35, 226, 41), 0);
    EXPECT_EQ(InkIn(240, 35, 251, 41), 0);
}

}  // namespace
