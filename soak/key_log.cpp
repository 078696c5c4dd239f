// The soak runner's key record, written in the replay runner's script language.
#include "soak/key_log.h"

#include "platform/win.h"

namespace {

struct NamedKey {
    int code;
    const char* name;
};

constexpr NamedKey NAMED_KEYS[] = {{VK_RETURN, "Enter"}, {VK_SPACE, "Space"}, {VK_ESCAPE, "Esc"},
                                   {VK_SHIFT, "Shift"},  {VK_LEFT, "Left"},   {VK_UP, "Up"},
                                   {VK_RIGHT, "Right"},  {VK_DOWN, "Down"}};

}  // namespace

std::string KeyName(int key) {
    for (const NamedKey& named : NAMED_KEYS)
        if (named.code == key) return named.name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
    return {};
}

void KeyLog::Line(const std::string& line) {
    text_ += line;
    text_ += '\n';
}

void KeyLog::FlushWait() {
    if (pendingTicks_ == 0) return;
    Line("wait " + std::to_string(pendingTicks_));
    pendingTicks_ = 0;
}

void KeyLog::FlushPresses() {
    if (presses_.empty()) return;
    std::string line = "press";
    for (int key : presses_) line += " " + KeyName(key);
    presses_.clear();
    Line(line);
}

void KeyLog::Press(int key) {
    FlushWait();
    presses_.push_back(key);
}

void KeyLog::Down(int key) {
    FlushWait();
    FlushPresses();
    Line("down " + KeyName(key));
}

void KeyLog::Up(int key) {
    FlushWait();
    FlushPresses();
    Line("up " + KeyName(key));
}

void KeyLog::Activate(bool active) {
    FlushWait();
    FlushPresses();
    Line(active ? "activate 1" : "activate 0");
}

void KeyLog::Tick() {
    FlushPresses();
    ++pendingTicks_;
    ++ticks_;
}

std::string KeyLog::Text() const {
    KeyLog copy = *this;
    copy.FlushPresses();
    copy.FlushWait();
    return copy.text_;
}
