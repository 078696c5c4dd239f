// The page's own storage for the player's settings, and whether the page is on a touch screen.
//
// The page keeps the settings in the browser's localStorage under WEB_SETTINGS_KEY, as the very
// text the native game writes in its settings file (settings/settings.h), so that one reader and
// one writer serve both. A browser that refuses storage (private windows, blocked cookies) reads
// as none and keeps nothing, quietly.
#pragma once

#include <string>

constexpr const char* WEB_SETTINGS_KEY = "lobshot.settings";

// The text stored, or "" when none is.
std::string WebStorageRead();
// Stores the text in place of what was; nothing when the browser refuses.
void WebStorageWrite(const std::string& text);
// Whether the page's main pointer is a finger (the browser's "pointer: coarse").
bool WebTouchScreen();
