#include "widgets/CMaskWidget.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE8.h"
#include "imaging/PixelCompositing.h"
#include "imaging/Resample.h"
#include "resources/CResourceContext.h"
#include "resources/gCImageList8.h"
#include "widgets/CWidgetEffectBase.h"
#include "widgets/CWidgetLoadBlock.h"

#include <algorithm>

namespace {

constexpr uint32_t Code(const char (&text)[5])
{
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}

const CWidget::sLoaderMessages kMaskWidgetMessages = {
    "Error reading widget data block size.", "Error setting widget memfile size",
    "Error reading widget data block.",      "Error rewinding widget data block.",
    "Error reading widget data chunk type.", "Error parsing widget data chunk type.",
    "Error constructing widget hierarchy.",  false};

} // namespace

CMaskWidget::~CMaskWidget()
{
    DeleteOwnedMask();
    // Entries of the list count as pooled, so the picture never took one of them with it.
    if (mList && !mList->IsInPool())
        delete mList;
}

eResultCode CMaskWidget::SetImageList(gCImageList8* list)
{
    if (!list)
        return eBadParameter;
    if (mList && mList != list && !mList->IsInPool()) {
        // An exclusive list deletes its entries with it: the widget lets go of the one it shows.
        for (int32_t i = 0; i < mList->GetCount(); ++i)
            if (mList->GetImage(i) == mMask)
                mMask = nullptr;
        delete mList;
    }
    mList = list;
    return eSuccess;
}

eResultCode CMaskWidget::SetImageListIndex(int32_t index, bool sizeToImage, bool update)
{
    if (!mList || index < 0 || index >= mList->GetCount())
        return eBadParameter;
    mList->SetCurrentIndex(index);
    return SetImage(mList->GetImage(index), sizeToImage, update);
}

int32_t CMaskWidget::GetImageListIndex() const { return mList ? mList->GetCurrentIndex() : 0; }

eResultCode CMaskWidget::NextImage(bool sizeToImage, bool update)
{
    if (!mList || mList->GetCount() < 2)
        return eBadParameter;
    int32_t next = mList->GetCurrentIndex() + 1;
    if (next >= mList->GetCount())
        next = 0;
    return SetImageListIndex(next, sizeToImage, update);
}


void CMaskWidget::DeleteOwnedMask()
{
    if (mMask && !mMask->IsInPool())
        delete mMask;
    mMask = nullptr;
}

CMaskWidget* CMaskWidget::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    auto* widget = new CMaskWidget();
    if (widget && widget->LoadFromId(id, file, directory) != eSuccess) {
        delete widget;
        widget = nullptr;
    }
    return widget;
}

CMaskWidget* CMaskWidget::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    auto* widget = new CMaskWidget();
    if (widget && widget->LoadFromName(name, file, directory) != eSuccess) {
        delete widget;
        widget = nullptr;
    }
    return widget;
}

eResultCode CMaskWidget::SizeToImage(bool update)
{
    if (!mMask)
        return eSuccess;
    return SetSize(mMask->GetWidth(), mMask->GetHeight(), update);
}

eResultCode CMaskWidget::SetImage(CImage8* mask, bool sizeToImage, bool update)
{
    if (!mask || !mask->IsCreated())
        return eBadParameter;
    if (mMask != mask)
        DeleteOwnedMask();
    if (mScaleToWidget) {
        auto* scaled = new CImage8(GetWidth(), GetHeight());
        if (!scaled || !scaled->HasPixelBuffer()) {
            delete scaled;
            return eNoMemory;
        }
        mMask = scaled;
        eResultCode result;
        {
            CImNav8 destination(scaled, nullptr);
            CImNav8 source(mask, nullptr);
            result = StretchImagePixels(destination, source, 0);
        }
        PNU_TRY(result);
        if (!mask->IsInPool() && mask != mMask)
            delete mask;
    } else {
        mMask = mask;
        if (sizeToImage)
            return SizeToImage(update);
    }
    if (IsVisible())
        (void)InvalidateContent(false);
    return UpdateIf(update);
}

eResultCode CMaskWidget::FillImage()
{
    if (!mMask)
        return eSuccess;
    CImNav8 navigator(mMask, nullptr);
    if (!navigator.IsLocked())
        return eNoMemory;
    navigator.Fill(uint8_t(mColour >> 24));
    return eSuccess;
}

