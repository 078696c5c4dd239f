// The mouse and the touch screen through SDL, as the game's keys (pointer/pointer_keys.h).
//
// The left button, or the first finger on a touch screen, presses, drags and lets go; the right
// button fires; the middle button centres on a tank; the wheel changes the power; a second finger
// makes the two a look around (PointerKeys::LookWithTwo) until the first is lifted. SDL's mouse
// events made from touches are left aside, as the fingers arrive as themselves. Window points are
// taken to the game picture's (320 x 200) through the 4:3 box the picture is shown in.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/input.h"

// The game picture's point under window point (x, y) of a window `width` x `height`, with the
// picture in its 4:3 box; points outside the box lie outside 0..319 and 0..199.
void SdlPicturePoint(int width, int height, double x, double y, int* pictureX, int* pictureY);

// One SDL event: a mouse or touch event adds the keys it makes to `out`, in the order to post
// them. Returns false for any other event.
bool SdlPointerEvent(const SDL_Event& event, std::vector<InputEvent>* out);
// After each batch of events: the aim's steps of a new frame step (see PointerKeys::Tick).
void SdlPointerTick(std::vector<InputEvent>* out);
// The window lost the focus: whatever the pointer holds is let go.
void SdlPointerLetGo(std::vector<InputEvent>* out);
