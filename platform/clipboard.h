// The system's clipboard and share sheet, and whether the screen is touched: what the online menu
// offers around a room's code and links depends on them.
//
// Each backend supplies these (SDL: its clipboard and touch devices; the page: the browser's
// clipboard, paste events and share sheet; headless: a twin the tests look into). None of them
// reaches the game's rules.
#pragma once

#include <string>

// Puts text on the clipboard; false when there is none to take it.
bool PlatformCopyText(const std::string& text);
// The text the person pasted: the clipboard's text now (SDL), or the page's last paste. Empty when
// there is none; the page, without one, asks the browser for it and presses Insert once it has it.
std::string PlatformPastedText();
// Whether the system offers to share a link with another program (a phone's share sheet), and
// offers it; false when it cannot.
bool PlatformCanShare();
bool PlatformShareLink(const std::string& title, const std::string& link);
// Whether the player plays by touching the screen, so that texts say "Tap" rather than name keys.
bool PlatformTouchScreen();