eResultCode CMaskWidget::CompressImage()
{
    if (mMask && !mMask->IsCompressed())
        return mMask->Compress();
    return eSuccess;
}

eResultCode CMaskWidget::DecompressImage()
{
    if (mMask && mMask->IsCompressed())
        return mMask->Decompress();
    return eSuccess;
}

bool CMaskWidget::IsImageCompressed() const { return mMask && mMask->IsCompressed(); }

eResultCode CMaskWidget::RefreshImage(bool update)
{
    PNU_TRY(RefreshAllEffects());
    return Invalidate(update);
}

eResultCode CMaskWidget::SetSize(int32_t width, int32_t height, bool update)
{
    PNU_TRY(CWidget::SetSize(width, height, update));
    if (!GetParent())
        return CMaskWidget::OnRectChanged();
    return eSuccess;
}

eResultCode CMaskWidget::OnRectChanged()
{
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    if (width < 1 || height < 1)
        return eSuccess;
    if (!mMask) {
        auto* mask = new CImage8(width, height);
        if (!mask || !mask->HasPixelBuffer()) {
            delete mask;
            return eNoMemory;
        }
        mMask = mask;
        return FillImage();
    }
    if (mMask->GetWidth() == width && mMask->GetHeight() == height)
        return eSuccess;
    // A pooled mask belongs to others: resizing it would change it under them.
    if (mMask->IsInPool()) {
        mMask = nullptr;
        return CMaskWidget::OnRectChanged();
    }
    PNU_TRY(mMask->SetSize(width, height));
    return FillImage();
}

bool CMaskWidget::HitTest(const gCPoint& point)
{
    if (mOpacityThreshold == 0)
        return true;
    if (!mMask)
        return false;
    if (point.x < 0 || point.y < 0 || point.x >= mMask->GetWidth() || point.y >= mMask->GetHeight())
        return false;
    uint32_t value = 0;
    if (mMask->IsCompressed()) {
        CRLE8::sReader reader = mMask->GetRLE()->SeekReader(point.x, point.y);
        value = mMask->GetRLE()->Read(reader);
    } else {
        gCRect area{point.x, point.y, point.x + 1, point.y + 1};
        CImNav8 navigator(mMask, &area);
        if (!navigator.IsLocked() || navigator.GetWidth() < 1 || navigator.GetHeight() < 1)
            return false;
        value = navigator.Row(0)[0];
    }
    return int32_t(value) >= mOpacityThreshold;
}

eResultCode CMaskWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    const uint32_t scale = uint32_t(alpha + 1) << 16;
    if (mOpaqueBlit) {
        gCRect clipped = area;
        if (!ClipRect(clipped, gCRect{0, 0, GetWidth(), GetHeight()}))
            return eSuccess;
        CImNav destination(target, &clipped);
        if (!destination.IsLocked())
            return eNoMemory;
        CPixel fill = mColour | 0xFF000000u;
        destination.Fill(&fill);
        return eSuccess;
    }
    if (!mMask)
        return CCoWidget::Paint(area, target, alpha);
    // Only the mask's own bytes are read, whatever area the caller asks for.
    gCRect clipped = area;
    if (!ClipRect(clipped, gCRect{0, 0, mMask->GetWidth(), mMask->GetHeight()}))
        return eSuccess;
    CImNav destination(target, &clipped);
    if (!destination.IsLocked())
        return eNoMemory;
    // The target may have cut the area: the source is read over what is left of it.
    clipped = destination.GetArea();
    clipped -= target->GetOrigin();
    const CPixel q = mColour;
    auto put = [&](CPixel* d, uint32_t m) {
        CPixel p = (q & 0x00FFFFFFu) | ((((q >> 8) * (m + 1)) >> 24) << 24);
        uint32_t c = ((p >> 24) * scale) >> 24;
        if (c == 0)
            return;
        if (c == 255)
            *d = p;
        else
            gPaintPixelHook(d, c, &p);
    };
    const int32_t width = destination.GetWidth();
    const int32_t height = destination.GetHeight();
    if (mMask->IsCompressed()) {
        CRLE8* rle = mMask->GetRLE();
        for (int32_t y = 0; y < height; ++y) {
            CRLE8::sReader reader = rle->SeekReader(clipped.left, clipped.top + y);
            CPixel* row = destination.Row(y);
            for (int32_t x = 0; x < width; ++x)
                put(row + x, rle->Read(reader));
        }
        return eSuccess;
    }
    CImNav8 source(mMask, &clipped);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(height, source.GetHeight()); ++y) {
        CPixel* row = destination.Row(y);
        const uint8_t* from = source.Row(y);
        for (int32_t x = 0; x < std::min(width, source.GetWidth()); ++x)
            put(row + x, from[x]);
    }
    return eSuccess;
}

