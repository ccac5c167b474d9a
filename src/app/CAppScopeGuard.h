// Changes one piece of the application's state for a scope and puts it back afterwards: it reads
// a flag, makes the change, and on leaving undoes it when the flag read `restoreWhenSet` (or the
// opposite). Without an application object it does nothing.
#pragma once

#include <cstdint>

class CAppBase;

class CAppScopeGuard {
public:
    using Probe = uint32_t (CAppBase::*)() const;
    using Step = void (CAppBase::*)();

    CAppScopeGuard(Probe probe, Step enter, Step leave, bool restoreWhenSet);
    ~CAppScopeGuard();
    CAppScopeGuard(const CAppScopeGuard&) = delete;
    CAppScopeGuard& operator=(const CAppScopeGuard&) = delete;

private:
    Step mLeave = nullptr;
    bool mRestore = false;
};
