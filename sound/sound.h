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

// The effects by number, as the game plays them.
enum SoundNumber : int {
    SOUND_SHELL_LAUNCH = 0,    // a Shell leaves the barrel
    SOUND_LIGHT_LAUNCH = 1,    // the lighter weapons go up
    SOUND_HEAVY_LAUNCH = 2,    // an A-Bomb launches
    SOUND_CLICK = 3,           // the weapon changes, a menu cursor moves
    SOUND_CONFIRM = 4,         // something is confirmed
    SOUND_POWER = 5,           // the power moves a step
    SOUND_ANGLE = 6,           // the angle moves a step
    SOUND_UNUSED = 7,          // present among the resources, never played
    SOUND_SHELL = 8,           // a Shell explodes
    SOUND_TANK_DESTROYED = 9,  // a tank bursts
    SOUND_ABOMB = 10,          // an A-Bomb explodes
    SOUND_LOST = 11,           // a projectile is lost off the side
    SOUND_THUD = 12,           // earth settles, a Lava shell lands, debris falls on the ground
    SOUND_EARTH_MOVER = 13,    // an Earth Mover explodes
    SOUND_FIREWORK = 14,       // a Firework bursts
    SOUND_TANK_LANDS = 15,     // a falling tank lands
    SOUND_DEBRIS_HIT = 16,     // a piece of debris hits a tank
    SOUND_LAVA_FLOW = 17,      // lava flows, looped while the stream runs
};

void SoundInit(HWND window);
void SoundFinalize();
void SoundPlay(int number);
void SoundLoop(int number);
void SoundStop(int number);

// Silences the output while the application is in the background, and lets it play on when it
// returns: every sound carries on from where it was. Unlike the calls above it holds whenever it is
// made, before SoundInit included; the game's rules never see it.
void SoundPause(bool paused);

// The effects' volume, 0 (silent) to 100 per cent (the start), scaling the mixer's output. Like
// SoundPause it holds whenever it is made, before SoundInit included, and the rules never see it.
void SoundSetVolume(int percent);

// Everything back to before SoundInit: the effects freed and the device closed (tests use this).
void SoundResetForTests();
