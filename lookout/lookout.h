// What play shows so that nobody gets lost: whose turn it is, arrows at the screen's edges towards
// the tanks out of view and towards a shell above the top, a mark where the shell landed, and a look
// around the landscape by finger or mouse. Display only: it reads the game's state, never writes it, and no
// snapshot sees it.
//
// The shell calls LookoutShownView before drawing a frame of play, draws the landscape, the tanks
// and the shots from the view it gives, then LookoutDrawPlay over them (before the menus and the
// prompts that cover the picture).
#pragma once

#include <string>

#include "display/gdi.h"

// The side of the picture something out of view lies beyond; None while it is in view.
enum class LookoutSide { None, Left, Right, Top, Bottom };

// An arrow on the edge of the picture: the side, the picture point of its tip and its colour.
struct EdgeArrow {
    LookoutSide side = LookoutSide::None;
    int x = 0, y = 0;
    COLORREF colour = 0;
};

// The arrow towards landscape point (x, y) seen from the view at (viewX, viewY) of a picture
// viewHeight rows high (the menu bar's rows below it): side None when the point is in view, else on
// the side it lies beyond (left or right before top or bottom), its tip on the edge as near the
// point as the arrow's size lets it be.
EdgeArrow EdgeArrowTowards(int x, int y, COLORREF colour, int viewX, int viewY, int viewHeight);

// The colour's name of the seat (0 to 7) in the language in use ("Red", "Rot").
const char* SeatColourName(int seat);
// The turn's line for the seat: "Red is thinking" for a computer, "Red's turn" for a person, with
// the machine's label in a network game ("Red's turn (Ann)").
std::string TurnLine(int seat);
// Whether a person at this machine plays the current turn: the one who may press F1 for help.
bool LookoutPersonHereAims();

// The view play is drawn from and the pointer sees: the game's view, moved while aiming and during
// a shot by the look around (pointer/pointer_screen.h) as far as the landscape goes.
void LookoutShownView(int* viewX, int* viewY);
// The arrows towards the tanks out of view as pointer input sees them: a press on one looks around
// to bring its tank to the middle of the picture.
struct PointerScreen;
void LookoutDescribeArrows(PointerScreen* screen);
// Draws over play seen from (viewX, viewY): the arrows towards the tanks out of view (aiming and
// during a shot), the arrow towards the shell out of view, a ring where it landed (or an arrow
// towards it) until the turn ends, and while aiming the turn's line for a while at a person's turn
// and all along at a computer's or another machine's; the ready message's hint under it when `hint`
// and a person here aims.
void LookoutDrawPlay(int device, int surface, int viewX, int viewY, bool hint);

// Puts the look around and the turn's timing back to the start.
void LookoutResetForTests();
