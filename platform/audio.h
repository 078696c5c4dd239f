// The audio output device beneath the sound effects: open it, let it pull mixed samples, close it.
//
// The portable mixer (sound/) owns every voice and does all the mixing; a backend only moves the
// finished samples to the output. The SDL backend pulls them on SDL's audio thread; the headless
// and web backends pull them on the game's thread, as many as the 20 ms ticks that have passed
// call for (platform/common/tick_audio.h), so that sounds play for as long as they would on a real
// device. The game's thread makes every call declared here.
#pragma once

#include <cstdint>
#include <vector>

// What the device plays: signed 16-bit samples at `rate` frames per second, `channels` (1 or 2)
// interleaved samples a frame.
struct AudioFormat {
    int rate = 0;
    int channels = 0;
};

// Fills `frames` whole frames at `out` in the device's format. Called by the device, from any
// thread, between AudioStart and AudioClose; it must not call back into this interface.
using AudioSource = void (*)(void* context, std::int16_t* out, int frames);

// Opens the default output device, not yet playing, and tells its format. False when there is no
// device to play on (none present, a dummy driver, or the set-up failed): the game is then silent.
// An open device that goes away later (unplugged) is the backend's own business: it goes silent,
// looks for a device again now and then and, on finding one, carries on pulling the same source
// in the same format; the callers of this interface never notice.
bool AudioOpen(AudioFormat* format);

// Starts the open device pulling from `source`. False if it cannot start.
bool AudioStart(AudioSource source, void* context);

// Stops the device and closes it; once this returns the source is never called again. Does
// nothing when no device is open.
void AudioClose();

// While paused the device plays silence and does not pull the source at all, so every voice keeps
// its place and carries on from there when the pause ends. The setting holds from the call on,
// whether a device is open or not, and across a device that goes away and comes back; the shell
// pauses while the application is in the background.
void AudioPause(bool paused);

// Called before the game reads or changes what the source plays. A device without a clock of its
// own (headless) renders here the frames due since the last call; a real device does nothing.
void AudioCatchUp();

// Every start, looping start and stop of a sound effect, by its number (0 to 17), as the game
// makes it. A backend may keep a record of them (headless, web) or ignore them (SDL).
enum class AudioEvent { Start, Loop, Stop };
void AudioNote(AudioEvent event, int number);

// The record of those notes that the state snapshot reads; empty lists from a backend that keeps
// none. AudioTakePlayed: the sound numbers started (once or looping) since the previous call, in
// order, after which the list starts empty again. AudioLooping: the sound numbers looping now, in
// the order their loops began; a closed device loops nothing.
std::vector<int> AudioTakePlayed();
std::vector<int> AudioLooping();
