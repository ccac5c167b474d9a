// The base of every object that can be loaded from the resource file: it carries the chunk's id,
// its class's four-character type code and its name, and registers in a resource pool.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// GetDefaultFactor.
#pragma once

#include "app/gCCmdTarget.h"
#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>

class gCFile;
class gCStream;
class CResourceDirectory;

class gCResourceObject : public gCCmdTarget {
public:
    gCResourceObject() = default;
    ~gCResourceObject() override = default;

    gCResourceObject(const gCResourceObject&) = delete;
    gCResourceObject& operator=(const gCResourceObject&) = delete;

    // The same for every resource object; not used by the resource code itself.
    virtual float GetDefaultFactor() const { return 0.7f; }

    // Loading by id or by name from `file` (null: the application's resource file) with an
    // optional directory as a seek hint. Each loadable class supplies both; the others load nothing.
    virtual eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    virtual eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    // Finds the chunk of `type` with that id (or name), scanning from the file's position round to
    // where it started, and leaves the file at the payload. On success the object takes the chunk's
    // id and name. eInvalidFile when the file is not open, eResourceNotFound when no chunk matches.
    eResultCode FindResourceById(uint32_t type, uint32_t id, gCFile* file);
    eResultCode FindResourceByName(uint32_t type, const gCString& name, gCFile* file);

    uint32_t GetId() const { return mId; }
    uint32_t GetTypeCode() const { return mTypeCode; }
    uint32_t IsInPool() const { return mInPool; }
    const gCString& GetName() const { return mName; }

    void SetInPool(uint32_t inPool) { mInPool = inPool; }

protected:
    // Steps shared by every class's LoadFromId / LoadFromName: eGenericFailure without an
    // application; choose the file and directory; seek to the directory's offset; find the chunk of
    // the object's own type. On success `source` is the stream standing at the payload.
    eResultCode LocateById(uint32_t id, gCFile* file, CResourceDirectory* directory, gCFile*& source);
    eResultCode LocateByName(const gCString& name, gCFile* file, CResourceDirectory* directory, gCFile*& source);

    uint32_t mId = 0;
    uint32_t mTypeCode = 0;
    uint32_t mInPool = 0;
    gCString mName;
    gCString mSecondString;
    // Where the payload of the chunk last found ends (-1: none found): a payload that states its
    // own size must not read past it into the chunks that follow.
    int64_t mPayloadEnd = -1;
};
