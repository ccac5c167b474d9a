#include "platform/Cursor.h"

#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

// Kept here as well, so the answer does not depend on a display being present.
bool gCursorShown = true;

} // namespace

void InitCursor()
{
    if (!SdlSession::Get().IsVideoStarted())
        return;
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (arrow)
        SDL_SetCursor(arrow);
}

void SetCursorShown(bool shown)
{
    gCursorShown = shown;
    if (SdlSession::Get().IsVideoStarted())
        SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

bool IsCursorShown() { return gCursorShown; }

} // namespace plat
