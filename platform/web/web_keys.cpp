// Translation of the browser's key names into the virtual-key codes the game's key handling expects.
#include "platform/web/web_keys.h"

#include <cstring>
#include <iterator>

#include "platform/win.h"

namespace {

struct NamedKey {
    const char* code;
    int vk;
};

// Keys known by their place on the keyboard alone.
constexpr NamedKey NAMED_KEYS[] = {
    {"Enter", VK_RETURN},        {"NumpadEnter", VK_RETURN},
    {"Escape", VK_ESCAPE},       {"Space", VK_SPACE},
    {"Backspace", VK_BACK},      {"Tab", VK_TAB},
    {"ShiftLeft", VK_SHIFT},     {"ShiftRight", VK_SHIFT},
    {"ControlLeft", VK_CONTROL}, {"ControlRight", VK_CONTROL},
    {"AltLeft", VK_MENU},        {"AltRight", VK_MENU},
    {"ArrowLeft", VK_LEFT},      {"ArrowUp", VK_UP},
    {"ArrowRight", VK_RIGHT},    {"ArrowDown", VK_DOWN},
    {"PageUp", VK_PRIOR},        {"PageDown", VK_NEXT},
    {"Home", VK_HOME},           {"End", VK_END},
    {"Insert", VK_INSERT},       {"Delete", VK_DELETE},
    {"Semicolon", VK_OEM_1},     {"Minus", VK_OEM_MINUS},
    {"Period", VK_OEM_PERIOD},
};

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// The number after `prefix` when the rest of `text` is one or two decimal digits, else -1.
int NumberAfter(const char* text, const char* prefix) {
    if (!StartsWith(text, prefix)) return -1;
    const char* digits = text + std::strlen(prefix);
    const std::size_t length = std::strlen(digits);
    if (length < 1 || length > 2) return -1;
    int value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return -1;
        value = value * 10 + (digits[i] - '0');
    }
    return value;
}

int LetterOf(const char* key) {
    if (!key || key[0] == '\0' || key[1] != '\0') return 0;
    if (key[0] >= 'a' && key[0] <= 'z') return 'A' + (key[0] - 'a');
    if (key[0] >= 'A' && key[0] <= 'Z') return key[0];
    return 0;
}

}  // namespace

int VirtualKeyFromWeb(const char* code, const char* key) {
    if (!code) return 0;
    if (StartsWith(code, "Key") && std::strlen(code) == 4 && code[3] >= 'A' && code[3] <= 'Z') {
        const int letter = LetterOf(key);
        return letter ? letter : code[3];
    }
    if (const int digit = NumberAfter(code, "Digit"); digit >= 0 && digit <= 9) return '0' + digit;
    if (const int digit = NumberAfter(code, "Numpad"); digit >= 0 && digit <= 9) return 0x60 + digit;
    if (const int f = NumberAfter(code, "F"); f >= 1 && f <= 12) return VK_F1 + f - 1;
    for (const NamedKey& named : NAMED_KEYS)
        if (std::strcmp(code, named.code) == 0) return named.vk;
    // A letter of another layout on a key the browser cannot place.
    return LetterOf(key);
}

bool BrowserKeepsKey(const char* code, bool ctrl, bool meta) {
    if (ctrl || meta) return true;
    return code && (std::strcmp(code, "F5") == 0 || std::strcmp(code, "F12") == 0);
}

bool TogglesFullscreen(const char* code, bool alt) {
    if (!code) return false;
    return std::strcmp(code, "F11") == 0 ||
           (alt && (std::strcmp(code, "Enter") == 0 || std::strcmp(code, "NumpadEnter") == 0));
}
