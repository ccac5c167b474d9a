// A coloured container widget that shows a 32-bit image at its top-left corner: an image loaded
// by name (privately or through the image pool) or set by code. The image may stay in its
// run-length form; painting and hit testing read that form in place.
#pragma once

#include "widgets/CCoWidget.h"

class gCImageList;

class CImWidget : public CCoWidget {
public:
    static constexpr uint32_t kTypeCode = 0x696D7767; // 'imwg'

    class CImWidgetDataHolder : public CWidgetDataHolder {
    public:
        int32_t listIndex = 0;
        gCString imageName;
        gCString listName;
        bool shared = false;
        bool sizeToImage = false;
        bool compress = false;
    };

    // The alerts of the image steps after the chunks; each subclass loader names itself.
    struct sImageStepMessages {
        const char* imageLoad;
        const char* assignImage;
        const char* listLoad;
        const char* assignList;
        const char* changeIndex;
    };
    static const sImageStepMessages kImageStepMessages;

    CImWidget() = default;
    ~CImWidget() override;

    static CImWidget* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CImWidget* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

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
    virtual eResultCode SetImage(CImage* image, bool sizeToImage, bool update);
    virtual eResultCode SetImageList(gCImageList* list);
    virtual eResultCode SetImageListIndex(int32_t index, bool sizeToImage, bool update);
    virtual eResultCode NextImage(bool sizeToImage, bool update);
    virtual eResultCode FillImage();
    virtual eResultCode CompressImage();
    virtual eResultCode DecompressImage();
    virtual eResultCode CrossFade(CImage* from, CImage* to, float t, bool refreshEffects, bool update);
    virtual eResultCode CrossFadeListEntries(int32_t from, int32_t to, float t, bool refreshEffects, bool update);
    virtual CImage* GetImage() const { return mImage; }
    virtual int32_t GetImageListIndex() const;
    virtual gCImageList* GetImageList() const { return mList; }
    virtual bool GetScaleToWidget() const { return mScaleToWidget; }
    virtual void SetScaleToWidget(bool scale) { mScaleToWidget = scale; }
    virtual bool IsImageCompressed() const;
    virtual eResultCode RefreshImage(bool update);

protected:
    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CImWidgetDataHolder& holder);
    // Loads the named image after the chunks are read; `file` is the file being loaded.
    eResultCode AssignNamedImage(CImWidgetDataHolder& holder, gCFile* file,
                                 const sImageStepMessages& messages = kImageStepMessages);
    eResultCode AssignNamedList(CImWidgetDataHolder& holder, gCFile* file,
                                const sImageStepMessages& messages = kImageStepMessages);
    void DeleteOwnedImage();

    CImage* mImage = nullptr;
    gCImageList* mList = nullptr;
    int32_t mListIndex = 0;
    bool mScaleToWidget = false;
};
