#include "widgets/CImWidget.h"

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "imaging/CImNav.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CRLE.h"
#include "imaging/PixelCompositing.h"
#include "imaging/Resample.h"
#include "resources/CResourceContext.h"
#include "resources/gCImageList.h"
#include "widgets/CWidgetEffectBase.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

namespace {

constexpr uint32_t Code(const char (&text)[5])
{
    return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
           uint32_t(uint8_t(text[2])) << 8 | uint32_t(uint8_t(text[3]));
}

const CWidget::sLoaderMessages kImWidgetMessages = {
    "Error reading widget data block size.", "Error setting widget memfile size",
    "Error reading widget data block.",      "Error rewinding widget data block.",
    "Error reading widget data chunk type.", "Error parsing widget data chunk type.",
    "Error constructing widget hierarchy.",  false};

} // namespace

CImWidget::~CImWidget()
{
    DeleteOwnedImage();
    // Entries of the list count as pooled, so the picture never took one of them with it.
    if (mList && !mList->IsInPool())
        delete mList;
}

eResultCode CImWidget::SetImageList(gCImageList* list)
{
    if (!list)
        return eBadParameter;
    if (mList && mList != list && !mList->IsInPool()) {
        // An exclusive list deletes its entries with it: the widget lets go of the one it shows.
        for (int32_t i = 0; i < mList->GetCount(); ++i)
            if (mList->GetImage(i) == mImage)
                mImage = nullptr;
        delete mList;
    }
    mList = list;
    return eSuccess;
}

eResultCode CImWidget::SetImageListIndex(int32_t index, bool sizeToImage, bool update)
{
    if (!mList || index < 0 || index >= mList->GetCount())
        return eBadParameter;
    mListIndex = index;
    mList->SetCurrentIndex(index);
    return SetImage(mList->GetImage(index), sizeToImage, update);
}

int32_t CImWidget::GetImageListIndex() const { return mList ? mListIndex : 0; }

eResultCode CImWidget::CrossFadeListEntries(int32_t from, int32_t to, float t, bool refreshEffects, bool update)
{
    if (mList && from >= 0 && from < mList->GetCount() && to >= 0 && to < mList->GetCount()) {
        mList->SetCurrentIndex(from);
        return CrossFade(mList->GetImage(from), mList->GetImage(to), t, refreshEffects, update);
    }
    return UpdateIf(update);
}

eResultCode CImWidget::NextImage(bool sizeToImage, bool update)
{
    if (!mList || mList->GetCount() < 2)
        return eBadParameter;
    int32_t next = mList->GetCurrentIndex() + 1;
    if (next >= mList->GetCount())
        next = 0;
    return SetImageListIndex(next, sizeToImage, update);
}


void CImWidget::DeleteOwnedImage()
{
    if (mImage && !mImage->IsInPool())
        delete mImage;
    mImage = nullptr;
}

CImWidget* CImWidget::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    auto* widget = new CImWidget();
    if (widget && widget->LoadFromId(id, file, directory) != eSuccess) {
        delete widget;
        widget = nullptr;
    }
    return widget;
}

CImWidget* CImWidget::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    auto* widget = new CImWidget();
    if (widget && widget->LoadFromName(name, file, directory) != eSuccess) {
        delete widget;
        widget = nullptr;
    }
    return widget;
}

eResultCode CImWidget::SizeToImage(bool update)
{
    if (!mImage)
        return eSuccess;
    return SetSize(mImage->GetWidth(), mImage->GetHeight(), update);
}

eResultCode CImWidget::SetImage(CImage* image, bool sizeToImage, bool update)
{
    if (!image || !image->IsCreated())
        return eBadParameter;
    if (mImage != image)
        DeleteOwnedImage();
    if (mScaleToWidget) {
        auto* scaled = new CImage(GetWidth(), GetHeight(), 0);
        if (!scaled || !scaled->HasPixelBuffer()) {
            delete scaled;
            return eNoMemory;
        }
        mImage = scaled;
        eResultCode result;
        {
            CImNav destination(scaled, nullptr);
            CImNav source(image, nullptr);
            result = StretchImagePixels(destination, source, 0);
        }
        // A refused resampling leaves the given image with the caller.
        PNU_TRY(result);
        if (!image->IsInPool() && image != mImage)
            delete image;
    } else {
        mImage = image;
        if (sizeToImage)
            return SizeToImage(update);
    }
    if (IsVisible())
        (void)InvalidateContent(false);
    return UpdateIf(update);
}

