// The tick-driven audio device shared by the headless and web backends, and its record of sounds.
#include "platform/common/tick_audio.h"

#include <algorithm>

#include "platform/win.h"

bool TickAudio::Open(AudioFormat* format) {
    if (!available_ || open_) return false;
    open_ = true;
    *format = FORMAT;
    return true;
}

bool TickAudio::Start(AudioSource source, void* context) {
    if (!open_) return false;
    source_ = source;
    context_ = context;
    SkipSilentTicks();
    return true;
}

void TickAudio::Close() {
    open_ = false;
    source_ = nullptr;
    context_ = nullptr;
    recovery_ = AudioRecovery{};
    looping_.clear();
}

void TickAudio::Pause(bool paused) {
    if (paused == paused_) return;
    if (paused) CatchUp();
    paused_ = paused;
    if (output_.pause) output_.pause(paused);
    if (!paused) SkipSilentTicks();
}

void TickAudio::CatchUp() {
    if (!source_) return;
    if (recovery_.Lost()) LookForDevice();

    // One tick's worth of frames for every tick since the last call. A clock that went back (a
    // test starting a new run) is simply followed.
    const std::uint32_t now = output_.ticks();
    if (now < renderedTicks_ || !Pulling()) renderedTicks_ = now;
    for (; renderedTicks_ < now; ++renderedTicks_) {
        source_(context_, samples_.data(), FRAMES_PER_TICK);
        framesPulled_ += FRAMES_PER_TICK;
        if (output_.play) output_.play(samples_.data(), FRAMES_PER_TICK, FORMAT.rate);
    }
}

void TickAudio::Note(AudioEvent event, int number) {
    if (event != AudioEvent::Stop) played_.push_back(number);
    if (event == AudioEvent::Loop && std::find(looping_.begin(), looping_.end(), number) == looping_.end())
        looping_.push_back(number);
    if (event == AudioEvent::Stop) std::erase(looping_, number);
}

std::vector<int> TickAudio::TakePlayed() {
    std::vector<int> played;
    played.swap(played_);
    return played;
}

void TickAudio::RemoveDevice() {
    available_ = false;
    if (!open_ || recovery_.Lost()) return;
    CatchUp();
    recovery_.DeviceLost(timeGetTime());
}

void TickAudio::AddDevice(bool announced) {
    available_ = true;
    if (announced) recovery_.DeviceAnnounced();
}

// Pulling starts again from now: the ticks that passed in silence are never owed.
void TickAudio::SkipSilentTicks() { renderedTicks_ = output_.ticks(); }

// While the device is gone, looks for one at the pace the recovery sets.
void TickAudio::LookForDevice() {
    if (!recovery_.TryNow(timeGetTime()) || !available_) return;
    recovery_.DeviceBack();
    SkipSilentTicks();
}
