#include "widgets/BackdropMessages.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "core/gCPoint.h"
#include "widgets/CBackdrop.h"

namespace {

constexpr uint32_t kUnclaimedPress[3] = {kUnclaimedLeftPress, kUnclaimedMiddlePress, kUnclaimedRightPress};

uintptr_t Word(const void* object) { return reinterpret_cast<uintptr_t>(object); }

uint32_t Route(uint32_t message, CWidget* widget)
{
    return gApplication ? gApplication->RouteMessage(message, Word(widget), 0) : 0;
}

} // namespace

uint32_t RouteFocusGained(CWidget* focused) { return Route(kFocusGained, focused); }

uint32_t RouteFocusLost(CWidget* previous) { return Route(kFocusLost, previous); }

eResultCode SendUnclaimedPress(CWidget& modal, ePressButton button, CBackdrop& backdrop, const gCPoint& point)
{
    return eResultCode(modal.DispatchMessageEvent(kUnclaimedPress[int32_t(button)], Word(&backdrop), Word(&point)));
}

uint32_t DecodeBackdropMessage(uint32_t message, uintptr_t p1, uintptr_t p2, CBackdropMessageReceiver& receiver)
{
    switch (message) {
    case kFocusGained:
        return uint32_t(receiver.OnFocusGained(reinterpret_cast<CWidget*>(p1)));
    case kFocusLost:
        return uint32_t(receiver.OnFocusLost(reinterpret_cast<CWidget*>(p1)));
    case kUnclaimedLeftPress:
    case kUnclaimedMiddlePress:
    case kUnclaimedRightPress:
        return uint32_t(receiver.OnUnclaimedPress(ePressButton(message - kUnclaimedLeftPress),
                                                  reinterpret_cast<CBackdrop*>(p1),
                                                  reinterpret_cast<const gCPoint*>(p2)));
    default:
        return 0;
    }
}
