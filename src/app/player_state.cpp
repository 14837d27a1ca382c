#include "app/player_state.h"

PlayerState player{};
HINSTANCE appInstance = nullptr;
HWND mainWindow = nullptr;

void ResetPlayerState() { player = PlayerState{}; }
