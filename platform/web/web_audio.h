// The web backend's audio device: the mixer pulled tick by tick on the game's thread, as the
// headless device pulls it, and the samples played through Web Audio.
//
// The device runs at 22050 frames per second, mono, 441 frames a 20 ms tick. Pulling by ticks
// rather than at the sound card's pace keeps every voice's length exactly what the replay runner
// computes, so a page and lobshot-headless with the same seed and keys play the same game. The
// browser lets a page make no sound before the player's first key press; until then (and while
// the page is in the background) the samples are pulled and dropped. A record of every sound
// started, looped and stopped feeds the state snapshot.
#pragma once

#include <vector>

// Sound numbers started (once or looping) since the previous call, in order; the list then
// starts empty again.
std::vector<int> WebSoundTakePlayed();
// Sound numbers looping now, in the order their loops began.
std::vector<int> WebSoundLooping();