eResultCode CMaskWidget::DrawAlphaMask(CImage8* mask)
{
    if (!mask || !mask->HasPixelBuffer() || mask->IsCompressed())
        return eSuccess;
    if (mOpaqueBlit) {
        gCRect area{0, 0, std::min(GetWidth(), mask->GetWidth()), std::min(GetHeight(), mask->GetHeight())};
        if (area.right <= 0 || area.bottom <= 0)
            return eSuccess;
        CImNav8 navigator(mask, &area);
        if (!navigator.IsLocked())
            return eNoMemory;
        navigator.Fill(255);
        return eSuccess;
    }
    if (!mMask || (!mMask->HasPixelBuffer() && !mMask->IsCompressed()))
        return CCoWidget::DrawAlphaMask(mask);
    gCRect area{0, 0, std::min(mMask->GetWidth(), mask->GetWidth()),
                std::min(mMask->GetHeight(), mask->GetHeight())};
    if (area.right <= 0 || area.bottom <= 0)
        return CCoWidget::DrawAlphaMask(mask);
    CImNav8 destination(mask, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    if (mMask->IsCompressed()) {
        CRLE8* rle = mMask->GetRLE();
        for (int32_t y = 0; y < destination.GetHeight(); ++y) {
            CRLE8::sReader reader = rle->SeekReader(0, y);
            uint8_t* row = destination.Row(y);
            for (int32_t x = 0; x < destination.GetWidth(); ++x)
                row[x] = rle->Read(reader);
        }
        return eSuccess;
    }
    CImNav8 source(mMask, &area);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(destination.GetHeight(), source.GetHeight()); ++y)
        std::copy(source.Row(y), source.Row(y) + std::min(destination.GetWidth(), source.GetWidth()),
                  destination.Row(y));
    return eSuccess;
}

eResultCode CMaskWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    if (mMask) {
        const bool compressed = mMask->IsCompressed();
        const int32_t width = compressed ? mMask->GetRLE()->GetWidth() : mMask->GetWidth();
        const int32_t height = compressed ? mMask->GetRLE()->GetHeight() : mMask->GetHeight();
        auto* shape = new CImage(width, height, 0);
        if (!shape || !shape->HasPixelBuffer()) {
            delete shape;
            return eNoMemory;
        }
        eResultCode result = eSuccess;
        {
            CImNav out(shape, nullptr);
            CImNav8 source(compressed ? nullptr : mMask, nullptr);
            if (!out.IsLocked() || (!compressed && !source.IsLocked())) {
                result = eNoMemory;
            } else {
                const CPixel rgb = mColour & 0x00FFFFFFu;
                for (int32_t y = 0; y < out.GetHeight(); ++y) {
                    CPixel* row = out.Row(y);
                    if (compressed) {
                        CRLE8::sReader reader = mMask->GetRLE()->SeekReader(0, y);
                        for (int32_t x = 0; x < out.GetWidth(); ++x)
                            row[x] = rgb | uint32_t(mMask->GetRLE()->Read(reader)) << 24;
                    } else {
                        const uint8_t* from = source.Row(y);
                        for (int32_t x = 0; x < std::min(out.GetWidth(), source.GetWidth()); ++x)
                            row[x] = rgb | uint32_t(from[x]) << 24;
                    }
                }
            }
        }
        if (result == eSuccess)
            result = effect->RefreshWithMask(shape);
        delete shape;
        PNU_TRY(result);
    }
    RecalcBounds();
    return Invalidate(update);
}

