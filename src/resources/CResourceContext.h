// What resource loading needs of the application: its resource file and directory, its six pools,
// its sound player and its error alert. The application installs its own context; tests install
// one without an application. No context installed means "no application object".
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"
#include "resources/CResourcePool.h"

#include <cstdint>

class gCFile;
class gCResourceObject;
class CResourceDirectory;
class CSoundPlayer;

// Pool indexes by kind.
enum eResourcePool : uint32_t {
    eTextListPool = 0,
    eImagePool = 1,
    eFontPool = 5,
    kResourcePoolCount = 6,
    // Searches pools 0 to 4 in turn; the font pool only answers to its own index.
    eAllPools = 0xFFFFFFFF,
};

using tResourceErrorHook = void (*)(eResultCode code, const char* detail);

class CResourceContext {
public:
    gCFile* resourceFile = nullptr;
    CResourceDirectory* directory = nullptr;
    CResourcePool pools[kResourcePoolCount];
    CSoundPlayer* soundPlayer = nullptr;
    // Where load errors go (the application's error alert); null: the plain core alert.
    tResourceErrorHook reportError = nullptr;

    gCResourceObject* FindPoolResourceById(uint32_t poolIndex, uint32_t id) const;
    gCResourceObject* FindPoolResourceByName(uint32_t poolIndex, const gCString& name) const;
};

CResourceContext* GetResourceContext();
// Null removes the context. The caller keeps ownership.
void SetResourceContext(CResourceContext* context);

// Reports a failed payload read the way the loaders do (eResourceReadError and a short
// detail).
void ReportResourceError(eResultCode code, const char* detail);
