// Documentation tool: writes the terraforming screen at half progress as a PNG, a picture the
// replay runner cannot take because a landscape is made without returning to the message loop.
//
// Usage: terraform_shot OUT.png
#include <cstdio>

#include "core/globals.h"
#include "display/graphx.h"
#include "platform/headless/headless_platform.h"
#include "screens/screens.h"
#include "shell/shell.h"

namespace {

// Starts the game, shows the terraforming screen half way, writes it and ends the run.
class ShotDriver : public HeadlessDriver {
public:
    explicit ShotDriver(const char* path) : path_(path) {}
    bool Feed() override {
        if (done_) return false;
        done_ = true;
        InitTerraformingScreen(0, BackdropSurface, AppInstance);
        UpdateTerraformingScreen(0.5f);
        ok_ = GraphxWriteVisiblePng(path_);
        return false;
    }
    bool ok() const { return ok_; }

private:
    const char* path_;
    bool done_ = false;
    bool ok_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: terraform_shot OUT.png\n");
        return 2;
    }
    ShotDriver driver(argv[1]);
    HeadlessSetDriver(&driver);
    ShellStartWithSeed(0);
    WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    return driver.ok() ? 0 : 1;
}
