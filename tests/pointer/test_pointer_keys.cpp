// Pointer input as keys: aiming by drag and its held-key steps, firing, the menu bar, the menus'
// rows and the prompts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win.h"
#include "pointer/pointer_keys.h"
#include "tests/support/key_names.h"

namespace {

// The events as a note: a key pressed and let go at once is its name, otherwise +name and -name.
std::string Note(const std::vector<InputEvent>& events) {
    std::string note;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const InputEvent& e = events[i];
        std::string word;
        if (e.kind == InputEvent::KeyDown && i + 1 < events.size() &&
            events[i + 1] == InputEvent::Up(static_cast<int>(e.value))) {
            word = KeyName(e.value);
            ++i;
        } else {
            word = (e.kind == InputEvent::KeyDown ? "+" : "-") + KeyName(e.value);
        }
        note += (note.empty() ? "" : " ") + word;
    }
    return note;
}

int Count(const std::vector<InputEvent>& events, int key) {
    int count = 0;
    for (const InputEvent& e : events) count += e == InputEvent::Down(key) ? 1 : 0;
    return count;
}

// A two-player aiming screen: the current tank's pivot at (160, 120), barrel up at power 50, and
// the menu bar.
PointerScreen AimingScreen() {
    PointerScreen screen;
    screen.mode = PointerScreen::Aiming;
    screen.frame = 100;
    screen.mayAim = true;
    screen.seat = 0;
    screen.pivotX = 160;
    screen.pivotY = 120;
    screen.angle = 90;
    screen.power = 50;
    screen.tankShown[0] = screen.tankShown[1] = true;
    screen.tankX = {160, 40};
    screen.tankY = {125, 150};
    screen.barTop = 180;
    screen.barZoneCount = 5;
    screen.barZones[0] = {0, 44, VK_F1};
    screen.barZones[1] = {44, 86, VK_F2};
    screen.barZones[2] = {86, 127, PointerZone::NEXT_TANK};
    screen.barZones[3] = {127, 154, VK_ESCAPE};
    screen.barZones[4] = {154, 320, 'S'};
    return screen;
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

TEST(PointerAimTest, TheAngleFollowsThePointerAroundThePivotAndThePowerItsDistance) {
    EXPECT_EQ(AimAt(100, 100, 0, 100).angle, 0);      // left
    EXPECT_EQ(AimAt(100, 100, 100, 40).angle, 90);    // straight up
    EXPECT_EQ(AimAt(100, 100, 150, 50).angle, 135);   // up and right
    EXPECT_EQ(AimAt(100, 100, 50, 50).angle, 45);     // up and left
    EXPECT_EQ(AimAt(100, 100, 300, 100).angle, 180);  // right
    // Below the pivot the barrel lies flat on the pointer's side.
    EXPECT_EQ(AimAt(100, 100, 90, 150).angle, 0);
    EXPECT_EQ(AimAt(100, 100, 110, 150).angle, 180);
    EXPECT_EQ(AimAt(100, 100, 130, 60).power, 50);  // 3-4-5
    EXPECT_EQ(AimAt(100, 100, 100, 100).power, 0);
    EXPECT_EQ(AimAt(100, 100, 100 + POWER_PIXELS, 100).power, 100);
    EXPECT_EQ(AimAt(100, 100, -400, 100).power, 100);
}

TEST(PointerAimTest, ADragTurnsTheBarrelByKeyStepsAFewAFrameUntilItIsThere) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
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

TEST(PointerAimTest, KeysStillOnTheirWayAreCountedAndTheScreenIsTakenAgainOnceSettled) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
    keys.Press(screen, PointerKeys::ButtonMain, 260, 120, 0, &out);  // 180
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

TEST(PointerAimTest, ADoublePressOrTheFireButtonFiresOnceTheAimIsThere) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
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

TEST(PointerAimTest, NothingIsAimedForAnotherAndWhatWasUnderWayEndsWithTheTurn) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
    screen.mayAim = false;  // a computer's or another machine's turn
    keys.Press(screen, PointerKeys::ButtonMain, 260, 120, 0, &out);
    keys.Press(screen, PointerKeys::ButtonFire, 260, 120, 0, &out);
    keys.Wheel(screen, 3, &out);
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    // Looking around stays: the menu bar's tank, and the centre button on a tank or beside one.
    keys.Press(screen, PointerKeys::ButtonMain, 100, 190, 0, &out);
    keys.Press(screen, PointerKeys::ButtonCentre, 42, 145, 0, &out);
    keys.Press(screen, PointerKeys::ButtonCentre, 100, 50, 0, &out);
    EXPECT_EQ(Note(out), "2 2 C");

    screen.mayAim = true;
    keys.Press(screen, PointerKeys::ButtonMain, 260, 120, 0, &out);
    keys.Press(screen, PointerKeys::ButtonFire, 0, 0, 0, &out);
    screen.mode = PointerScreen::Shot;
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    screen.mode = PointerScreen::Aiming;
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
}

