// The window's icon, from the 64x64 pixels the build embeds.
#include "platform/sdl/sdl_icon.h"

#include "diag/diag.h"
#include "platform/resource.h"

bool SdlSetWindowIcon(SDL_Window* window) {
    constexpr DWORD bytes = WINDOW_ICON_SIZE * WINDOW_ICON_SIZE * 4;
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(WINDOW_ICON_ID), RT_RCDATA);
    const void* pixels = found && SizeofResource(nullptr, found) == bytes
                             ? LockResource(LoadResource(nullptr, found))
                             : nullptr;
    if (!pixels) {
        DiagTrace(DIAG_HIGH, "main", __LINE__, "SdlSetWindowIcon",
                  "The window's icon is missing from the program");
        return false;
    }
    // SDL copies the pixels for the window; it only reads them through the surface.
    SDL_Surface* icon =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<void*>(pixels), WINDOW_ICON_SIZE, WINDOW_ICON_SIZE, 32,
                                           WINDOW_ICON_SIZE * 4, SDL_PIXELFORMAT_RGBA32);
    if (!icon) {
        DiagTrace(DIAG_HIGH, "main", __LINE__, "SdlSetWindowIcon", "The window's icon could not be made: %s",
                  SDL_GetError());
        return false;
    }
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
    return true;
}
