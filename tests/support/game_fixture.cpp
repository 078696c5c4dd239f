// Test support: the whole game reset, and a step-by-step driver of the real loop.
#include "tests/support/game_fixture.h"

#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "online/online_menu.h"
#include "online/online_start.h"
#include "platform/backend.h"
#include "platform/headless/headless_audio.h"
#include "platform/resource.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "sound/sound.h"

void ResetEverything() {
    ShellResetForTests();
    OnlineMenuResetForTests();
    OnlineStartResetForTests();
    GraphxResetForTests();
    PlatformResetForTests();
    HeadlessResetForTests();
    LandscapeResetForTests();
    ProjectilesResetForTests();
    SetupScreensResetForTests();
    SoundResetForTests();
    HeadlessAudioResetForTests();
    ResourceClearOverrides();
    DiagReset();
    Timings = ShellTimings{};
    game::srand(1);
}

bool StepDriver::Feed() {
    if (next_ >= steps_.size()) return false;
    return steps_[next_++]();
}

int PlayGame(std::uint32_t seed, HeadlessDriver* driver) {
    HeadlessSetClock(seed);
    ShellStartWithSeed(seed);
    HeadlessSetDriver(driver);
    const int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    return status;
}

int RunGame(std::uint32_t seed, std::vector<StepDriver::Step> steps) {
    StepDriver driver(std::move(steps));
    return PlayGame(seed, &driver);
}

void PostKey(unsigned message, int key, bool repeat) {
    PostInput(message == WM_KEYUP ? InputEvent::Up(key) : InputEvent::Down(key, repeat));
}

void PressKey(int key) {
    PostKey(WM_KEYDOWN, key);
    PostKey(WM_KEYUP, key);
}

StepDriver::Step Keys(std::vector<int> keys) {
    return [keys] {
        for (int key : keys) PressKey(key);
        HeadlessTick();
        return true;
    };
}
