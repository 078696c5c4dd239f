// Pointer input as keys: aiming by drag and its held-key steps, firing, the menu bar, the menus'
// rows and the prompts; and looking around, which sends no key.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "platform/win.h"
#include "pointer/pointer_keys.h"
#include "tests/support/pointer_notes.h"

namespace {

// A two-player aiming screen: the current tank's pivot at (160, 120), barrel up at power 50, and
// the menu bar.
PointerScreen AimingScreen() {
    return {.mode = PointerScreen::Aiming,
            .frame = 100,
            .mayAim = true,
            .seat = 0,
            .pivotX = 160,
            .pivotY = 120,
            .angle = 90,
            .power = 50,
            .tankShown = {true, true},
            .tankX = {160, 40},
            .tankY = {125, 150},
            .barTop = 180,
            .barZoneCount = 5,
            .barZones = {{{0, 44, VK_F1},
                          {44, 86, VK_F2},
                          {86, 127, PointerZone::NEXT_TANK},
                          {127, 154, VK_ESCAPE},
                          {154, 320, 'S'}}}};
}

// Runs frame steps until the pointer sends nothing more (at most `limit`), gathering its keys.
std::vector<InputEvent> RunFrames(PointerKeys* keys, PointerScreen* screen, int limit = 200) {
    std::vector<InputEvent> all;
    for (int i = 0; i < limit; ++i) {
        screen->frame += 1;
        std::vector<InputEvent> out;
        keys->Tick(*screen, &out);
        if (out.empty()) break;
        all.insert(all.end(), out.begin(), out.end());
    }
    return all;
}

// Each test starts from the aiming screen with fresh keys and an empty output.
class PointerKeysTest : public ::testing::Test {
protected:
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
    // A press of the main button at (x, y), no time after the last.
    void Click(int x, int y) { keys.Press(screen, PointerKeys::ButtonMain, x, y, 0, &out); }
    // A press and its release at (x, y): the menu bar acts on the release.
    void Tap(int x, int y) {
        Click(x, y);
        keys.Release(screen, &out);
    }
};

// Around the pivot (100, 100): left, up, up and right, up and left, right; below the pivot the
// barrel lies flat on the pointer's side. The power is the distance (a 3-4-5 triangle).
TEST_F(PointerKeysTest, TheAngleFollowsThePointerAroundThePivotAndThePowerItsDistance) {
    const int cases[][4] = {{0, 100, 0, -1},     {100, 40, 90, -1},
                            {150, 50, 135, -1},  {50, 50, 45, -1},
                            {300, 100, 180, -1}, {90, 150, 0, -1},
                            {110, 150, 180, -1}, {130, 60, -1, 50},
                            {100, 100, -1, 0},   {100 + POWER_PIXELS, 100, -1, 100},
                            {-400, 100, -1, 100}};
    for (const auto& [x, y, angle, power] : cases) {
        const auto aim = AimAt(100, 100, x, y);
        EXPECT_TRUE((angle < 0 || aim.angle == angle) && (power < 0 || aim.power == power))
            << x << "," << y << ": " << aim.angle << " at " << aim.power;
    }
}

TEST_F(PointerKeysTest, ADragTurnsTheBarrelByKeyStepsAFewAFrameUntilItIsThere) {
    keys.Press(screen, PointerKeys::ButtonMain, 200, 120, 1000, &out);  // right, 40 away
    EXPECT_TRUE(out.empty());
    keys.Tick(screen, &out);
    EXPECT_EQ(Note(out), "X X X A A A");
    out.clear();
    keys.Tick(screen, &out);  // once a frame step
    EXPECT_TRUE(out.empty());
    screen.frame += 1;
    keys.Tick(screen, &out);
    EXPECT_EQ(Note(out), "X X X A A A");
    // Dragged on, further out: the aim follows while the button is down, and is reached after it
    // is let go.
    keys.Move(screen, 260, 120, &out);
    keys.Release(screen, &out);
    const std::vector<InputEvent> rest = RunFrames(&keys, &screen);
    EXPECT_EQ(Count(rest, 'X'), 90 - 6);
    EXPECT_EQ(Count(rest, 'Q'), 50 + 6);
    EXPECT_EQ(Count(rest, 'A'), 0);
    EXPECT_EQ(Count(rest, 'Z'), 0);
    EXPECT_EQ(Count(rest, VK_SPACE), 0);
    // A move without the button aims nothing.
    keys.Move(screen, 0, 0, &out);
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
}

TEST_F(PointerKeysTest, KeysStillOnTheirWayAreCountedAndTheScreenIsTakenAgainOnceSettled) {
    Click(260, 120);  // 180
    for (int i = 0; i < 10; ++i) {
        screen.frame += 1;
        keys.Tick(screen, &out);
    }
    keys.Release(screen, &out);
    EXPECT_EQ(Count(out, 'X'), 30);  // the aim is at 120 as far as the keys go
    // The screen still shows 90 (a network game's keys come back later): a press to the left
    // counts down from 120.
    out.clear();
    keys.Press(screen, PointerKeys::ButtonMain, 60, 120, 5000, &out);
    keys.Release(screen, &out);
    out = RunFrames(&keys, &screen);
    EXPECT_EQ(Count(out, 'Z'), 120);
    EXPECT_EQ(Count(out, 'X'), 0);
    // Long after the last key the screen is the truth again, whatever the keys made of it.
    screen.frame += SETTLE_FRAMES;
    screen.angle = 10;
    keys.Press(screen, PointerKeys::ButtonMain, 60, 120, 9000, &out);
    keys.Release(screen, &out);
    EXPECT_EQ(Count(RunFrames(&keys, &screen), 'Z'), 10);
}

TEST_F(PointerKeysTest, ADoublePressOrTheFireButtonFiresOnceTheAimIsThere) {
    keys.Press(screen, PointerKeys::ButtonMain, 160, 100, 1000, &out);  // up, power 20
    keys.Release(screen, &out);
    keys.Press(screen, PointerKeys::ButtonMain, 163, 97, 1000 + DOUBLE_PRESS_MS, &out);
    keys.Release(screen, &out);
    out = RunFrames(&keys, &screen);
    ASSERT_EQ(Count(out, 'A'), 30);
    EXPECT_EQ(Count(out, VK_SPACE), 1);
    EXPECT_EQ(out.back(), InputEvent::Up(VK_SPACE));  // after every step
    // Too late, or too far, is a new aim and no shot.
    const struct {
        std::uint32_t gap;
        int x;
    } apart[] = {{DOUBLE_PRESS_MS + 1, 160}, {0, 160 + DOUBLE_PRESS_PIXELS + 1}};
    std::uint32_t ms = 10000;
    for (const auto& second : apart) {
        screen.frame += SETTLE_FRAMES;
        screen.power = 20;
        keys.Press(screen, PointerKeys::ButtonMain, 160, 100, ms, &out);
        keys.Release(screen, &out);
        keys.Press(screen, PointerKeys::ButtonMain, second.x, 100, ms + second.gap, &out);
        keys.Release(screen, &out);
        EXPECT_EQ(Count(RunFrames(&keys, &screen), VK_SPACE), 0) << second.gap;
        ms += 10000;
    }
    // The fire button fires the aim as it stands, at the next frame step.
    out.clear();
    screen.frame += SETTLE_FRAMES;
    keys.Press(screen, PointerKeys::ButtonFire, 10, 10, 9000, &out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Note(RunFrames(&keys, &screen)), "Space");
}

TEST_F(PointerKeysTest, NothingIsAimedForAnotherAndWhatWasUnderWayEndsWithTheTurn) {
    screen.mayAim = false;  // a computer's or another machine's turn
    Click(260, 120);
    keys.Press(screen, PointerKeys::ButtonFire, 260, 120, 0, &out);
    keys.Wheel(screen, 3, &out);
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    // Looking around stays: the menu bar's tank, and the centre button on a tank or beside one.
    Tap(100, 190);
    keys.Press(screen, PointerKeys::ButtonCentre, 42, 145, 0, &out);
    keys.Press(screen, PointerKeys::ButtonCentre, 100, 50, 0, &out);
    EXPECT_EQ(Note(out), "2 2 C");

    screen.mayAim = true;
    Click(260, 120);
    keys.Press(screen, PointerKeys::ButtonFire, 0, 0, 0, &out);
    screen.mode = PointerScreen::Shot;
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    screen.mode = PointerScreen::Aiming;
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
}

TEST_F(PointerKeysTest, TheWheelStepsThePowerAndTheMenuBarsItemsPressTheirKeys) {
    keys.Wheel(screen, 2, &out);
    keys.Wheel(screen, 3, &out);
    keys.Wheel(screen, -1, &out);
    EXPECT_EQ(Note(RunFrames(&keys, &screen)), "Q Q Q Q");
    screen.power = 100;
    screen.frame += SETTLE_FRAMES;
    keys.Wheel(screen, 5, &out);
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());  // full power already

