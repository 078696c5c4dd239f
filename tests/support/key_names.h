// Test support: a key's name as the scripts and the tests' notes write it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/win.h"

// Letters and digits are themselves; the other keys the tests press have names.
inline std::string KeyName(std::uint32_t key) {
    static const std::pair<std::uint32_t, const char*> kNamed[] = {
        {VK_SPACE, "Space"}, {VK_ESCAPE, "Esc"}, {VK_SHIFT, "Shift"}, {VK_TAB, "Tab"},
        {VK_UP, "Up"},       {VK_DOWN, "Down"},  {VK_LEFT, "Left"},   {VK_RIGHT, "Right"}};
    for (const auto& [code, name] : kNamed)
        if (code == key) return name;
    if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
    return std::string(1, static_cast<char>(key));
}
