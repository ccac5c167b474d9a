// How a widget class makes an object from its resource: a new object loaded by id or by name,
// deleted again when the load fails, so a caller gets a loaded widget or null.
#pragma once

#include "core/ReadiedOrNull.h"
#include "core/eResultCode.h"

#include <cstdint>

class CResourceDirectory;
class gCFile;
class gCString;

template <class T>
T* CreateWidgetFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return ReadiedOrNull(new T(), [&](T& widget) { return widget.LoadFromId(id, file, directory); });
}

template <class T>
T* CreateWidgetFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return ReadiedOrNull(new T(), [&](T& widget) { return widget.LoadFromName(name, file, directory); });
}
