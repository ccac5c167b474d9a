// The update check request: which server is asked and the URL that carries the installed
// product's values to it.
#pragma once

#include "core/gCString.h"

#include <cstdint>

// The update server; a build can name its own with -DPNU_UPDATE_HOST="host[:port]".
#ifndef PNU_UPDATE_HOST
#define PNU_UPDATE_HOST "update.pintrel.example"
#endif

// The test server used when no other is named in the test-mode marker.
inline constexpr const char* kDefaultTestHost = "127.0.0.1:18080";

// The values of the installed product that the request sends, in the order of the query.
struct sUpdateCheckValues {
    gCString language;
    gCString version;
    gCString buildType;
    int32_t protocol = -1;
    gCString buildString;
    gCString platform;
};

// The host to connect to: the update server, or in test mode the first line of the test-mode
// marker (trimmed) when it holds one, else the default test server.
gCString ChooseUpdateHost(uint32_t testMode, const gCString& markerFirstLine);

// Every unit outside A-Z a-z 0-9 - . _ ~ is sent as the percent escapes of its UTF-8 bytes, so a
// value from the product's settings can neither break the request line nor add query parts or
// header lines; plain values stay as they are.
gCString PercentEncodeQueryValue(const gCString& value);

// "http://" host, the script's path (a shorter one on the test server), then the query, which
// starts "?&" as the server expects.
gCString ComposeUpdateCheckURL(const gCString& host, uint32_t testMode, const sUpdateCheckValues& values);
