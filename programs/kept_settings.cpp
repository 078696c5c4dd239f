// The player's settings while a program runs: the sound, the last game and the Options screen.
#include "programs/kept_settings.h"

#include "options/options.h"
#include "shell/shell.h"
#include "text/text.h"

Settings TheSettings;

namespace {

SettingsKeeper TheKeeper;

void SoundChanged(const ShellSound& sound) {
    TheSettings.volume = sound.volume;
    TheSettings.mute = sound.mute;
    SaveKeptSettings();
}

void GameChosen(const SettingsGame& game) {
    TheSettings.game = game;
    SaveKeptSettings();
}

// The settings as the Options screen opens on them: the window and the sound as they are now.
Settings SettingsNow() {
    Settings settings = TheSettings;
    if (TheKeeper.fullscreen) settings.fullscreen = TheKeeper.fullscreen();
    settings.volume = ShellSoundNow().volume;
    settings.mute = ShellSoundNow().mute;
    return settings;
}

// A change on the Options screen: the window, the sound and the language follow at once; the
// settings are kept as the screen closes.
void OptionsChanged(const Settings& settings, bool keep) {
    if (TheKeeper.fullscreen && settings.fullscreen != TheKeeper.fullscreen()) TheKeeper.switchFullscreen();
    const ShellSound sound = ShellSoundNow();
    if (sound.volume != settings.volume || sound.mute != settings.mute)
        ShellSetSound({settings.volume, settings.mute});
    if (settings.language != TheSettings.language) SetLanguage(settings.language);
    TheSettings = settings;
    if (TheKeeper.fullscreen) TheSettings.fullscreen = TheKeeper.fullscreen();
    if (keep) SaveKeptSettings();
}

}  // namespace

void KeepSettingsWith(const SettingsKeeper& keeper) {
    TheKeeper = keeper;
    ShellWatchSound(&SoundChanged);
    ShellWatchGameChoice(&GameChosen);
    OptionsUse({&SettingsNow, &OptionsChanged, keeper.fullscreen != nullptr});
}

void SaveKeptSettings() {
    if (TheKeeper.save) TheKeeper.save(TheSettings);
}
