// Status lines kept until a status target can show them: the start-up repair reports before the
// updater window's status table exists, and its lines belong in that table, not only in the log.
#pragma once

#include "core/gCArray.h"
#include "updater/CPNUStatusTarget.h"

class CPNUHeldStatusLines : public CPNUStatusTarget {
public:
    eResultCode AddStatusLine(const gCString& text, const uint32_t* colour, bool update) override;
    eResultCode WriteLogLine(const gCString& text) override;
    eResultCode SetProgress(float, bool) override { return eSuccess; }
    void SetControlText(int32_t, const gCString&) override {}

    // Hands every held line on in its order, and holds none afterwards.
    void ShowIn(CPNUStatusTarget& target);

private:
    struct sLine {
        gCString text;
        uint32_t colour = 0;
        bool shown = true; // false for a line of the log only
    };
    eResultCode Hold(const gCString& text, uint32_t colour, bool shown);

    gCArray<sLine> mLines;
};
