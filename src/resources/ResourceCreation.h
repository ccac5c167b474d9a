// The creation pattern every resource class follows: create and load (deleting the object when
// loading fails), or first look in the class's pool and add what was loaded to it.
#pragma once

#include "resources/CResourceContext.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

class gCFile;
class CResourceDirectory;

template <typename T>
T* CreateResourceFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    T* object = new T;
    if (!object)
        return nullptr;
    if (object->LoadFromId(id, file, directory) != eSuccess) {
        delete object;
        return nullptr;
    }
    return object;
}

template <typename T>
T* CreateResourceFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    T* object = new T;
    if (!object)
        return nullptr;
    if (object->LoadFromName(name, file, directory) != eSuccess) {
        delete object;
        return nullptr;
    }
    return object;
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

} // namespace ResourceCreationDetail

template <typename T>
T* FindOrLoadResourceById(uint32_t poolIndex, uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context || poolIndex >= kResourcePoolCount)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceById(poolIndex, id))
        return dynamic_cast<T*>(found);
    return ResourceCreationDetail::AddToPool(*context, poolIndex, CreateResourceFromId<T>(id, file, directory));
}

template <typename T>
T* FindOrLoadResourceByName(uint32_t poolIndex, const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (!context || poolIndex >= kResourcePoolCount)
        return nullptr;
    if (gCResourceObject* found = context->FindPoolResourceByName(poolIndex, name))
        return dynamic_cast<T*>(found);
    return ResourceCreationDetail::AddToPool(*context, poolIndex, CreateResourceFromName<T>(name, file, directory));
}
