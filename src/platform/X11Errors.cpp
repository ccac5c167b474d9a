#include "platform/X11Errors.h"

#include <X11/Xlib.h>

#include <cstdio>

#include <unistd.h>

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

// A lost connection cannot be carried on from. Xlib's own reaction is exit(), whose clean-up shuts
// the window system down, which talks to the lost display again and waits for its answer for
// ever. The program ends at once instead, saying why; what it wrote to files is already there.
[[noreturn]] int EndWithoutDisplay(Display*)
{
    static const char message[] = "The connection to the display was lost: the program ends.\n";
    (void)!::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

} // namespace

void InstallX11ErrorHandler()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    gPreviousHandler = XSetErrorHandler(LetGoneWindowsGo);
    (void)XSetIOErrorHandler(EndWithoutDisplay);
}

} // namespace plat
