#include "platform/X11Pointer.h"

#include "platform/Event.h"

#include <X11/Xlib.h>

namespace plat {
namespace {

Display* gDisplay = nullptr;
bool gUnreachable = false;

} // namespace

eDisplayResult QueryX11Pointer(sX11Pointer& pointer)
{
    // A connection of its own: SDL does not lend its display without a window, and a query is
    // about the server's state, so it needs no order with SDL's requests (SDL waits for its warps
    // to be done before it returns).
    if (!gDisplay && !gUnreachable) {
        gDisplay = XOpenDisplay(nullptr);
        gUnreachable = gDisplay == nullptr;
    }
    if (!gDisplay)
        return eDisplayResult::kNoDisplay;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int mask = 0;
    // False only tells that the pointer is on another screen; the root position still holds.
    (void)XQueryPointer(gDisplay, DefaultRootWindow(gDisplay), &root, &child, &rootX, &rootY, &windowX,
                        &windowY, &mask);
    pointer.global = {rootX, rootY};
    pointer.buttons = ((mask & Button1Mask) ? kButtonStatePrimary : 0u) |
                      ((mask & Button3Mask) ? kButtonStateSecondary : 0u) |
                      ((mask & Button2Mask) ? kButtonStateMiddle : 0u);
    return eDisplayResult::kOk;
}

void CloseX11Pointer()
{
    if (gDisplay)
        XCloseDisplay(gDisplay);
    gDisplay = nullptr;
    gUnreachable = false;
}

} // namespace plat
