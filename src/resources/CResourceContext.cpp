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

namespace {

// find(pool) over the pool of that index, or over each pool before the font pool for eAllPools.
template <typename Find>
gCResourceObject* FindInPools(const CResourcePool* pools, uint32_t poolIndex, Find find)
{
    if (poolIndex == eAllPools) {
        for (uint32_t i = 0; i < eFontPool; ++i)
            if (gCResourceObject* found = find(pools[i]))
                return found;
        return nullptr;
    }
    return poolIndex < kResourcePoolCount ? find(pools[poolIndex]) : nullptr;
}

} // namespace

gCResourceObject* CResourceContext::FindPoolResourceById(uint32_t poolIndex, uint32_t id) const
{
    return FindInPools(pools, poolIndex, [id](const CResourcePool& pool) { return pool.FindById(id); });
}

gCResourceObject* CResourceContext::FindPoolResourceByName(uint32_t poolIndex, const gCString& name) const
{
    return FindInPools(pools, poolIndex, [&name](const CResourcePool& pool) { return pool.FindByName(name); });
}

void ReportResourceError(eResultCode code, const char* detail)
{
    if (gContext && gContext->reportError) {
        gContext->reportError(code, detail);
        return;
    }
    ShowCorePlainAlertLines("Error.", GetResultMessage(code), detail);
}
