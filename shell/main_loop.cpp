// The program's frame: start-up, the window procedure, the 20 ms message loop and shutdown.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iterator>
#include <string>

#include "computer/computer_players.h"
#include "core/data_resource.h"
#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "lookout/lookout.h"
#include "netplay/lockstep.h"
#include "online/online_menu.h"
#include "options/options.h"
#include "platform/resource.h"
#include "players/player_collection.h"
#include "players/weapon_table.h"
#include "pointer/pointer_screen.h"
#include "projectiles/projectile_collection.h"
#include "replay/journal.h"
#include "replay/session.h"
#include "screens/screens.h"
#include "shell/data_tables.h"
#include "shell/fast_forward.h"
#include "shell/shell.h"
#include "sound/sound.h"

ShellTimings Timings;

namespace {

constexpr UINT FRAME_MILLISECONDS = 20;

// The seed the runner gave for start-up, if any.
bool SeedGiven = false;
std::uint32_t GivenSeed = 0;

// The data tables the game cannot run without, with their exact sizes.
struct DataTable {
    int id;
    std::uint32_t size;
};
constexpr DataTable DATA_TABLES[] = {
    {130, DISC_TABLE_SIZE}, {131, RING_TABLE_SIZE}, {135, SCATTER_TABLE_SIZE}};

std::int64_t Now() {
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    return count;
}

std::int64_t ToNanoseconds(std::int64_t ticks) {
    std::int64_t frequency = 1;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::int64_t>(static_cast<double>(ticks) * 1e9 / static_cast<double>(frequency));
}

// One frame step, timed when timing is on. The replay being written as the game goes hears of a
// turn's start and a match's end.
void RunFrameStep() {
    const std::uint32_t turnsBefore = TurnsStarted;
    const std::uint32_t modeBefore = CurrentMode;
    NetBeforeFrameStep();
    ShellFastBeforeStep();
    if (!Timings.enabled) {
        doLoopProcessing();
    } else {
        std::int64_t start = Now();
        doLoopProcessing();
        Timings.frameNanoseconds.push_back(ToNanoseconds(Now() - start));
    }
    ReplayFrameStepRun();
    ReplayJournalAfterStep(TurnsStarted != turnsBefore,
                           CurrentMode == EndOfMatch && modeBefore != EndOfMatch);
    NetFrameStepRun();
    ShowPointerScreen();
}

// Window messages while a joining machine connects, before the game has started.
void PumpWhileJoining() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(0);
            return;
        }
        DispatchMessageA(&msg);
    }
}

// Start-up stops when a data table is missing, of the wrong size or holds a value its readers
// cannot take: later steps would read it, as coordinates, divisors and indices.
bool CheckDataTables() {
    const void* data[std::size(DATA_TABLES)] = {};
    for (std::size_t i = 0; i < std::size(DATA_TABLES); ++i) {
        const DataTable& table = DATA_TABLES[i];
        if (!LoadDataResource(table.id, table.size, &data[i])) {
            DiagTrace(DIAG_ERROR, "main", __LINE__, "appInitialize",
                      "Data resource %i is missing or not %u bytes long", table.id, table.size);
            return false;
        }
    }
    const std::string faults[] = {DiscTableFault(data[0]), RingTableFault(data[1], data[0]),
                                  ScatterTableFault(data[2])};
    for (std::size_t i = 0; i < std::size(DATA_TABLES); ++i) {
        if (faults[i].empty()) continue;
        DiagTrace(DIAG_ERROR, "main", __LINE__, "appInitialize", "Data resource %i is damaged: %s",
                  DATA_TABLES[i].id, faults[i].c_str());
        return false;
    }
    return true;
}

void StartupFailed(const char* why) {
    DiagTrace(DIAG_ERROR, "main", __LINE__, "appInitialize", "%s", why);
    std::fprintf(stderr, "lobshot: cannot start: %s\n", why);
}

}  // namespace

// The table's bits come from the build (tools/sines), so every build computes the same game.
bool FillSineTable() {
    DIAG_SCOPE("main");
    const void* data = nullptr;
    if (!LoadDataResource(SINE_TABLE_ID, SINE_TABLE_SIZE * 4, &data)) {
        SineTable.fill(0.0f);
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < SINE_TABLE_SIZE; ++i) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b) bits = bits << 8 | bytes[4 * i + static_cast<std::size_t>(b)];
        std::memcpy(&SineTable[i], &bits, sizeof bits);
    }
    return true;
}

void ShellStartWithSeed(std::uint32_t seed) {
    SeedGiven = true;
    GivenSeed = seed;
}

void ShellResetForTests() {
    SeedGiven = false;
    GivenSeed = 0;
    delete ThePlayers;
    delete TheLandscape;
    delete TheProjectiles;
    GlobalsReset();
    ComputerPlayersResetForTests();
    ReplayResetForTests();
    NetResetForTests();
    ShellHideRoomCard();
    ShellResetFastForward();
    PointerShowScreen(PointerScreen{});
    PointerSetTouch(false);
    OptionsResetForTests();
    LookoutResetForTests();
    ShellSetSound(ShellSound{});
    ShellWatchSound(nullptr);
    ShellWatchGameChoice(nullptr);
}

