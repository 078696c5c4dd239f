// The screens' operations as the shell uses them; their pictures and texts arrive with the screens work.
#include "screens/screens.h"

void InitPlayerChoice(PlayerCollection*) {}
void DrawPlayerChoice(int, int) {}
bool PlayerChoiceAction(int) { return false; }
void InitWeaponData() {}
void InitWeaponScreen(PlayerCollection*) {}
void DrawWeaponScreen(int, int) {}
bool WeaponScreenAction(int) { return false; }
void DrawEndMatch(int, int, PlayerCollection*) {}
void DrawHelpScreen(int, int) {}
void DrawReadyMessage(int, int) {}
void DrawQuitPrompt(int, int) {}
