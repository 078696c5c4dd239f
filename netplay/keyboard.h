// This machine's keyboard in a network game (keyboard.cpp): its person's keys kept for its next
// stamp, Esc and the leave prompt, and the keys no stamp may carry.
//
// lockstep.cpp hands it the window's keys and asks which stamped keys the game may see; stamps.cpp
// takes the keys for this machine's stamps; the host's side (host.cpp) refuses the keys never
// stamped; the link (session.cpp) closes the leave prompt and notices.cpp draws it.
#pragma once

#include <cstddef>
#include <vector>

#include "net/messages.h"
#include "platform/input.h"

namespace netplay {

// A key or focus change from this machine's window in a network game: false when it must not reach
// the game.
bool KeyboardInput(const InputEvent& input);
// The first `most` keys this machine's person pressed that are not stamped yet, for its next stamp.
std::vector<net::KeyEvent> TakeOwnKeys(std::size_t most);
// The keys not stamped are let go: the moment is not this machine's.
void ForgetOwnKeys();
// Keys whose effect is one machine's business, which honest machines never stamp: Esc (here the
// leave prompt; in the game the quit prompt, leaving the player choice, closing the window at the
// title). The host drops a joined machine that stamps one.
bool NeverStamped(const net::KeyEvent& key);
// Keys every machine ignores in stamps, so that no machine can end the match for the others: those
// never stamped, and while the game's quit prompt is up (which no stamp can open) its Y, with which
// Shift+Y abandons the match.
bool RefusedFromStamps(const net::KeyEvent& key);
bool LeavePromptShown();
void CloseLeavePrompt();
void ResetKeyboard();

}  // namespace netplay
