// Translation of the browser's key names into the virtual-key codes the game's key handling expects.
//
// Nothing here needs Emscripten, so the tests build it natively.
#pragma once

// The virtual-key code for a keyboard event, 0 when the game has no use for the key. `code` is the
// event's physical key ("KeyA", "ArrowLeft", "Numpad7"), `key` the character or name it gives in
// the player's layout ("a", "Q", "Enter"). A letter follows the layout, as on the desktop; every
// other key follows its place on the keyboard, so Shift and the digit row still give digits.
int VirtualKeyFromWeb(const char* code, const char* key);

// Whether the browser keeps its own use of a key even though the game may see it too: F5 reloads
// and F12 opens the developer tools, and anything with Ctrl or the system key is a browser command.
bool BrowserKeepsKey(const char* code, bool ctrl, bool meta);

// Alt+Enter and F11 switch full screen on and off; the game never sees them.
bool TogglesFullscreen(const char* code, bool alt);
