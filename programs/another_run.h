// Everything of the game that lives for the process put back as start-up found it, so that another
// run of the program (a room's, started from the online menu or joined again) starts as a new one.
#pragma once

void ResetForAnotherRun();
