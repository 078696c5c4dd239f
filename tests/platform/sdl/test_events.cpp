// Tests of the SDL backend's translations: key codes to virtual keys, key events to the game's keys
// (Alt+Enter kept back), focus events to activation changes, which video drivers may run or are
// asked for, and whether the session has a message bus.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_video.h"

namespace {

using Inputs = std::vector<InputEvent>;

SDL_KeyboardEvent Key(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_KeyboardEvent key{};
    key.type = type;
    key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    key.repeat = repeat;
    key.keysym.sym = sym;
    key.keysym.mod = mod;
    return key;
}

Inputs Listed(const EventInputs& inputs) { return Inputs(inputs.items, inputs.items + inputs.count); }

// Letters, digits and F1 to F12 each in a run; the keypad's digits as Windows numbers them; keys
// the game has no use for (F13, Caps Lock, unknown ones) are 0.
TEST(VirtualKeyFromSdl, TranslatesTheKeysTheGameReads) {
    for (int i = 0; i < 26; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_a + i), 'A' + i) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_0 + i), '0' + i) << i;
    for (int i = 0; i < 12; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1 + i), VK_F1 + i) << i;
    for (int i = 1; i < 10; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_1 + i - 1), 0x60 + i) << i;
    const std::pair<SDL_Keycode, int> named[] = {
        {SDLK_LEFT, VK_LEFT},    {SDLK_UP, VK_UP},         {SDLK_RIGHT, VK_RIGHT},
        {SDLK_DOWN, VK_DOWN},    {SDLK_RETURN, VK_RETURN}, {SDLK_KP_ENTER, VK_RETURN},
        {SDLK_SPACE, VK_SPACE},  {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_LSHIFT, VK_SHIFT},
        {SDLK_RSHIFT, VK_SHIFT}, {SDLK_KP_0, 0x60},        {SDLK_F13, 0},
        {SDLK_CAPSLOCK, 0},      {SDLK_UNKNOWN, 0},
    };
    for (const auto& [sym, key] : named) EXPECT_EQ(VirtualKeyFromSdl(sym), key) << SDL_GetKeyName(sym);
}

// Presses, repeats and releases are told apart. Alt+Enter switches the display once however long
// it is held, and never reaches the game; Enter alone or with another modifier is the game's, as
// Alt is with another key.
TEST(InputsForKey, TellsPressesRepeatsAndReleasesApartAndKeepsAltEnterBack) {
    EXPECT_EQ(Listed(InputsForKey(Key(SDL_KEYUP, SDLK_DOWN))), Inputs{InputEvent::Up(VK_DOWN)});
    const struct {
        SDL_Keycode sym;
        Uint16 mod;
        Uint8 repeat;
        bool toggles;
        Inputs inputs;
    } cases[] = {{SDLK_q, KMOD_NONE, 0, false, {InputEvent::Down('Q')}},
                 {SDLK_SPACE, KMOD_NONE, 1, false, {InputEvent::Down(VK_SPACE, true)}},
                 {SDLK_CAPSLOCK, KMOD_NONE, 0, false, {}},
                 {SDLK_RETURN, KMOD_LALT, 0, true, {}},
                 {SDLK_RETURN, KMOD_RALT | KMOD_NUM, 0, true, {}},
                 {SDLK_RETURN, KMOD_LALT, 1, false, {}},
                 {SDLK_RETURN, KMOD_NONE, 0, false, {InputEvent::Down(VK_RETURN)}},
                 {SDLK_RETURN, KMOD_LCTRL, 0, false, {InputEvent::Down(VK_RETURN)}},
                 {SDLK_RETURN, KMOD_LSHIFT, 0, false, {InputEvent::Down(VK_RETURN)}},
                 {SDLK_a, KMOD_LALT, 0, false, {InputEvent::Down('A')}}};
    for (const auto& c : cases) {
        const EventInputs inputs = InputsForKey(Key(SDL_KEYDOWN, c.sym, c.mod, c.repeat));
        EXPECT_EQ(Listed(inputs), c.inputs) << c.sym << " " << c.mod << " " << int{c.repeat};
        EXPECT_EQ(inputs.toggleFullscreen, c.toggles) << c.sym << " " << c.mod << " " << int{c.repeat};
    }
}

