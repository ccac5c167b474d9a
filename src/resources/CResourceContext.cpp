#include "resources/CResourceContext.h"

#include "core/gCPlainAlert.h"

namespace {
CResourceContext* gContext = nullptr;
}

CResourceContext* GetResourceContext()
{
    return gContext;
}

void SetResourceContext(CResourceContext* context)
{
    gContext = context;
}

gCResourceObject* CResourceContext::FindPoolResourceById(uint32_t poolIndex, uint32_t id) const
{
    if (poolIndex == eAllPools) {
        for (uint32_t i = 0; i < eFontPool; ++i)
            if (gCResourceObject* found = pools[i].FindById(id))
                return found;
        return nullptr;
    }
    return poolIndex < kResourcePoolCount ? pools[poolIndex].FindById(id) : nullptr;
}

gCResourceObject* CResourceContext::FindPoolResourceByName(uint32_t poolIndex, const gCString& name) const
{
    if (poolIndex == eAllPools) {
        for (uint32_t i = 0; i < eFontPool; ++i)
            if (gCResourceObject* found = pools[i].FindByName(name))
                return found;
        return nullptr;
    }
    return poolIndex < kResourcePoolCount ? pools[poolIndex].FindByName(name) : nullptr;
}

void ReportResourceError(eResultCode code, const char* detail)
{
    if (gContext && gContext->reportError) {
        gContext->reportError(code, detail);
        return;
    }
    ShowCorePlainAlertLines("Error.", GetResultMessage(code), detail);
}
