// Pointer and touch input as the game's keys: what a press, a drag or the wheel means on each screen.
#include "pointer/pointer_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/win.h"

namespace {

constexpr int MAX_ANGLE_DEGREES = 180;
constexpr int MAX_POWER_VALUE = 100;
constexpr double PI = 3.14159265358979323846;

// How near a centring press must be to a tank's bottom middle.
constexpr int TANK_REACH_ACROSS = 8;
constexpr int TANK_REACH_UP = 12;
constexpr int TANK_REACH_DOWN = 3;

const PointerZone* ZoneAt(const PointerZone* zones, int count, int x) {
    for (int i = 0; i < count; ++i)
        if (zones[i].left <= x && x < zones[i].right) return &zones[i];
    return nullptr;
}

const PointerRow* RowAt(const PointerScreen& screen, int y) {
    for (int i = 0; i < screen.rowCount && i < static_cast<int>(screen.rows.size()); ++i) {
        const PointerRow& row = screen.rows[static_cast<std::size_t>(i)];
        if (row.top <= y && y < row.bottom) return &row;
    }
    return nullptr;
}

// The seat of the tank at (x, y), or -1.
int TankAt(const PointerScreen& screen, int x, int y) {
    for (int seat = 0; seat < PointerScreen::SEATS; ++seat) {
        const auto s = static_cast<std::size_t>(seat);
        if (!screen.tankShown[s]) continue;
        const int dx = x - screen.tankX[s], dy = y - screen.tankY[s];
        if (std::abs(dx) <= TANK_REACH_ACROSS && dy >= -TANK_REACH_UP && dy <= TANK_REACH_DOWN) return seat;
    }
    return -1;
}

// Presses of S from the current weapon to the next one in stock: 1 when none is known to be.
int WeaponSteps(const PointerScreen& screen) {
    const int count = std::min(screen.weaponCount, 32);
    for (int step = 1; step < count; ++step)
        if ((screen.weaponsInStock >> ((screen.weapon + step) % count)) & 1) return step;
    return 1;
}

}  // namespace

PointerAim AimAt(int pivotX, int pivotY, int x, int y) {
    const int across = x - pivotX, up = pivotY - y;
    PointerAim aim;
    // The barrel cannot point below the horizon: a pointer below the pivot aims flat to its side.
    if (up <= 0)
        aim.angle = across < 0 ? 0 : across > 0 ? MAX_ANGLE_DEGREES : MAX_ANGLE_DEGREES / 2;
    else
        aim.angle = static_cast<int>(std::lround(std::atan2(up, -across) * 180.0 / PI));
    aim.angle = std::clamp(aim.angle, 0, MAX_ANGLE_DEGREES);
    const double distance = std::sqrt(static_cast<double>(across) * across + static_cast<double>(up) * up);
    aim.power = static_cast<int>(
        std::min<long>(MAX_POWER_VALUE, std::lround(distance * MAX_POWER_VALUE / POWER_PIXELS)));
    return aim;
}

void PointerKeys::Press(const PointerScreen& screen, Button button, int x, int y, std::uint32_t ms,
                        std::vector<InputEvent>* out) {
    frame_ = screen.frame;
    // The help screen held by the pointer goes with the next press, which does nothing else.
    if (helpHeld_) {
        helpHeld_ = false;
        out->push_back(InputEvent::Up(VK_F1));
        return;
    }
    if (screen.prompt) {
        if (button != ButtonMain) return;
        AnswerPrompt(y >= screen.yesTop && y < screen.yesBottom, out);
        return;
    }
    switch (screen.mode) {
        case PointerScreen::Title:
        case PointerScreen::EndOfMatch:
            if (button == ButtonMain && !PressOffer(screen, x, y, out)) Tap(VK_SPACE, out);
            break;
        case PointerScreen::PlayerChoice:
        case PointerScreen::WeaponShop:
        case PointerScreen::Online:
        case PointerScreen::Options:
            if (button == ButtonMain) PressMenu(screen, x, y, out);
            break;
        case PointerScreen::Aiming:
            if (!PressLookArrow(screen, button, x, y)) PressAiming(screen, button, x, y, ms, out);
            break;
        case PointerScreen::Shot:
            // A press held still hurries the shot; once it drags, it looks around instead.
            if (PressLookArrow(screen, button, x, y)) break;
            StartLook(button, x, y, screen.barTop);
            if (button == ButtonMain) HoldFast(true, out);
            break;
        default:
            break;
    }
}

