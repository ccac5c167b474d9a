#include "TabletIO/TabletState.h"

#include "platform/SdlEventSource.h"
#include "platform/Tablet.h"

constinit uint32_t gTabletEraserInProximity = 0;

void ResetTabletState(sTabletState* state)
{
    if (!state)
        return;
    state->word0 = 0;
    state->scaleA = 1.0f;
    state->scaleB = 1.0f;
    state->x = 0.0f;
    state->y = 0.0f;
    state->pressure = -1000.0f;
    state->tilt = 1.0f;
    state->direction = 0.0f;
    state->extra = 0;
    state->reserved1 = 0;
    state->reserved2 = 0;
    state->focusFlag = 0;
    state->scaleC = 1.0f;
    state->scaleD = 1.0f;
}

void StoreTabletEventData(sTabletState* state, const sTabletEventData& data)
{
    if (!state)
        return;
    state->x = data.x;
    state->y = data.y;
    state->pressure = data.pressure;
    state->tilt = data.tilt;
    state->direction = data.direction;
    state->extra = data.extra;
}

void SetTabletStateFlag(sTabletState* state, uint32_t value)
{
    if (state)
        state->focusFlag = value;
}

sTabletEventData MouseTabletEventData(int32_t globalX, int32_t globalY)
{
    return {float(globalX), float(globalY), -1000.0f, 1.0f, 0.0f, 0};
}

int32_t FlushMouseEvents()
{
    plat::SdlEventSource::Get().FlushPointerEvents();
    return 0;
}

eResultCode StartTabletInput() { return eSuccess; }

void StopTabletInput() {}

int32_t QueryTabletDriver(void* data, uint32_t size)
{
    // A null buffer is a caller's mistake: refused rather than asserted.
    if (!data)
        return -50;
    return int32_t(plat::QueryTabletDriver(data, size));
}

uint32_t IsTabletDriverPresent()
{
    uint32_t version = 0;
    return QueryTabletDriver(&version, sizeof version) == 0 ? 1 : 0;
}
