// Tests of the SDL backend's translations, by the table sdl_events.tsv: key codes to virtual keys,
// key events to the game's keys (Alt+Enter kept back), focus events to activation changes, and which
// video drivers may run or are asked for, and the compose table; and whether the session has a message bus.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_video.h"
#include "tests/support/golden.h"
#include "tests/support/pointer_notes.h"

namespace {

std::string Noted(const EventInputs& inputs) { return Note({inputs.items, inputs.items + inputs.count}); }

// A name of the table, or null for "null".
const char* Named(const std::string& name) { return name == "null" ? nullptr : name.c_str(); }

// The key event of a row: SDL's key, its modifiers and its repeat.
SDL_KeyboardEvent Key(const std::vector<std::string>& row) {
    static const std::pair<const char*, Uint16> modifiers[] = {{"lalt", KMOD_LALT},
                                                               {"ralt", KMOD_RALT},
                                                               {"num", KMOD_NUM},
                                                               {"lctrl", KMOD_LCTRL},
                                                               {"lshift", KMOD_LSHIFT}};
    SDL_KeyboardEvent key{};
    key.type = row[0] == "press" ? SDL_KEYDOWN : SDL_KEYUP;
    key.state = row[0] == "press" ? SDL_PRESSED : SDL_RELEASED;
    key.repeat = static_cast<Uint8>(std::stoi(row[3]));
    key.keysym.sym = SDL_GetKeyFromName(row[1].c_str());
    for (const auto& [name, bit] : modifiers)
        if (row[2].find(name) != std::string::npos) key.keysym.mod |= bit;
    return key;
}

TEST(SdlTranslations, EveryRowOfTheTable) {
    static const std::pair<const char*, Uint8> windowEvents[] = {
        {"focus gained", SDL_WINDOWEVENT_FOCUS_GAINED},
        {"focus lost", SDL_WINDOWEVENT_FOCUS_LOST},
        {"close", SDL_WINDOWEVENT_CLOSE},
        {"exposed", SDL_WINDOWEVENT_EXPOSED},
        {"size changed", SDL_WINDOWEVENT_SIZE_CHANGED},
        {"moved", SDL_WINDOWEVENT_MOVED},
        {"shown", SDL_WINDOWEVENT_SHOWN}};
    for (const auto& row : GoldenRows("platform/sdl/sdl_events.tsv")) {
        SCOPED_TRACE(row[0] + " | " + row[1] + " | " + row[2]);
        if (row[0] == "key") {
            const int key = SDL_GetKeyFromName(row[1].c_str());
            EXPECT_EQ(VirtualKeyFromSdl(key),
                      std::isdigit(row[2][0]) ? std::stoi(row[2]) : KeyFromName(row[2]));
        } else if (row[0] == "press" || row[0] == "release") {
            const EventInputs inputs = InputsForKey(Key(row));
            EXPECT_EQ(Noted(inputs), row[5]);
            EXPECT_EQ(inputs.toggleFullscreen, row[4] == "yes");
        } else if (row[0] == "window") {
            SDL_WindowEvent window{};
            window.type = SDL_WINDOWEVENT;
            for (const auto& [name, event] : windowEvents)
                if (row[1] == name) window.event = event;
            EXPECT_EQ(Noted(InputsForWindowEvent(window)), row[2]);
        } else if (row[0] == "driver") {
            EXPECT_EQ(SdlVideoDriverAllowed(Named(row[1]), Named(row[2])), row[3] == "yes");
        } else {
            EXPECT_STREQ(SdlVideoDriverToAsk(Named(row[1]), Named(row[2]), Named(row[3])) ?: "none",
                         row[4].c_str());
        }
    }
    // An empty compose table unless the player named one.
    EXPECT_EQ(std::string(SdlComposeTableToSet(nullptr)) + SdlComposeTableToSet(""), "/dev/null/dev/null");
    EXPECT_EQ(SdlComposeTableToSet("/home/player/.XCompose"), nullptr);
}

// Letters, digits and F1 to F12 each in a run; the keypad's digits as Windows numbers them.
TEST(VirtualKeyFromSdl, TranslatesTheRunsOfKeys) {
    for (int i = 0; i < 26; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_a + i), 'A' + i) << i;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_0 + i), '0' + i) << i;
    for (int i = 0; i < 12; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1 + i), VK_F1 + i) << i;
    for (int i = 1; i < 10; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_1 + i - 1), 0x60 + i) << i;
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
