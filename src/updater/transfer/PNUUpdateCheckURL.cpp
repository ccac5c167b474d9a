#include "updater/transfer/PNUUpdateCheckURL.h"

#include "core/CMemBlock.h"
#include "core/PercentEscape.h"

gCString ChooseUpdateHost(uint32_t testMode, const gCString& markerFirstLine)
{
    if (testMode == 0)
        return gCString(PNU_UPDATE_HOST);
    gCString host = markerFirstLine.GetTrimmed(gCString(kStringWhitespace));
    if (host.IsEmpty())
        return gCString(kDefaultTestHost);
    return host;
}

gCString PercentEncodeQueryValue(const gCString& value)
{
    gCString encoded;
    (void)encoded.Assign(u"");
    // A value whose bytes cannot be held is sent empty, as a string that cannot grow is.
    CMemBlock bytes;
    if (value.ToUTF8(bytes) != eSuccess)
        return encoded;
    for (uint32_t i = 0; i < bytes.GetSize(); ++i) {
        const uint8_t byte = bytes.GetData()[i];
        if (IsUnreservedByte(byte)) {
            encoded += char16_t(byte);
        } else {
            char escape[3];
            PercentEscapeByte(byte, escape);
            for (char unit : escape)
                encoded += char16_t(unit);
        }
    }
    return encoded;
}

gCString ComposeUpdateCheckURL(const gCString& host, uint32_t testMode, const sUpdateCheckValues& values)
{
    gCString url("http://");
    url += host;
    url += gCString(testMode ? "/getupdate_v3.php?" : "/PNU/getupdate_v3.php?");
    url += gCString("&lang=") + PercentEncodeQueryValue(values.language);
    url += gCString("&version=") + PercentEncodeQueryValue(values.version);
    url += gCString("&buildtype=") + PercentEncodeQueryValue(values.buildType);
    url += gCString("&protocol=") + gCString(values.protocol);
    url += gCString("&buildstring=") + PercentEncodeQueryValue(values.buildString);
    url += gCString("&platform=") + PercentEncodeQueryValue(values.platform);
    return url;
}
