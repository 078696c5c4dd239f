// Test support: the keys a pointer made, counted or written as a short note.
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

// The events as a note: a key pressed and let go at once is its name, otherwise +name and -name.
inline std::string Note(const std::vector<InputEvent>& events) {
    std::string note;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const InputEvent& e = events[i];
        std::string word = (e.kind == InputEvent::KeyDown ? "+" : "-") + KeyName(e.value);
        if (e.kind == InputEvent::KeyDown && i + 1 < events.size() &&
            events[i + 1] == InputEvent::Up(static_cast<int>(e.value))) {
            word = KeyName(e.value);
            ++i;
        }
        note += (note.empty() ? "" : " ") + word;
    }
    return note;
}
