// Reads the installed product's settings ("Pintrel 2.app/Contents/Resources/system.msf" beside the
// updater's bundle): language, version, build and application name, which identify it to the
// update server.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>

class gCCmdTarget;

// eSuccess when every value was found; eGenericFailure when the file is missing or a required value
// is empty or missing ("%%String Table Error"); else the error of opening or loading the file.
// Values found before a failure stay filled. The client protocol is asked of the default target
// (0xFF0F000C).
eResultCode ProbeInstalledProduct(gCCmdTarget& sender, gCString& version, gCString& language, gCString& buildType,
                                  gCString& applicationName, gCString& buildString, gCString& platform,
                                  int32_t& clientProtocol);
