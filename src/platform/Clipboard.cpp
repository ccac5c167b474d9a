#include "platform/Clipboard.h"

#include "platform/SdlSession.h"

#include <SDL.h>

namespace plat {
namespace {

class SdlClipboard final : public Clipboard {
public:
    using Clipboard::GetText;
    eClipboardResult PutText(const char* utf8) override
    {
        if (SdlSession::Get().StartVideo() != eDisplayResult::kOk || SDL_SetClipboardText(utf8) != 0)
            return eClipboardResult::kUnavailable;
        return eClipboardResult::kOk;
    }

    eClipboardResult GetText(TextReceiver& utf8) override
    {
        if (SdlSession::Get().StartVideo() != eDisplayResult::kOk)
            return eClipboardResult::kUnavailable;
        if (!SDL_HasClipboardText())
            return eClipboardResult::kNoText;
        char* text = SDL_GetClipboardText();
        if (!text)
            return eClipboardResult::kUnavailable;
        (void)utf8.TakeText(text);
        SDL_free(text);
        return eClipboardResult::kOk;
    }
};

SdlClipboard gSdlClipboard;
InProcessClipboard gOwnClipboard;
Clipboard* gClipboard = nullptr;

} // namespace

eClipboardResult Clipboard::GetText(std::string& utf8)
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
