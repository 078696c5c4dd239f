// Tests of the overlays drawn over play: the shade grid, the help screen, the ready message, the
// quit prompt and the network game's messages.
#include <gtest/gtest.h>

#include "display/device/dd.h"
#include "screens/screens.h"
#include "tests/display/display_fixture.h"

namespace {

constexpr std::uint16_t WHITE = 0xFFFF;
constexpr std::uint16_t GREY = 0x8410;

class OverlaysTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    }
    // Pixels of the back page inside the rectangle that are not the ground colour.
    int Ink(int left, int top, int right, int bottom, std::uint16_t ground) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += Pixel(0, 2, x, y) != ground;
        return count;
    }
};

TEST_F(OverlaysTest, ShadeGridBlackensEveryPixelWithAnEvenCoordinateAndNothingElse) {
    FillRaw(0, 2, GREY);
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    DrawShadeGrid(dc);
    ReleaseHDC(dc, 0, 2, -1);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            ASSERT_EQ(Pixel(0, 2, x, y), (x % 2 && y % 2) ? GREY : 0) << x << "," << y;
}

TEST_F(OverlaysTest, QuitPromptWritesItsTwoLinesOverTheGrid) {
    FillRaw(0, 2, GREY);
    DrawQuitPrompt(0, 2);
    // "Abandon Game?" is 13 cells from x 107, "Shift+Y or pad Y for Yes" 24 cells from x 64.
    int whiteInLines = 0, whiteAside = 0;
    for (int y = 60; y < 101; ++y)
        for (int x = 0; x < 320; ++x)
            (x >= 64 && x < 256 && (y >= 85 || (x >= 107 && x < 211)) ? whiteInLines : whiteAside) +=
                Pixel(0, 2, x, y) == WHITE;
    EXPECT_GT(whiteInLines, 100);
    EXPECT_EQ(whiteAside, 0);
    EXPECT_EQ(Pixel(0, 2, 1, 1), GREY);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_NE(Pixel(0, 2, x, y), WHITE);
}

// Ten rows of key, gamepad button and meaning (every key has its button), or on a touch screen
// nine of a place to touch and its meaning; under them, which way the angle counts.
TEST_F(OverlaysTest, HelpScreenListsTheKeysOrThePlacesToTouchAndTheAnglesWay) {
    for (const int rows : {10, 9}) {
        PointerSetTouch(rows == 9);
        FillRaw(0, 2, 0);
        DrawHelpScreen(0, 2);
        for (int y = 0; y < 16 * rows; y += 16) {
            EXPECT_GT(Ink(4, y, 56, y + 16, 0) * Ink(128, y, 320, y + 16, 0), 0) << y;
            EXPECT_TRUE(rows == 9 || Ink(56, y, 128, y + 16, 0) > 0) << y;
        }
        EXPECT_EQ(Ink(0, 16 * rows, 320, 168, 0) + Ink(0, 184, 320, 200, 0), 0);
        EXPECT_GT(Ink(4, 168, 260, 184, 0), 0);
    }
    PointerSetTouch(false);
}

TEST_F(OverlaysTest, ReadyMessageIsTextAloneWithoutAGrid) {
    FillRaw(0, 2, GREY);
    DrawReadyMessage(0, 2, 5);
    EXPECT_GT(Ink(6, 5, 6 + 17 * 8, 21, GREY), 0);
    EXPECT_EQ(Ink(0, 21, 320, 200, GREY), 0);
    EXPECT_EQ(Ink(0, 0, 320, 5, GREY), 0);
}

// Nothing is drawn without a context, nor for no network message.
TEST_F(OverlaysTest, NothingIsDrawnWhenNoContextCanBeHadOrNothingIsToBeSaid) {
    FillRaw(0, 2, GREY);
    DisplayFaultPlan.getDCError = DDERR_GENERIC;
    DrawQuitPrompt(0, 2);
    DrawHelpScreen(0, 2);
    DrawReadyMessage(0, 2, 5);
    NetworkMessages notice;
    notice.notice = "Hosting a network game on port 26510";
    DrawNetworkMessages(0, 2, notice);
    DisplayResetFaults();
    DrawNetworkMessages(0, 2, NetworkMessages{});
    EXPECT_EQ(Ink(0, 0, 320, 200, GREY), 0);
}

