// The sound's keys in play: the volume down, up and off, shown over the picture for a moment.
#include <algorithm>
#include <string>

#include "options/options.h"
#include "screens/screens.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "text/text.h"

namespace {

// The level's line stays up for this many frames shown (1.5 s).
constexpr int LINE_FRAMES = 75;

struct SoundKeys {
    ShellSound sound;
    void (*changed)(const ShellSound&) = nullptr;
    int lineFrames = 0;
};
SoundKeys TheSoundKeys;

void Apply() { SoundSetVolume(TheSoundKeys.sound.mute ? 0 : TheSoundKeys.sound.volume); }

}  // namespace

void ShellSetSound(const ShellSound& sound) {
    TheSoundKeys.sound = {std::clamp(sound.volume, 0, 100), sound.mute};
    TheSoundKeys.lineFrames = 0;
    Apply();
}

ShellSound ShellSoundNow() { return TheSoundKeys.sound; }

void ShellWatchSound(void (*changed)(const ShellSound& sound)) { TheSoundKeys.changed = changed; }

bool ShellTakeSoundKey(const InputEvent& input) {
    if (!input.IsKey() || (input.value != VK_F7 && input.value != VK_F8 && input.value != VK_F9))
        return false;
    if (input.kind == InputEvent::KeyUp) return true;
    ShellSound& sound = TheSoundKeys.sound;
    if (input.value == VK_F9) {
        if (input.repeat) return true;
        sound.mute = !sound.mute;
    } else {
        // Turning the volume either way turns the sound on again.
        const int step = input.value == VK_F7 ? -SHELL_VOLUME_STEP : SHELL_VOLUME_STEP;
        sound.volume = std::clamp(sound.volume + step, 0, 100);
        sound.mute = false;
    }
    Apply();
    OptionsSoundChanged(sound.volume, sound.mute);
    TheSoundKeys.lineFrames = LINE_FRAMES;
    if (TheSoundKeys.changed) TheSoundKeys.changed(sound);
    return true;
}

std::string ShellSoundLine() {
    if (TheSoundKeys.lineFrames == 0) return "";
    const ShellSound& sound = TheSoundKeys.sound;
    return sound.mute || sound.volume == 0 ? Tr("Sound off") : TrFormat("Volume %d%%", sound.volume);
}

void ShellDrawSoundLine(int device, int surface) {
    const std::string line = ShellSoundLine();
    if (line.empty()) return;
    DrawSoundLine(device, surface, line);
    --TheSoundKeys.lineFrames;
}
