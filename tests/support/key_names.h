// Test support: a key's name as the scripts and the tests' notes write it, and back.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/win.h"

// Letters and digits are themselves, F1 to F12 their names, and the other keys the tests press have
// names of their own; any other key is # and its number.
inline std::string KeyName(std::uint32_t key) {
    static const std::pair<std::uint32_t, const char*> named[] = {
        {VK_SPACE, "Space"},  {VK_ESCAPE, "Esc"},     {VK_SHIFT, "Shift"},   {VK_TAB, "Tab"},
        {VK_UP, "Up"},        {VK_DOWN, "Down"},      {VK_LEFT, "Left"},     {VK_RIGHT, "Right"},
        {VK_RETURN, "Enter"}, {VK_GAMEPAD_X, "PadX"}, {VK_GAMEPAD_Y, "PadY"}};
    for (const auto& [code, name] : named)
        if (key == code) return name;
    if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
    return key > ' ' && key < 127 ? std::string(1, static_cast<char>(key)) : "#" + std::to_string(key);
}

// The key a name stands for (as KeyName writes it); 0 for none.
inline int KeyFromName(const std::string& name) {
    if (name.starts_with("#")) return std::stoi(name.substr(1));
    for (int key = 1; key < 256; ++key)
        if (KeyName(key) == name) return key;
    return 0;
}
