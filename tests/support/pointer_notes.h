// Test support: the inputs a pointer, a pad or a backend made, counted or written as a short note.
#pragma once

#include <string>
#include <vector>

#include "platform/input.h"
#include "tests/support/key_names.h"

// How many times `key` went down.
inline int Count(const std::vector<InputEvent>& events, int key) {
    int count = 0;
    for (const InputEvent& e : events) count += e == InputEvent::Down(key) ? 1 : 0;
    return count;
}

// An input as a word of a note: +name and -name a key going down (+name* a repeat) and up, app1 and
// app0 the application's activation, window and its state, close the close.
inline std::string NoteWord(const InputEvent& e) {
    switch (e.kind) {
        case InputEvent::KeyDown:
            return "+" + KeyName(e.value) + (e.repeat ? "*" : "");
        case InputEvent::KeyUp:
            return "-" + KeyName(e.value);
        case InputEvent::ActivateApp:
            return "app" + std::to_string(e.value);
        case InputEvent::Activate:
            return "window" + std::to_string(e.value);
        case InputEvent::Close:
            return "close";
        default:
            return "other" + std::to_string(e.kind);
    }
}

// The inputs as a note, a word each, but a key pressed and let go at once is its name alone.
inline std::string Note(const std::vector<InputEvent>& events) {
    std::string note;
    for (std::size_t i = 0; i < events.size(); ++i) {
        std::string word = NoteWord(events[i]);
        if (events[i] == InputEvent::Down(static_cast<int>(events[i].value)) && i + 1 < events.size() &&
            events[i + 1] == InputEvent::Up(static_cast<int>(events[i].value))) {
            word = KeyName(events[i].value);
            ++i;
        }
        note += (note.empty() ? "" : " ") + word;
    }
    return note;
}
