// The body shared by the image widget and the mask widget: a coloured container that shows a
// picture at its top-left corner, loaded by name (privately or through the image pool), taken
// from an image list or set by code. The picture may stay in its run-length form; hit testing
// and the alpha mask read that form in place. Each class names its picture and list types and
// keeps its own differences as traits (see CImWidget and CMaskWidget): the navigator over its
// picture, the coverage of one of its pixels, its alert texts, and whether the picture it makes
// for itself is held to the work-image limit. Painting, effects and filling stay with each class.
// The members are defined in CImageWidgetTBody.h and built once, with each class.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: NextImage,
// DecompressImage, IsImageCompressed, the image list and its index, and the scale-to-widget flag.
#pragma once

#include "imaging/CPixel.h"
#include "widgets/CCoWidget.h"

template <class Derived, class Image, class List>
class CImageWidgetT : public CCoWidget {
public:
    class CImageWidgetDataHolder : public CWidgetDataHolder {
    public:
        int32_t listIndex = 0;
        gCString imageName;
        gCString listName;
        bool shared = false;
        bool sizeToImage = false;
        bool compress = false;
    };

    // The alerts of the image steps after the chunks; each subclass loader may name itself.
    struct sImageStepMessages {
        const char* imageLoad;
        const char* assignImage;
        const char* listLoad;
        const char* assignList;
        const char* changeIndex;
        // A shared picture found neither in the pool nor in the file.
        const char* sharedLoad;
    };

    // The alerts of the chunks' failed reads, one a tag.
    struct sChunkMessages {
        const char* imag;
        const char* imcm;
        const char* imls;
        const char* imlx;
        const char* imsh;
        const char* stim;
    };

    ~CImageWidgetT() override;

    // Create and load; the widget is deleted and null returned when loading fails.
    static Derived* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static Derived* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    eResultCode SetSize(int32_t width, int32_t height, bool update) override;
    using CWidget::SetSize;
    bool HitTest(const gCPoint& point) override;
    eResultCode DrawAlphaMask(CImage8* mask) override;
    eResultCode OnRectChanged() override;
    eResultCode LoadWidgetDataBlock(gCStream* stream) override;

    virtual eResultCode SizeToImage(bool update);
    virtual eResultCode SetImage(Image* image, bool sizeToImage, bool update);
    virtual eResultCode SetImageList(List* list);
    virtual eResultCode SetImageListIndex(int32_t index, bool sizeToImage, bool update);
    virtual eResultCode NextImage(bool sizeToImage, bool update);
    virtual eResultCode FillImage() = 0;
    virtual eResultCode CompressImage();
    virtual eResultCode DecompressImage();
    virtual Image* GetImage() const { return mImage; }
    virtual int32_t GetImageListIndex() const;
    virtual List* GetImageList() const { return mList; }
    virtual bool GetScaleToWidget() const { return mScaleToWidget; }
    virtual void SetScaleToWidget(bool scale) { mScaleToWidget = scale; }
    virtual bool IsImageCompressed() const;
    virtual eResultCode RefreshImage(bool update);

protected:
    CImageWidgetT() = default;

    eResultCode ParseWidgetChunk(uint32_t tag, gCStream* stream, CImageWidgetDataHolder& holder);
    // Loads the named picture after the chunks are read; `file` is the file being loaded.
    eResultCode AssignNamedImage(CImageWidgetDataHolder& holder, gCFile* file,
                                 const sImageStepMessages& messages = Derived::kImageStepMessages);
    eResultCode AssignNamedList(CImageWidgetDataHolder& holder, gCFile* file,
                                const sImageStepMessages& messages = Derived::kImageStepMessages);
    void DeleteOwnedImage();
    // Paints the picture over `area` (only its own pixels are read) through put(target pixel,
    // picture value); with `opaqueCopy` plain rows are copied as they are. Without a picture the
    // container paints.
    template <typename Put>
    eResultCode PaintPicture(const gCRect& area, CImage* target, int32_t alpha, bool opaqueCopy, Put put);
    // Refreshes an effect with a width x height 32-bit shape whose pixels fill(navigator) writes.
    // Lays p over *d at p's alpha scaled by `scale` ((alpha + 1) << 16): nothing at 0, a copy at 255.
    static void PutScaledPixel(CPixel* d, CPixel p, uint32_t scale);
    // Fills the picture through fill(navigator); nothing to do without a picture.
    template <typename Fill>
    eResultCode FillPicture(Fill fill);
    template <typename Fill>
    static eResultCode RefreshWithShape(CWidgetEffectBase* effect, int32_t width, int32_t height, Fill fill);

    Image* mImage = nullptr;
    List* mList = nullptr;
    bool mScaleToWidget = false;
};
