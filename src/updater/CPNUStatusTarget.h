// Where status lines go: the updater window's status table and the log, its progress bar and the
// caption of one of its controls. The window's backdrop implements it, writing every line to the
// log through the application that owns it; while there is no window (before its tree loads, after quitting
// closed it) the log alone takes the lines. Tests record what they are told.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>

class CPNUStatusTarget {
public:
    virtual ~CPNUStatusTarget() = default;

    // Writes the line to the log and shows it in the colour 0xAARRGGBB; eResourceNotFound without a
    // table.
    virtual eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool update) = 0;
    // Writes the line to the log only.
    virtual eResultCode WriteLogLine(const gCString& text) = 0;
    virtual eResultCode SetProgress(float fraction, bool update) = 0;
    virtual void SetControlText(int32_t id, const gCString& text) = 0;
};