eResultCode CImWidget::FillImage()
{
    if (!mImage)
        return eSuccess;
    CImNav navigator(mImage, nullptr);
    if (!navigator.IsLocked())
        return eNoMemory;
    CPixel colour = mColour | 0xFF000000u;
    navigator.Fill(&colour);
    return eSuccess;
}

eResultCode CImWidget::CompressImage()
{
    if (mImage && !mImage->IsCompressed())
        return mImage->Compress();
    return eSuccess;
}

eResultCode CImWidget::DecompressImage()
{
    if (mImage && mImage->IsCompressed())
        return mImage->Decompress();
    return eSuccess;
}

bool CImWidget::IsImageCompressed() const { return mImage && mImage->IsCompressed(); }

eResultCode CImWidget::RefreshImage(bool update)
{
    PNU_TRY(RefreshAllEffects());
    return Invalidate(update);
}

eResultCode CImWidget::SetSize(int32_t width, int32_t height, bool update)
{
    PNU_TRY(CWidget::SetSize(width, height, update));
    // A root gets no rect change from a parent's layout, so it renews its picture here.
    if (!GetParent())
        return CImWidget::OnRectChanged();
    return eSuccess;
}

eResultCode CImWidget::OnRectChanged()
{
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    if (width < 1 || height < 1)
        return eSuccess;
    // Sizes come from data files: a picture larger than any effect may work on is refused.
    if (!WorkImageFits(width, height))
        return eNoMemory;
    if (!mImage) {
        auto* image = new CImage(width, height, 0);
        if (!image || !image->HasPixelBuffer()) {
            delete image;
            return eNoMemory;
        }
        mImage = image;
        return FillImage();
    }
    if (mImage->GetWidth() == width && mImage->GetHeight() == height)
        return eSuccess;
    // A pooled image belongs to others: the widget takes a picture of its own instead of
    // resizing the shared one under them.
    if (mImage->IsInPool()) {
        mImage = nullptr;
        return OnRectChanged();
    }
    PNU_TRY(mImage->SetSize(width, height));
    return FillImage();
}

bool CImWidget::HitTest(const gCPoint& point)
{
    if (mOpacityThreshold == 0)
        return true;
    if (!mImage)
        return false;
    if (point.x < 0 || point.y < 0 || point.x >= mImage->GetWidth() || point.y >= mImage->GetHeight())
        return false;
    uint32_t alpha = 0;
    if (mImage->IsCompressed()) {
        CRLE::sReader reader = mImage->GetRLE()->SeekReader(point.x, point.y);
        alpha = mImage->GetRLE()->Read(reader) >> 24;
    } else {
        gCRect area{point.x, point.y, point.x + 1, point.y + 1};
        CImNav navigator(mImage, &area);
        if (!navigator.IsLocked() || navigator.GetWidth() < 1 || navigator.GetHeight() < 1)
            return false;
        alpha = navigator.Row(0)[0] >> 24;
    }
    return int32_t(alpha) >= mOpacityThreshold;
}

eResultCode CImWidget::Paint(const gCRect& area, CImage* target, int32_t alpha)
{
    if (alpha == 0)
        return eSuccess;
    if (!mImage)
        return CCoWidget::Paint(area, target, alpha);
    // Only the image's own pixels are read, whatever area the caller asks for.
    gCRect clipped = area;
    if (!ClipRect(clipped, gCRect{0, 0, mImage->GetWidth(), mImage->GetHeight()}))
        return eSuccess;
    const uint32_t scale = uint32_t(alpha + 1) << 16;
    CImNav destination(target, &clipped);
    if (!destination.IsLocked())
        return eNoMemory;
    // The target may have cut the area: the source is read over what is left of it.
    clipped = destination.GetArea();
    clipped -= target->GetOrigin();
    const int32_t width = destination.GetWidth();
    const int32_t height = destination.GetHeight();
    auto put = [&](CPixel* d, CPixel p) {
        if (mOpaqueBlit) {
            *d = p;
            return;
        }
        uint32_t c = ((p >> 24) * scale) >> 24;
        if (c == 0)
            return;
        if (c == 255)
            *d = p;
        else
            gPaintPixelHook(d, c, &p);
    };
    if (mImage->IsCompressed()) {
        CRLE* rle = mImage->GetRLE();
        for (int32_t y = 0; y < height; ++y) {
            CRLE::sReader reader = rle->SeekReader(clipped.left, clipped.top + y);
            CPixel* row = destination.Row(y);
            for (int32_t x = 0; x < width; ++x)
                put(row + x, rle->Read(reader));
        }
        return eSuccess;
    }
    CImNav source(mImage, &clipped);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(height, source.GetHeight()); ++y) {
        CPixel* row = destination.Row(y);
        const CPixel* from = source.Row(y);
        const int32_t n = std::min(width, source.GetWidth());
        if (mOpaqueBlit) {
            std::copy(from, from + n, row);
            continue;
        }
        for (int32_t x = 0; x < n; ++x)
            put(row + x, from[x]);
    }
    return eSuccess;
}

