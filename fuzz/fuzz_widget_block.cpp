// Reads arbitrary bytes as a widget data block for a plain widget, a coloured widget, each
// widget class with tags of its own (the two tables among them), and a backdrop, with
// allocations held to a budget, then lays out and draws whatever loaded, so that no size, count
// or text in a block can reach outside its memory.
#include "FuzzWidgetSupport.h"

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImage.h"
#include "platform/AlertPresenter.h"
#include "resources/CResourceContext.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CFrameWidget.h"
#include "widgets/CMLTableWidget.h"
#include "widgets/CRoRectWidget.h"
#include "widgets/CShadWidget.h"
#include "widgets/CTxImWidget.h"
#include "widgets/CTxEdWidget.h"

#include <cstdint>
#include <cstring>

namespace {

fuzzwidget::CQuietPresenter gPresenter;
CResourceContext gContext;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16))
        return 0;
    fuzzwidget::CapAllocations();
    fuzzwidget::StartInput();
    plat::SetAlertPresenter(&gPresenter);
    gContext.reportError = fuzzwidget::Quiet;
    SetResourceContext(&gContext);
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return 0;
    if (size)
        std::memcpy(block.GetData(), data, size);
    fuzzwidget::LoadAndDraw<CWidget>(block);
    fuzzwidget::LoadAndDraw<CCoWidget>(block);
    fuzzwidget::LoadAndDraw<CRoRectWidget>(block);
    fuzzwidget::LoadAndDraw<CShadWidget>(block);
    fuzzwidget::LoadAndDraw<CFrameWidget>(block);
    fuzzwidget::LoadAndDraw<CTableWidget>(block);
    fuzzwidget::LoadAndDraw<CMLTableWidget>(block);
    fuzzwidget::LoadAndDraw<CTxImWidget>(block);
    fuzzwidget::LoadAndDraw<CTxEdWidget>(block);
    {
        gCMemFile stream(&block);
        CBackdrop backdrop;
        if (backdrop.LoadWidgetDataBlock(&stream) == eSuccess && backdrop.SetSize(16, 8, false) == eSuccess) {
            backdrop.MarkWindowReady();
            (void)backdrop.Update();
        }
    }
    return 0;
}
