// The online menu: from the title, the player opens, joins or watches a room and sees or changes the
// relay; an opened room's page shows its code and links to copy or share.
//
// The menu is no part of the game: the shell hands it the window's input before the network game
// and the replay see it (RouteInput), so that none of its keys is sent or recorded, and it draws
// itself over the finished frame. It offers itself only at the title and only when the program has
// registered a starter (online/online_start.h): O or a pad's X opens it, and the title says so.
// Rooms are started through StartOnline; the program then ends the run and starts the next one in
// the room, where the menu's state carries on (the room's page stays up for an opened room).
//
// Keys on its pages: arrows and Enter choose, Esc goes back (a pad: the arrows, A and B). A code
// or a relay is typed, picked a character at a time with Up, Down and Space (pad A), tapped on the
// screen's letters, or pasted (Ctrl+V, Insert, or the "Paste" button); Backspace or Left takes the
// last character back.
#pragma once

#include "platform/input.h"
#include "pointer/pointer_screen.h"

// Window input: true when the menu took it (opened by it, or any key while it is up).
bool OnlineMenuTakeInput(const InputEvent& input);
bool OnlineMenuShown();
// Over the finished frame: the menu while it is up, else at the title the line that offers it.
void OnlineMenuDraw(int device, int surface);
// The rows a tap acts on, while the menu is up (mode Online) or at the title (the offer's line).
void OnlineMenuDescribe(PointerScreen* screen);
// At each run's start-up: a room the menu asked to join or watch that could not be says why.
void OnlineMenuRunStarted();
void OnlineMenuResetForTests();
