#include "widgets/DebugPanelText.h"

#include "core/gCString.h"
#include "widgets/CWidget.h"

#include <climits>
#include <cstdio>

std::string IdText(uint32_t id)
{
    char text[40];
    std::snprintf(text, sizeof text, " %d,  (0x0%X)", int32_t(id), unsigned(id));
    return text;
}

std::string WidgetRowText(const CWidget* widget)
{
    return "\"" + widget->GetName().ToMacRoman() + "\"  - ID = " + IdText(widget->GetId());
}

std::string RectText(const gCRect& rect)
{
    char text[80];
    std::snprintf(text, sizeof text, " ( %d, %d ),  ( %d, %d)", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

eResultCode MacRomanString(const std::string& text, gCString& out)
{
    if (text.size() >= size_t(INT32_MAX))
        return eNoMemory;
    return out.ConvertFromChars(text.data(), int32_t(text.size()));
}