void PointerKeys::PressControl(const PointerScreen& screen, Control control, std::uint32_t ms,
                               std::vector<InputEvent>* out) {
    frame_ = screen.frame;
    if (helpHeld_) {
        helpHeld_ = false;
        out->push_back(InputEvent::Up(VK_F1));
        return;
    }
    if (control == ControlQuieter || control == ControlLouder || control == ControlSound) {
        Tap(control == ControlQuieter ? VK_F7 : control == ControlLouder ? VK_F8 : VK_F9, out);
        return;
    }
    if (control == ControlFast) return HoldFast(true, out);
    if (screen.prompt) {
        if (control == ControlYes || control == ControlNo) AnswerPrompt(control == ControlYes, out);
        return;
    }
    if (screen.mode != PointerScreen::Aiming) return;
    switch (control) {
        case ControlFire:
            PressAiming(screen, ButtonFire, -1, -1, ms, out);
            break;
        case ControlCentre:
            PressAiming(screen, ButtonCentre, -1, -1, ms, out);
            break;
        case ControlWeapon:
            for (int step = WeaponSteps(screen); step > 0; --step) PressBarKey(screen, 'S', out);
            break;
        case ControlGuide:
            PressBarKey(screen, VK_F2, out);
            break;
        case ControlHelp:
            PressBarKey(screen, VK_F1, out);
            break;
        default:
            break;
    }
}

void PointerKeys::Move(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out) {
    frame_ = screen.frame;
    if (barPressed_) {
        // A press on the menu bar that drags becomes a look around; held still, it acts on release.
        if (std::abs(x - lookStartX_) + std::abs(y - lookStartY_) <= LOOK_DRAG_PX) return;
        barPressed_ = false;
        looking_ = true;
    }
    if (looking_) {
        if (std::abs(x - lookStartX_) + std::abs(y - lookStartY_) > LOOK_DRAG_PX) HoldFast(false, out);
        PointerLookBy(lookX_ - x, lookY_ - y);
        lookX_ = x;
        lookY_ = y;
        return;
    }
    if (!aiming_ || screen.mode != PointerScreen::Aiming || screen.seat != seat_) return;
    const PointerAim aim = AimAt(screen.pivotX, screen.pivotY, x, y);
    targetAngle_ = aim.angle;
    targetPower_ = aim.power;
}

void PointerKeys::LookWithTwo(int dx, int dy, std::vector<InputEvent>* out) {
    aiming_ = reaching_ = firePending_ = looking_ = barPressed_ = pressedBefore_ = false;
    HoldFast(false, out);
    PointerLookBy(-dx, -dy);
}

void PointerKeys::Release(const PointerScreen& screen, std::vector<InputEvent>* out) {
    frame_ = screen.frame;
    if (barPressed_ && screen.mode == PointerScreen::Aiming && !screen.prompt)
        PressBar(screen, lookStartX_, out);
    aiming_ = looking_ = barPressed_ = false;
    HoldFast(false, out);
}

void PointerKeys::Wheel(const PointerScreen& screen, int notches, std::vector<InputEvent>*) {
    frame_ = screen.frame;
    if (screen.mode != PointerScreen::Aiming || !screen.mayAim || screen.prompt) return;
    if (!reaching_) {
        StartAim(screen);
        targetAngle_ = angle_;
        targetPower_ = power_;
        reaching_ = true;
    }
    targetPower_ = std::clamp(targetPower_ + notches, 0, MAX_POWER_VALUE);
}

