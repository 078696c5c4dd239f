// The audio device of the backends without a sound card's clock (headless, web): the mixer pulled
// tick by tick on the game's thread, and the record of the sounds the game starts and stops.
//
// The device runs at 22050 frames per second, mono, so one 20 ms tick is 441 frames. Whenever the
// game touches a sound (AudioCatchUp) the mixer is pulled for every tick that has passed since, so
// a voice plays for exactly as long as its samples last on any machine and a page plays the same
// game as the replay runner. Ticks that pass while the device is paused or gone are never pulled,
// as on a real device. Each such backend keeps one TickAudio made with its clock and its output,
// and its functions of platform/audio.h hand over to it; every call is made on the game's thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio.h"
#include "platform/common/audio_recovery.h"

// What a backend gives its device.
struct TickAudioOutput {
    // The backend's count of 20 ms ticks; it never goes back but in tests starting a new run.
    std::uint32_t (*ticks)() = nullptr;
    // Takes each tick's frames as they are pulled, in the device's format; null drops them.
    void (*play)(const std::int16_t* samples, int frames, int rate) = nullptr;
    // Told each time the pause setting changes; null when nobody outside needs to know.
    void (*pause)(bool paused) = nullptr;
};

class TickAudio {
public:
    static constexpr AudioFormat FORMAT{22050, 1};
    static constexpr int FRAMES_PER_TICK = 22050 / 50;

    explicit TickAudio(const TickAudioOutput& output) : output_(output) {}

    // The calls of platform/audio.h, with the contracts declared there.
    bool Open(AudioFormat* format);
    bool Start(AudioSource source, void* context);
    void Close();
    void Pause(bool paused);
    void CatchUp();
    void Note(AudioEvent event, int number);
    std::vector<int> TakePlayed();
    std::vector<int> Looping() const { return looping_; }

    // Whether a device can be opened; a device is available from the start.
    void SetAvailable(bool available) { available_ = available; }
    // The open device goes away: the ticks due so far are pulled, then none until it is back.
    void RemoveDevice();
    // A device can be opened again; announced, it is found the next time the game touches a sound,
    // otherwise at the recovery's slow pace.
    void AddDevice(bool announced);

    std::uint64_t FramesPulled() const { return framesPulled_; }
    bool Paused() const { return paused_; }

private:
    bool Pulling() const { return source_ && !paused_ && !recovery_.Lost(); }
    void SkipSilentTicks();
    void LookForDevice();

    TickAudioOutput output_;
    bool available_ = true;
    bool open_ = false;
    bool paused_ = false;
    AudioSource source_ = nullptr;
    void* context_ = nullptr;
    std::uint32_t renderedTicks_ = 0;
    std::uint64_t framesPulled_ = 0;
    AudioRecovery recovery_;
    std::vector<std::int16_t> samples_ = std::vector<std::int16_t>(FRAMES_PER_TICK);
    std::vector<int> played_;
    std::vector<int> looping_;
};
