// Starting and ending the application's one font library, for code that needs no font types.
#pragma once

#include "core/eResultCode.h"

eResultCode InitFontLibrary();
void ReleaseFontLibrary();
