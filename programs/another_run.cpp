// Puts the game back between runs of the program: the same resets the tests make between games.
#include "programs/another_run.h"

#include "display/graphx.h"
#include "landscape/landscape.h"
#include "platform/backend.h"
#include "platform/resource.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"
#include "shell/shell.h"
#include "sound/sound.h"

void ResetForAnotherRun(bool keepWindow) {
    ShellResetForTests();
    GraphxResetForTests();
    if (keepWindow)
        PlatformResetKeepingWindow();
    else
        PlatformResetForTests();
    LandscapeResetForTests();
    ProjectilesResetForTests();
    SetupScreensResetForTests();
    SoundResetForTests();
    ResourceClearOverrides();
    Timings = ShellTimings{};
}
