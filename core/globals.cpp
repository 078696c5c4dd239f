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

GameMode CurrentMode = Aiming;
std::uint32_t TurnsStarted = 0;
std::int32_t ViewX = 0;
std::int32_t ViewY = 0;
std::int32_t ViewTarget = -1;
ViewFollow ViewFollowMode = FOLLOW_TANK;
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

GravityChoice LandscapeGravityOption = GRAVITY_OFF;
WindChoice WindOption = WIND_NO;
std::array<Controller, PLAYER_SEATS> SeatControllers{};
StartChoice TheStartChoice;
std::array<std::int32_t, PLAYER_SEATS> SeatMachines{};
std::uint32_t MachinesPresent = 1;
std::array<std::string, MAX_MACHINES> MachineNames{};
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

bool SetGravityOption(std::int64_t value) {
    if (value != GRAVITY_OFF && value != GRAVITY_ON) return false;
    LandscapeGravityOption = static_cast<GravityChoice>(value);
    return true;
}

bool SetWindOption(std::int64_t value) {
    if (value < WIND_NO || value > WIND_RANDOM) return false;
    WindOption = static_cast<WindChoice>(value);
    return true;
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
    ViewFollowMode = FOLLOW_TANK;
    FireDelay = ShotsToFire = SettleCountdown = ReadyMessageTicks = 0;
    NewGamePending = QuitPromptShown = HelpShown = AngleGuideShown = EndMatchPan = false;
    PanStepX = PanStepY = 0;
    LandscapeGravityOption = GRAVITY_OFF;
    WindOption = WIND_NO;
    SeatControllers.fill(ControllerHuman);
    TheStartChoice = StartChoice{};
    SeatMachines.fill(0);
    MachinesPresent = 1;
    MachineNames.fill("");
    SeatsAwayFrom.fill(-1);
    StartSeed = 0;
}

std::string MachineLabel(int machine) {
    if (machine >= 0 && machine < MAX_MACHINES && !MachineNames[static_cast<std::size_t>(machine)].empty())
        return MachineNames[static_cast<std::size_t>(machine)];
    return machine == 0 ? "Host" : "Guest " + std::to_string(machine);
}
