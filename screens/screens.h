// The screens: title and terraforming, player choice, weapon shop, end of match, and the help
// screen, ready message, quit prompt and the network game's messages drawn over play. Each has an
// Init on entering its mode, a Draw or Update every frame and, where keys act on it, an Action taking
// what the key asks for.
#pragma once

#include <string>
#include <vector>

#include "core/globals.h"
#include "display/gdi.h"
#include "platform/win.h"
#include "pointer/pointer_screen.h"

class PlayerCollection;

// The words a screen says for its keys: the keys themselves, or taps on a touch screen
// (PointerTouch). TitlePlay is empty for keys: the title's picture names them.
enum class ScreenText { TitlePlay, ReadyHelp, PromptYes, EndMatchGoOn, ChoiceControllers, ShopBuySell };
const char* ScreenWords(ScreenText text, bool touch);
const char* ScreenWords(ScreenText text);

void InitTitleScreen(int surface, HINSTANCE instance);
void UpdateTitleScreen(int device, int surface);
void InitTerraformingScreen(int device, int surface, HINSTANCE instance);
// The progress callback of landscape generation, 0 to 1.
void UpdateTerraformingScreen(float progress);

void InitPlayerChoice(PlayerCollection* players);
void DrawPlayerChoice(int device, int surface);
// What a key asks of the player choice screen: the cursor up or down, the setting on its row
// down or up, or the row chosen.
enum class ChoiceAction { Up = 0, Down = 1, Left = 2, Right = 3, Select = 4 };
// True when "Start Game" is chosen.
bool PlayerChoiceAction(ChoiceAction action);
// Keys 1 to 8: seat `seat` (0 to 7) passes to its next controller: a person (in a network game, at
// the host and then at each machine that joined, in order), Beginner, Easy, Normal, Hard, Expert
// and round again, with the sound of a changed setting. Only seats taking part change; true if it did.
bool PlayerChoiceCycleController(int seat);
// A gamepad's way to the same: X moves a highlight to the next seat taking part (the first press
// shows it on the first seat), Y passes the highlighted seat to its next controller (showing the
// highlight on the first seat if none was). The highlight goes when the screen is shown again.
void PlayerChoiceNextSeat();
bool PlayerChoiceCycleHighlighted();
// The label under a computer player's tank ("Beginner" to "Expert"); empty for a person.
const char* ControllerLabel(Controller controller);
// The label under a seat's tank: the computer's level; in a network game, for a person, the machine
// (MachineLabel: its person's name, else "Host", "Guest 2"); empty for a person at one keyboard.
std::string SeatLabel(int seat);

// The player choice's rows and tanks as pointer input sees them: a press on a row's value changes
// it (Left on its left half, Right on its right half), on "Start Game" starts, on a tank cycles its
// seat's controller.
void PlayerChoicePointerRows(PointerScreen* screen);

void InitWeaponScreen(PlayerCollection* players);
void DrawWeaponScreen(int device, int surface);
// What a key asks of the weapon shop: the cursor up or down, buy the weapon under it (or finish
// on the "Finish" row), or sell it back.
enum class ShopAction { Up = 0, Down = 1, BuyOrFinish = 2, Sell = 3 };
// True when the last player has finished.
bool WeaponScreenAction(ShopAction action);

// The shop's rows as pointer input sees them: a press on a weapon's Buy or Sell column buys or
// sells it, on "Finish" finishes; the hint line's "Space-Buy" and "S-Sell" buy and sell the weapon
// under the cursor.
void WeaponShopPointerRows(PointerScreen* screen);

void DrawEndMatch(int device, int surface, PlayerCollection* players);
// The name left of a row of the end-of-match table: in a network game, for a seat a person plays,
// the machine's (MachineLabel: its person's name, else "Host", "Guest 2"), cut to
// END_MATCH_NAME_LENGTH characters of the small font; empty for a computer's seat and at one
// keyboard, where the tanks' colours tell the players apart as ever.
constexpr std::size_t END_MATCH_NAME_LENGTH = 10;
std::string EndMatchRowName(int seat);
// Darkens the frame in an open context: every pixel with an even x or an even y turns black.
void DrawShadeGrid(HDC dc);
void DrawHelpScreen(int device, int surface);
// The ready message's hint ("Press F1 for help") from x 6, row y.
void DrawReadyMessage(int device, int surface, int y);
void DrawQuitPrompt(int device, int surface);
// For eyes that tell colours apart poorly: each standing tank's number (1 to 8) in the small font
// just above it, seen from the view at (viewX, viewY).
void DrawTankNumbers(int device, int surface, PlayerCollection& players, int viewX, int viewY);
// A short line over the bottom of the picture, centred on a black box: the sound's level.
void DrawSoundLine(int device, int surface, const std::string& line);
// The rows [top, bottom) of the quit prompt's "Shift+Y or pad Y for Yes" line.
void QuitPromptYesRows(int* top, int* bottom);

// What the network game has to say over the frame (netplay/ fills it in as each frame is shown).
struct NetworkMessages {
    bool leavePrompt = false;  // "Leave the network game?" and how to say yes
    std::string waitingFor;    // the machine waited for ("the host", "Guest 2"), or empty
    bool away = false;         // it said its person is away: "Guest 2 is away"
    std::string notice;        // this machine's latest notice while it is shown, or empty
    // The chat, over the top of the picture: its lines shown now, oldest first ("Ann: hello"), the
    // log's heading when the last lines are called up, and the line being typed.
    std::vector<std::string> chat;
    bool chatLog = false;
    // The waiting room at the title of a network game, its lines top to bottom over the darkened
    // picture (under everything else), or empty.
    std::vector<std::string> waitingRoom;
    bool typing = false;
    std::string typed;
};
// The messages' lines, top to bottom: the leave prompt's two, the wait, then the notice split at
// spaces into lines of at most 39 characters (a longer word is cut across lines).
std::vector<std::string> NetworkMessageLines(const NetworkMessages& messages);
// Draws the lines centred, each on a black band across the screen 20 pixels high, the last band
// ending at y 148 and the others above it; nothing without lines. A line over 39 characters is cut.
// The chat's lines go over the top of the picture, split the same way, the newest rows kept when
// they are more than the top holds.
void DrawNetworkMessages(int device, int surface, const NetworkMessages& messages);
// The rows [top, bottom) of the band of line `line` of `count` lines drawn so.
void NetworkMessageBandRows(int line, int count, int* top, int* bottom);

// The room card over the picture: the lines that let a person into the network game (its room's
// code and links, or the host's address), each split at spaces into rows of at most 39 characters
// (a longer word, as a link, cut across rows), at most ROOM_CARD_ROWS of them, centred on black
// bands over the darkened picture, the whole centred on the screen. Nothing without lines.
constexpr std::size_t ROOM_CARD_ROWS = 10;
std::vector<std::string> RoomCardRows(const std::vector<std::string>& lines);
void DrawRoomCard(int device, int surface, const std::vector<std::string>& lines);