    // F1 is held until the next press, which does nothing else; F2 until the angle box again.
    Tap(20, 185);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Down(VK_F1)});
    out.clear();
    Click(260, 100);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Up(VK_F1)});
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    out.clear();
    for (int x : {86, 127, 154, 319}) Tap(x, 199);  // each item's left edge, and the last column
    EXPECT_EQ(Note(out), "2 Esc S S");
    out.clear();
    Tap(60, 185);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Down(VK_F2)});
    Click(260, 100);  // aims, F2 still held
    Tap(60, 185);
    EXPECT_EQ(out.back(), InputEvent::Up(VK_F2));
    out.clear();
    Tap(60, 185);
    keys.LetGoAll(&out);
    EXPECT_EQ(out, (std::vector<InputEvent>{InputEvent::Down(VK_F2), InputEvent::Up(VK_F2)}));
}

TEST_F(PointerKeysTest, TheMenuBarsTankLooksAtEachStandingTankInTurnFromTheCurrentOnesNext) {
    screen.tankShown = {true, true, false, true};
    for (int i = 0; i < 4; ++i) Tap(100, 190);
    EXPECT_EQ(Note(out), "2 4 1 2");
    out.clear();
    screen.seat = 3;  // the next turn
    Tap(100, 190);
    Tap(100, 190);
    EXPECT_EQ(Note(out), "1 2");
}