void PointerKeys::Tick(const PointerScreen& screen, std::vector<InputEvent>* out) {
    frame_ = screen.frame;
    if (screen.frame == steppedFrame_) return;
    steppedFrame_ = screen.frame;
    if (!reaching_ && !firePending_) return;
    // The turn is over, or no longer this person's: what was under way is dropped.
    if (screen.mode != PointerScreen::Aiming || !screen.mayAim || screen.seat != seat_) {
        aiming_ = reaching_ = firePending_ = false;
        return;
    }
    if (reaching_) {
        StepAim(&angle_, targetAngle_, 'Z', 'X', out);
        StepAim(&power_, targetPower_, 'A', 'Q', out);
        if (!aiming_ && angle_ == targetAngle_ && power_ == targetPower_) reaching_ = false;
    }
    if (firePending_ && (!reaching_ || (angle_ == targetAngle_ && power_ == targetPower_))) {
        Tap(VK_SPACE, out);
        aiming_ = reaching_ = firePending_ = false;
    }
}

void PointerKeys::LetGoAll(std::vector<InputEvent>* out) {
    if (helpHeld_) out->push_back(InputEvent::Up(VK_F1));
    if (guideHeld_) out->push_back(InputEvent::Up(VK_F2));
    HoldFast(false, out);
    helpHeld_ = guideHeld_ = false;
    aiming_ = reaching_ = firePending_ = looking_ = barPressed_ = false;
    pressedBefore_ = false;
}

void PointerKeys::PressAiming(const PointerScreen& screen, Button button, int x, int y, std::uint32_t ms,
                              std::vector<InputEvent>* out) {
    if (y >= screen.barTop) {
        if (button == ButtonMain) StartBarPress(x, y);
        return;
    }
    if (button == ButtonCentre) {
        const int seat = TankAt(screen, x, y);
        Tap(seat >= 0 ? '1' + seat : 'C', out);
        return;
    }
    if (!screen.mayAim) return StartLook(button, x, y, screen.barTop);
    if (button == ButtonFire) {
        if (!reaching_) StartAim(screen);
        firePending_ = true;
        return;
    }
    // A second press soon after the first and near it fires at the aim the first one set.
    const bool again = pressedBefore_ && ms - lastPressMs_ <= DOUBLE_PRESS_MS &&
                       std::abs(x - lastPressX_) <= DOUBLE_PRESS_PIXELS &&
                       std::abs(y - lastPressY_) <= DOUBLE_PRESS_PIXELS;
    pressedBefore_ = !again;
    lastPressMs_ = ms;
    lastPressX_ = x;
    lastPressY_ = y;
    if (again) {
        if (!reaching_) StartAim(screen);
        firePending_ = true;
        return;
    }
    StartAim(screen);
    const PointerAim aim = AimAt(screen.pivotX, screen.pivotY, x, y);
    targetAngle_ = aim.angle;
    targetPower_ = aim.power;
    aiming_ = reaching_ = true;
}

void PointerKeys::PressMenu(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out) {
    if (menuMode_ != screen.mode || Settled(screen)) cursor_ = screen.cursor;
    menuMode_ = screen.mode;
    const PointerRow* row = RowAt(screen, y);
    if (!row) return;
    if (row->cursor >= 0) {
        for (; cursor_ < row->cursor; ++cursor_) Tap(VK_DOWN, out);
        for (; cursor_ > row->cursor; --cursor_) Tap(VK_UP, out);
    }
    const PointerZone* zone = ZoneAt(row->zones.data(), std::min(row->zoneCount, 8), x);
    if (!zone || zone->key == 0) return;
    Tap(zone->key, out);
    if (row->cursorAfter >= 0) cursor_ = row->cursorAfter;
}

// A press on a line of the title that offers another screen presses its key.
bool PointerKeys::PressOffer(const PointerScreen& screen, int x, int y, std::vector<InputEvent>* out) {
    const PointerRow* row = RowAt(screen, y);
    if (!row) return false;
    const PointerZone* zone = ZoneAt(row->zones.data(), std::min(row->zoneCount, 8), x);
    if (!zone || zone->key == 0) return false;
    Tap(zone->key, out);
    return true;
}

void PointerKeys::PressBar(const PointerScreen& screen, int x, std::vector<InputEvent>* out) {
    const int count = std::min(screen.barZoneCount, static_cast<int>(screen.barZones.size()));
    const PointerZone* zone = ZoneAt(screen.barZones.data(), count, x);
    if (zone && zone->key != 0) PressBarKey(screen, zone->key, out);
}

