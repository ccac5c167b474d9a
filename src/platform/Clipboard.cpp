#include "platform/Clipboard.h"

#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

class SdlClipboard final : public Clipboard {
public:
    bool PutText(const std::string& utf8) override
    {
        return SdlSession::Get().StartVideo() && SDL_SetClipboardText(utf8.c_str()) == 0;
    }

    bool GetText(std::string& utf8) override
    {
        if (!SdlSession::Get().StartVideo() || !SDL_HasClipboardText())
            return false;
        char* text = SDL_GetClipboardText();
        if (!text)
            return false;
        utf8 = text;
        SDL_free(text);
        return true;
    }
};

SdlClipboard gSdlClipboard;
InProcessClipboard gOwnClipboard;
Clipboard* gClipboard = nullptr;

} // namespace

Clipboard& GetClipboard()
{
    if (gClipboard)
        return *gClipboard;
    if (IsHeadless())
        return gOwnClipboard;
    return gSdlClipboard;
}

Clipboard& GetWindowSystemClipboard() { return gSdlClipboard; }

void SetClipboard(Clipboard* clipboard) { gClipboard = clipboard; }

} // namespace plat