// Where the pointer cannot aim, a drag on the picture moves it along with the pointer, and no key
// goes with it; at one's own turn a drag aims and looks nowhere, unless it starts on the menu bar.
TEST_F(PointerKeysTest, ADragLooksAroundDuringAShotAndAnothersTurnOrFromTheMenuBar) {
    for (const auto& [mode, mayAim, fromY, look] : {std::tuple{PointerScreen::Shot, true, 100, 1},
                                                    {PointerScreen::Aiming, false, 100, 1},
                                                    {PointerScreen::Aiming, true, 100, 0},
                                                    {PointerScreen::Aiming, true, 190, 1}}) {
        screen.mode = mode;
        screen.mayAim = mayAim;
        Click(200, fromY);
        keys.Move(screen, 198, fromY + 2, &out);  // not yet a drag
        keys.Move(screen, 170, fromY + 20, &out);
        // During a shot the press held the fast key, which the drag let go; no other key.
        const std::vector<InputEvent> keysSent = std::exchange(out, {});
        const std::vector<InputEvent> fastHeldAndLetGo = {InputEvent::Down(VK_TAB), InputEvent::Up(VK_TAB)};
        EXPECT_EQ(keysSent, mode == PointerScreen::Shot ? fastHeldAndLetGo : std::vector<InputEvent>{});
        keys.Release(screen, &out);
        keys.Move(screen, 100, 100, &out);
        int dx = 0, dy = 0;
        PointerTakeLook(&dx, &dy);
        EXPECT_TRUE(dx == 30 * look && dy == -20 * look && out.empty()) << dx << "," << dy;
    }
    // A second finger makes a look around of the first's aim, before it turns the barrel at all.
    Click(260, 120);
    keys.LookWithTwo(10, -5, &out);
    int twoX = 0, twoY = 0;
    PointerTakeLook(&twoX, &twoY);
    EXPECT_TRUE(twoX == -10 && twoY == 5 && out.empty() && RunFrames(&keys, &screen).empty());
    // A press on an arrow at the edge looks towards its tank; beside it, it aims.
    screen.lookArrowCount = 1;
    screen.lookArrows[0] = {0, 90, -200, 30};
    Click(5, 95);
    Click(20, 95);
    int dx = 0, dy = 0;
    PointerTakeLook(&dx, &dy);
    EXPECT_TRUE(dx == -200 && dy == 30 && out.empty() && !RunFrames(&keys, &screen).empty());
}

PointerScreen ShopScreen() {
    PointerScreen screen;
    screen.mode = PointerScreen::WeaponShop;
    screen.frame = 50;
    screen.cursor = 0;
    screen.rowCount = 3;
    for (int i = 0; i < 2; ++i) {
        PointerRow& row = screen.rows[static_cast<std::size_t>(i)];
        row = {40 + 16 * i, 56 + 16 * i, i, -1, 2, {}};
        row.zones[0] = {220, 270, VK_SPACE};
        row.zones[1] = {270, 320, 'S'};
    }
    screen.rows[2] = {150, 160, 2, 0, 1, {}};
    screen.rows[2].zones[0] = {0, 320, VK_SPACE};
    return screen;
}

