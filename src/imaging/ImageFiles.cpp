#include "imaging/ImageFiles.h"

#include "FileIO/gCFRef.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/gCBmpIO.h"
#include "imaging/gCJpgIO.h"
#include "imaging/gCPngIO.h"
#include "imaging/gCPsdIO.h"

#include <png.h>

#include <cstring>
#include <type_traits>

namespace {

// Reads up to count bytes at the position and goes back; answers how many were read. Only bytes
// that were read are ever compared.
uint32_t Peek(gCStream& stream, uint8_t* bytes, uint32_t count)
{
    int64_t position = stream.GetPos();
    int64_t left = stream.GetLength() - position;
    if (left <= 0)
        return 0;
    uint32_t wanted = left < count ? uint32_t(left) : count;
    uint32_t got = stream.Read(bytes, int32_t(wanted)) == eSuccess ? wanted : 0;
    (void)stream.SetPos(position);
    return got;
}

gCImageFormat* CreateFormat(int32_t format)
{
    switch (format) {
    case eImageFormatBmp:
        return new gCBmpIO;
    case eImageFormatJpeg:
        return new gCJpgIO;
    case eImageFormatPng:
        return new gCPngIO(1.0f);
    case eImageFormatPsd:
        return new gCPsdIO;
    default:
        return nullptr;
    }
}

// Runs one step with a new handler of `format`, then frees the handler.
template <typename Step>
eResultCode WithFormat(int32_t format, Step step)
{
    gCImageFormat* handler = CreateFormat(format);
    if (!handler)
        return eCreateFailed;
    eResultCode result = step(*handler);
    delete handler;
    return result;
}

// The handler's entry for the image's kind (32-bit or 8-bit), saving or loading.
template <bool Save, typename Image>
eResultCode Transfer(gCImageFormat& handler, gCStream& stream, Image* image)
{
    constexpr bool wide = std::is_same_v<Image, CImage>;
    if constexpr (Save && wide)
        return handler.SaveImage32(stream, image);
    else if constexpr (Save)
        return handler.SaveImage8(stream, image);
    else if constexpr (wide)
        return handler.LoadImage32(stream, image);
    else
        return handler.LoadImage8(stream, image);
}

template <typename Image>
eResultCode LoadFromStream(gCStream& stream, Image* image)
{
    int32_t format = DetectImageFormat(stream);
    if (format == eImageFormatNone)
        return eBadParameter;
    return WithFormat(format, [&](gCImageFormat& reader) { return Transfer<false>(reader, stream, image); });
}

template <typename Image>
eResultCode SaveToStream(gCStream& stream, Image* image, int32_t format)
{
    if (image && image->IsCompressed())
        return eBadParameter;
    return WithFormat(format, [&](gCImageFormat& writer) { return Transfer<true>(writer, stream, image); });
}

} // namespace

int32_t DetectImageFormat(gCStream& stream)
{
    uint8_t bytes[10] = {};
    if (stream.GetLength() >= 8 && Peek(stream, bytes, 8) == 8 && png_sig_cmp(bytes, 0, 8) == 0)
        return eImageFormatPng;
    memset(bytes, 0, sizeof bytes);
    uint32_t got = Peek(stream, bytes, 10);
    if (got >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
        return eImageFormatJpeg;
    if (got >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return eImageFormatBmp;
    if (got >= 4 && memcmp(bytes, "8BPS", 4) == 0)
        return eImageFormatPsd;
    return eImageFormatNone;
}

int32_t DetectImageFormat(CMemBlock& block)
{
    gCMemFile stream(&block);
    return DetectImageFormat(stream);
}

int32_t IsImageFormatKnown(gCStream& stream)
{
    return DetectImageFormat(stream) != eImageFormatNone ? 1 : 0;
}

eResultCode LoadImage(gCStream& stream, CImage* image)
{
    return LoadFromStream(stream, image);
}

eResultCode LoadImage(gCStream& stream, CImage8* image)
{
    return LoadFromStream(stream, image);
}

eResultCode LoadImage(CMemBlock& block, CImage* image)
{
    gCMemFile stream(&block);
    return LoadFromStream(stream, image);
}

eResultCode LoadImage(CMemBlock& block, CImage8* image)
{
    gCMemFile stream(&block);
    return LoadFromStream(stream, image);
}

eResultCode SaveImage(gCStream& stream, CImage* image, int32_t format)
{
    return SaveToStream(stream, image, format);
}

eResultCode SaveImage(gCStream& stream, CImage8* image, int32_t format)
{
    return SaveToStream(stream, image, format);
}

eResultCode SaveImage(CMemBlock& block, CImage* image, int32_t format)
{
    gCMemFile stream(&block);
    return SaveToStream(stream, image, format);
}

eResultCode SaveImage(CMemBlock& block, CImage8* image, int32_t format)
{
    gCMemFile stream(&block);
    return SaveToStream(stream, image, format);
}

namespace {

template <typename Path, typename Image>
eResultCode LoadFromPath(Path& path, Image* image)
{
    if (!path.IsSet() || path.GetPath().IsEmpty())
        return eBadParameter;
    gCFile file;
    PNU_TRY(file.Open(path, gCFile::eAccessRead));
    eResultCode result = LoadFromStream(file, image);
    (void)file.Close();
    return result;
}

template <typename Path, typename Image>
eResultCode SaveToPath(Path& path, Image* image, int32_t format)
{
    if (!path.IsSet() || path.GetPath().IsEmpty())
        return eBadParameter;
    // Nothing is created or cut for an image that would not be written.
    if (image && image->IsCompressed())
        return eBadParameter;
    gCFile file;
    PNU_TRY(file.Open(path, gCFile::eAccessWrite));
    eResultCode result = SaveToStream(file, image, format);
    (void)file.Close();
    return result;
}

} // namespace

eResultCode LoadImage(const gCString& path, CImage* image)
{
    gCFRelative relative(path, 0);
    return LoadFromPath(relative, image);
}

eResultCode LoadImage(const gCString& path, CImage8* image)
{
    gCFRelative relative(path, 0);
    return LoadFromPath(relative, image);
}

eResultCode LoadImage(gCBasePath& path, CImage* image) { return LoadFromPath(path, image); }
eResultCode LoadImage(gCBasePath& path, CImage8* image) { return LoadFromPath(path, image); }
eResultCode LoadImage(gCFRef& file, CImage* image) { return LoadFromPath(file, image); }
eResultCode LoadImage(gCFRef& file, CImage8* image) { return LoadFromPath(file, image); }

eResultCode SaveImage(const gCString& path, CImage* image, int32_t format)
{
    gCFRef reference(path);
    return SaveToPath(reference, image, format);
}

eResultCode SaveImage(const gCString& path, CImage8* image, int32_t format)
{
    gCFRef reference(path);
    return SaveToPath(reference, image, format);
}

eResultCode SaveImage(gCBasePath& path, CImage* image, int32_t format) { return SaveToPath(path, image, format); }
eResultCode SaveImage(gCBasePath& path, CImage8* image, int32_t format) { return SaveToPath(path, image, format); }
eResultCode SaveImage(gCFRef& file, CImage* image, int32_t format) { return SaveToPath(file, image, format); }
eResultCode SaveImage(gCFRef& file, CImage8* image, int32_t format) { return SaveToPath(file, image, format); }
