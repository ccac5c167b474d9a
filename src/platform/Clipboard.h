// The text clipboard, as UTF-8. Headless runs use one of the program's own, so tests neither
// need a display nor touch the user's clipboard.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// What putting text on the clipboard or reading it came to.
enum class [[nodiscard]] eClipboardResult : uint8_t {
    kOk,
    kNoText,      // the clipboard holds no text; nothing is handed over
    kUnavailable, // the window system's clipboard cannot be reached or refused the text
};

// Takes the clipboard's text, which lives only for the call; false when it cannot be kept.
class TextReceiver {
public:
    virtual bool TakeText(const char* utf8) = 0;

protected:
    ~TextReceiver() = default;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual eClipboardResult PutText(const char* utf8) = 0;
    // Hands the text to the receiver; whether it was kept is the receiver's to say.
    virtual eClipboardResult GetText(TextReceiver& utf8) = 0;

    // For callers on the platform side of the layer.
    eClipboardResult GetText(std::string& utf8);
};

// The clipboard in use: the window system's, or the in-process one when headless.
Clipboard& GetClipboard();
// The window system's clipboard, headless or not (a program that drives a real display in a
// headless run puts it in place with SetClipboard).
Clipboard& GetWindowSystemClipboard();
// Puts `clipboard` in place (null restores the automatic choice). The caller keeps ownership.
void SetClipboard(Clipboard* clipboard);

class InProcessClipboard final : public Clipboard {
public:
    using Clipboard::GetText;
    eClipboardResult PutText(const char* utf8) override
    {
        mText = utf8;
        mHasText = true;
        return eClipboardResult::kOk;
    }
    eClipboardResult GetText(TextReceiver& utf8) override
    {
        if (!mHasText)
            return eClipboardResult::kNoText;
        (void)utf8.TakeText(mText.c_str());
        return eClipboardResult::kOk;
    }
    void Clear() { mHasText = false; mText.clear(); }

private:
    std::string mText;
    bool mHasText = false;
};

} // namespace plat
