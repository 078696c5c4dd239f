// Keyboard commands: held-key counters, the quit prompt and each mode's keys.
#include "core/globals.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "sound/sound.h"

namespace {

// Sound numbers of the keys' effects.

constexpr int VIEW_STEP = 8;

// Moves the view by an arrow key and keeps it inside the landscape.
bool ScrollView(int key, int margin) {
    switch (key) {
        case VK_LEFT:
            ViewX -= VIEW_STEP;
            break;
        case VK_RIGHT:
            ViewX += VIEW_STEP;
            break;
        case VK_UP:
            ViewY -= VIEW_STEP;
            break;
        case VK_DOWN:
            ViewY += VIEW_STEP;
            break;
        default:
            return false;
    }
    if (TheLandscape) TheLandscape->ClampView(&ViewX, &ViewY, margin);
    return true;
}

bool IsArrow(int key) { return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN; }

// Set while a computer player's key is being handled, so that a person's keys cannot aim, fire or
// shop for a computer.
bool FromComputer = false;

bool IsComputer(int seat) {
    return seat >= 0 && seat < PLAYER_SEATS &&
           SeatControllers[static_cast<std::size_t>(seat)] != ControllerHuman;
}

// A person may look around during a computer's turn (arrows, 1 to 8, C, the help screen) and call up
// the quit prompt, but its other keys belong to the computer.
bool PersonMayPressForComputer(int key) {
    return IsArrow(key) || (key >= '1' && key <= '8') || key == 'C' || key == VK_GAMEPAD_X || key == VK_F1 ||
           key == VK_ESCAPE;
}

// Shown over modes 0, 2 and 4: Shift+Y (or a gamepad's Y) abandons the game, any other key but
// Shift closes it.
bool QuitPromptKey(int key) {
    if (key == VK_SHIFT) return true;
    if (key == 'Y' || key == VK_GAMEPAD_Y) {
        if (key == VK_GAMEPAD_Y || KeyHeld[VK_SHIFT] >= 1) {
            bool fromShop = CurrentMode == WeaponShop;
            SwitchToMode(Title);
            if (fromShop) SoundPlay(SOUND_CONFIRM);
        }
        return true;
    }
    QuitPromptShown = false;
    return true;
}

// Angle and power keys: a step inside the limits sounds; the menu is updated either way.
void StepAim(std::int32_t* value, int step, std::int32_t limit, int sound) {
    bool canMove = step < 0 ? *value > 0 : *value < limit;
    if (canMove) {
        *value += step;
        SoundPlay(sound);
    }
    ThePlayers->UpdateMenu();
}

// A gamepad's X while aiming: the view glides to the current player's tank, or, when it is already
// gliding to (or resting on) a tank, to the next tank in the game after it.
void CentreOnATank() {
    const int count = ThePlayers->numPlayers;
    int target = ThePlayers->CurrentIndex();
    if (ViewTarget >= 0) {
        for (int step = 1; step <= count; ++step) {
            const int seat = (ViewTarget + step) % count;
            const Player* player = ThePlayers->Get(seat);
            if (player && player->inGame && player->alive) {
                target = seat;
                break;
            }
        }
    }
    ViewTarget = target;
    ViewFollowMode = FOLLOW_TANK;
}

void CycleWeapon(Player* player, int step) {
    player->weapon = (player->weapon + step) % WEAPON_COUNT;
    ThePlayers->UpdateMenu();
    SoundPlay(SOUND_CLICK);
}

bool AimingKey(int key) {
    if (IsArrow(key)) {
        ViewTarget = -1;
        return ScrollView(key, MENU_BAR_MARGIN);
    }
    if (key == VK_ESCAPE) {
        QuitPromptShown = true;
        return true;
    }
    if (!ThePlayers) return false;
    if (!FromComputer && IsComputer(ThePlayers->CurrentIndex()) && !PersonMayPressForComputer(key))
        return true;
    Player* player = ThePlayers->Current();
    if (key >= '1' && key <= '8') {
        const Player* target = ThePlayers->Get(key - '1');
        if (target && target->inGame && target->alive) {
            ViewTarget = key - '1';
            ViewFollowMode = FOLLOW_TANK;
        }
        return false;
    }
    switch (key) {
        case VK_SPACE:
            SoundPlay(SOUND_CONFIRM);
            if (player->stock[player->weapon] != 0) SwitchToMode(ShotInProgress);
            return true;
        case 'C':
            ViewTarget = ThePlayers->CurrentIndex();
            ViewFollowMode = FOLLOW_TANK;
            return true;
        case VK_GAMEPAD_X:
            CentreOnATank();
            return true;
        case 'Z':
            StepAim(&player->angle, -1, MAX_ANGLE, SOUND_ANGLE);
            return true;
        case 'X':
            StepAim(&player->angle, +1, MAX_ANGLE, SOUND_ANGLE);
            return true;
        case 'A':
            StepAim(&player->power, -1, MAX_POWER, SOUND_POWER);
            return true;
        case 'Q':
            StepAim(&player->power, +1, MAX_POWER, SOUND_POWER);
            return true;
        case 'S':
            CycleWeapon(player, 1);
            return true;
        case 'W':
            CycleWeapon(player, WEAPON_COUNT - 1);
            return true;
        case VK_F1:
            HelpShown = true;
            return true;
        case VK_F2:
        case VK_GAMEPAD_Y:
            AngleGuideShown = true;
            return true;
        default:
            return false;
    }
}

bool ShotKey(int key) {
    if (key == VK_ESCAPE) return true;
    return ScrollView(key, 0);
}

bool WeaponShopKey(int key) {
    if (!FromComputer && key != VK_ESCAPE && IsComputer(ShopPlayer)) return true;
    switch (key) {
        case VK_RETURN:
        case VK_SPACE:
            if (WeaponScreenAction(ShopAction::BuyOrFinish)) SwitchToMode(Terraform);
            return true;
        case VK_ESCAPE:
            SoundPlay(SOUND_CONFIRM);
            QuitPromptShown = true;
            return true;
        case VK_UP:
            WeaponScreenAction(ShopAction::Up);
            return true;
        case VK_DOWN:
            WeaponScreenAction(ShopAction::Down);
            return true;
        case 'S':
            WeaponScreenAction(ShopAction::Sell);
            return true;
        default:
            return false;
    }
}

bool PlayerChoiceKey(int key) {
    switch (key) {
        case VK_RETURN:
        case VK_SPACE:
            if (PlayerChoiceAction(ChoiceAction::Select)) {
                ShellGameChosen();
                SwitchToMode(WeaponShop);
            }
            return true;
        case VK_ESCAPE:
            SwitchToMode(Title);
            return true;
        case VK_UP:
            PlayerChoiceAction(ChoiceAction::Up);
            return true;
        case VK_DOWN:
            PlayerChoiceAction(ChoiceAction::Down);
            return true;
        case VK_LEFT:
            PlayerChoiceAction(ChoiceAction::Left);
            return true;
        case VK_RIGHT:
            PlayerChoiceAction(ChoiceAction::Right);
            return true;
        case VK_GAMEPAD_X:
            PlayerChoiceNextSeat();
            return true;
        case VK_GAMEPAD_Y:
            PlayerChoiceCycleHighlighted();
            return true;
        default:
            if (key >= '1' && key <= '8') {
                PlayerChoiceCycleController(key - '1');
                return true;
            }
            return false;
    }
}

bool EndOfMatchKey(int key) {
    if (IsArrow(key)) {
        EndMatchPan = false;
        return ScrollView(key, 0);
    }
    switch (key) {
        case VK_ESCAPE:
            QuitPromptShown = true;
            return true;
        case VK_SPACE:
            InitWeaponScreen(ThePlayers);
            SwitchToMode(WeaponShop);
            return true;
        default:
            return false;
    }
}

bool TitleKey(int key) {
    switch (key) {
        case VK_RETURN:
        case VK_SPACE:
            SoundPlay(SOUND_CONFIRM);
            SwitchToMode(PlayerChoice);
            return true;
        case VK_ESCAPE:
            PostMessageA(MainWindow, WM_CLOSE, 0, 0);
            return true;
        default:
            return false;
    }
}

bool KeyPressed(int key) {
    bool promptMode = CurrentMode == Aiming || CurrentMode == WeaponShop || CurrentMode == EndOfMatch;
    if (promptMode && QuitPromptShown) return QuitPromptKey(key);
    switch (CurrentMode) {
        case Aiming:
            return AimingKey(key);
        case ShotInProgress:
            return ShotKey(key);
        case WeaponShop:
            return WeaponShopKey(key);
        case PlayerChoice:
            return PlayerChoiceKey(key);
        case EndOfMatch:
            return EndOfMatchKey(key);
        case Title:
            return TitleKey(key);
        default:
            return false;
    }
}

// Only in aiming do releases mean something: F1 and F2 take their screens down.
bool KeyReleased(int key) {
    if (CurrentMode != Aiming) return false;
    if (key == VK_F1) {
        HelpShown = false;
        return true;
    }
    if (key == VK_F2 || key == VK_GAMEPAD_Y) {
        AngleGuideShown = false;
        return true;
    }
    return false;
}

}  // namespace

void ProcessComputerKey(int key) {
    DIAG_SCOPE("main");
    FromComputer = true;
    ProcessKeyEvent(InputEvent::Down(key));
    ProcessKeyEvent(InputEvent::Up(key));
    FromComputer = false;
}

bool ProcessKeyEvent(const InputEvent& input) {
    DIAG_SCOPE("main");
    if (!input.IsKey()) return false;
    if (input.value >= KEY_COUNT) {
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "ProcessKeyEvent", "Key code %u is out of range",
                  static_cast<unsigned>(input.value));
        return false;
    }
    int key = static_cast<int>(input.value);
    if (input.kind == InputEvent::KeyUp) {
        KeyHeld[key] = 0;
    } else {
        if (KeyHeld[key] == 0) KeyHeld[key] = 1;
        if (input.repeat) return true;
    }
    if (InputSuspended) return true;
    return input.kind == InputEvent::KeyUp ? KeyReleased(key) : KeyPressed(key);
}