eResultCode CImWidget::DrawAlphaMask(CImage8* mask)
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
    if (!mImage || (!mImage->HasPixelBuffer() && !mImage->IsCompressed()))
        return CCoWidget::DrawAlphaMask(mask);
    gCRect area{0, 0, std::min(mImage->GetWidth(), mask->GetWidth()),
                std::min(mImage->GetHeight(), mask->GetHeight())};
    if (area.right <= 0 || area.bottom <= 0)
        return CCoWidget::DrawAlphaMask(mask);
    CImNav8 destination(mask, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    if (mImage->IsCompressed()) {
        CRLE* rle = mImage->GetRLE();
        for (int32_t y = 0; y < destination.GetHeight(); ++y) {
            CRLE::sReader reader = rle->SeekReader(0, y);
            uint8_t* row = destination.Row(y);
            for (int32_t x = 0; x < destination.GetWidth(); ++x)
                row[x] = uint8_t(rle->Read(reader) >> 24);
        }
        return eSuccess;
    }
    CImNav source(mImage, &area);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(destination.GetHeight(), source.GetHeight()); ++y) {
        uint8_t* row = destination.Row(y);
        const CPixel* from = source.Row(y);
        for (int32_t x = 0; x < std::min(destination.GetWidth(), source.GetWidth()); ++x)
            row[x] = uint8_t(from[x] >> 24);
    }
    return eSuccess;
}

