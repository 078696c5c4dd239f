// The game modes: the entry work of each mode and the frame step that advances and draws it.
#include <new>

#include "core/globals.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "lookout/lookout.h"
#include "netplay/lockstep.h"
#include "online/online_menu.h"
#include "options/options.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "screens/screens.h"
#include "shell/fast_forward.h"
#include "shell/shell.h"

namespace {

// Every frame is drawn into the back page of device 0.
constexpr int DEVICE = 0;
constexpr int BACK = 2;

// Presenting waits at most this many 1 ms sleeps for each page.
constexpr int FLIP_WAIT_LIMIT = 100;

std::int64_t Now() {
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    return count;
}

// Aiming always begins a turn.
void EnterAiming() {
    CurrentMode = Aiming;
    TurnsStarted += 1;
    if (TheLandscape) {
        TheLandscape->VaryWind();
        if (ThePlayers) ThePlayers->wind = TheLandscape->wind;
    }
    ViewFollowMode = FOLLOW_TANK;
    if (ThePlayers) {
        ViewTarget = ThePlayers->CurrentIndex();
        ThePlayers->UpdateMenu();
    }
}

void EnterShotInProgress() {
    CurrentMode = ShotInProgress;
    ViewFollowMode = FOLLOW_BARREL_TIP;
    if (ThePlayers) ViewTarget = ThePlayers->CurrentIndex();
    HelpShown = false;
    ShotsToFire = 1;
    SettleCountdown = -1;
    FireDelay = -1;
    if (ThePlayers) ThePlayers->UpdateArmourChart();
}

void EnterTitle() {
    CurrentMode = Title;
    InitTitleScreen(BackdropSurface, AppInstance);
    UpdateTitleScreen(DEVICE, BACK);
    GraphxFlip(DEVICE);
    NewGamePending = true;
    QuitPromptShown = false;
}

// Makes the landscape of a new match behind the terraforming screen, all before returning. The
// ticks and keys that queue up meanwhile are dropped.
void EnterTerraform() {
    InitTerraformingScreen(DEVICE, BackdropSurface, AppInstance);
    ViewX = 0;
    ViewY = 0;
    delete TheLandscape;
    TheLandscape = new (std::nothrow) Landscape();
    if (!TheLandscape) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "main|SwitchToMode", "Out of memory for a new landscape");
        EnterTitle();
        return;
    }
    std::int64_t start = Now();
    TheLandscape->Generate(-1, -1, UpdateTerraformingScreen);
    if (Timings.enabled) {
        std::int64_t frequency = 1;
        QueryPerformanceFrequency(&frequency);
        auto nanoseconds = static_cast<std::int64_t>(static_cast<double>(Now() - start) * 1e9 / frequency);
        if (nanoseconds > Timings.longestTerraformNanoseconds)
            Timings.longestTerraformNanoseconds = nanoseconds;
    }
    delete TheProjectiles;
    TheProjectiles = new (std::nothrow) ProjectileCollection(TheLandscape);
    if (!TheProjectiles) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "main|SwitchToMode", "Out of memory for a new match");
        EnterTitle();
        return;
    }
    if (ThePlayers) {
        ThePlayers->NewMatch();
        ThePlayers->PositionPlayers(TheLandscape);
    }
    // The hint belongs to a game's first match only: what a short first match left of it is dropped.
    ReadyMessageTicks = NewGamePending ? READY_MESSAGE_FRAMES : 0;
    NewGamePending = false;
    InputSuspended = true;
    TickPending = false;
    EnterAiming();
}

// Mode 0: the view glides to its target after the frame is drawn.
void GlideView() {
    if (ViewTarget == -1 || !ThePlayers) return;
    bool arrived = ViewFollowMode == FOLLOW_TANK
                       ? ThePlayers->GlideToPlayer(ViewTarget, &ViewX, &ViewY, MENU_BAR_MARGIN, TheLandscape)
                       : ThePlayers->GlideToBarrel(ViewTarget, &ViewX, &ViewY, MENU_BAR_MARGIN, TheLandscape);
    if (arrived) ViewTarget = -1;
}

