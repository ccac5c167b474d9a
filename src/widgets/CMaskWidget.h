// A coloured container widget that paints its colour through an 8-bit mask at its top-left
// corner: each mask byte scales the colour's alpha. The mask is loaded by name (privately or
// through the image pool), set by code, or rendered by a subclass.
#pragma once

#include "widgets/CCoWidget.h"

class gCImageList8;

class CMaskWidget : public CCoWidget {
public:
    static constexpr uint32_t kTypeCode = 0x6D6B7767; // 'mkwg'

    class CMaskWidgetDataHolder : public CWidgetDataHolder {
    public:
        int32_t listIndex = 0;
        gCString imageName;
        gCString listName;
        bool shared = false;
        bool sizeToImage = false;
        bool compress = false;
    };

    CMaskWidget() = default;
    ~CMaskWidget() override;

    static CMaskWidget* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CMaskWidget* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    uint32_t GetTypeCode() const override { return kTypeCode; }
    eResultCode SetSize(int32_t width, int32_t height, bool update) override;
    using CWidget::SetSize;
    eResultCode Paint(const gCRect& area, CImage* target, int32_t alpha) override;
    bool HitTest(const gCPoint& point) override;
    eResultCode DrawAlphaMask(CImage8* mask) override;
    eResultCode RefreshEffect(CWidgetEffectBase* effect, bool update) override;
    eResultCode OnRectChanged() override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual eResultCode SizeToImage(bool update);
    virtual eResultCode SetImage(CImage8* mask, bool sizeToImage, bool update);
    virtual eResultCode SetImageList(gCImageList8* list);
    virtual eResultCode SetImageListIndex(int32_t index, bool sizeToImage, bool update);
    virtual eResultCode NextImage(bool sizeToImage, bool update);
    virtual eResultCode FillImage();
    virtual eResultCode CompressImage();
    virtual eResultCode DecompressImage();
    virtual CImage8* GetImage() const { return mMask; }
    virtual int32_t GetImageListIndex() const;
    virtual gCImageList8* GetImageList() const { return mList; }
    virtual bool GetScaleToWidget() const { return mScaleToWidget; }
    virtual void SetScaleToWidget(bool scale) { mScaleToWidget = scale; }
    virtual bool IsImageCompressed() const;
    virtual eResultCode RefreshImage(bool update);

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CMaskWidgetDataHolder& holder);
    eResultCode AssignNamedMask(CMaskWidgetDataHolder& holder, gCFile* file);
    eResultCode AssignNamedList(CMaskWidgetDataHolder& holder, gCFile* file);
    void DeleteOwnedMask();

    CImage8* mMask = nullptr;
    gCImageList8* mList = nullptr;
    bool mScaleToWidget = false;
};
