#include "updater/transfer/PNUTestModeLine.h"

#include "Network/HTTPLimits.h"
#include "core/TextEquality.h"

uint32_t ApplyTestModeLine(const gCString& line)
{
    gCString name;
    gCString value;
    if (line.GetTrimmed(gCString(kStringWhitespace)).SplitAtFirst(name, value, gCString(" "), 0) != 0
        || !TextsEqual(name, gCString("transfer-window")))
        return 0;
    value = value.GetTrimmed(gCString(kStringWhitespace));
    const int64_t seconds = value.IsInteger() ? value.ParseInteger64() : 0;
    if (seconds < 1 || seconds > 3600)
        return 0;
    GetHTTPLimits().floorWindowMicroseconds = uint64_t(seconds) * 1000000;
    return 1;
}
