// The clipboard and touch screens through SDL; a desktop has no share sheet.
#include <SDL.h>

#include "platform/clipboard.h"

bool PlatformCopyText(const std::string& text) { return SDL_SetClipboardText(text.c_str()) == 0; }

std::string PlatformPastedText() {
    char* text = SDL_GetClipboardText();
    if (text == nullptr) return "";
    std::string pasted = text;
    SDL_free(text);
    return pasted;
}

bool PlatformCanShare() { return false; }

bool PlatformShareLink(const std::string&, const std::string&) { return false; }

bool PlatformTouchScreen() { return SDL_GetNumTouchDevices() > 0; }
