// The player's settings while a program runs, and the watchers that keep them up to date.
#pragma once

#include "settings/settings.h"

// The settings as the program read them at start-up. The sound keys, the last game's choice and the
// Options screen change them and hand them to the program's keeper; this run's command line never does.
extern Settings TheSettings;

// Where the program keeps the settings (a file, the page's storage) and, on a desktop, its window's
// part: whether the window is full screen now and how to switch it (both null on the page).
struct SettingsKeeper {
    void (*save)(const Settings& settings) = nullptr;
    bool (*fullscreen)() = nullptr;
    void (*switchFullscreen)() = nullptr;
};

// Watches the sound, the game choice and the Options screen (with its window row when the keeper
// has a window) for the keeper.
void KeepSettingsWith(const SettingsKeeper& keeper);
// Hands the settings as they are now to the keeper.
void SaveKeptSettings();