eResultCode CMaskWidget::LoadWidgetDataBlock(gCStream* stream)
{
    CMaskWidgetDataHolder holder;
    PNU_TRY(LoadBlock(stream, holder, kMaskWidgetMessages,
                      [this](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
                          return ParseWidgetChunk(tag, block, static_cast<CMaskWidgetDataHolder&>(h));
                      }));
    return AssignNamedMask(holder, dynamic_cast<gCFile*>(stream));
}

eResultCode CMaskWidget::AssignNamedMask(CMaskWidgetDataHolder& holder, gCFile* file)
{
    if (holder.imageName.GetLength() == 0)
        return AssignNamedList(holder, file);
    CImage8* mask = nullptr;
    if (holder.shared) {
        CResourceContext* context = GetResourceContext();
        if (context)
            mask = dynamic_cast<CImage8*>(context->FindPoolResourceByName(eImagePool, holder.imageName));
        if (!mask) {
            mask = CImage8::CreateFromName(holder.imageName, file, nullptr);
            if (!mask) {
                ReportError(eResourceNotFound, "MaskWidget image load.");
                return eResourceReadError;
            }
            if (!context || context->pools[eImagePool].Add(mask) != eSuccess) {
                delete mask;
                ReportError(eCreateFailed, "MaskWidget image load failed!");
                return eResourceReadError;
            }
        }
    } else {
        mask = CImage8::CreateFromName(holder.imageName, file, nullptr);
        if (!mask) {
            ReportError(eCreateFailed, "MaskWidget image load failed!");
            return eResourceReadError;
        }
    }
    if (eResultCode result = SetImage(mask, false, false); result != eSuccess) {
        if (mMask != mask && !mask->IsInPool())
            delete mask;
        ReportError(eCreateFailed, "MaskWidget assign image failed.");
        return result;
    }
    if (holder.compress)
        PNU_TRY(CompressImage());
    if (holder.sizeToImage)
        return SizeToImage(false);
    return eSuccess;
}

eResultCode CMaskWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CMaskWidgetDataHolder& holder)
{
    auto readLine = [&](gCString& text, const char* message) -> eResultCode {
        if (eResultCode result = stream->ReadUnicodeLine(text); result != eSuccess) {
            ReportError(eResourceReadError, message);
            return result;
        }
        if (text.GetLength() > 0)
            text.Delete(text.GetLength() - 1, 1);
        return eSuccess;
    };
    auto readInt = [&](int32_t& value, const char* message) -> eResultCode {
        if (eResultCode result = stream->ReadLong(value); result != eSuccess) {
            ReportError(eResourceReadError, message);
            return result;
        }
        return eSuccess;
    };
    int32_t value = 0;
    switch (tag) {
    case Code("imag"):
        return readLine(holder.imageName, "MaskWidget imag.");
    case Code("imcm"):
        return readInt(value, "MaskWidget imcm.");
    case Code("imls"):
        return readLine(holder.listName, "MaskWidget imls.");
    case Code("imlx"):
        return readInt(holder.listIndex, "MaskWidget imlx.");
    case Code("imsh"):
        PNU_TRY(readInt(value, "MaskWidget imsh."));
        holder.shared = value == 1;
        return eSuccess;
    case Code("stim"):
        PNU_TRY(readInt(value, "MaskWidget stim."));
        holder.sizeToImage = value == 1;
        return eSuccess;
    default:
        return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    }
}

eResultCode CMaskWidget::AssignNamedList(CMaskWidgetDataHolder& holder, gCFile* file)
{
    if (holder.listName.GetLength() == 0)
        return eSuccess;
    gCImageList8* list = gCImageList8::CreateFromName(holder.listName, file, nullptr);
    if (!list) {
        ReportError(eCreateFailed, "MaskWidget image list load failed!");
        return eResourceReadError;
    }
    if (eResultCode result = SetImageList(list); result != eSuccess) {
        delete list;
        ReportError(eCreateFailed, "MaskWidget assign image list failed.");
        return result;
    }
    if (eResultCode result = SetImageListIndex(holder.listIndex, false, false); result != eSuccess) {
        ReportError(eCreateFailed, "MaskWidget change image idx failed.");
        return result;
    }
    if (holder.sizeToImage)
        return SizeToImage(false);
    return eSuccess;
}
