// The soak runner's record of the keys, activation and ticks it sent the game, as a replay script.
//
// lobshot-headless plays the script back from the same seed to the same state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The script name of a virtual-key code, as the replay scripts spell it ("Enter", "Left", "F1",
// "Q", ...), or an empty string for a key the scripts cannot name.
std::string KeyName(int key);

// Builds the script as the driver goes. Keys pressed in the same tick share one "press" line and
// runs of ticks collapse into one "wait" line, so the text stays close to what a person would write.
class KeyLog {
public:
    explicit KeyLog(std::string header = {}) : text_(std::move(header)) {}

    void Press(int key);
    void Down(int key);
    void Up(int key);
    void Activate(bool active);
    void Tick();

    // The whole script so far.
    std::string Text() const;
    std::uint64_t Ticks() const { return ticks_; }

    // For the crash report, which may not build strings: the finished lines, and the ticks of the
    // last "wait" line still to be written (no presses are ever pending once a tick has been taken).
    const std::string& Finished() const { return text_; }
    std::uint32_t PendingTicks() const { return pendingTicks_; }

private:
    void FlushWait();
    void FlushPresses();
    void Line(const std::string& line);

    std::string text_;
    std::vector<int> presses_;
    std::uint32_t pendingTicks_ = 0;
    std::uint64_t ticks_ = 0;
};
