// The body of an update check reply: a "Results:[" block of KEY:VALUE items and a "News:[" list
// of UTF-16 entries, each with its own byte-order mark and ended by the unit 0x2525 ("%%").
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"

#include <cstdint>

class gCMemFile;

// The largest check reply that is read at all.
inline constexpr int64_t kCheckReplyLimit = 1048576;

// Fills result with LATESTVER + ", " + UPTODATE, then UPDATEURL, then one element per news entry.
// Every violation of the form gives eStreamError and leaves result as it was.
eResultCode ParseCheckReplyBody(gCMemFile& body, gCArray<gCString>& result);