TEST_F(PointerKeysTest, APressOnAMenuRowMovesTheCursorThereAndPressesTheKeyOfItsPlace) {
    screen = ShopScreen();
    Click(10, 60);                                                  // the second row's name
    Click(230, 60);                                                 // its Buy column
    Click(290, 45);                                                 // the first row's Sell column
    Click(100, 155);                                                // Finish
    Click(100, 100);                                                // between rows
    keys.Press(screen, PointerKeys::ButtonFire, 230, 60, 0, &out);  // not the main button
    // The screen has not caught up with the keys in between: the cursor is counted from them.
    EXPECT_EQ(Note(out), "Down Space Up S Down Down Space");
    out.clear();
    Click(230, 60);  // after Finish: the first row
    EXPECT_EQ(Note(out), "Down Space");
    // Once settled, the screen's cursor counts.
    out.clear();
    screen.frame += SETTLE_FRAMES;
    screen.cursor = 1;
    Click(230, 45);
    EXPECT_EQ(Note(out), "Up Space");
    // Another menu's cursor is its own.
    out.clear();
    screen.mode = PointerScreen::PlayerChoice;
    screen.cursor = 2;
    Click(10, 45);
    EXPECT_EQ(Note(out), "Up Up");
}

TEST_F(PointerKeysTest, PromptsTitleAndTableAnswerToAPress) {
    screen.prompt = true;
    screen.yesTop = 80;
    screen.yesBottom = 106;
    Click(160, 90);
    Click(160, 106);
    keys.Press(screen, PointerKeys::ButtonFire, 160, 90, 0, &out);  // the main button answers
    EXPECT_EQ(Note(out), "+Shift Y -Shift Esc");
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());  // and aims nothing
    out.clear();
    screen.prompt = false;
    for (PointerScreen::Mode mode : {PointerScreen::Title, PointerScreen::EndOfMatch, PointerScreen::Shot}) {
        screen.mode = mode;
        Click(160, 90);
    }
    // During a shot the press holds the fast key until its release.
    EXPECT_EQ(Note(out), "Space Space +Tab");
    keys.Release(screen, &out);
    keys.Release(screen, &out);
    EXPECT_EQ(Note(out), "Space Space Tab");
}

TEST_F(PointerKeysTest, TheControlsBesideThePictureDoWhatTheirPlacesInItDo) {
    for (PointerKeys::Control control :
         {PointerKeys::ControlWeapon, PointerKeys::ControlCentre, PointerKeys::ControlGuide,
          PointerKeys::ControlGuide, PointerKeys::ControlYes, PointerKeys::ControlNo})
        keys.PressControl(screen, control, 0, &out);
    EXPECT_EQ(Note(out), "S C F2");  // F2 held, then let go
    // Help is held until the next press, of a control too, which does nothing else.
    out.clear();
    keys.PressControl(screen, PointerKeys::ControlHelp, 0, &out);
    keys.PressControl(screen, PointerKeys::ControlWeapon, 0, &out);
    EXPECT_EQ(Note(out), "F1");  // held, then let go

    // Fire shoots at the aim a drag set, once the barrel is there.
    out.clear();
    Click(160, 90);  // straight up, power 30
    keys.Release(screen, &out);
    keys.PressControl(screen, PointerKeys::ControlFire, 0, &out);
    const std::vector<InputEvent> shot = RunFrames(&keys, &screen);
    EXPECT_EQ(Count(shot, 'A'), 20);
    EXPECT_EQ(shot.back(), InputEvent::Up(VK_SPACE));

    // A prompt takes only its answers; nor do the aiming controls act on another screen.
    out.clear();
    screen.prompt = true;
    for (PointerKeys::Control control : {PointerKeys::ControlFire, PointerKeys::ControlWeapon,
                                         PointerKeys::ControlYes, PointerKeys::ControlNo})
        keys.PressControl(screen, control, 0, &out);
    EXPECT_EQ(Note(out), "+Shift Y -Shift Esc");
    out.clear();
    screen.prompt = false;
    screen.mode = PointerScreen::WeaponShop;
    for (PointerKeys::Control control : {PointerKeys::ControlFire, PointerKeys::ControlWeapon,
                                         PointerKeys::ControlHelp, PointerKeys::ControlYes})
        keys.PressControl(screen, control, 0, &out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());

    // The sound's controls and Fast act on every screen, Fast held until let go; Weapon passes over
    // the weapons out of stock.
    for (PointerKeys::Control control :
         {PointerKeys::ControlQuieter, PointerKeys::ControlLouder, PointerKeys::ControlSound,
          PointerKeys::ControlFast, PointerKeys::ControlFast})
        keys.PressControl(screen, control, 0, &out);
    screen.mode = PointerScreen::Aiming;
    screen.weaponCount = 6;
    screen.weapon = 4;
    screen.weaponsInStock = 0b000011;
    keys.PressControl(screen, PointerKeys::ControlWeapon, 0, &out);
    keys.LetGoAll(&out);
    EXPECT_EQ(Note(out), "F7 F8 F9 +Tab S S -Tab");
}

}  // namespace
