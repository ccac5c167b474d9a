#include "resources/CResourcePool.h"

#include "resources/CResourceDirectory.h"
#include "resources/gCResourceObject.h"

CResourcePool::~CResourcePool()
{
    RemoveAll();
}

eResultCode CResourcePool::Add(gCResourceObject* object)
{
    PNU_TRY(mObjects.Add(object));
    if (object)
        object->SetInPool(1);
    return eSuccess;
}

gCResourceObject* CResourcePool::FindById(uint32_t id) const
{
    for (gCResourceObject* object : mObjects)
        if (object && object->GetId() == id)
            return object;
    return nullptr;
}

gCResourceObject* CResourcePool::FindByName(const gCString& name) const
{
    for (gCResourceObject* object : mObjects)
        if (object && ResourceNamesMatch(object->GetName(), name))
            return object;
    return nullptr;
}

void CResourcePool::RemoveAll()
{
    for (gCResourceObject* object : mObjects)
        delete object;
    mObjects.RemoveAll();
}
