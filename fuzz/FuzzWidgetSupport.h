// Shared by the widget block fuzz targets: alerts and load errors go nowhere, and a widget that
// loaded is laid out and drawn in a small window.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "platform/AlertPresenter.h"
#include "widgets/CBackdrop.h"

namespace fuzzwidget {

class CQuietPresenter final : public plat::AlertPresenter {
public:
    void Show(const plat::sAlert&) override {}
};

inline void Quiet(eResultCode, const char*) {}

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

} // namespace fuzzwidget
