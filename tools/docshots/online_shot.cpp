// Documentation tool: writes the title's offer of online play and each page of the online menu as
// PNGs, driving the real game loop by keys with a starter that opens a made-up room.
//
// Usage: online_shot FOLDER   (writes FOLDER/online-*.png)
#include <cstdio>
#include <string>
#include <vector>

#include "core/globals.h"
#include "display/graphx.h"
#include "online/online_start.h"
#include "platform/headless/headless_platform.h"
#include "platform/input.h"
#include "shell/shell.h"

namespace {

bool OpenMadeUpRoom(const OnlineRequest& request, OnlineRoom* room, std::string* error) {
    if (request.action != OnlineAction::Open) {
        *error = "Could not join room " + request.code + ": no one keeps that room on the relay.";
        return false;
    }
    *room = {"K7QX2M9P", "https://play.example.org/#room=K7QX2M9P",
             "https://play.example.org/#watch=W4RT8NZE", "W4RT8NZE"};
    return true;
}

std::string Relay() { return "relay.example.org:1883"; }

// One step: keys pressed and let go, a few ticks, then the picture written (no name: none).
struct Shot {
    std::vector<int> keys;
    const char* name;
    bool touch = false;
};

class ShotDriver : public HeadlessDriver {
public:
    ShotDriver(std::string folder, std::vector<Shot> shots)
        : folder_(std::move(folder)), shots_(std::move(shots)) {}
    bool Feed() override {
        if (ticks_ > 0) {
            --ticks_;
            HeadlessTick();
            return true;
        }
        if (pending_ != nullptr)
            ok_ = GraphxWriteVisiblePng((folder_ + "/" + pending_ + ".png").c_str()) && ok_;
        pending_ = nullptr;
        if (next_ >= shots_.size()) return false;
        const Shot& shot = shots_[next_++];
        HeadlessClipboardTwin().touch = shot.touch;
        for (int key : shot.keys) {
            PostInput(InputEvent::Down(key));
            PostInput(InputEvent::Up(key));
        }
        pending_ = shot.name;
        ticks_ = 3;
        return true;
    }
    bool ok() const { return ok_; }

private:
    std::string folder_;
    std::vector<Shot> shots_;
    std::size_t next_ = 0;
    int ticks_ = 3;
    const char* pending_ = nullptr;
    bool ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: online_shot FOLDER\n");
        return 2;
    }
    SetOnlineStarter(&OpenMadeUpRoom);
    SetOnlineRelay(&Relay, nullptr);
    ShotDriver driver(argv[1],
                      {{{}, "online-title"},
                       {{}, "online-title-touch", true},
                       {{'O'}, "online-menu"},
                       {{VK_DOWN, VK_RETURN, 'K', '7', 'Q', VK_DOWN, VK_DOWN}, "online-join"},
                       {{VK_ESCAPE, 'R'}, "online-relay"},
                       {{VK_ESCAPE, 'J', 'K', '7', 'Q', 'X', '2', 'M', '9', 'P', VK_RETURN}, nullptr},
                       {{}, "online-error"},
                       {{VK_ESCAPE, 'O'}, nullptr},
                       {{}, "online-room"}});
    HeadlessSetDriver(&driver);
    ShellStartWithSeed(0);
    WinMain(PlatformModuleHandle(), nullptr, "", 1);
    HeadlessSetDriver(nullptr);
    return driver.ok() ? 0 : 1;
}
