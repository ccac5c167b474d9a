#include "FileIO/gCStream.h"

eResultCode gCStream::WriteBOM() { return WriteUShort(kMarkAsRead); }

void gCStream::SetEightBitText(uint32_t on) { mEightBitText = on; }

eResultCode gCStream::AppendNewline(gCString& text)
{
    static const char16_t kNewline[] = {u'\n', u'\r', 0};
    return text.Append(kNewline);
}

eResultCode gCStream::StartTextWrite(bool open, gCString& text, int32_t newline)
{
    if (!open)
        return eInvalidFile;
    return newline ? AppendNewline(text) : eSuccess;
}
