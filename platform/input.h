// Input as the game's own plumbing carries it: one small value for a key, an activation change or the
// close, made from a window message in one place and turned back into one in one place.
//
// A backend posts what the person did with PostInput, which queues the window message the event
// stands for; the window procedure turns each message it gets back into an event once, with
// InputEventFromMessage, and from there on backends, computer players, replays, the network game,
// the soak and the runners all speak in events. Nothing but input.cpp knows how a key message's
// lParam is marked.
//
// Beside the window's input rides the network game's news (a machine joined or left, the game left
// the network), which no backend makes and no message carries: the network game delivers it, and a
// replay keeps it, exactly as it does keys. So do the computer players' keys, each pressed and
// released at once: the game works them out in its frame step, and hands them in with the rest.
#pragma once

#include <cstdint>

#include "platform/win.h"

struct InputEvent {
    enum Kind : std::uint8_t {
        KeyDown,
        KeyUp,
        ActivateApp,
        Activate,
        Close,
        MachineJoined,
        MachineLeft,
        NetworkEnded,
        ComputerKey
    };
    Kind kind = KeyDown;
    // KeyDown and KeyUp: the virtual-key code (below 256 from every backend; a larger code an odd
    // message brings is kept, capped at 0xFFFFFFFF, so that the game can refuse it). ActivateApp: 1
    // activated, 0 deactivated. Activate: WA_INACTIVE, WA_ACTIVE or WA_CLICKACTIVE. MachineJoined and
    // MachineLeft: the machine's number. ComputerKey: the virtual-key code a computer player presses
    // and releases. Otherwise 0.
    std::uint32_t value = 0;
    bool repeat = false;  // KeyDown: an automatic repeat of a key already down; otherwise false

    static InputEvent Down(int key, bool repeat = false) {
        return {KeyDown, static_cast<std::uint32_t>(key), repeat};
    }
    static InputEvent Up(int key) { return {KeyUp, static_cast<std::uint32_t>(key), false}; }
    static InputEvent AppActivation(bool active) { return {ActivateApp, active ? 1u : 0u, false}; }
    static InputEvent WindowActivation(WPARAM state) {
        return {Activate, static_cast<std::uint32_t>(state), false};
    }
    static InputEvent CloseRequest() { return {Close, 0, false}; }
    static InputEvent Machine(bool joined, int machine) {
        return {joined ? MachineJoined : MachineLeft, static_cast<std::uint32_t>(machine), false};
    }
    static InputEvent OffNetwork() { return {NetworkEnded, 0, false}; }
    static InputEvent Computer(int key) { return {ComputerKey, static_cast<std::uint32_t>(key), false}; }

    bool IsKey() const { return kind == KeyDown || kind == KeyUp; }
    bool operator==(const InputEvent&) const = default;
};

// Something that takes input: the network game and replay playback hand what they deliver to one.
using InputSink = void (*)(const InputEvent& event);

// The event a window message stands for: WM_KEYDOWN (an automatic repeat when bit 30 or 31 of lParam
// is set), WM_KEYUP, WM_ACTIVATEAPP (any wParam but 0 activates), WM_ACTIVATE (the low word of wParam;
// any state but WA_ACTIVE and WA_CLICKACTIVE is WA_INACTIVE) and WM_CLOSE. False for any other
// message.
bool InputEventFromMessage(UINT message, WPARAM wParam, LPARAM lParam, InputEvent* event);

// The window message an event of the window's input stands for, marked as Windows marks it: a press
// carries the repeat count 1 and, for an automatic repeat, bit 30; a release carries bits 30 and 31
// and the count 1. False for the network game's news and the computers' keys, which have no message.
bool InputEventMessage(const InputEvent& event, MSG* message);

// Posts the message of an event of the window's input to the game's window (PostMessageA), behind
// whatever waits there; false, with nothing posted, for the network game's news or a computer's key.
bool PostInput(const InputEvent& event);