// Play as the display shows it (from the game's view, or where the person looks around), with each
// tank's number over it when the player chose so.
void DrawPlay(int margin, bool angleGuide) {
    int x = ViewX, y = ViewY;
    LookoutShownView(&x, &y);
    TheLandscape->Draw(DEVICE, BACK, x, y, margin);
    ThePlayers->Draw(DEVICE, BACK, x, y, margin, angleGuide);
    TheProjectiles->Draw(DEVICE, BACK, x, y, margin);
    if (OptionsTankNumbers()) DrawTankNumbers(DEVICE, BACK, *ThePlayers, x, y);
    LookoutDrawPlay(DEVICE, BACK, x, y, ReadyMessageTicks > 0);
}

void AimingFrame() {
    DrawPlay(MENU_BAR_MARGIN, AngleGuideShown);
    ThePlayers->DrawMenuBar(DEVICE, BACK);
    if (ReadyMessageTicks > 0) ReadyMessageTicks -= 1;
    if (QuitPromptShown)
        DrawQuitPrompt(DEVICE, BACK);
    else if (HelpShown)
        DrawHelpScreen(DEVICE, BACK);
    GlideView();
    TheProjectiles->Update(ThePlayers);
}

// Mode 1: glide to the shooter, wait, fire, let everything come to rest, then end the turn after
// a countdown of quiet frames. Moving things pause the countdown without resetting it.
void ShotFrame() {
    DrawPlay(MENU_BAR_MARGIN, false);
    ThePlayers->DrawShotMenuBar(DEVICE, BACK);

    bool quiet = true;
    bool arrivedNow = false;
    if (ViewTarget != -1) {
        if (ViewFollowMode == FOLLOW_TANK) {
            ViewTarget = -1;
        } else {
            quiet = false;
            if (ThePlayers->GlideToBarrel(ThePlayers->CurrentIndex(), &ViewX, &ViewY, MENU_BAR_MARGIN,
                                          TheLandscape)) {
                ViewTarget = -1;
                FireDelay = FIRE_DELAY_FRAMES;
                arrivedNow = true;
            }
        }
    }
    if (!arrivedNow && FireDelay != -1) {
        if (FireDelay > 0) {
            FireDelay -= 1;
            quiet = false;
        } else if (quiet && ShotsToFire > 0) {
            ThePlayers->Fire(TheProjectiles);
            ShotsToFire -= 1;
        }
    }
    bool flying = TheProjectiles->Update(ThePlayers);
    bool earthFalling = TheLandscape->DoGravity();
    bool tanksFalling = ThePlayers->DoGravity(TheLandscape, TheProjectiles);
    if (flying || earthFalling || tanksFalling) quiet = false;
    TheProjectiles->FollowView(&ViewX, &ViewY, MENU_BAR_MARGIN, TheLandscape);

    if (!quiet) return;
    if (SettleCountdown == -1)
        SettleCountdown = SETTLE_FRAMES;
    else if (SettleCountdown > 0)
        SettleCountdown -= 1;
    else
        SwitchToMode(ThePlayers->NextTurn() ? Aiming : EndOfMatch);
}

void EndOfMatchFrame() {
    TheProjectiles->Update(ThePlayers);
    if (EndMatchPan) TheLandscape->PanView(&ViewX, &ViewY, &PanStepX, &PanStepY, 0);
    DrawPlay(0, false);
    DrawEndMatch(DEVICE, BACK, ThePlayers);
    if (QuitPromptShown) DrawQuitPrompt(DEVICE, BACK);
}

bool MatchReady() { return TheLandscape && ThePlayers && TheProjectiles; }

