// Tests of the SDL backend's translations: key codes to virtual keys, key events to key messages
// (Alt+Enter kept back), focus events to activation messages, which video drivers may run or are
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

std::vector<std::pair<UINT, WPARAM>> Listed(const EventMessages& messages) {
    std::vector<std::pair<UINT, WPARAM>> list;
    for (int i = 0; i < messages.count; ++i)
        list.emplace_back(messages.items[i].message, messages.items[i].wParam);
    return list;
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

TEST(MessagesForKey, MarksPressesRepeatsAndReleasesAsWindowsDoes) {
    EventMessages down = MessagesForKey(Key(SDL_KEYDOWN, SDLK_q));
    ASSERT_EQ(down.count, 1);
    EXPECT_EQ(down.items[0].message, WM_KEYDOWN);
    EXPECT_EQ(down.items[0].wParam, WPARAM{'Q'});
    EXPECT_EQ(down.items[0].lParam, 1);
    EXPECT_FALSE(down.toggleFullscreen);

    EventMessages repeat = MessagesForKey(Key(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE, 1));
    ASSERT_EQ(repeat.count, 1);
    EXPECT_EQ(repeat.items[0].lParam, KEY_REPEAT_BIT | 1);

    EventMessages up = MessagesForKey(Key(SDL_KEYUP, SDLK_DOWN));
    ASSERT_EQ(up.count, 1);
    EXPECT_EQ(up.items[0].message, WM_KEYUP);
    EXPECT_EQ(up.items[0].wParam, WPARAM{VK_DOWN});
    EXPECT_EQ(up.items[0].lParam, KEY_REPEAT_BIT | (LPARAM{1} << 31) | 1);

    EXPECT_EQ(MessagesForKey(Key(SDL_KEYDOWN, SDLK_CAPSLOCK)).count, 0);
}

TEST(MessagesForKey, AltEnterSwitchesTheDisplayAndNeverReachesTheGame) {
    EventMessages press = MessagesForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT));
    EXPECT_EQ(press.count, 0);
    EXPECT_TRUE(press.toggleFullscreen);
    EventMessages right = MessagesForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT | KMOD_NUM));
    EXPECT_EQ(right.count, 0);
    EXPECT_TRUE(right.toggleFullscreen);
    EventMessages repeat = MessagesForKey(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, 1));
    EXPECT_EQ(repeat.count, 0);
    EXPECT_FALSE(repeat.toggleFullscreen) << "holding the keys switches once";

    // Enter alone, or with another modifier, is the game's Enter.
    for (Uint16 mod : {KMOD_NONE, KMOD_LCTRL, KMOD_LSHIFT}) {
        EventMessages enter = MessagesForKey(Key(SDL_KEYDOWN, SDLK_RETURN, mod));
        ASSERT_EQ(enter.count, 1);
        EXPECT_EQ(enter.items[0].wParam, WPARAM{VK_RETURN});
        EXPECT_FALSE(enter.toggleFullscreen);
    }
    EXPECT_FALSE(MessagesForKey(Key(SDL_KEYDOWN, SDLK_a, KMOD_LALT)).toggleFullscreen);
}

TEST(MessagesForWindowEvent, ActivatesTheApplicationBeforeTheWindowAndDeactivatesAfter) {
    using List = std::vector<std::pair<UINT, WPARAM>>;
    EXPECT_EQ(Listed(MessagesForWindowEvent(Window(SDL_WINDOWEVENT_FOCUS_GAINED))),
              (List{{WM_ACTIVATEAPP, 1}, {WM_ACTIVATE, WA_ACTIVE}}));
    EXPECT_EQ(Listed(MessagesForWindowEvent(Window(SDL_WINDOWEVENT_FOCUS_LOST))),
              (List{{WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATEAPP, 0}}));
    EXPECT_EQ(Listed(MessagesForWindowEvent(Window(SDL_WINDOWEVENT_CLOSE))), (List{{WM_CLOSE, 0}}));
    for (Uint8 other : {SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_MOVED,
                        SDL_WINDOWEVENT_SHOWN})
        EXPECT_EQ(MessagesForWindowEvent(Window(other)).count, 0) << int{other};
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
