// Tests of the overlays drawn over play: the shade grid, the help screen, the ready message, the
// quit prompt and the network game's messages.
#include <gtest/gtest.h>

#include <functional>

#include "display/device/dd.h"
#include "screens/screens.h"
#include "tests/display/display_fixture.h"
#include "tests/support/pictures.h"

namespace {

constexpr std::uint16_t GREY = 0x8410;

class OverlaysTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    }
};

// Each overlay as it is drawn over a grey page, kept as a picture: the shade grid blackening every
// pixel with an even coordinate; the quit prompt's two lines over it; the help screen's ten rows of
// key, gamepad button and meaning, or on a touch screen nine of a place to touch, with the angle's
// way under them; the ready message alone, without a grid; and the network game's messages, each
// line centred on a black band across the screen, the last band ending at y 148 (a long notice split
// at spaces, and a word too long for a line cut).
TEST_F(OverlaysTest, EachOverlayDrawsAsItsPicture) {
    NetworkMessages prompt, notice;
    prompt.leavePrompt = true;
    notice.notice = "Could not join a-very-long-host-name-that-goes-on-and-on:4001 (no answer)";
    const std::pair<const char*, std::function<void()>> overlays[] = {
        {"grid",
         [] {
             HDC dc = nullptr;
             ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
             DrawShadeGrid(dc);
             ReleaseHDC(dc, 0, 2, -1);
         }},
        {"quit_prompt", [] { DrawQuitPrompt(0, 2); }},
        {"help_keys", [] { DrawHelpScreen(0, 2); }},
        {"help_touch",
         [] {
             PointerSetTouch(true);
             DrawHelpScreen(0, 2);
             PointerSetTouch(false);
         }},
        {"ready", [] { DrawReadyMessage(0, 2, 5); }},
        {"network_prompt", [&] { DrawNetworkMessages(0, 2, prompt); }},
        {"network_notice", [&] { DrawNetworkMessages(0, 2, notice); }},
    };
    for (const auto& [name, draw] : overlays) {
        SCOPED_TRACE(name);
        FillRaw(0, 2, GREY);
        draw();
        ExpectShownPageIs(std::string("screens/overlay_") + name, 2);
    }
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
    EXPECT_EQ(CountNot(0, 2, GREY), 0);
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
