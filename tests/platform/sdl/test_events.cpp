// Tests of the SDL backend's translations: key codes to virtual keys, key events to the game's keys
// (Alt+Enter kept back), focus events to activation changes, which video drivers may run or are
// asked for, and whether the session has a message bus.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_video.h"

namespace {

SDL_KeyboardEvent Key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_KeyboardEvent key{};
    key.type = type;
    key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    key.repeat = repeat;
    key.keysym.sym = sym;
    key.keysym.mod = mod;
    return key;
}

SDL_WindowEvent Window(Uint8 event) {
    SDL_WindowEvent window{};
    window.type = SDL_WINDOWEVENT;
    window.event = event;
    return window;
}

std::vector<InputEvent> Listed(const EventInputs& inputs) {
    return std::vector<InputEvent>(inputs.items, inputs.items + inputs.count);
}

TEST(VirtualKeyFromSdl, TranslatesTheKeysTheGameReads) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_m), 'M');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_0), '0');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_9), '9');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LEFT), VK_LEFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UP), VK_UP);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RIGHT), VK_RIGHT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_DOWN), VK_DOWN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1), VK_F1);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F2), VK_F2);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F12), VK_F12);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RETURN), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_ENTER), VK_RETURN);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_LSHIFT), VK_SHIFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_RSHIFT), VK_SHIFT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_0), 0x60);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_9), 0x69);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F13), 0) << "just past F12";
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_CAPSLOCK), 0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_UNKNOWN), 0);
}

TEST(InputsForKey, TellsPressesRepeatsAndReleasesApart) {
    EventInputs down = InputsForKey(Key(SDL_KEYDOWN, SDLK_q));
    EXPECT_EQ(Listed(down), std::vector<InputEvent>{InputEvent::Down('Q')});
    EXPECT_FALSE(down.toggleFullscreen);
    EXPECT_EQ(Listed(InputsForKey(Key(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE, 1))),
              std::vector<InputEvent>{InputEvent::Down(VK_SPACE, true)});
    EXPECT_EQ(Listed(InputsForKey(Key(SDL_KEYUP, SDLK_DOWN))),
              std::vector<InputEvent>{InputEvent::Up(VK_DOWN)});
    EXPECT_EQ(InputsForKey(Key(SDL_KEYDOWN, SDLK_CAPSLOCK)).count, 0);
}

TEST(InputsForKey, AltEnterSwitchesTheDisplayAndNeverReachesTheGame) {
    EventInputs press = InputsForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT));
    EXPECT_EQ(press.count, 0);
    EXPECT_TRUE(press.toggleFullscreen);
    EventInputs right = InputsForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT | KMOD_NUM));
    EXPECT_EQ(right.count, 0);
    EXPECT_TRUE(right.toggleFullscreen);
    EventInputs repeat = InputsForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, 1));
    EXPECT_EQ(repeat.count, 0);
    EXPECT_FALSE(repeat.toggleFullscreen) << "holding the keys switches once";

    // Enter alone, or with another modifier, is the game's Enter.
    for (Uint16 mod : {KMOD_NONE, KMOD_LCTRL, KMOD_LSHIFT}) {
        EventInputs enter = InputsForKey(Key(SDL_KEYDOWN, SDLK_RETURN, mod));
        EXPECT_EQ(Listed(enter), std::vector<InputEvent>{InputEvent::Down(VK_RETURN)});
        EXPECT_FALSE(enter.toggleFullscreen);
    }
    EXPECT_FALSE(InputsForKey(Key(SDL_KEYDOWN, SDLK_a, KMOD_LALT)).toggleFullscreen);
}

