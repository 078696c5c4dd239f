// The SDL audio device's part in the event loop: device arrivals and removals, and the search for
// a device again after ours went away. Nothing here needs SDL's headers, so tests can drive it.
#pragma once

#include <cstdint>

// An SDL_AUDIODEVICEADDED or SDL_AUDIODEVICEREMOVED event, as the event loop hands it over. SDL
// names a removed device by its id and an added one by an index into its list of devices.
struct SdlAudioDeviceNews {
    bool added = false;
    std::uint32_t which = 0;
    bool capture = false;
};

// What the news means to the game's output.
enum class SdlAudioChange { None, OursRemoved, OutputAdded };

// A removal matters when it names `ours` (the open output device, 0 when none is open); an
// arrival matters when it is an output device, whatever its index. Capture devices never matter.
SdlAudioChange SdlAudioClassify(const SdlAudioDeviceNews& news, std::uint32_t ours);

// Called by the event loop, on the game's thread. Our device removed: it is closed and the game
// goes on silent. An output device added while ours is gone: the next poll tries to open the
// default device.
void SdlAudioDeviceEvent(const SdlAudioDeviceNews& news);

// Called by the event loop after every pump. While our device is gone, tries to open the default
// device again when one was announced and otherwise every two seconds; once open, it carries on
// pulling the same mixer. Costs a comparison when nothing is lost.
void SdlAudioPoll();

// The open device's id, 0 while there is none (tests).
std::uint32_t SdlAudioDeviceId();
