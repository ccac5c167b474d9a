#include "widgets/WidgetFactory.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "core/FourCharCode.h"
#include "core/TextEquality.h"
#include "resources/CResourceContext.h"
#include "widgets/CBackdrop.h"
#include "widgets/CCoWidget.h"
#include "widgets/CFrameWidget.h"
#include "widgets/CImWidget.h"
#include "widgets/CMaskWidget.h"
#include "widgets/CRoRectWidget.h"
#include "widgets/CShadWidget.h"
#include "widgets/CTxEdWidget.h"
#include "widgets/CTxWidget.h"

namespace {

template <typename T>
CWidget* ById(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return T::CreateFromId(id, file, directory);
}

template <typename T>
CWidget* ByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return T::CreateFromName(name, file, directory);
}

// The classes that can be created from a file. A new widget class adds its row here.
const sWidgetFactoryEntry kFactory[] = {
    {CBackdrop::kTypeCode, ById<CBackdrop>, ByName<CBackdrop>, "Widget Constructor backdrop create failed."},
    {CCoWidget::kTypeCode, ById<CCoWidget>, ByName<CCoWidget>, "Widget Constructor cowidget create failed."},
    {CImWidget::kTypeCode, ById<CImWidget>, ByName<CImWidget>, "Widget Constructor imwidget create failed."},
    {CFrameWidget::kTypeCode, ById<CFrameWidget>, ByName<CFrameWidget>, "Widget Constructor framewidget create failed."},
    {CMaskWidget::kTypeCode, ById<CMaskWidget>, ByName<CMaskWidget>, "Widget Constructor maskwidget create failed."},
    {CRoRectWidget::kTypeCode, ById<CRoRectWidget>, ByName<CRoRectWidget>, "Widget Constructor rorectwidget create failed."},
    {CShadWidget::kTypeCode, ById<CShadWidget>, ByName<CShadWidget>, "Widget Constructor shadwidget create failed."},
    {CTxEdWidget::kTypeCode, ById<CTxEdWidget>, ByName<CTxEdWidget>, "Widget Constructor txedwidget create failed."},
    {CTxWidget::kTypeCode, ById<CTxWidget>, ByName<CTxWidget>, "Widget Constructor txwidget create failed."},
    {CWidget::kTypeCode, ById<CWidget>, ByName<CWidget>, "Widget Constructor widget create failed."},
};

constexpr uint32_t kVersionChunk = FourCharCode("vers");

CWidget* Create(const sWidgetFactoryEntry* entry, bool byName, uint32_t id, const gCString& name,
                CWidget* parent, gCFile* file)
{
    CWidget* widget = byName ? entry->createFromName(name, file, nullptr)
                             : entry->createFromId(id, file, nullptr);
    if (!widget) {
        ReportError(eCreateFailed, entry->failure);
        return nullptr;
    }
    if (!parent)
        return widget;
    if (eResultCode result = parent->AddChild(widget, false); result != eSuccess) {
        ReportError(result, "Widget Constructor parent add failed.");
        // A refused child is not in the parent's list, so it is destroyed here, once.
        delete widget;
        return nullptr;
    }
    return widget;
}

} // namespace

const sWidgetFactoryEntry* FindWidgetFactoryEntry(uint32_t type)
{
    for (const sWidgetFactoryEntry& entry : kFactory)
        if (entry.type == type)
            return &entry;
    return nullptr;
}

CWidget* CreateWidgetById(uint32_t id, uint32_t type, CWidget* parent, gCFile* file)
{
    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(type);
    if (!entry) {
        ReportError(eCreateFailed, "Unrecognised type in widget constructor.");
        return nullptr;
    }
    return Create(entry, false, id, gCString(), parent, file);
}

CWidget* CreateWidgetByType(const gCString& name, uint32_t type, CWidget* parent, gCFile* file)
{
    if (name.GetLength() == 0) {
        ReportError(eBadParameter, "No res name in widget constructor.");
        return nullptr;
    }
    const sWidgetFactoryEntry* entry = FindWidgetFactoryEntry(type);
    if (!entry) {
        ReportError(eCreateFailed, "Unrecognised type in widget constructor.");
        return nullptr;
    }
    return Create(entry, true, 0, name, parent, file);
}

CWidget* CreateWidgetByName(const gCString& name, gCStream* file)
{
    if (!file) {
        CResourceContext* context = GetResourceContext();
        file = context ? context->resourceFile : nullptr;
    }
    if (!file)
        return nullptr;
    (void)file->Rewind();
    if (name.GetLength() == 0) {
        ReportError(eBadParameter, "No res name in widget constructor.");
        return nullptr;
    }
    uint32_t type = 0;
    for (;;) {
        if (file->IsEOF())
            return nullptr;
        int32_t chunkType = 0, size = 0, id = 0;
        eResultCode result = file->ReadLong(chunkType);
        if (result == eSuccess)
            result = file->ReadLong(size);
        int64_t next = file->GetPos() + int64_t(size);
        // The version chunk has no id and no name: it is stepped over, not read as a resource.
        if (result == eSuccess && uint32_t(chunkType) == kVersionChunk) {
            if (size < 0 || file->SetPos(next) != eSuccess)
                return nullptr;
            continue;
        }
        gCString found;
        if (result == eSuccess)
            result = file->ReadLong(id);
        if (result == eSuccess)
            result = file->ReadUnicodeLine(found);
        if (result != eSuccess) {
            ReportError(result, "Widget construct input error");
            return nullptr;
        }
        if (found.GetLength() > 0)
            found.Delete(found.GetLength() - 1, 1);
        if (TextsEqual(found, name)) {
            type = uint32_t(chunkType);
            break;
        }
        if (size < 0 || file->SetPos(next) != eSuccess)
            return nullptr;
    }
    (void)file->Rewind();
    gCString copy(name);
    return CreateWidgetByType(copy, type, nullptr, nullptr);
}
