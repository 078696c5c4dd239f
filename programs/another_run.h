// Everything of the game that lives for the process put back as start-up found it, so that another
// run of the program (a room's, started from the online menu or joined again) starts as a new one.
#pragma once

// With keepWindow, the window stays on the screen for the next run (the native game's); otherwise it
// goes as at the end of a run (the page's canvas stays anyway).
void ResetForAnotherRun(bool keepWindow);
