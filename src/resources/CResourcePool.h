// An owning list of loaded resource objects, so that several users share one loaded copy.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCResourceObject;

class CResourcePool : public gCBaseObject {
public:
    CResourcePool() = default;
    ~CResourcePool() override;

    CResourcePool(const CResourcePool&) = delete;
    CResourcePool& operator=(const CResourcePool&) = delete;

    // Takes ownership and marks the object as pooled; eNoMemory when the list cannot grow (the
    // caller then still owns the object). Duplicates are not looked for.
    eResultCode Add(gCResourceObject* object);
    // The first object added with that id or name, whatever its class; null when none.
    gCResourceObject* FindById(uint32_t id) const;
    gCResourceObject* FindByName(const gCString& name) const;
    // Deletes every object.
    void RemoveAll();

    int32_t GetCount() const { return mObjects.GetSize(); }

private:
    gCArray<gCResourceObject*> mObjects;
};
