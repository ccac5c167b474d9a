// The text clipboard, as UTF-8. Headless runs use one of the program's own, so tests neither
// need a display nor touch the user's clipboard.
#pragma once

#include <string>

namespace plat {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual bool PutText(const std::string& utf8) = 0;
    // False when the clipboard holds no text (`utf8` is left as it was).
    virtual bool GetText(std::string& utf8) = 0;
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
    bool PutText(const std::string& utf8) override
    {
        mText = utf8;
        mHasText = true;
        return true;
    }
    bool GetText(std::string& utf8) override
    {
        if (!mHasText)
            return false;
        utf8 = mText;
        return true;
    }
    void Clear() { mHasText = false; mText.clear(); }

private:
    std::string mText;
    bool mHasText = false;
};

} // namespace plat
