// The application's font pool: every font made by the creators lives here, owned by the pool
// until the application ends, and is found again by name. It holds its fonts in a list of its
// own until the application's resource pools take this role.
#pragma once

#include "core/eResultCode.h"

class gCFont;
class gCString;

eResultCode AddPoolFont(gCFont* font);
// The first font with that name, or null.
gCFont* FindPoolFont(const gCString& name);
void ReleasePoolFonts();