HWND CreateProgramWindow(HINSTANCE instance, int showCommand, WNDPROC procedure) {
    DIAG_SCOPE("main");
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.lpszClassName = "LobshotWindow";
    if (!RegisterClassA(&wc)) {
        DiagLastError();
        return nullptr;
    }
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "LobshotWindow", "Lobshot", 0x00FE0000, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                  nullptr, instance, nullptr);
    if (!window) {
        // The backend has traced its own reason, in its own terms, when it gave one.
        if (PlatformWindowFailure().empty()) DiagLastError();
        return nullptr;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

bool appInitialize(HWND* window, HINSTANCE instance, int showCommand) {
    DIAG_SCOPE("main");
    ThePlayers = nullptr;
    TheLandscape = nullptr;
    TheProjectiles = nullptr;
    AppInstance = instance;

    *window = CreateProgramWindow(instance, showCommand, MainWindowProc);
    if (!*window) {
        const std::string& why = PlatformWindowFailure();
        StartupFailed(why.empty() ? "the window could not be made"
                                  : ("no window can be opened: " + why).c_str());
        return false;
    }
    if (!FillSineTable()) {
        StartupFailed("the sine table is missing");
        return false;
    }
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(*window, instance, false);
    if (!CreateOSSurface(&BackdropSurface, 0, 2, SCREEN_WIDTH, SCREEN_HEIGHT, 2)) {
        StartupFailed("the 320x200 backdrop surface could not be made");
        return false;
    }
    GraphxInitBitmappedFont(instance, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    SwitchToMode(Title);

    // The seed is the runner's or else the time since the system started, so each launch plays a
    // different game; the row lets a player's game be replayed with lobshot-headless --seed. A
    // replay brings its own.
    NetBeforeSeed(PumpWhileJoining);
    const DWORD seed = ReplayStart(SeedGiven ? GivenSeed : GetTickCount());
    game::srand(seed);
    StartSeed = seed;
    ComputerPlayersStart(seed);
    DiagTrace(DIAG_DEBUG, "main", __LINE__, "appInitialize", "Random seed %u", static_cast<unsigned>(seed));
    FrameCounter = 0;
    KeyHeld.fill(0);
    NetAfterSeed();
    SoundInit(*window);

    if (!CheckDataTables()) {
        StartupFailed("a data table is missing or damaged");
        return false;
    }
    Landscape::Init(0, 2);
    Explosion::Init(0, 2, instance);
    Projectile::Init();
    InitFireRamp();
    InitWeaponData();
    ThePlayers = new (std::nothrow) PlayerCollection(instance, 0, 2);
    LandscapeGravityOption = TheStartChoice.gravity;
    WindOption = TheStartChoice.wind;
    if (ThePlayers) ThePlayers->SetNumPlayers(TheStartChoice.players);

    InputSuspended = true;
    OnlineMenuRunStarted();
    ShowPointerScreen();
    return true;
}

bool ProcessImportantEvents(HWND window, const InputEvent& input) {
    DIAG_SCOPE("main");
    switch (input.kind) {
        case InputEvent::Activate:
            if (input.value != WA_ACTIVE && input.value != WA_CLICKACTIVE) {
                AppActive = false;
                SoundPause(true);
            }
            return false;
        case InputEvent::Close:
            AppActive = false;
            if (!DestroyWindow(window)) {
                DiagLastError();
                return false;
            }
            PostQuitMessage(0);
            return true;
        case InputEvent::ActivateApp:
            AppActive = input.value != 0;
            SoundPause(!AppActive);
            if (AppActive) GraphxRestoreDisplays();
            return true;
        default:
            return false;
    }
}

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DIAG_SCOPE("main");
    InputEvent input;
    if (InputEventFromMessage(message, wParam, lParam, &input)) {
        if (RouteInput(input)) return 0;
    } else if (message == WM_TIMER) {
        TickPending = true;
        return 0;
    } else if (AppActive && message == WM_SETCURSOR) {
        SetCursor(nullptr);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void appFinalize() {
    DIAG_SCOPE("main");
    try {
        delete ThePlayers;
        ThePlayers = nullptr;
        delete TheLandscape;
        TheLandscape = nullptr;
        delete TheProjectiles;
        TheProjectiles = nullptr;
        SoundFinalize();
        GraphxFinalize();
    } catch (const std::exception&) {
    } catch (...) {
    }
}

int WinMain(HINSTANCE instance, HINSTANCE, const char*, int showCommand) {
    DIAG_SCOPE("main");
    bool started = appInitialize(&MainWindow, instance, showCommand);
    if (started) {
        SetTimer(MainWindow, 0, FRAME_MILLISECONDS, nullptr);
        DWORD loopStart = timeGetTime();
        MSG msg;
        for (;;) {
            // With the queue empty, the input due before the next step comes first. A replay
            // played fast, and a network game that has fallen behind the other machines, run the
            // next step without waiting for the timer, and so does a shot fast-forwarded.
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                const LoopAction next = NextLoopAction();
                if (next == LoopAction::LookAgain) continue;
                if (next == LoopAction::RunStep) {
                    RunFrameStep();
                    TickPending = ReplayFastForward() || NetRunAnother() || ShellFastRunsAnother();
                    if (TickPending) continue;
                }
            }
            if (GetMessageA(&msg, nullptr, 0, 0) == 0 || msg.message == WM_QUIT) break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        KillTimer(MainWindow, 0);
        NetShutdown();
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "WinMain", "%i frame steps in %u ms", FrameCounter,
                  static_cast<unsigned>(timeGetTime() - loopStart));
    }
    appFinalize();
    return started ? 0 : 1;
}
