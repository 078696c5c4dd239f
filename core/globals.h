// The game's process-wide state, grouped by lifetime, with the reset that tests use. Every
// subsystem reads it; the shell owns the game objects the pointers below refer to.
//
// Per run: the window, activation, the tick flag, frame counting, held keys, the backdrop and the
// three game objects. Per game and match: the mode, the view and the shot sequence. Options: the
// choices of the player choice screen.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/win.h"

class Landscape;
class PlayerCollection;
class ProjectileCollection;

// The seven game modes; Terraform is transient and never stays in CurrentMode.
enum GameMode : std::uint32_t {
    Aiming = 0,
    ShotInProgress = 1,
    WeaponShop = 2,
    PlayerChoice = 3,
    EndOfMatch = 4,
    Title = 5,
    Terraform = 6,
};

// Mode names as the replay runner and its scripts spell them; null above 6.
const char* GameModeName(std::uint32_t mode);

// Screen size, and the menu bar's height below the landscape while aiming and shooting.
constexpr int SCREEN_WIDTH = 320;
constexpr int SCREEN_HEIGHT = 200;
constexpr int MENU_BAR_MARGIN = 20;
constexpr int KEY_COUNT = 256;
constexpr int SINE_TABLE_SIZE = 3600;

extern HWND MainWindow;
extern HINSTANCE AppInstance;
extern bool AppActive;
extern bool TickPending;
extern bool InputSuspended;
extern std::int32_t FrameCounter;
extern std::array<std::int32_t, KEY_COUNT> KeyHeld;
extern Landscape* TheLandscape;
extern ProjectileCollection* TheProjectiles;
extern PlayerCollection* ThePlayers;
extern int BackdropSurface;
// SineTable[i] = sin(i tenths of a degree); the cosine of a is SineTable[(a + 900) % 3600].
extern std::array<float, SINE_TABLE_SIZE> SineTable;

// Where the view glides while a shot is set up: to the tank, or to its barrel's tip.
enum ViewFollow : std::uint32_t { FOLLOW_TANK = 0, FOLLOW_BARREL_TIP = 1 };

extern GameMode CurrentMode;
// Turns begun since start-up: one more each time aiming begins, which is a new turn (the shell counts
// them as it enters Aiming). The computer players, before a frame step's work, and the network
// game's state hash, after it, each see that a turn started by the count having moved since their
// last look.
extern std::uint32_t TurnsStarted;
extern std::int32_t ViewX;
extern std::int32_t ViewY;
extern std::int32_t ViewTarget;    // player the view glides to, -1 for none
extern ViewFollow ViewFollowMode;  // to the tank or to its barrel's tip
extern std::int32_t FireDelay;     // -1 while gliding to the shooter, else ticks before the shot
extern std::int32_t ShotsToFire;
extern std::int32_t SettleCountdown;  // -1 not started, else quiet ticks before the turn ends
extern std::int32_t ReadyMessageTicks;
extern bool NewGamePending;
extern bool QuitPromptShown;
extern bool HelpShown;
extern bool AngleGuideShown;
extern bool EndMatchPan;
extern std::int32_t PanStepX;
extern std::int32_t PanStepY;

// The options of the player choice screen, read when a landscape is made. Replays and the state
// hash carry them as these numbers.
enum GravityChoice : std::uint32_t { GRAVITY_OFF = 0, GRAVITY_ON = 1 };
enum WindChoice : std::int32_t { WIND_NO = 0, WIND_CONSTANT = 1, WIND_VARIABLE = 2, WIND_RANDOM = 3 };
extern GravityChoice LandscapeGravityOption;
extern WindChoice WindOption;
// Sets an option from a number read from outside (a replay, a command line, a step of a choice):
// false, with the option left as it was, when the number is not one of its values.
bool SetGravityOption(std::int64_t value);
bool SetWindOption(std::int64_t value);

// Who plays each of the eight seats: a person at the keyboard or the computer at a level. Set on
// the player choice screen with keys 1 to 8; kept for every match and later games until changed.
constexpr int PLAYER_SEATS = 8;
// A person, or one of the computer's five levels.
enum Controller : std::int32_t {
    ControllerHuman = 0,
    ControllerBeginner = 1,
    ControllerEasy = 2,
    ControllerNormal = 3,
    ControllerHard = 4,
    ControllerExpert = 5,
};
constexpr int CONTROLLER_COUNT = 6;
extern std::array<Controller, PLAYER_SEATS> SeatControllers;
// What the player choice screen starts a run with: the last game's choice in the native game and
// the page, else two players, gravity on and no wind; a replay brings its own. Start-up applies it
// once it has made the landscape's tables.
struct StartChoice {
    std::int32_t players = 2;  // 2 to PLAYER_SEATS
    GravityChoice gravity = GRAVITY_ON;
    WindChoice wind = WIND_NO;
    bool operator==(const StartChoice&) const = default;
};
extern StartChoice TheStartChoice;
// In a network game: the machine whose person plays each seat (0 the host, 1 to 7 the machines that
// joined; always 0 for a computer's seat and at one keyboard), and the machines in the game now, a
// bit each (bit 0, the host or the only machine, always set).
constexpr int MAX_MACHINES = 8;
extern std::array<std::int32_t, PLAYER_SEATS> SeatMachines;
extern std::uint32_t MachinesPresent;
// In a network game: the name each machine's person goes by, clean (net/people_text.h), or empty
// for none. Only shown, never part of the game's state: the network game sets it as it hears names.
extern std::array<std::string, MAX_MACHINES> MachineNames;
// A machine as its seats are labelled: its person's name, else "Host" or "Guest N".
std::string MachineLabel(int machine);
// The machine whose person played each seat until that machine left, the computer playing it
// meanwhile; the seat is the person's again when the machine comes back. -1 for none (always at one
// keyboard).
extern std::array<std::int32_t, PLAYER_SEATS> SeatsAwayFrom;

// Per run: the seed start-up fed to the game's generator (the computer players' is seeded from it).
extern std::uint32_t StartSeed;

// Puts every variable above back to its value before start-up. The game objects must already be
// freed (ShellResetForTests does both).
void GlobalsReset();
