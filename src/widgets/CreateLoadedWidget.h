// How a widget class makes an object from its resource: a new object loaded by id or by name,
// deleted again when the load fails, so a caller gets a loaded widget or null. A class gets its
// CreateFromId and CreateFromName by deriving from CLoadedWidgetT<itself, its base>.
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

template <class Widget, class Base>
class CLoadedWidgetT : public Base {
public:
    static Widget* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
    {
        return CreateWidgetFromId<Widget>(id, file, directory);
    }
    static Widget* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
    {
        return CreateWidgetFromName<Widget>(name, file, directory);
    }
};
