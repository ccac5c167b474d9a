#include "widgets/DebugPanelText.h"

#include "core/CMemBlock.h"
#include "core/gCString.h"
#include "widgets/CWidget.h"

#include <cstdio>

eResultCode StartText(gCString& text) { return text.Assign(nullptr); }

eResultCode AppendChars(gCString& text, const char* macRoman)
{
    gCString piece;
    PNU_TRY(piece.AssignFromChars(macRoman));
    return text.Append(piece);
}

eResultCode AppendShownName(gCString& text, const gCString& name)
{
    // Through the 8-bit form and back, so the panel shows exactly what its 8-bit texts hold.
    CMemBlock bytes;
    PNU_TRY(name.ToMacRoman(bytes));
    if (bytes.GetSize() > uint32_t(INT32_MAX))
        return eNoMemory;
    gCString shown;
    PNU_TRY(shown.ConvertFromChars(reinterpret_cast<const char*>(bytes.GetData()), int32_t(bytes.GetSize())));
    return text.Append(shown);
}

eResultCode AppendIdText(gCString& text, uint32_t id)
{
    char digits[40];
    std::snprintf(digits, sizeof digits, " %d,  (0x0%X)", int32_t(id), unsigned(id));
    return AppendChars(text, digits);
}

eResultCode AppendWidgetRowText(gCString& text, const CWidget* widget)
{
    PNU_TRY(text.Append(u"\""));
    PNU_TRY(AppendShownName(text, widget->GetName()));
    PNU_TRY(text.Append(u"\"  - ID = "));
    return AppendIdText(text, widget->GetId());
}

eResultCode AppendRectText(gCString& text, const gCRect& rect)
{
    char digits[80];
    std::snprintf(digits, sizeof digits, " ( %d, %d ),  ( %d, %d)", rect.left, rect.top, rect.right, rect.bottom);
    return AppendChars(text, digits);
}
