// The game's process-wide state, shared by every subsystem, and its reset.
#include "core/globals.h"

HWND MainWindow = nullptr;
HINSTANCE AppInstance = nullptr;
bool AppActive = false;
bool TickPending = false;
bool InputSuspended = false;
std::int32_t FrameCounter = 0;
std::array<std::int32_t, KEY_COUNT> KeyHeld{};
Landscape* TheLandscape = nullptr;
ProjectileCollection* TheProjectiles = nullptr;
PlayerCollection* ThePlayers = nullptr;
int BackdropSurface = -1;
std::array<float, SINE_TABLE_SIZE> SineTable{};

std::uint32_t CurrentMode = Aiming;
std::uint32_t TurnsStarted = 0;
std::int32_t ViewX = 0;
std::int32_t ViewY = 0;
std::int32_t ViewTarget = -1;
std::uint32_t ViewFollowMode = 0;
std::int32_t FireDelay = 0;
std::int32_t ShotsToFire = 0;
std::int32_t SettleCountdown = 0;
std::int32_t ReadyMessageTicks = 0;
bool NewGamePending = false;
bool QuitPromptShown = false;
bool HelpShown = false;
bool AngleGuideShown = false;
bool EndMatchPan = false;
std::int32_t PanStepX = 0;
std::int32_t PanStepY = 0;

std::uint32_t LandscapeGravityOption = 0;
std::int32_t WindOption = 0;
std::array<Controller, PLAYER_SEATS> SeatControllers{};
std::array<std::int32_t, PLAYER_SEATS> SeatMachines{};
std::uint32_t MachinesPresent = 1;
std::array<std::int32_t, PLAYER_SEATS> SeatsAwayFrom = [] {
    std::array<std::int32_t, PLAYER_SEATS> none{};
    none.fill(-1);
    return none;
}();
std::uint32_t StartSeed = 0;

const char* GameModeName(std::uint32_t mode) {
    static const char* const names[] = {"Aiming",     "ShotInProgress", "WeaponShop", "PlayerChoice",
                                        "EndOfMatch", "Title",          "Terraform"};
    return mode <= Terraform ? names[mode] : nullptr;
}

void GlobalsReset() {
    ThePlayers = nullptr;
    TheLandscape = nullptr;
    TheProjectiles = nullptr;
    MainWindow = nullptr;
    AppInstance = nullptr;
    AppActive = TickPending = InputSuspended = false;
    FrameCounter = 0;
    KeyHeld.fill(0);
    BackdropSurface = -1;
    SineTable.fill(0.0f);
    CurrentMode = Aiming;
    TurnsStarted = 0;
    ViewX = ViewY = 0;
    ViewTarget = -1;
    ViewFollowMode = 0;
    FireDelay = ShotsToFire = SettleCountdown = ReadyMessageTicks = 0;
    NewGamePending = QuitPromptShown = HelpShown = AngleGuideShown = EndMatchPan = false;
    PanStepX = PanStepY = 0;
    LandscapeGravityOption = 0;
    WindOption = 0;
    SeatControllers.fill(ControllerHuman);
    SeatMachines.fill(0);
    MachinesPresent = 1;
    SeatsAwayFrom.fill(-1);
    StartSeed = 0;
}
