// Getting the sound back after the output device goes away during play (a headset unplugged).
//
// Both audio backends keep one of these. When their device goes, they close it and tell
// DeviceLost; the game goes on silent and the mixer keeps its voices as they are. From then on the
// backend asks TryNow whenever it looks at its device: the answer is yes at once after an output
// device was announced, and otherwise once every RETRY_MILLISECONDS, so that a system that
// announces nothing still gets its sound back and a frame never waits on more than one attempt.
// A successful reopening is told with DeviceBack. Each change writes one trace row; failed
// attempts write none. Times are milliseconds of any clock that wraps at 32 bits.
#pragma once

#include <cstdint>

class AudioRecovery {
public:
    static constexpr std::uint32_t RETRY_MILLISECONDS = 2000;

    bool Lost() const { return lost_; }
    // The device went away at `now`; the first attempt comes a full period later unless a device
    // is announced before.
    void DeviceLost(std::uint32_t now);
    // An output device appeared; the next TryNow says yes. Ignored while nothing is lost.
    void DeviceAnnounced();
    // Whether to try to open the default device again now; a yes counts as an attempt at `now`.
    bool TryNow(std::uint32_t now);
    // The device is open again.
    void DeviceBack();

private:
    bool lost_ = false;
    bool announced_ = false;
    std::uint32_t lastAttempt_ = 0;
};
