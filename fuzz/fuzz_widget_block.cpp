// Reads arbitrary bytes as a widget data block for a plain widget, a coloured widget, each
// widget class with tags of its own (the two tables among them), and a backdrop, then lays out
// and draws whatever loaded, so that no size, count or text in a block can reach outside its
// memory.
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

class CQuietPresenter final : public plat::AlertPresenter {
public:
    void Show(const plat::sAlert&) override {}
};

CQuietPresenter gPresenter;
CResourceContext gContext;

void Quiet(eResultCode, const char*) {}

template <typename T>
void LoadAndDraw(CMemBlock& block)
{
    gCMemFile stream(&block);
    auto* widget = new T();
    if (!widget)
        return;
    if (widget->LoadWidgetDataBlock(&stream) == eSuccess) {
        CBackdrop root;
        if (root.SetSize(24, 16, false) == eSuccess && root.AddChild(widget, false) == eSuccess) {
            root.MarkWindowReady();
            (void)root.InvalidateArea({0, 0, 24, 16}, true);
            return;
        }
    }
    delete widget;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 16))
        return 0;
    plat::SetAlertPresenter(&gPresenter);
    gContext.reportError = Quiet;
    SetResourceContext(&gContext);
    CMemBlock block(uint32_t(size ? size : 1));
    if (!block.GetData())
        return 0;
    if (size)
        std::memcpy(block.GetData(), data, size);
    LoadAndDraw<CWidget>(block);
    LoadAndDraw<CCoWidget>(block);
    LoadAndDraw<CRoRectWidget>(block);
    LoadAndDraw<CShadWidget>(block);
    LoadAndDraw<CFrameWidget>(block);
    LoadAndDraw<CTableWidget>(block);
    LoadAndDraw<CMLTableWidget>(block);
    LoadAndDraw<CTxImWidget>(block);
    LoadAndDraw<CTxEdWidget>(block);
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