// Held keys come again at the game's own rate: the six aiming keys on even frames after 7 counts;
// the arrows every frame after 5 counts while aiming or at the end of a match, otherwise every
// eighth frame after 2 counts.
void RepeatHeldKeys() {
    static constexpr int AIMING_KEYS[] = {'X', 'Z', 'S', 'W', 'Q', 'A'};
    static constexpr int ARROW_KEYS[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
    auto repeat = [](int key, int threshold) {
        if (KeyHeld[key] == 0) return;
        std::int32_t before = KeyHeld[key]++;
        if (before > threshold) ProcessKeyEvent(InputEvent::Down(key));
    };
    if (FrameCounter % 2 == 0)
        for (int key : AIMING_KEYS) repeat(key, 7);
    if (CurrentMode == Aiming || CurrentMode == EndOfMatch) {
        for (int key : ARROW_KEYS) repeat(key, 5);
    } else if (FrameCounter % 8 == 0) {
        for (int key : ARROW_KEYS) repeat(key, 2);
    }
}

// Hands the finished back page to the screen once the display is ready for it; a step that another
// follows at once, catching up or fast-forwarding, is not shown.
void Present() {
    if (!NetShowFrames() || ShellFastRunsAnother()) return;
    OptionsDraw(DEVICE, BACK);
    NetDrawOverlay(DEVICE, BACK);
    ShellDrawRoomCard(DEVICE, BACK);
    OnlineMenuDraw(DEVICE, BACK);
    ShellDrawSoundLine(DEVICE, BACK);
    ShellDrawFastMark(DEVICE, BACK);
    GdiFlush();
    for (int i = 0; i < FLIP_WAIT_LIMIT && GraphxCanFlip(DEVICE, 1) != 0; ++i) Sleep(1);
    for (int i = 0; i < FLIP_WAIT_LIMIT && GraphxCanFlip(DEVICE, 2) != 0; ++i) Sleep(1);
    GraphxFlip(DEVICE);
}

}  // namespace

void SwitchToMode(std::uint32_t mode) {
    DIAG_SCOPE_NAMED("main|SwitchToMode", "main");
    switch (mode) {
        case Aiming:
            EnterAiming();
            break;
        case ShotInProgress:
            EnterShotInProgress();
            break;
        case WeaponShop:
            CurrentMode = WeaponShop;
            InitWeaponScreen(ThePlayers);
            break;
        case PlayerChoice:
            CurrentMode = PlayerChoice;
            InitPlayerChoice(ThePlayers);
            break;
        case EndOfMatch:
            CurrentMode = EndOfMatch;
            if (ThePlayers) ThePlayers->SettleMatch();
            PanStepX = 1;
            PanStepY = -1;
            EndMatchPan = true;
            break;
        case Title:
            EnterTitle();
            break;
        case Terraform:
            EnterTerraform();
            break;
        default:
            break;
    }
}

void doLoopProcessing() {
    DIAG_SCOPE("main");
    InputSuspended = false;
    if (!AppActive) return;
    FrameCounter += 1;
    RepeatHeldKeys();
    PressComputerKeys();

    switch (CurrentMode) {
        case Aiming:
            if (MatchReady()) AimingFrame();
            break;
        case ShotInProgress:
            if (MatchReady()) ShotFrame();
            break;
        case WeaponShop:
            ClearScreen(DEVICE, BACK, 0, -1, 0, 0, 0);
            DrawWeaponScreen(DEVICE, BACK);
            if (QuitPromptShown) DrawQuitPrompt(DEVICE, BACK);
            break;
        case PlayerChoice:
            ClearScreen(DEVICE, BACK, 0, -1, 0, 0, 0);
            DrawPlayerChoice(DEVICE, BACK);
            break;
        case EndOfMatch:
            if (MatchReady()) EndOfMatchFrame();
            break;
        case Title:
            UpdateTitleScreen(DEVICE, BACK);
            break;
        default:
            break;
    }
    Present();
}
