// The program-wide words every subsystem reads and writes directly. The memory hooks of the
// same block live in core/gCMemory.h.
#pragma once

#include <cstdint>

class gCCmdTarget;
class CWindowBase;
class CAppBase;

// Where the chosen language's block of strings starts in the string table, and the offset added
// to every translated string id (0, 71, 142, ...).
extern uint32_t gLanguageBaseId;
extern uint32_t gLanguageOffset;
extern gCCmdTarget* gDefaultCmdTarget;
extern gCCmdTarget* gFocusCmdTarget;
extern CWindowBase* gMainWindow;
extern CAppBase* gApplication;
// The developer's widget-debug switch: starts at 0 and nothing in the program sets it.
extern uint32_t gWidgetDebug;

// The main window, or null while there is no application object.
CWindowBase* GetMainWindow();