TEST(InputsForWindowEvent, ActivatesTheApplicationBeforeTheWindowAndDeactivatesAfter) {
    const std::pair<Uint8, Inputs> cases[] = {
        {SDL_WINDOWEVENT_FOCUS_GAINED,
         {InputEvent::AppActivation(true), InputEvent::WindowActivation(WA_ACTIVE)}},
        {SDL_WINDOWEVENT_FOCUS_LOST,
         {InputEvent::WindowActivation(WA_INACTIVE), InputEvent::AppActivation(false)}},
        {SDL_WINDOWEVENT_CLOSE, {InputEvent::CloseRequest()}},
        {SDL_WINDOWEVENT_EXPOSED, {}},
        {SDL_WINDOWEVENT_SIZE_CHANGED, {}},
        {SDL_WINDOWEVENT_MOVED, {}},
        {SDL_WINDOWEVENT_SHOWN, {}}};
    for (const auto& [event, inputs] : cases) {
        SDL_WindowEvent window{};
        window.type = SDL_WINDOWEVENT;
        window.event = event;
        EXPECT_EQ(Listed(InputsForWindowEvent(window)), inputs) << int{event};
    }
}

TEST(SdlVideoDrivers, InvisibleOnesOnlyByNameAndX11ForAnXDisplayAlone) {
    const struct {
        const char *driver, *asked;
        bool allowed;
    } allowed[] = {
        {"x11", nullptr, true},        {"wayland", "x11", true},           {"offscreen", nullptr, false},
        {"dummy", nullptr, false},     {"offscreen", "", false},           {"offscreen", "x11", false},
        {"dummy", "offscreen", false}, {"offscreen", "offscreenx", false}, {"offscreen", "offscreen", true},
        {"dummy", "DUMMY", true},      {"dummy", "x11,dummy", true},       {nullptr, nullptr, false}};
    for (const auto& c : allowed)
        EXPECT_EQ(SdlVideoDriverAllowed(c.driver, c.asked), c.allowed)
            << (c.driver ? c.driver : "null") << " asked " << (c.asked ? c.asked : "null");

    const struct {
        const char *display, *wayland, *asked;
        bool x11;
    } asks[] = {{":0", nullptr, nullptr, true},      {"host:1.0", "", "", true},
                {nullptr, nullptr, nullptr, false},  {"", nullptr, nullptr, false},
                {":0", "wayland-0", nullptr, false}, {":0", nullptr, "wayland", false},
                {":0", nullptr, "offscreen", false}};
    for (const auto& a : asks)
        EXPECT_EQ(std::string(SdlVideoDriverToAsk(a.display, a.wayland, a.asked) ?: "none"),
                  a.x11 ? "x11" : "none")
            << (a.display ? a.display : "null");
    // An empty compose table unless the player named one.
    EXPECT_EQ(std::string(SdlComposeTableToSet(nullptr)) + SdlComposeTableToSet(""), "/dev/null/dev/null");
    EXPECT_EQ(SdlComposeTableToSet("/home/player/.XCompose"), nullptr);
}

TEST(SdlNoSessionBus, OnlyWithoutAnAddressAndWithoutABusSocket) {
    char directory[] = "/tmp/lobshot-bus-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    EXPECT_EQ(
        std::tuple(SdlNoSessionBus("unix:path=/run/user/0/bus", nullptr), SdlNoSessionBus(nullptr, nullptr),
                   SdlNoSessionBus("", ""), SdlNoSessionBus(nullptr, directory)),
        std::tuple(false, true, true, true));
    const std::string socket = std::string(directory) + "/bus";
    std::FILE* file = std::fopen(socket.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(std::tuple(SdlNoSessionBus(nullptr, directory), SdlNoSessionBus("", directory)),
              std::tuple(false, false));
    std::remove(socket.c_str());
    rmdir(directory);
}

}  // namespace
