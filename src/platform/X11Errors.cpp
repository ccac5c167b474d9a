#include "platform/X11Errors.h"

#include <X11/Xlib.h>

#include <cstdio>

namespace plat {
namespace {

int (*gPreviousHandler)(Display*, XErrorEvent*) = nullptr;

int LetGoneWindowsGo(Display* display, XErrorEvent* error)
{
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        std::fprintf(stderr, "X error %d on request %d for window 0x%lx, which is gone: ignored\n",
                     int(error->error_code), int(error->request_code), static_cast<unsigned long>(error->resourceid));
        return 0;
    }
    return gPreviousHandler ? gPreviousHandler(display, error) : 0;
}

} // namespace

void InstallX11ErrorHandler()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    gPreviousHandler = XSetErrorHandler(LetGoneWindowsGo);
}

} // namespace plat
