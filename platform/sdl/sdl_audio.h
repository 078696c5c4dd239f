// The SDL audio device's part in the event loop: device arrivals and removals, and the search for
// a device again after ours went away.
#pragma once

#include <SDL.h>

// What an audio device event means to the game's output.
enum class SdlAudioChange { None, OursRemoved, OutputAdded };

// A removal matters when it names `ours` (the open output device, 0 when none is open); SDL names
// a removed device by its id. An arrival matters when it is an output device; SDL names it by an
// index into its list of devices, never by an id. Capture devices never matter.
SdlAudioChange SdlAudioClassify(const SDL_AudioDeviceEvent& event, SDL_AudioDeviceID ours);

// Called by the event loop, on the game's thread, for SDL_AUDIODEVICEADDED and
// SDL_AUDIODEVICEREMOVED. Our device removed: it is closed and the game goes on silent. An output
// device added while ours is gone: the next poll tries to open the default device.
void SdlAudioDeviceEvent(const SDL_AudioDeviceEvent& event);

// Called by the event loop after every pump. While our device is gone, tries to open the default
// device again when one was announced and otherwise every two seconds; once open, it carries on
// pulling the same mixer. Costs a comparison when nothing is lost.
void SdlAudioPoll();
