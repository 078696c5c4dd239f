// Entry point of the game: the trace switches from the environment, then the program.
#include "diag/diag.h"
#include "platform/win.h"
#include "shell/shell.h"

int main() {
    DiagConfigureFromEnvironment();
    int status = WinMain(PlatformModuleHandle(), nullptr, "", 1);
    PlatformShutdown();
    return status;
}
