// Getting the sound back after the output device goes away: the pace of attempts and the rows.
#include "platform/common/audio_recovery.h"

#include "diag/diag.h"

void AudioRecovery::DeviceLost(std::uint32_t now) {
    if (lost_) return;
    lost_ = true;
    announced_ = false;
    lastAttempt_ = now;
    DiagTrace(DIAG_HIGH, "Sound", __LINE__, "AudioRecovery",
              "The sound device has gone: the game goes on silent");
}

void AudioRecovery::DeviceAnnounced() {
    if (lost_) announced_ = true;
}

bool AudioRecovery::TryNow(std::uint32_t now) {
    if (!lost_) return false;
    // Unsigned difference: a clock that wrapped round since the last attempt still measures right.
    if (!announced_ && now - lastAttempt_ < RETRY_MILLISECONDS) return false;
    announced_ = false;
    lastAttempt_ = now;
    return true;
}

void AudioRecovery::DeviceBack() {
    if (!lost_) return;
    lost_ = false;
    announced_ = false;
    DiagTrace(DIAG_HIGH, "Sound", __LINE__, "AudioRecovery", "A sound device is back: the sound carries on");
}
