// Test support: a key's name as the scripts and the tests' notes write it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

// Letters and digits are themselves; the other keys the tests press have names.
inline std::string KeyName(std::uint32_t key) {
    switch (key) {
        case VK_SPACE:
            return "Space";
        case VK_ESCAPE:
            return "Esc";
        case VK_SHIFT:
            return "Shift";
        case VK_TAB:
            return "Tab";
        case VK_UP:
            return "Up";
        case VK_DOWN:
            return "Down";
        case VK_LEFT:
            return "Left";
        case VK_RIGHT:
            return "Right";
        case VK_F1:
            return "F1";
        case VK_F2:
            return "F2";
        case VK_F7:
            return "F7";
        case VK_F8:
            return "F8";
        case VK_F9:
            return "F9";
        default:
            return std::string(1, static_cast<char>(key));
    }
}
