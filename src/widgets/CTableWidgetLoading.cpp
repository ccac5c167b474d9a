// Loading a table from a widget data block: its colour and three effect chunks on top of the
// plain widget's tags. Rows, columns and cells are set by code only.
#include "widgets/CTableWidget.h"

#include "widgets/CWidgetLoadBlock.h"
#include "widgets/LoadWidgetEffects.h"

eResultCode CTableWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CTableWidget::ParseWidgetChunk);
}

eResultCode CTableWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    // A table takes no border or glow: those tags are the plain widget's unknown tags.
    if (tag == kBorderEffectTag || tag == kGlowEffectTag)
        return CWidget::ParseWidgetChunk(tag, stream, holder);
    return CCoWidget::ParseWidgetChunk(tag, stream, holder);
}
