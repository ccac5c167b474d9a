// The toolkit's concrete application class; the program's own class derives from it.
#pragma once

#include "app/CAppMac.h"

class CApp : public CAppMac {
public:
    CApp();
    void PrepareToQuit() override {}
};
