// Steps the resource lists share when they load a payload: the directory in use (its version
// chooses the text list layout) and lines read without their terminator.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

class gCFile;
class gCStream;
class CResourceDirectory;

// The directory a load uses: the application's (when it has entries) for the application's own
// file or a null file, else the one given.
CResourceDirectory* ResourceDirectoryInUse(gCFile* file, CResourceDirectory* directory);

// One UTF-16 line with its last unit (the terminator kept by the line reader) dropped.
eResultCode ReadListLine(gCStream& stream, gCString& line);
