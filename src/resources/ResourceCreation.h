// The creation pattern every resource class follows: create and load (deleting the object when
// loading fails), or first look in the class's pool and add what was loaded to it.
#pragma once

#include "core/ReadiedOrNull.h"
#include "resources/CResourceContext.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

class gCFile;
class CResourceDirectory;

template <typename T>
T* CreateResourceFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return ReadiedOrNull(new T, [&](T& object) { return object.LoadFromId(id, file, directory); });
}

template <typename T>
T* CreateResourceFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return ReadiedOrNull(new T, [&](T& object) { return object.LoadFromName(name, file, directory); });
}

namespace ResourceCreationDetail {

// A pool lookup ignores the class, so an object of another class with the same id or name is
// not handed out as this one.
template <typename T>
T* AddToPool(CResourceContext& context, uint32_t poolIndex, T* created)
{
    if (!created)
        return nullptr;
    if (context.pools[poolIndex].Add(created) != eSuccess) {
        delete created;
        return nullptr;
    }
    return created;
}

// The pool's object that find(context) answers when there is one, else create() added to the pool.
template <typename T, typename Find, typename Create>
T* FindOrCreate(uint32_t poolIndex, Find find, Create create)
{
    CResourceContext* context = GetResourceContext();
    if (!context || poolIndex >= kResourcePoolCount)
        return nullptr;
    if (gCResourceObject* found = find(*context))
        return dynamic_cast<T*>(found);
    return AddToPool(*context, poolIndex, create());
}

} // namespace ResourceCreationDetail

template <typename T>
T* FindOrLoadResourceById(uint32_t poolIndex, uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return ResourceCreationDetail::FindOrCreate<T>(
        poolIndex, [&](CResourceContext& context) { return context.FindPoolResourceById(poolIndex, id); },
        [&] { return CreateResourceFromId<T>(id, file, directory); });
}

template <typename T>
T* FindOrLoadResourceByName(uint32_t poolIndex, const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return ResourceCreationDetail::FindOrCreate<T>(
        poolIndex, [&](CResourceContext& context) { return context.FindPoolResourceByName(poolIndex, name); },
        [&] { return CreateResourceFromName<T>(name, file, directory); });
}
