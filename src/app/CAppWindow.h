// The window class the application creates; it adds nothing but its own identity.
#pragma once

#include "app/CMacWindow.h"

class CAppWindow : public CMacWindow {
public:
    CAppWindow() = default;
    ~CAppWindow() override = default;
};
