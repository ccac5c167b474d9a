#include "updater/CPNUHeldStatusLines.h"

#include "updater/PNUMessages.h"

eResultCode CPNUHeldStatusLines::Hold(const gCString& text, uint32_t colour, bool shown)
{
    const int32_t at = mLines.GetSize();
    PNU_TRY(mLines.SetSize(at + 1));
    sLine& line = mLines[at];
    line.colour = colour;
    line.shown = shown;
    if (eResultCode copied = line.text.Assign(text.GetText()); copied != eSuccess) {
        mLines.RemoveAt(at);
        return copied;
    }
    return eSuccess;
}

eResultCode CPNUHeldStatusLines::AddStatusLine(const gCString& text, const uint32_t* colour, bool)
{
    return Hold(text, colour ? *colour : kStatusBlack, true);
}

eResultCode CPNUHeldStatusLines::WriteLogLine(const gCString& text) { return Hold(text, 0, false); }

void CPNUHeldStatusLines::ShowIn(CPNUStatusTarget& target)
{
    for (int32_t i = 0; i < mLines.GetSize(); ++i) {
        const sLine& line = mLines[i];
        (void)(line.shown ? target.AddStatusLine(line.text, &line.colour, true) : target.WriteLogLine(line.text));
    }
    mLines.RemoveAll();
}
