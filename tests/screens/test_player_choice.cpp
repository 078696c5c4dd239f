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
        LandscapeGravityOption = GRAVITY_ON;
        WindOption = WIND_NO;
        InitPlayerChoice(players);
        Played();
    }
    static std::string Line(int row) { return PlayerChoiceText(row, ScreenPlayers->numPlayers); }
};

// Each value's arrows show which way it can still move (its limits, sounds and the cursor's are
// checked by the choice_limits scenario).
TEST_F(PlayerChoiceTest, TheArrowsShowWhichWayEachValueCanMove) {
    EXPECT_EQ(Line(0), "Number of players      2 >");
    EXPECT_EQ(Line(1), "Landscape Gravity      < ON");
    EXPECT_EQ(Line(3), "Start Game");
    for (int i = 0; i < 3; ++i) PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_EQ(Line(0), "Number of players      < 5 >");
    for (int i = 0; i < 3; ++i) PlayerChoiceAction(ChoiceAction::Right);
    EXPECT_EQ(Line(0), "Number of players      < 8");
    LandscapeGravityOption = GRAVITY_OFF;
    EXPECT_EQ(Line(1), "Landscape Gravity      OFF >");
    const char* winds[] = {"Wind      NO >", "Wind      < CONSTANT >", "Wind      < VARIABLE >",
                           "Wind      < RANDOM"};
    for (int wind = 0; wind < 4; ++wind) {
        WindOption = static_cast<WindChoice>(wind);
        EXPECT_EQ(Line(2), winds[wind]);
    }
}

// The cursor's row barred and every tank of an eight-player game shown; a gamepad's highlight, a
// frame round the seat's tank and label, drawn only once a pad has moved it, and then the hint at
// the foot names the pad's buttons.
TEST_F(PlayerChoiceTest, TheCursorRowAndAGamepadsHighlightDrawAsTheirPictures) {
    for (int i = 0; i < 6; ++i) PlayerChoiceAction(ChoiceAction::Right);
    PlayerChoiceAction(ChoiceAction::Down);
    for (const char* name : {"choice_cursor", "choice_highlight"}) {
        ClearBackPage();
        DrawPlayerChoice(0, 2);
        ExpectShownPageIs(std::string("screens/") + name, 2);
        PlayerChoiceNextSeat();
        PlayerChoiceNextSeat();
    }
}

// Pointer input: each value's arrows lie in the halves that move it their way, on the row its text
// is drawn in, and each tank of the game is its seat's key.
TEST_F(PlayerChoiceTest, APointerFindsEachValuesArrowsAndEachTank) {
    players->SetNumPlayers(3);
    WindOption = WIND_CONSTANT;
    PointerScreen screen;
    PlayerChoicePointerRows(&screen);
    ASSERT_EQ(screen.rowCount, CHOICE_START_ROW + 2);
    const int rowTexts[] = {58, 81, 104, 160};
    for (int row = CHOICE_PLAYERS_ROW; row <= CHOICE_START_ROW; ++row) {
        const PointerRow& pointerRow = screen.rows[static_cast<std::size_t>(row)];
        EXPECT_EQ(pointerRow.cursor, row);
        EXPECT_LE(pointerRow.top, rowTexts[row]);
        EXPECT_GE(pointerRow.bottom, rowTexts[row] + 16);
        const std::string text = Line(row);
        for (char arrow : {'<', '>'}) {
            const std::size_t at = text.find(arrow);
            if (at == std::string::npos) continue;
            const int middle = 40 + 8 * static_cast<int>(at) + 4;
            const PointerZone& zone = pointerRow.zones[arrow == '<' ? 0 : 1];
            EXPECT_TRUE(zone.left <= middle && middle < zone.right) << text << " " << arrow;
            EXPECT_EQ(zone.key, arrow == '<' ? VK_LEFT : VK_RIGHT);
        }
    }
    EXPECT_EQ(screen.rows[CHOICE_START_ROW].zones[0].key, VK_SPACE);
    const PointerRow& tanks = screen.rows[CHOICE_START_ROW + 1];
    ASSERT_EQ(tanks.zoneCount, 3);
    for (int seat = 0; seat < 3; ++seat) {
        const PointerZone& zone = tanks.zones[static_cast<std::size_t>(seat)];
        EXPECT_EQ(zone.key, '1' + seat);
        EXPECT_TRUE(zone.left <= 45 + 25 * seat && 45 + 25 * seat < zone.right);
    }
    EXPECT_TRUE(tanks.top <= 40 - 6 && 44 < tanks.bottom && tanks.bottom <= screen.rows[0].top);
}

}  // namespace
