// This machine's keyboard in a network game: its person's keys kept for its next stamp, Esc and the
// leave prompt, and the window's focus, which are this machine's business alone; and the keys that
// no stamp may carry.
#include "netplay/keyboard.h"

#include <algorithm>

#include "display/graphx.h"
#include "netplay/chat.h"
#include "netplay/guest.h"
#include "netplay/notices.h"
#include "netplay/session.h"
#include "netplay/stamps.h"
#include "netplay/waiting_room.h"
#include "replay/session.h"
#include "sound/sound.h"
#include "text/text.h"

namespace netplay {

namespace {

// Keys kept for the stamps to come at most: a person presses a few a frame, but a burst a script
// queues, or keys pressed while this machine waits for the host to come nearer, wait here until
// stamped, a frame's worth a stamp.
constexpr std::size_t MAX_KEYS_KEPT = 16 * net::kMaxKeysPerFrame;

struct Keyboard {
    std::vector<net::KeyEvent> ownKeys;  // pressed and not stamped yet, in order
    bool overflowed = false;             // keys were let go since the last stamp
    bool leavePrompt = false;
    bool shift = false;                        // Shift is down on this machine's keyboard
    std::array<bool, KEY_COUNT> promptKeys{};  // keys the leave prompt took going down
};

Keyboard TheKeyboard;

// The game goes on for the others while this window is in the background: only its sound and
// picture follow the focus. The game sees no activation once it is active, so that every machine's
// game, and replay, stays the same.
bool FocusChange(const InputEvent& input) {
    if (input.kind == InputEvent::ActivateApp) {
        const bool active = input.value != 0;
        if (active && !AppActive) return true;
        SoundPause(!active);
        if (active) GraphxRestoreDisplays();
    }
    return false;
}

// A key for this machine's stamps; beyond what it keeps, the person is told that keys were let go.
void KeepOwnKey(const InputEvent& input) {
    if (TheKeyboard.ownKeys.size() < MAX_KEYS_KEPT) return TheKeyboard.ownKeys.push_back(WireKey(input));
    if (!TheKeyboard.overflowed) Notice(Tr("Too many keys at once: some were ignored"));
    TheKeyboard.overflowed = true;
}

// This machine leaves the network game; the host's leaving ends it for everyone.
void Leave() {
    const bool host = TheLink.role == NetRole::Host;
    if (Watching())
        return GoOffline(TrLater("You stopped watching the game"), false, TrLater("A spectator left"));
    GoOffline(host ? TrLater("You ended the network game") : TrLater("You left the network game"), false,
              host ? TrLater("The host left the game") : MachineName(TheLink.me) + " left the game");
}

// While the prompt is open, Shift+Y (or a gamepad's Y) leaves and any other key going down puts it
// away.
void AnswerPrompt(bool down, std::uint32_t key) {
    if (down) TheKeyboard.promptKeys[key] = true;
    if (down && ((key == 'Y' && TheKeyboard.shift) || key == VK_GAMEPAD_Y)) {
        Leave();
    } else if (down) {
        TheKeyboard.leavePrompt = false;
    }
}

}  // namespace

bool KeyboardInput(const InputEvent& input) {
    if (input.kind == InputEvent::ActivateApp || input.kind == InputEvent::Activate)
        return FocusChange(input);
    if (!input.IsKey()) return true;
    const bool down = input.kind == InputEvent::KeyDown;
    const std::uint32_t key = input.value;
    if (ReplayPlaying()) {
        // While the game so far plays back, none of it is on screen to ask over: Esc alone leaves.
        if (CatchingUp() && down && key == VK_ESCAPE && !input.repeat) Leave();
        return false;
    }
    if (key == 0 || key >= KEY_COUNT) return false;
    // Esc and the leave prompt are this machine's own.
    if (key == VK_SHIFT) TheKeyboard.shift = down;
    // A key the prompt took going down goes up unseen too.
    if (!down && TheKeyboard.promptKeys[key]) {
        TheKeyboard.promptKeys[key] = false;
        return false;
    }
    if (TheKeyboard.leavePrompt && key != VK_SHIFT) {
        AnswerPrompt(down, key);
        return false;
    }
    // The chat's keys, and every key while a line is typed, are the chat's.
    if (ChatKey(input, TheKeyboard.shift)) return false;
    // The host's key of the waiting room; its release goes unseen too.
    if (down && !input.repeat && WaitingRoomKey(key)) {
        TheKeyboard.promptKeys[key] = true;
        return false;
    }
    if (key == VK_ESCAPE) {
        if (down) TheKeyboard.promptKeys[VK_ESCAPE] = true;
        if (down && !input.repeat) TheKeyboard.leavePrompt = true;
        return false;
    }
    // A spectator's keys go nowhere: it never owns a moment.
    if (!Watching()) KeepOwnKey(input);
    return false;
}

bool NeverStamped(const net::KeyEvent& key) { return key.key == VK_ESCAPE; }

bool RefusedFromStamps(const net::KeyEvent& key) {
    return NeverStamped(key) || (QuitPromptShown && (key.key == 'Y' || key.key == VK_GAMEPAD_Y));
}

std::vector<net::KeyEvent> TakeOwnKeys(std::size_t most) {
    const auto end =
        TheKeyboard.ownKeys.begin() + static_cast<std::ptrdiff_t>(std::min(most, TheKeyboard.ownKeys.size()));
    std::vector<net::KeyEvent> taken(TheKeyboard.ownKeys.begin(), end);
    TheKeyboard.ownKeys.erase(TheKeyboard.ownKeys.begin(), end);
    TheKeyboard.overflowed = false;
    return taken;
}

void ForgetOwnKeys() {
    TheKeyboard.ownKeys.clear();
    TheKeyboard.overflowed = false;
}
bool LeavePromptShown() { return TheKeyboard.leavePrompt; }
void CloseLeavePrompt() { TheKeyboard.leavePrompt = false; }
void ResetKeyboard() { TheKeyboard = Keyboard{}; }

}  // namespace netplay