TEST(InputsForWindowEvent, ActivatesTheApplicationBeforeTheWindowAndDeactivatesAfter) {
    using List = std::vector<InputEvent>;
    EXPECT_EQ(Listed(InputsForWindowEvent(Window(SDL_WINDOWEVENT_FOCUS_GAINED))),
              (List{InputEvent::AppActivation(true), InputEvent::WindowActivation(WA_ACTIVE)}));
    EXPECT_EQ(Listed(InputsForWindowEvent(Window(SDL_WINDOWEVENT_FOCUS_LOST))),
              (List{InputEvent::WindowActivation(WA_INACTIVE), InputEvent::AppActivation(false)}));
    EXPECT_EQ(Listed(InputsForWindowEvent(Window(SDL_WINDOWEVENT_CLOSE))),
              (List{InputEvent::CloseRequest()}));
    for (Uint8 other : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_MOVED,
                        SDL_WINDOWEVENT_SHOWN})
        EXPECT_EQ(InputsForWindowEvent(Window(other)).count, 0) << int{other};
}

TEST(SdlVideoDriverAllowed, RefusesInvisibleDriversUnlessAskedForByName) {
    EXPECT_TRUE(SdlVideoDriverAllowed("x11", nullptr));
    EXPECT_TRUE(SdlVideoDriverAllowed("wayland", "x11"));
    EXPECT_FALSE(SdlVideoDriverAllowed("offscreen", nullptr));
    EXPECT_FALSE(SdlVideoDriverAllowed("dummy", nullptr));
    EXPECT_FALSE(SdlVideoDriverAllowed("offscreen", ""));
    EXPECT_FALSE(SdlVideoDriverAllowed("offscreen", "x11"));
    EXPECT_FALSE(SdlVideoDriverAllowed("dummy", "offscreen"));
    EXPECT_FALSE(SdlVideoDriverAllowed("offscreen", "offscreenx"));
    EXPECT_TRUE(SdlVideoDriverAllowed("offscreen", "offscreen"));
    EXPECT_TRUE(SdlVideoDriverAllowed("dummy", "DUMMY"));
    EXPECT_TRUE(SdlVideoDriverAllowed("dummy", "x11,dummy"));
    EXPECT_FALSE(SdlVideoDriverAllowed(nullptr, nullptr));
}

TEST(SdlVideoDriverToAsk, X11OnlyForAnXDisplayWithoutWaylandAndWithoutThePlayersChoice) {
    EXPECT_STREQ(SdlVideoDriverToAsk(":0", nullptr, nullptr), "x11");
    EXPECT_STREQ(SdlVideoDriverToAsk("host:1.0", "", ""), "x11");
    EXPECT_EQ(SdlVideoDriverToAsk(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(SdlVideoDriverToAsk("", nullptr, nullptr), nullptr);
    EXPECT_EQ(SdlVideoDriverToAsk(":0", "wayland-0", nullptr), nullptr);
    EXPECT_EQ(SdlVideoDriverToAsk(":0", nullptr, "wayland"), nullptr);
    EXPECT_EQ(SdlVideoDriverToAsk(":0", nullptr, "offscreen"), nullptr);
}

TEST(SdlComposeTableToSet, AnEmptyTableUnlessThePlayerNamedOne) {
    EXPECT_STREQ(SdlComposeTableToSet(nullptr), "/dev/null");
    EXPECT_STREQ(SdlComposeTableToSet(""), "/dev/null");
    EXPECT_EQ(SdlComposeTableToSet("/home/player/.XCompose"), nullptr);
}

TEST(SdlNoSessionBus, OnlyWithoutAnAddressAndWithoutABusSocket) {
    EXPECT_FALSE(SdlNoSessionBus("unix:path=/run/user/0/bus", nullptr));
    EXPECT_TRUE(SdlNoSessionBus(nullptr, nullptr));
    EXPECT_TRUE(SdlNoSessionBus("", ""));
    char directory[] = "/tmp/lobshot-bus-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    EXPECT_TRUE(SdlNoSessionBus(nullptr, directory));
    std::string socket = std::string(directory) + "/bus";
    std::FILE* file = std::fopen(socket.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_FALSE(SdlNoSessionBus(nullptr, directory));
    EXPECT_FALSE(SdlNoSessionBus("", directory));
    std::remove(socket.c_str());
    rmdir(directory);
}

}  // namespace