TEST(PointerAimTest, TheWheelStepsThePowerAndTheMenuBarsItemsPressTheirKeys) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
    keys.Wheel(screen, 2, &out);
    keys.Wheel(screen, 3, &out);
    keys.Wheel(screen, -1, &out);
    EXPECT_EQ(Note(RunFrames(&keys, &screen)), "Q Q Q Q");
    screen.power = 100;
    screen.frame += SETTLE_FRAMES;
    keys.Wheel(screen, 5, &out);
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());  // full power already

    // F1 is held until the next press, which does nothing else; F2 until the angle box again.
    keys.Press(screen, PointerKeys::ButtonMain, 20, 185, 0, &out);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Down(VK_F1)});
    out.clear();
    keys.Press(screen, PointerKeys::ButtonMain, 260, 100, 0, &out);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Up(VK_F1)});
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());
    out.clear();
    for (int x : {100, 140, 200, 319}) keys.Press(screen, PointerKeys::ButtonMain, x, 199, 0, &out);
    EXPECT_EQ(Note(out), "2 Esc S S");
    out.clear();
    keys.Press(screen, PointerKeys::ButtonMain, 60, 185, 0, &out);
    EXPECT_EQ(out, std::vector<InputEvent>{InputEvent::Down(VK_F2)});
    keys.Press(screen, PointerKeys::ButtonMain, 260, 100, 0, &out);  // aims, F2 still held
    keys.Press(screen, PointerKeys::ButtonMain, 60, 185, 0, &out);
    EXPECT_EQ(out.back(), InputEvent::Up(VK_F2));
    out.clear();
    keys.Press(screen, PointerKeys::ButtonMain, 60, 185, 0, &out);
    keys.LetGoAll(&out);
    EXPECT_EQ(out, (std::vector<InputEvent>{InputEvent::Down(VK_F2), InputEvent::Up(VK_F2)}));
}

TEST(PointerAimTest, TheMenuBarsTankLooksAtEachStandingTankInTurnFromTheCurrentOnesNext) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    screen.tankShown = {true, true, false, true};
    std::vector<InputEvent> out;
    for (int i = 0; i < 4; ++i) keys.Press(screen, PointerKeys::ButtonMain, 100, 190, 0, &out);
    EXPECT_EQ(Note(out), "2 4 1 2");
    out.clear();
    screen.seat = 3;  // the next turn
    keys.Press(screen, PointerKeys::ButtonMain, 100, 190, 0, &out);
    keys.Press(screen, PointerKeys::ButtonMain, 100, 190, 0, &out);
    EXPECT_EQ(Note(out), "1 2");
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

TEST(PointerMenuTest, APressOnARowMovesTheCursorThereAndPressesTheKeyOfItsPlace) {
    PointerKeys keys;
    PointerScreen screen = ShopScreen();
    std::vector<InputEvent> out;
    keys.Press(screen, PointerKeys::ButtonMain, 10, 60, 0, &out);    // the second row's name
    keys.Press(screen, PointerKeys::ButtonMain, 230, 60, 0, &out);   // its Buy column
    keys.Press(screen, PointerKeys::ButtonMain, 290, 45, 0, &out);   // the first row's Sell column
    keys.Press(screen, PointerKeys::ButtonMain, 100, 155, 0, &out);  // Finish
    keys.Press(screen, PointerKeys::ButtonMain, 100, 100, 0, &out);  // between rows
    keys.Press(screen, PointerKeys::ButtonFire, 230, 60, 0, &out);   // not the main button
    // The screen has not caught up with the keys in between: the cursor is counted from them.
    EXPECT_EQ(Note(out), "Down Space Up S Down Down Space");
    out.clear();
    keys.Press(screen, PointerKeys::ButtonMain, 230, 60, 0, &out);  // after Finish: the first row
    EXPECT_EQ(Note(out), "Down Space");
    // Once settled, the screen's cursor counts.
    out.clear();
    screen.frame += SETTLE_FRAMES;
    screen.cursor = 1;
    keys.Press(screen, PointerKeys::ButtonMain, 230, 45, 0, &out);
    EXPECT_EQ(Note(out), "Up Space");
    // Another menu's cursor is its own.
    out.clear();
    screen.mode = PointerScreen::PlayerChoice;
    screen.cursor = 2;
    keys.Press(screen, PointerKeys::ButtonMain, 10, 45, 0, &out);
    EXPECT_EQ(Note(out), "Up Up");
}

TEST(PointerMenuTest, PromptsTitleAndTableAnswerToAPress) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
    screen.prompt = true;
    screen.yesTop = 80;
    screen.yesBottom = 106;
    keys.Press(screen, PointerKeys::ButtonMain, 160, 90, 0, &out);
    keys.Press(screen, PointerKeys::ButtonMain, 160, 106, 0, &out);
    keys.Press(screen, PointerKeys::ButtonFire, 160, 90, 0, &out);  // the main button answers
    EXPECT_EQ(Note(out), "+Shift Y -Shift Esc");
    EXPECT_TRUE(RunFrames(&keys, &screen).empty());  // and aims nothing
    out.clear();
    screen.prompt = false;
    for (PointerScreen::Mode mode : {PointerScreen::Title, PointerScreen::EndOfMatch, PointerScreen::Shot}) {
        screen.mode = mode;
        keys.Press(screen, PointerKeys::ButtonMain, 160, 90, 0, &out);
    }
    EXPECT_EQ(Note(out), "Space Space");
}

TEST(PointerControlTest, TheControlsBesideThePictureDoWhatTheirPlacesInItDo) {
    PointerKeys keys;
    PointerScreen screen = AimingScreen();
    std::vector<InputEvent> out;
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
    keys.Press(screen, PointerKeys::ButtonMain, 160, 90, 0, &out);  // straight up, power 30
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
}

}  // namespace