// F1 is held until the next press and F2 until it is pressed again; the other keys are tapped.
void PointerKeys::PressBarKey(const PointerScreen& screen, int key, std::vector<InputEvent>* out) {
    if (key == VK_F1) {
        helpHeld_ = true;
        out->push_back(InputEvent::Down(VK_F1));
    } else if (key == PointerZone::NEXT_TANK) {
        LookAtNextTank(screen, out);
    } else if (key == VK_F2) {
        guideHeld_ = !guideHeld_;
        out->push_back(guideHeld_ ? InputEvent::Down(VK_F2) : InputEvent::Up(VK_F2));
    } else {
        Tap(key, out);
    }
}

void PointerKeys::LookAtNextTank(const PointerScreen& screen, std::vector<InputEvent>* out) {
    if (lookTurn_ != screen.seat || lookedAt_ < 0) lookedAt_ = screen.seat;
    lookTurn_ = screen.seat;
    for (int step = 1; step <= PointerScreen::SEATS; ++step) {
        const int seat = ((lookedAt_ < 0 ? 0 : lookedAt_) + step) % PointerScreen::SEATS;
        if (!screen.tankShown[static_cast<std::size_t>(seat)]) continue;
        lookedAt_ = seat;
        Tap('1' + seat, out);
        return;
    }
}

bool PointerKeys::PressLookArrow(const PointerScreen& screen, Button button, int x, int y) {
    if (button != ButtonMain) return false;
    const int count = std::min(screen.lookArrowCount, PointerScreen::SEATS);
    for (int i = 0; i < count; ++i) {
        const PointerScreen::LookArrow& arrow = screen.lookArrows[static_cast<std::size_t>(i)];
        const int reach = PointerScreen::LOOK_ARROW_REACH;
        if (std::abs(x - arrow.x) > reach || std::abs(y - arrow.y) > reach) continue;
        PointerLookBy(arrow.lookX, arrow.lookY);
        return true;
    }
    return false;
}

void PointerKeys::StartLook(Button button, int x, int y, int barTop) {
    looking_ = button == ButtonMain && y < barTop;
    lookX_ = lookStartX_ = x;
    lookY_ = lookStartY_ = y;
}

void PointerKeys::StartBarPress(int x, int y) {
    barPressed_ = true;
    lookX_ = lookStartX_ = x;
    lookY_ = lookStartY_ = y;
}

// Yes is Shift+Y, no is Esc.
void PointerKeys::AnswerPrompt(bool yes, std::vector<InputEvent>* out) {
    if (!yes) {
        Tap(VK_ESCAPE, out);
        return;
    }
    out->push_back(InputEvent::Down(VK_SHIFT));
    Tap('Y', out);
    out->push_back(InputEvent::Up(VK_SHIFT));
}

// The aim is counted afresh from the screen for a new turn, and once the keys sent before have had
// time to reach the game; otherwise from the keys sent.
void PointerKeys::StartAim(const PointerScreen& screen) {
    if (screen.seat != seat_ || Settled(screen)) {
        seat_ = screen.seat;
        angle_ = screen.angle;
        power_ = screen.power;
    }
    targetAngle_ = angle_;
    targetPower_ = power_;
}

void PointerKeys::StepAim(int* value, int target, int downKey, int upKey, std::vector<InputEvent>* out) {
    for (int step = 0; step < AIM_STEPS_PER_FRAME && *value != target; ++step) {
        const bool up = target > *value;
        Tap(up ? upKey : downKey, out);
        *value += up ? 1 : -1;
    }
}

void PointerKeys::Tap(int key, std::vector<InputEvent>* out) {
    out->push_back(InputEvent::Down(key));
    out->push_back(InputEvent::Up(key));
    lastKeyFrame_ = frame_;
    anyKey_ = true;
}

// The fast key goes down once and up once, whatever holds it.
void PointerKeys::HoldFast(bool held, std::vector<InputEvent>* out) {
    if (held == fastHeld_) return;
    fastHeld_ = held;
    out->push_back(held ? InputEvent::Down(VK_TAB) : InputEvent::Up(VK_TAB));
}

bool PointerKeys::Settled(const PointerScreen& screen) const {
    // A count of frame steps that went back is a new run's.
    return !anyKey_ || screen.frame < lastKeyFrame_ || screen.frame >= lastKeyFrame_ + SETTLE_FRAMES;
}
