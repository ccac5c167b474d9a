#include "updater/transfer/PNUCheckReply.h"

#include "FileIO/gCMemFile.h"
#include "core/ASCIICase.h"

#include <cstring>

namespace {

struct sCheckResults {
    gCString upToDate;
    gCString latestVersion;
    gCString updateURL;
};

// Keys are matched after upper-casing but without trimming, so " UPTODATE" is no key; a later
// item overrides an earlier one.
void TakeResultItem(const gCString& item, sCheckResults& results)
{
    gCString key;
    gCString value;
    (void)key.Assign(u"");
    (void)value.Assign(u"");
    (void)item.SplitAtFirst(key, value, gCString(":"), 0);
    MakeUpperASCII(key);
    if (key == "UPTODATE")
        results.upToDate = value;
    else if (key == "LATESTVER")
        results.latestVersion = value;
    else if (key == "UPDATEURL")
        results.updateURL = value;
}

// Reads the news entries from offset on: mark, units up to 0x2525, then one byte that either
// closes the list ("]") or begins the next entry's mark.
eResultCode ReadNewsEntries(const uint8_t* data, int64_t size, int64_t offset, gCArray<gCString>& news)
{
    int64_t position = offset;
    while (position < size) {
        if (size - position < 2)
            return eStreamError;
        uint16_t mark = uint16_t(data[position] | data[position + 1] << 8);
        position += 2;
        bool swap;
        if (mark == 0xFEFF)
            swap = false;
        else if (mark == 0xFFFE)
            swap = true;
        else
            return eStreamError;
        gCString entry;
        PNU_TRY(entry.Assign(u""));
        for (;;) {
            if (size - position < 2)
                return eStreamError;
            uint16_t unit = uint16_t(data[position] | data[position + 1] << 8);
            position += 2;
            // The terminator is recognised as stored, before any swap.
            if (unit == 0x2525)
                break;
            if (swap)
                unit = uint16_t(unit << 8 | unit >> 8);
            entry += char16_t(unit);
        }
        PNU_TRY(news.Add(entry));
        if (position >= size)
            break;
        if (data[position] == ']')
            break;
    }
    return eSuccess;
}

} // namespace

eResultCode ParseCheckReplyBody(gCMemFile& body, gCArray<gCString>& result)
{
    PNU_TRY(body.Rewind());
    int64_t size = body.GetSize();
    if (size > kCheckReplyLimit)
        return eStreamError;
    const uint8_t* data = body.GetData();
    if (data == nullptr && size > 0)
        return eStreamError;

    // The text view ends at the first zero byte; with one byte per character its indexes are
    // byte offsets into the body.
    int64_t textLength = 0;
    while (textLength < size && data[textLength] != 0)
        ++textLength;
    gCString text;
    PNU_TRY(text.ConvertFromChars(reinterpret_cast<const char*>(data), int32_t(textLength)));

    int32_t resultsAt = text.Find(gCString("Results:["));
    if (resultsAt < 0)
        return eStreamError;
    int32_t itemsStart = resultsAt + 9;
    int32_t itemsEnd = text.Find(itemsStart, gCString("%%]"));
    if (itemsEnd < 0)
        return eStreamError;
    gCArray<gCString> items;
    if (text.Mid(itemsStart, itemsEnd - itemsStart).Split(items, u',') <= 0)
        return eStreamError;
    sCheckResults results;
    for (const gCString& item : items)
        TakeResultItem(item, results);
    if (results.upToDate.IsEmpty())
        return eStreamError;

    int32_t newsAt = text.Find(gCString("News:["));
    if (newsAt < 0)
        return eStreamError;
    gCArray<gCString> news;
    PNU_TRY(ReadNewsEntries(data, size, int64_t(newsAt) + 6, news));

    gCArray<gCString> parsed;
    gCString summary = results.latestVersion;
    summary += gCString(", ");
    summary += results.upToDate;
    PNU_TRY(parsed.Add(summary));
    PNU_TRY(parsed.Add(results.updateURL));
    PNU_TRY(parsed.Append(news));
    return result.Append(parsed);
}
