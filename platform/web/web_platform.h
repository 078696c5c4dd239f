// The web backend's own calls, for the page's start-up (web/) and nothing beneath the shell.
//
// The backend reads the page's options (web_options.h) when the program starts, keeps the game's
// clock and timer on the browser's frame callbacks (or, with "steps", on the steps the page's
// script asks for), turns keyboard and focus events into the game's input, draws finished frames
// into the page's canvas and plays the mixer through Web Audio.
#pragma once

#include <cstdint>
#include <string>

#include "platform/web/web_options.h"

// Reads the page's options; call once before the program starts. A bad option is written to the
// page's console and the game starts as if it had not been given.
void WebStartFromPage();
// The options WebStartFromPage read (all unset before).
const WebPageOptions& WebOptions();
// The relay's WebSocket listener for the page's room ("HOST:PORT"): the page's option, else for a
// page over HTTPS its own origin (the web server passes the WebSocket on: relay/deploy/), else the
// page's own host name (127.0.0.1 for a page opened from a file) and DEFAULT_WEB_RELAY_PORT.
std::string WebRelayAddress();

// The program has ended with `status`: the page says so, and a step the page's script waits for
// finishes.
void WebGameEnded(int status);

// After WebGameEnded: waits until the page asks for another game, then readies the backend for it
// as for a new visit (the page's clock from its start, no input waiting). True when one is wanted.
bool WebWaitForAnotherGame();
// The same readying without the wait: a room's page joining its game again at once.
void WebReadyAnotherGame();

// Called once as the game quits, while it is still intact (the page keeps its last state snapshot).
void WebSetBeforeQuit(void (*beforeQuit)());

// Told when the page's person goes away (1: the page hidden, or about to be frozen by the browser),
// comes back (0) or closes the page (2), from the browser's event itself: a page about to be frozen
// or closed runs nothing after it.
void WebSetPresence(void (*presence)(int presence));

// The page is in an online room: it goes on hearing the others (and saying it is there) from a
// background tab too, where the browser stops frame callbacks. A page that `keeps` the room steps
// its game at full pace there, and hears the relay, though the browser slows the page's own timers
// (its waits are timed by a worker's timer instead).
void WebInRoom(bool keeps);

// Timer ticks so far (20 ms each).
std::uint32_t WebTickCount();
