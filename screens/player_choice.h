// The player choice screen's lines of text, as they read for the current settings.
#pragma once

#include <string>

// The text of a row (players, landscape gravity, wind, "Start Game") with the given number of
// players and the current options; arrows show which ways a value can still move.
std::string PlayerChoiceText(int row, int numPlayers);
