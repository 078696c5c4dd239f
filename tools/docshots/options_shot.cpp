// Documentation tool: writes the Options screen as the native game shows it, or with "touch" as a
// touch screen's page shows it (no full screen row, taps named), a picture the replay runner cannot
// take because it has no settings.
//
// Usage: options_shot OUT.png [touch]
#include <cstdio>
#include <string>

#include "display/graphx.h"
#include "options/options.h"
#include "platform/headless/headless_platform.h"
#include "shell/shell.h"

namespace {

Settings Shown() {
    Settings settings;
    settings.fullscreen = false;
    settings.volume = 70;
    settings.name = "Ada";
    settings.relay = "relay.example.org:1883";
    return settings;
}

void Ignore(const Settings&, bool) {}

// Opens the screen on the title, moves to the volume, writes the picture and ends the run.
class ShotDriver : public HeadlessDriver {
public:
    explicit ShotDriver(std::string path) : path_(std::move(path)) {}
    bool Feed() override {
        if (step_ == 3) {
            ok_ = GraphxWriteVisiblePng(path_.c_str());
            return false;
        }
        if (step_ == 1) PostInput(InputEvent::Down('P'));
        if (step_ == 2) PostInput(InputEvent::Down(VK_DOWN));
        ++step_;
        HeadlessTick();
        return true;
    }
    bool ok() const { return ok_; }

private:
    std::string path_;
    int step_ = 0;
    bool ok_ = false;
};

// Runs the game to the picture; whether it was written.
bool Shoot(const std::string& path, bool touch) {
    ShotDriver driver(path);
    HeadlessSetDriver(&driver);
    ShellStartWithSeed(0);
    OptionsUse({&Shown, &Ignore, !touch});
    PointerSetTouch(touch);
    WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    return driver.ok();
}

}  // namespace

int main(int argc, char** argv) {
    const bool touch = argc == 3 && std::string(argv[2]) == "touch";
    if (argc != 2 && !touch) {
        std::fprintf(stderr, "usage: options_shot OUT.png [touch]\n");
        return 2;
    }
    return Shoot(argv[1], touch) ? 0 : 1;
}