// The network game's messages, top to bottom: the leave prompt, the wait and the notice, a long
// notice split at the last space a line can hold (a space just past a full line too), and a word
// too long for a line cut without losing a character.
TEST_F(OverlaysTest, NetworkMessagesComeInOrderWithLongNoticesSplitAtSpaces) {
    NetworkMessages all;
    all.leavePrompt = true;
    all.waitingFor = "Guest 2";
    all.notice = "The machines' games differ: the network game has stopped";
    EXPECT_EQ(NetworkMessageLines(all),
              (std::vector<std::string>{"Leave the network game?", "Shift+Y or pad Y for Yes",
                                        "Waiting for Guest 2...", "The machines' games differ: the network",
                                        "game has stopped"}));
    NetworkMessages notice;
    notice.notice = "Could not join a-very-long-host-name-that-goes-on-and-on:4001 (no answer)";
    EXPECT_EQ(NetworkMessageLines(notice),
              (std::vector<std::string>{"Could not join", "a-very-long-host-name-that-goes-on-and-",
                                        "on:4001 (no answer)"}));
    notice.notice = "Joined the game as Guest 1";
    EXPECT_EQ(NetworkMessageLines(notice), std::vector<std::string>{"Joined the game as Guest 1"});
    // A machine that said its person is away is not waited for as if it were slow.
    NetworkMessages away;
    away.waitingFor = "Guest 1";
    away.away = true;
    EXPECT_EQ(NetworkMessageLines(away), std::vector<std::string>{"Guest 1 is away"});
    EXPECT_TRUE(NetworkMessageLines(NetworkMessages{}).empty());
}

// Each line is centred on a black band 20 pixels high across the screen, the last band ending at
// y 148, so that more lines reach further up.
TEST_F(OverlaysTest, NetworkMessagesSitOnBandsAboveTheMiddleOfTheLandscape) {
    FillRaw(0, 2, GREY);
    NetworkMessages prompt;
    prompt.leavePrompt = true;
    DrawNetworkMessages(0, 2, prompt);
    EXPECT_EQ(Ink(0, 0, 320, 108, GREY), 0);
    EXPECT_EQ(Ink(0, 148, 320, 200, GREY), 0);
    for (int y = 108; y < 148; ++y)
        for (int x = 0; x < 320; ++x) ASSERT_NE(Pixel(0, 2, x, y), GREY) << x << "," << y;
    // "Leave the network game?" is 23 cells from x 68, "Shift+Y or pad Y for Yes" 24 cells from x 64.
    EXPECT_GT(Ink(68, 110, 252, 128, 0), 0);
    EXPECT_EQ(Ink(0, 108, 68, 128, 0) + Ink(252, 108, 320, 128, 0), 0);
    EXPECT_GT(Ink(64, 130, 256, 148, 0), 0);
    EXPECT_EQ(Ink(0, 128, 64, 148, 0) + Ink(256, 128, 320, 148, 0), 0);

    FillRaw(0, 2, GREY);
    NetworkMessages notice;
    notice.notice = "Could not join a-very-long-host-name-that-goes-on-and-on:4001 (no answer)";
    DrawNetworkMessages(0, 2, notice);
    EXPECT_EQ(Ink(0, 0, 320, 88, GREY), 0);
    EXPECT_EQ(Ink(0, 88, 320, 148, GREY), 320 * 60);
    // "Could not join" is 14 cells from x 104; a full line of 39 cells runs from x 4 to 316.
    EXPECT_GT(Ink(104, 90, 216, 108, 0), 0);
    EXPECT_EQ(Ink(0, 88, 104, 108, 0) + Ink(216, 88, 320, 108, 0), 0);
    EXPECT_GT(Ink(4, 110, 12, 128, 0), 0);
    EXPECT_GT(Ink(308, 110, 316, 128, 0), 0);
}

// On a touch screen every screen's words for its keys speak of taps instead, in as little room.
TEST(TouchWords, ATouchScreenIsToldToTapNotToPressKeys) {
    const ScreenText texts[] = {ScreenText::TitlePlay,         ScreenText::ReadyHelp,
                                ScreenText::PromptYes,         ScreenText::EndMatchGoOn,
                                ScreenText::ChoiceControllers, ScreenText::ShopBuySell};
    for (const ScreenText text : texts) {
        const std::string keys = ScreenWords(text, false), touch = ScreenWords(text, true);
        SCOPED_TRACE(touch);
        EXPECT_NE(touch.find("Tap"), std::string::npos);
        EXPECT_EQ(keys.find("Tap"), std::string::npos);
        for (const char* key : {"Press", "Enter", "Space", "Keys", "Shift", "F1"})
            EXPECT_EQ(touch.find(key), std::string::npos) << key;
        EXPECT_LE(touch.size(), text == ScreenText::ChoiceControllers ? 80u : 40u);
    }
    PointerSetTouch(true);
    NetworkMessages leave;
    leave.leavePrompt = true;
    EXPECT_EQ(NetworkMessageLines(leave).back(), "Tap here for Yes");
    PointerSetTouch(false);
    EXPECT_EQ(NetworkMessageLines(leave).back(), "Shift+Y or pad Y for Yes");
}

}  // namespace
