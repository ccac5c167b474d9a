#include "app/AppGlobals.h"

// Constant-initialised, so they hold their values before any static constructor runs.
constinit uint32_t gLanguageBaseId = 3000000004u;
constinit uint32_t gLanguageOffset = 0;
constinit gCCmdTarget* gDefaultCmdTarget = nullptr;
constinit gCCmdTarget* gFocusCmdTarget = nullptr;
constinit CWindowBase* gMainWindow = nullptr;
constinit CAppBase* gApplication = nullptr;
constinit uint32_t gWidgetDebug = 0;

CWindowBase* GetMainWindow() { return gApplication ? gMainWindow : nullptr; }
