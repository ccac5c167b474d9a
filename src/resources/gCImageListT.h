// A list of images loaded by name from the resource file. An exclusive list owns its images; a
// shared one refers to images that belong to the application's image pool. gCImageList holds
// 32-bit images, gCImageList8 8-bit ones; List is the class itself, which its creators make.
#pragma once

#include "FileIO/gCFile.h"
#include "core/CMemBlock.h"
#include "core/ReadiedOrNull.h"
#include "core/gCArray.h"
#include "resources/CResourceContext.h"
#include "resources/ResourceListLoading.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

template <typename Image, typename List>
class gCImageListT : public gCResourceObject {
public:
    gCImageListT(uint32_t typeCode, uint32_t exclusive) : mExclusive(exclusive) { mTypeCode = typeCode; }
    ~gCImageListT() override { (void)Clear(); }

    // Appends the image; a shared list first puts an image that is in no pool into the image
    // pool. The image is marked as pooled in both kinds of list.
    eResultCode AddImage(Image* image)
    {
        if (!mExclusive && !image->IsInPool()) {
            CResourceContext* context = GetResourceContext();
            if (!context)
                return eBadParameter;
            PNU_TRY(context->pools[eImagePool].Add(image));
        }
        PNU_TRY(mImages.Add(image));
        image->SetInPool(1);
        return eSuccess;
    }

    eResultCode Clear()
    {
        if (mExclusive) {
            for (int32_t i = 0; i < mImages.GetSize(); ++i) {
                mCurrent = i;
                delete mImages[i];
                mImages[i] = nullptr;
            }
        }
        mImages.RemoveAll();
        return eSuccess;
    }

    // A new exclusive list loaded from the resource file; null when loading fails (the payload
    // decides the list's kind).
    static List* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new List(1), id, nullptr, file, directory);
    }
    static List* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
    {
        return Create(new List(1), 0, &name, file, directory);
    }

    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override
    {
        gCFile* source = nullptr;
        PNU_TRY(LocateById(id, file, directory, source));
        return LoadPayload(*source);
    }

    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override
    {
        gCFile* source = nullptr;
        PNU_TRY(LocateByName(name, file, directory, source));
        return LoadPayload(*source);
    }

    int32_t GetCount() const { return mImages.GetSize(); }
    Image* GetImage(int32_t index) const
    {
        return index >= 0 && index < mImages.GetSize() ? mImages[index] : nullptr;
    }
    int32_t GetCurrentIndex() const { return mCurrent; }
    // Widgets that show the list's entries keep their selection here.
    void SetCurrentIndex(int32_t index) { mCurrent = index; }
    uint32_t IsExclusive() const { return mExclusive; }

private:
    static List* Create(List* list, uint32_t id, const gCString* name, gCFile* file, CResourceDirectory* directory)
    {
        return ReadiedOrNull(list, [&](List& made) {
            return name ? made.LoadFromName(*name, file, directory) : made.LoadFromId(id, file, directory);
        });
    }

    eResultCode LoadPayload(gCFile& file)
    {
        int32_t exclusive = 0;
        if (eResultCode result = file.ReadLong(exclusive); result != eSuccess) {
            ReportResourceError(eResourceReadError, "Error reading exclusivity");
            return result;
        }
        mExclusive = exclusive != 0 ? 1 : 0;
        int32_t count = 0;
        if (eResultCode result = file.ReadLong(count); result != eSuccess) {
            ReportResourceError(eResourceReadError, "Error reading number of entries");
            return result;
        }
        if (count < 1)
            return eSuccess;
        // Every name is read before any image is touched.
        gCArray<gCString> names;
        for (int32_t i = 0; i < count; ++i) {
            gCString name;
            PNU_TRY(ReadListLine(file, name));
            PNU_TRY(names.Add(name));
        }
        CResourceContext* context = GetResourceContext();
        for (const gCString& name : names) {
            Image* image = nullptr;
            if (!mExclusive && context)
                image = dynamic_cast<Image*>(context->FindPoolResourceByName(eImagePool, name));
            // The chunk scan starts where the list's payload ended; no directory is used.
            if (!image) {
                image = Image::CreateFromName(name, &file, nullptr);
                if (image && !mExclusive && context)
                    (void)context->pools[eImagePool].Add(image);
            }
            if (!image) {
                // Out of memory the error is still reported, without the name.
                CMemBlock bytes;
                const bool held = name.ToMacRomanCString(bytes) == eSuccess;
                ReportResourceError(eResourceNotFound, held ? reinterpret_cast<const char*>(bytes.GetData()) : "");
                return eResourceReadError;
            }
            if (eResultCode result = AddImage(image); result != eSuccess) {
                // Neither the list nor the pool took it.
                if (!image->IsInPool())
                    delete image;
                return result;
            }
        }
        return eSuccess;
    }

    gCArray<Image*> mImages;
    int32_t mCurrent = 0;
    uint32_t mExclusive;
};
