// This machine's keyboard in a network game: its person's keys kept for its next stamp, Esc and the
// leave prompt, and the window's focus, which are this machine's business alone.
#include "display/graphx.h"
#include "netplay/session.h"
#include "replay/session.h"
#include "sound/sound.h"

namespace netplay {

namespace {

struct Keyboard {
    std::vector<net::KeyEvent> ownKeys;  // pressed since the last step
    bool leavePrompt = false;
    bool shift = false;                        // Shift is down on this machine's keyboard
    std::array<bool, KEY_COUNT> promptKeys{};  // keys the leave prompt took going down
};

Keyboard K;

// The game goes on for the others while this window is in the background: only its sound and
// picture follow the focus. The game sees no activation once it is active, so that every machine's
// game, and replay, stays the same.
bool FocusMessage(UINT message, WPARAM wParam) {
    if (message == WM_ACTIVATEAPP) {
        if (wParam != 0 && !AppActive) return true;
        SoundPause(wParam == 0);
        if (wParam != 0) GraphxRestoreDisplays();
    }
    return false;
}

// While the prompt is open, Shift+Y leaves (the host's leaving ends the game for everyone) and any
// other key going down puts it away.
void AnswerPrompt(bool down, WPARAM wParam) {
    if (down) K.promptKeys[wParam] = true;
    if (down && wParam == 'Y' && K.shift) {
        const bool host = TheLink.role == NetRole::Host;
        GoOffline(host ? "You ended the network game" : "You left the network game", false,
                  host ? "The host ended the game" : MachineName(TheLink.me) + " left the game");
    } else if (down) {
        K.leavePrompt = false;
    }
}

}  // namespace

bool KeyboardMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATEAPP || message == WM_ACTIVATE) return FocusMessage(message, wParam);
    if (message != WM_KEYDOWN && message != WM_KEYUP) return true;
    if (ReplayPlaying()) return false;
    const bool down = message == WM_KEYDOWN;
    const auto key = static_cast<std::uint8_t>(wParam & 0xFF);
    if (wParam == 0 || wParam >= KEY_COUNT) return false;
    const bool repeat = down && (lParam & (KEY_REPEAT_BIT | (LPARAM{1} << 31))) != 0;
    // Esc and the leave prompt are this machine's own.
    if (wParam == VK_SHIFT) K.shift = down;
    // A key the prompt took going down goes up unseen too.
    if (!down && K.promptKeys[wParam]) {
        K.promptKeys[wParam] = false;
        return false;
    }
    if (K.leavePrompt && wParam != VK_SHIFT) {
        AnswerPrompt(down, wParam);
        return false;
    }
    if (wParam == VK_ESCAPE) {
        if (down) K.promptKeys[VK_ESCAPE] = true;
        if (down && !repeat) K.leavePrompt = true;
        return false;
    }
    if (K.ownKeys.size() < net::kMaxKeysPerFrame) K.ownKeys.push_back(net::KeyEvent{down, key, repeat});
    return false;
}

std::vector<net::KeyEvent> TakeOwnKeys() { return std::exchange(K.ownKeys, {}); }
bool LeavePromptShown() { return K.leavePrompt; }
void CloseLeavePrompt() { K.leavePrompt = false; }
void ResetKeyboard() { K = Keyboard{}; }

}  // namespace netplay
