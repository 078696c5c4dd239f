// The state snapshot: the game's state as one JSON text, the same wherever it is taken.
//
// The replay runner writes it (--state, `state` in a script), the page hands it to its script
// (lobshot_state_json) and the tests read it; the scenario tests and the browser tests compare it
// byte for byte, so a page and lobshot-headless that play the same seed and keys give the same
// text. It holds the frame, mode, random state, view and flags, the landscape's size and material
// counts, the players, the shots in flight, the cursors of the shop and the player choice, the
// sounds from the audio device's record (platform/audio.h) and the network game's state.
#pragma once

#include <string>

// The snapshot now. It takes the audio record's list of sounds played, so the next snapshot lists
// only those started after this one.
std::string StateSnapshotJson();