eResultCode CImWidget::RefreshEffect(CWidgetEffectBase* effect, bool update)
{
    if (mImage && !mImage->IsCompressed()) {
        PNU_TRY(effect->RefreshWithMask(mImage));
    } else if (mImage) {
        const CRLE* rle = mImage->GetRLE();
        auto* shape = new CImage(rle->GetWidth(), rle->GetHeight(), 0);
        if (!shape || !shape->HasPixelBuffer()) {
            delete shape;
            return eNoMemory;
        }
        eResultCode result = eSuccess;
        {
            CImNav navigator(shape, nullptr);
            if (!navigator.IsLocked()) {
                result = eNoMemory;
            } else {
                for (int32_t y = 0; y < navigator.GetHeight(); ++y) {
                    CRLE::sReader reader = rle->SeekReader(0, y);
                    CPixel* row = navigator.Row(y);
                    for (int32_t x = 0; x < navigator.GetWidth(); ++x)
                        row[x] = rle->Read(reader);
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

eResultCode CImWidget::CrossFade(CImage* from, CImage* to, float t, bool refreshEffects, bool update)
{
    const float scaled = 255.0f * t;
    const int32_t k = scaled > 0.0f ? int32_t(scaled + 0.5f) : int32_t(scaled - 0.5f);
    if (!from || !to || !mImage || !from->HasPixelBuffer() || !to->HasPixelBuffer() ||
        !mImage->HasPixelBuffer())
        return UpdateIf(update);
    gCRect area{0, 0, std::min({mImage->GetWidth(), to->GetWidth(), from->GetWidth()}),
                std::min({mImage->GetHeight(), to->GetHeight(), from->GetHeight()})};
    {
        CImNav out(mImage, &area);
        CImNav a(from, &area);
        CImNav b(to, &area);
        if (!out.IsLocked() || !a.IsLocked() || !b.IsLocked())
            return eNoMemory;
        const uint32_t f = uint32_t(k) * 257u + 1u;
        for (int32_t y = 0; y < out.GetHeight(); ++y) {
            CPixel* row = out.Row(y);
            const CPixel* rowA = a.Row(y);
            const CPixel* rowB = b.Row(y);
            for (int32_t x = 0; x < out.GetWidth(); ++x) {
                const CPixel pa = rowA[x];
                const CPixel pb = rowB[x];
                const uint32_t aA = pa >> 24;
                const uint32_t bA = pb >> 24;
                CPixel result;
                if (k <= 0) {
                    result = pa;
                } else if (k >= 255) {
                    result = pb;
                } else if (aA == 0) {
                    result = (pb & 0x00FFFFFFu) | uint32_t((uint64_t(bA << 8) * f) >> 24) << 24;
                } else if (bA == 0) {
                    result = (pa & 0x00FFFFFFu) | uint32_t((uint64_t(aA << 8) * (65536u - f)) >> 24) << 24;
                } else {
                    const int32_t o = int32_t(aA + uint32_t((int64_t(int32_t(bA) - int32_t(aA)) * f) >> 16)) & 255;
                    const uint32_t inv = 0x1000000u / uint32_t(o + 1);
                    result = uint32_t(o) << 24;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const int32_t ma = int32_t((((pa >> shift) & 255) * (aA + 1)) >> 8);
                        const int32_t mb = int32_t((((pb >> shift) & 255) * (bA + 1)) >> 8);
                        const int32_t m = int32_t(ma + int32_t((int64_t(mb - ma) * f) >> 16)) & 255;
                        result |= ((uint32_t(m) * inv) >> 16 & 255) << shift;
                    }
                }
                row[x] = result;
            }
        }
    }
    if (refreshEffects)
        PNU_TRY(RefreshAllEffects());
    (void)Invalidate(false);
    return UpdateIf(update);
}

eResultCode CImWidget::LoadWidgetDataBlock(gCStream* stream)
{
    CImWidgetDataHolder holder;
    PNU_TRY(LoadBlock(stream, holder, kImWidgetMessages,
                      [this](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
                          return ParseWidgetChunk(tag, block, static_cast<CImWidgetDataHolder&>(h));
                      }));
    return AssignNamedImage(holder, dynamic_cast<gCFile*>(stream));
}

const CImWidget::sImageStepMessages CImWidget::kImageStepMessages = {
    "ImWidget image load failed!", "ImWidget assign image failed.", "ImWidget image list load failed!",
    "ImWidget assign image list failed.", "ImWidget change image idx failed."};

eResultCode CImWidget::AssignNamedImage(CImWidgetDataHolder& holder, gCFile* file, const sImageStepMessages& messages)
{
    if (holder.imageName.GetLength() == 0)
        return AssignNamedList(holder, file, messages);
    CImage* image = nullptr;
    if (holder.shared) {
        CResourceContext* context = GetResourceContext();
        if (context)
            image = dynamic_cast<CImage*>(context->FindPoolResourceByName(eImagePool, holder.imageName));
        if (!image) {
            image = CImage::CreateFromName(holder.imageName, file, nullptr);
            if (!image) {
                ReportError(eResourceNotFound, "ImWidget image load.");
                return eResourceReadError;
            }
            if (!context || context->pools[eImagePool].Add(image) != eSuccess) {
                delete image;
                ReportError(eCreateFailed, messages.imageLoad);
                return eResourceReadError;
            }
        }
    } else {
        image = CImage::CreateFromName(holder.imageName, file, nullptr);
        if (!image) {
            ReportError(eCreateFailed, messages.imageLoad);
            return eResourceReadError;
        }
    }
    if (eResultCode result = SetImage(image, false, false); result != eSuccess) {
        // Refused images were not taken over: only a private one is the loader's to delete.
        if (mImage != image && !image->IsInPool())
            delete image;
        ReportError(eCreateFailed, messages.assignImage);
        return result;
    }
    if (holder.compress)
        PNU_TRY(CompressImage());
    if (holder.sizeToImage)
        return SizeToImage(false);
    return eSuccess;
}

eResultCode CImWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CImWidgetDataHolder& holder)
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
        return readLine(holder.imageName, "ImWidget imag.");
    case Code("imcm"):
        return readInt(value, "ImWidget imcm.");
    case Code("imls"):
        return readLine(holder.listName, "ImWidget imls.");
    case Code("imlx"):
        return readInt(holder.listIndex, "ImWidget imlx.");
    case Code("imsh"):
        PNU_TRY(readInt(value, "ImWidget imsh."));
        holder.shared = value == 1;
        return eSuccess;
    case Code("stim"):
        PNU_TRY(readInt(value, "ImWidget stim."));
        holder.sizeToImage = value == 1;
        return eSuccess;
    default:
        return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    }
}

eResultCode CImWidget::AssignNamedList(CImWidgetDataHolder& holder, gCFile* file, const sImageStepMessages& messages)
{
    if (holder.listName.GetLength() == 0)
        return eSuccess;
    gCImageList* list = gCImageList::CreateFromName(holder.listName, file, nullptr);
    if (!list) {
        ReportError(eCreateFailed, messages.listLoad);
        return eResourceReadError;
    }
    if (eResultCode result = SetImageList(list); result != eSuccess) {
        delete list;
        ReportError(eCreateFailed, messages.assignList);
        return result;
    }
    if (eResultCode result = SetImageListIndex(holder.listIndex, false, false); result != eSuccess) {
        ReportError(eCreateFailed, messages.changeIndex);
        return result;
    }
    if (holder.sizeToImage)
        return SizeToImage(false);
    return eSuccess;
}
