#include "platform/Clipboard.h"

#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

class SdlClipboard final : public Clipboard {
public:
    using Clipboard::GetText;
    bool PutText(const char* utf8) override
    {
        return SdlSession::Get().StartVideo() && SDL_SetClipboardText(utf8) == 0;
    }

    bool GetText(TextReceiver& utf8) override
    {
        if (!SdlSession::Get().StartVideo() || !SDL_HasClipboardText())
            return false;
        char* text = SDL_GetClipboardText();
        if (!text)
            return false;
        (void)utf8.TakeText(text);
        SDL_free(text);
        return true;
    }
};

SdlClipboard gSdlClipboard;
InProcessClipboard gOwnClipboard;
Clipboard* gClipboard = nullptr;

} // namespace

bool Clipboard::GetText(std::string& utf8)
{
    struct Kept final : TextReceiver {
        std::string& text;
        explicit Kept(std::string& into) : text(into) {}
        bool TakeText(const char* held) override
        {
            text = held;
            return true;
        }
    } kept(utf8);
    return GetText(kept);
}

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
