// The pen data of the latest mouse or tablet event, kept for the widgets that read pressure and
// tilt. Here every event is an ordinary mouse event: there is no tablet driver to ask.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// FlushMouseEvents and IsTabletDriverPresent.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

struct sTabletState {
    uint32_t word0;
    float scaleA;
    float scaleB;
    float x;
    float y;
    float pressure;   // 0..1 for a pen; -1000 means no pressure information
    float tilt;       // 1 - tilt magnitude; 1 for an upright pen or a mouse
    float direction;  // in turns
    uint32_t extra;
    uint32_t reserved1;
    uint32_t reserved2;
    uint32_t reserved3;  // left alone by the reset
    uint32_t focusFlag;
    float scaleC;
    float scaleD;
};

// The six words of one event, in the order the record stores them.
struct sTabletEventData {
    float x;
    float y;
    float pressure;
    float tilt;
    float direction;
    uint32_t extra;
};

// 1 while the tablet reports its eraser end in proximity (never, without a tablet driver).
extern uint32_t gTabletEraserInProximity;

void ResetTabletState(sTabletState* state);
void StoreTabletEventData(sTabletState* state, const sTabletEventData& data);
void SetTabletStateFlag(sTabletState* state, uint32_t value);

// The data of an ordinary mouse event: the global position, no pressure, upright.
sTabletEventData MouseTabletEventData(int32_t globalX, int32_t globalY);

// Drops the queued mouse presses, releases, moves and drags; returns the status (0).
int32_t FlushMouseEvents();
eResultCode StartTabletInput();
void StopTabletInput();
// Fetches a property of a tablet driver object; always fails here (no driver answers).
int32_t QueryTabletDriver(void* data, uint32_t size);
uint32_t IsTabletDriverPresent();
