#include "app/WindowPort.h"

#include "app/CAppBase.h"

namespace {

CWindowBase* sCurrentPort = nullptr;

bool IsOpenWindow(const CWindowBase* port)
{
    if (!port)
        return false;
    gCArray<CWindowBase*>& windows = GetWindowList();
    for (int32_t i = 0; i < windows.GetSize(); ++i)
        if (windows[i] == port)
            return true;
    return false;
}

} // namespace

int32_t SetPortIfValid(CWindowBase* port)
{
    if (!IsOpenWindow(port))
        return 0;
    sCurrentPort = port;
    return 1;
}

void GetPortWrapper(CWindowBase** port)
{
    if (!port)
        return;
    // The port is not told when its window closes: a closed one is no port any more.
    *port = IsOpenWindow(sCurrentPort) ? sCurrentPort : nullptr;
}
