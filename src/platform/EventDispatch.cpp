#include "platform/EventDispatch.h"

namespace plat {
namespace {

tEventHandler& Handler()
{
    static tEventHandler handler;
    return handler;
}

uint32_t gInputHolds = 0;

bool IsInput(eEventKind kind)
{
    switch (kind) {
    case eEventKind::kMouseDown:
    case eEventKind::kMouseUp:
    case eEventKind::kMouseMove:
    case eEventKind::kMouseWheel:
    case eEventKind::kKeyDown:
    case eEventKind::kKeyRepeat:
    case eEventKind::kKeyUp:
    case eEventKind::kCommand:
    case eEventKind::kFilesDropped:
        return true;
    default:
        return false;
    }
}

} // namespace

void SetEventHandler(tEventHandler handler) { Handler() = std::move(handler); }

void DeliverEvent(const sEvent& event)
{
    if (gInputHolds > 0 && IsInput(event.kind))
        return;
    // A copy, so a handler that replaces the handler does not destroy itself while running.
    tEventHandler handler = Handler();
    if (handler)
        handler(event);
}

InputHold::InputHold() { ++gInputHolds; }
InputHold::~InputHold() { --gInputHolds; }
bool IsInputHeld() { return gInputHolds > 0; }

} // namespace plat
