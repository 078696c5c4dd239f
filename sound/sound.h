// Sound effects by number: played once, looped or stopped; silent when there is no device (one
// trace row says so at set-up).
//
// Numbers 0 to 17 name the effects (launches, explosions, menu clicks, thuds, the lava loop...);
// any other number, and any call before SoundInit or after SoundFinalize, does nothing. An effect
// has a small pool of buffers, so it can sound several times at once; when all are busy the next
// in turn is cut off and restarted. A one-buffer effect does not restart while it plays (stop it
// first), and only one-buffer effects loop. All calls come from the game's thread.
#pragma once

#include "platform/win.h"

void SoundInit(HWND window);
void SoundFinalize();
void SoundPlay(int number);
void SoundLoop(int number);
void SoundStop(int number);

// Silences the output while the application is in the background, and lets it play on when it
// returns: every sound carries on from where it was. Unlike the calls above it holds whenever it is
// made, before SoundInit included; the game's rules never see it.
void SoundPause(bool paused);

// Everything back to before SoundInit: the effects freed and the device closed (tests use this).
void SoundResetForTests();
