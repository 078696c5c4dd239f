// How each computer level plays: the angles it searches, the targets it looks at, the errors of its
// aim and how they shrink, how often it reaches for a special weapon, and its habits by eye.
#pragma once

#include "computer/eye_aim.h"
#include "core/globals.h"

// The elevations of a level's shell fan, the targets it looks at before giving up on reaching one;
// the spread of its first shot at a target along the line of fire (pixels) and of its barrel
// (degrees), the percent of that spread left after each shot at the same target from the same
// place and the spread it never gets below; the percent of turns it takes a shell where a special
// would serve better; and whether it uses the specials at all beyond a whim. The lower levels aim by eye
// (computer/eye_aim.h) with the habits given instead of erring around the shot found.
struct LevelStyle {
    int firstElevation;
    int elevationStep;
    int lastElevation;
    int targetsSearched;
    int aimSpread;
    int angleSpread;
    int shrinkPercent;
    int aimFloor;
    int plainChance;
    bool specials;
    bool byEye;
    EyeHabits eye;
};

// The style of a computer level (Expert's for any other controller).
const LevelStyle& StyleOf(Controller level);
