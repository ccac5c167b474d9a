// The members of CImageWidgetT, included only where an image widget class is built.
#pragma once

#include "FileIO/gCFile.h"
#include "app/ReportError.h"
#include "imaging/CImNav8.h"
#include "imaging/CImage8.h"
#include "imaging/PixelCompositing.h"
#include "imaging/Resample.h"
#include "resources/CResourceContext.h"
#include "widgets/CImageWidgetT.h"
#include "widgets/CWidgetEffectBase.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/CreateLoadedWidget.h"
#include "widgets/EffectPixels.h"

#include <algorithm>

template <class Derived, class Image, class List>
CImageWidgetT<Derived, Image, List>::~CImageWidgetT()
{
    DeleteOwnedImage();
    // Entries of the list count as pooled, so the picture never took one of them with it.
    if (mList && !mList->IsInPool())
        delete mList;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::SetImageList(List* list)
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

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::SetImageListIndex(int32_t index, bool sizeToImage, bool update)
{
    if (!mList || index < 0 || index >= mList->GetCount())
        return eBadParameter;
    mList->SetCurrentIndex(index);
    return SetImage(mList->GetImage(index), sizeToImage, update);
}

template <class Derived, class Image, class List>
int32_t CImageWidgetT<Derived, Image, List>::GetImageListIndex() const
{
    return mList ? mList->GetCurrentIndex() : 0;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::NextImage(bool sizeToImage, bool update)
{
    if (!mList || mList->GetCount() < 2)
        return eBadParameter;
    int32_t next = mList->GetCurrentIndex() + 1;
    if (next >= mList->GetCount())
        next = 0;
    return SetImageListIndex(next, sizeToImage, update);
}

template <class Derived, class Image, class List>
void CImageWidgetT<Derived, Image, List>::DeleteOwnedImage()
{
    if (mImage && !mImage->IsInPool())
        delete mImage;
    mImage = nullptr;
}

template <class Derived, class Image, class List>
Derived* CImageWidgetT<Derived, Image, List>::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return CreateWidgetFromId<Derived>(id, file, directory);
}

template <class Derived, class Image, class List>
Derived* CImageWidgetT<Derived, Image, List>::CreateFromName(const gCString& name, gCFile* file,
                                                              CResourceDirectory* directory)
{
    return CreateWidgetFromName<Derived>(name, file, directory);
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::SizeToImage(bool update)
{
    if (!mImage)
        return eSuccess;
    return SetSize(mImage->GetWidth(), mImage->GetHeight(), update);
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::SetImage(Image* image, bool sizeToImage, bool update)
{
    using Navigator = typename Derived::Navigator;
    if (!image || !image->IsCreated())
        return eBadParameter;
    if (mImage != image)
        DeleteOwnedImage();
    if (mScaleToWidget) {
        auto* scaled = new Image(GetWidth(), GetHeight());
        if (!scaled || !scaled->HasPixelBuffer()) {
            delete scaled;
            return eNoMemory;
        }
        mImage = scaled;
        eResultCode result;
        {
            Navigator destination(scaled, nullptr);
            Navigator source(image, nullptr);
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

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::CompressImage()
{
    if (mImage && !mImage->IsCompressed())
        return mImage->Compress();
    return eSuccess;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::DecompressImage()
{
    if (mImage && mImage->IsCompressed())
        return mImage->Decompress();
    return eSuccess;
}

template <class Derived, class Image, class List>
bool CImageWidgetT<Derived, Image, List>::IsImageCompressed() const
{
    return mImage && mImage->IsCompressed();
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::RefreshImage(bool update)
{
    PNU_TRY(RefreshAllEffects());
    return Invalidate(update);
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::SetSize(int32_t width, int32_t height, bool update)
{
    PNU_TRY(CWidget::SetSize(width, height, update));
    // A root gets no rect change from a parent's layout, so it renews its picture here.
    if (!GetParent())
        return CImageWidgetT::OnRectChanged();
    return eSuccess;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::OnRectChanged()
{
    const int32_t width = GetWidth();
    const int32_t height = GetHeight();
    if (width < 1 || height < 1)
        return eSuccess;
    // Sizes come from data files: a picture larger than any effect may work on is refused.
    if (Derived::kPictureWithinWorkLimit && !WorkImageFits(width, height))
        return eNoMemory;
    if (!mImage) {
        auto* image = new Image(width, height);
        if (!image || !image->HasPixelBuffer()) {
            delete image;
            return eNoMemory;
        }
        mImage = image;
        return FillImage();
    }
    if (mImage->GetWidth() == width && mImage->GetHeight() == height)
        return eSuccess;
    // A pooled picture belongs to others: the widget takes a picture of its own instead of
    // resizing the shared one under them.
    if (mImage->IsInPool()) {
        mImage = nullptr;
        return CImageWidgetT::OnRectChanged();
    }
    PNU_TRY(mImage->SetSize(width, height));
    return FillImage();
}

template <class Derived, class Image, class List>
bool CImageWidgetT<Derived, Image, List>::HitTest(const gCPoint& point)
{
    using Navigator = typename Derived::Navigator;
    if (mOpacityThreshold == 0)
        return true;
    if (!mImage)
        return false;
    if (!gCRect{0, 0, mImage->GetWidth(), mImage->GetHeight()}.Contains(point))
        return false;
    uint32_t coverage = 0;
    if (mImage->IsCompressed()) {
        auto reader = mImage->GetRLE()->SeekReader(point.x, point.y);
        coverage = Derived::CoverageOf(mImage->GetRLE()->Read(reader));
    } else {
        gCRect area{point.x, point.y, point.x + 1, point.y + 1};
        Navigator navigator(mImage, &area);
        if (!navigator.IsLocked() || navigator.GetWidth() < 1 || navigator.GetHeight() < 1)
            return false;
        coverage = Derived::CoverageOf(navigator.Row(0)[0]);
    }
    return int32_t(coverage) >= mOpacityThreshold;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::DrawAlphaMask(CImage8* mask)
{
    using Navigator = typename Derived::Navigator;
    if (!mask || !mask->HasPixelBuffer() || mask->IsCompressed())
        return eSuccess;
    // Opaque, or with no picture: the plain widget's mask.
    if (mOpaqueBlit || !mImage || (!mImage->HasPixelBuffer() && !mImage->IsCompressed()))
        return CCoWidget::DrawAlphaMask(mask);
    gCRect area{0, 0, std::min(mImage->GetWidth(), mask->GetWidth()),
                std::min(mImage->GetHeight(), mask->GetHeight())};
    if (area.right <= 0 || area.bottom <= 0)
        return CCoWidget::DrawAlphaMask(mask);
    CImNav8 destination(mask, &area);
    if (!destination.IsLocked())
        return eNoMemory;
    if (mImage->IsCompressed()) {
        auto* rle = mImage->GetRLE();
        for (int32_t y = 0; y < destination.GetHeight(); ++y) {
            auto reader = rle->SeekReader(0, y);
            uint8_t* row = destination.Row(y);
            for (int32_t x = 0; x < destination.GetWidth(); ++x)
                row[x] = Derived::CoverageOf(rle->Read(reader));
        }
        return eSuccess;
    }
    Navigator source(mImage, &area);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(destination.GetHeight(), source.GetHeight()); ++y) {
        uint8_t* row = destination.Row(y);
        const auto* from = source.Row(y);
        for (int32_t x = 0; x < std::min(destination.GetWidth(), source.GetWidth()); ++x)
            row[x] = Derived::CoverageOf(from[x]);
    }
    return eSuccess;
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::LoadWidgetDataBlock(gCStream* stream)
{
    CImageWidgetDataHolder holder;
    PNU_TRY(LoadBlock(stream, holder, kWidgetBlockMessages,
                      [this](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
                          return ParseWidgetChunk(tag, block, static_cast<CImageWidgetDataHolder&>(h));
                      }));
    return AssignNamedImage(holder, dynamic_cast<gCFile*>(stream));
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::AssignNamedImage(CImageWidgetDataHolder& holder, gCFile* file,
                                                                  const sImageStepMessages& messages)
{
    if (holder.imageName.GetLength() == 0)
        return AssignNamedList(holder, file, messages);
    Image* image = nullptr;
    if (holder.shared) {
        CResourceContext* context = GetResourceContext();
        if (context)
            image = dynamic_cast<Image*>(context->FindPoolResourceByName(eImagePool, holder.imageName));
        if (!image) {
            image = Image::CreateFromName(holder.imageName, file, nullptr);
            if (!image) {
                ReportError(eResourceNotFound, messages.sharedLoad);
                return eResourceReadError;
            }
            if (!context || context->pools[eImagePool].Add(image) != eSuccess) {
                delete image;
                ReportError(eCreateFailed, messages.imageLoad);
                return eResourceReadError;
            }
        }
    } else {
        image = Image::CreateFromName(holder.imageName, file, nullptr);
        if (!image) {
            ReportError(eCreateFailed, messages.imageLoad);
            return eResourceReadError;
        }
    }
    if (eResultCode result = SetImage(image, false, false); result != eSuccess) {
        // Refused pictures were not taken over: only a private one is the loader's to delete.
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

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::ParseWidgetChunk(uint32_t tag, gCStream* stream,
                                                                  CImageWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    const sChunkMessages& messages = Derived::kChunkMessages;
    int32_t value = 0;
    switch (tag) {
    case FourCharCode("imag"):
        return read.Line(holder.imageName, messages.imag);
    case FourCharCode("imcm"):
        return read.Int(value, messages.imcm);
    case FourCharCode("imls"):
        return read.Line(holder.listName, messages.imls);
    case FourCharCode("imlx"):
        return read.Int(holder.listIndex, messages.imlx);
    case FourCharCode("imsh"):
        PNU_TRY(read.Int(value, messages.imsh));
        holder.shared = value == 1;
        return eSuccess;
    case FourCharCode("stim"):
        PNU_TRY(read.Int(value, messages.stim));
        holder.sizeToImage = value == 1;
        return eSuccess;
    default:
        return CCoWidget::ParseWidgetChunk(tag, stream, holder);
    }
}

template <class Derived, class Image, class List>
eResultCode CImageWidgetT<Derived, Image, List>::AssignNamedList(CImageWidgetDataHolder& holder, gCFile* file,
                                                                 const sImageStepMessages& messages)
{
    if (holder.listName.GetLength() == 0)
        return eSuccess;
    List* list = List::CreateFromName(holder.listName, file, nullptr);
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

template <class Derived, class Image, class List>
template <typename Put>
eResultCode CImageWidgetT<Derived, Image, List>::PaintPicture(const gCRect& area, CImage* target, int32_t alpha,
                                                              bool opaqueCopy, Put put)
{
    if (!mImage)
        return CCoWidget::Paint(area, target, alpha);
    gCRect clipped = area;
    if (!ClipRect(clipped, gCRect{0, 0, mImage->GetWidth(), mImage->GetHeight()}))
        return eSuccess;
    CImNav destination(target, &clipped);
    if (!destination.IsLocked())
        return eNoMemory;
    // The target may have cut the area: the source is read over what is left of it.
    clipped = destination.GetArea();
    clipped -= target->GetOrigin();
    const int32_t width = destination.GetWidth();
    const int32_t height = destination.GetHeight();
    if (mImage->IsCompressed()) {
        auto* rle = mImage->GetRLE();
        for (int32_t y = 0; y < height; ++y) {
            auto reader = rle->SeekReader(clipped.left, clipped.top + y);
            CPixel* row = destination.Row(y);
            for (int32_t x = 0; x < width; ++x)
                put(row + x, rle->Read(reader));
        }
        return eSuccess;
    }
    typename Derived::Navigator source(mImage, &clipped);
    if (!source.IsLocked())
        return eNoMemory;
    for (int32_t y = 0; y < std::min(height, source.GetHeight()); ++y) {
        CPixel* row = destination.Row(y);
        const auto* from = source.Row(y);
        const int32_t n = std::min(width, source.GetWidth());
        if (opaqueCopy) {
            std::copy(from, from + n, row);
            continue;
        }
        for (int32_t x = 0; x < n; ++x)
            put(row + x, from[x]);
    }
    return eSuccess;
}

template <class Derived, class Image, class List>
template <typename Fill>
eResultCode CImageWidgetT<Derived, Image, List>::RefreshWithShape(CWidgetEffectBase* effect, int32_t width,
                                                                  int32_t height, Fill fill)
{
    auto* shape = new CImage(width, height, 0);
    if (!shape || !shape->HasPixelBuffer()) {
        delete shape;
        return eNoMemory;
    }
    // Only the part the effect reads is decoded: a widget declared far larger than its window
    // would otherwise decode its whole picture for each of its effects.
    gCRect part = effect->ShapeRead(width, height);
    eResultCode result = eSuccess;
    if (ClipRect(part, gCRect{0, 0, width, height})) {
        CImNav navigator(shape, &part);
        result = navigator.IsLocked() ? fill(navigator, part) : eNoMemory;
    }
    if (result == eSuccess)
        result = effect->RefreshWithMask(shape);
    delete shape;
    return result;
}

template <class Derived, class Image, class List>
void CImageWidgetT<Derived, Image, List>::PutScaledPixel(CPixel* d, CPixel p, uint32_t scale)
{
    uint32_t c = ((p >> 24) * scale) >> 24;
    if (c == 0)
        return;
    if (c == 255)
        *d = p;
    else
        gPaintPixelHook(d, c, &p);
}

template <class Derived, class Image, class List>
template <typename Fill>
eResultCode CImageWidgetT<Derived, Image, List>::FillPicture(Fill fill)
{
    if (!mImage)
        return eSuccess;
    typename Derived::Navigator navigator(mImage, nullptr);
    if (!navigator.IsLocked())
        return eNoMemory;
    fill(navigator);
    return eSuccess;
}
