#include "imaging/gCJpgIO.h"

#include "FileIO/gCStream.h"
#include "imaging/CImage.h"
#include "imaging/CImage8.h"
#include "imaging/CImNavBase.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr int32_t kBufferSize = 4096;

// The stream record the managers reach the toolkit's stream through.
struct sJpegStreamRecord {
    long (*write)(gCStream* stream, const void* buffer, long count);
    long (*read)(gCStream* stream, void* buffer, long count);
    gCStream* stream;
};

long WriteToStream(gCStream* stream, const void* buffer, long count)
{
    return stream->Write(buffer, int32_t(count)) == eSuccess ? count : -1;
}

// Delivers at most what the stream still holds: a memory stream copies nothing when a request
// passes its end, so the count is taken from the length and position first.
long ReadFromStream(gCStream* stream, void* buffer, long count)
{
    int64_t left = stream->GetLength() - stream->GetPos();
    if (left <= 0)
        return 0;
    long wanted = left < count ? long(left) : count;
    return stream->Read(buffer, int32_t(wanted)) == eSuccess ? wanted : -1;
}

struct sJpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void ComposeMessage(j_common_ptr info)
{
    // The library's text is composed as the toolkit always did and then dropped: nothing shows
    // or records it.
    char text[JMSG_LENGTH_MAX + 16] = "LibJPEG Error: ";
    (*info->err->format_message)(info, text + strlen(text));
}

void ExitWithError(j_common_ptr info)
{
    (*info->err->output_message)(info);
    longjmp(reinterpret_cast<sJpegError*>(info->err)->jump, 1);
}

// Clears a compressor or decompressor and hooks it to the error record, whose exit returns to
// the codec's caller instead of ending the process.
template <typename Info>
void SetUpErrors(Info& info, sJpegError& error)
{
    jpeg_std_error(&error.manager);
    error.manager.error_exit = ExitWithError;
    error.manager.output_message = ComposeMessage;
    memset(&info, 0, sizeof info);
    info.err = &error.manager;
}

struct sJpegSource {
    jpeg_source_mgr manager;
    sJpegStreamRecord* record;
    JOCTET* buffer;
    boolean startOfFile;
};

void InitSource(j_decompress_ptr info)
{
    reinterpret_cast<sJpegSource*>(info->src)->startOfFile = TRUE;
}

boolean FillInputBuffer(j_decompress_ptr info)
{
    sJpegSource* source = reinterpret_cast<sJpegSource*>(info->src);
    long count = source->record->read(source->record->stream, source->buffer, kBufferSize);
    if (count <= 0) {
        if (source->startOfFile)
            ERREXIT(info, JERR_INPUT_EMPTY);
        WARNMS(info, JWRN_JPEG_EOF);
        // A fake end-of-image marker lets the library finish what it has.
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = size_t(count);
    source->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* source = info->src;
    while (count > long(source->bytes_in_buffer)) {
        count -= long(source->bytes_in_buffer);
        (void)FillInputBuffer(info);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void SetUpSource(j_decompress_ptr info, sJpegStreamRecord* record)
{
    if (!info->src) {
        info->src = static_cast<jpeg_source_mgr*>((*info->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(sJpegSource)));
        reinterpret_cast<sJpegSource*>(info->src)->buffer = static_cast<JOCTET*>((*info->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, kBufferSize));
    }
    sJpegSource* source = reinterpret_cast<sJpegSource*>(info->src);
    source->manager.init_source = InitSource;
    source->manager.fill_input_buffer = FillInputBuffer;
    source->manager.skip_input_data = SkipInputData;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = TermSource;
    source->record = record;
    source->manager.bytes_in_buffer = 0;
    source->manager.next_input_byte = nullptr;
}

struct sJpegDestination {
    jpeg_destination_mgr manager;
    sJpegStreamRecord* record;
    JOCTET* buffer;
};

void InitDestination(j_compress_ptr info)
{
    sJpegDestination* destination = reinterpret_cast<sJpegDestination*>(info->dest);
    destination->buffer = static_cast<JOCTET*>((*info->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, kBufferSize));
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info)
{
    sJpegDestination* destination = reinterpret_cast<sJpegDestination*>(info->dest);
    if (destination->record->write(destination->record->stream, destination->buffer, kBufferSize) != kBufferSize)
        ERREXIT(info, JERR_FILE_WRITE);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = kBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    sJpegDestination* destination = reinterpret_cast<sJpegDestination*>(info->dest);
    long count = long(kBufferSize - destination->manager.free_in_buffer);
    if (count > 0 && destination->record->write(destination->record->stream, destination->buffer, count) != count)
        ERREXIT(info, JERR_FILE_WRITE);
}

void SetUpDestination(j_compress_ptr info, sJpegStreamRecord* record)
{
    if (!info->dest)
        info->dest = static_cast<jpeg_destination_mgr*>((*info->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(info), JPOOL_PERMANENT, sizeof(sJpegDestination)));
    sJpegDestination* destination = reinterpret_cast<sJpegDestination*>(info->dest);
    destination->manager.init_destination = InitDestination;
    destination->manager.empty_output_buffer = EmptyOutputBuffer;
    destination->manager.term_destination = TermDestination;
    destination->record = record;
}

// The library calls below may jump back; these functions own nothing that needs destruction,
// and their callers release the library object and the image lock on both paths.

int StartDecompress(jpeg_decompress_struct* info, sJpegError* error, sJpegStreamRecord* record, int32_t is32)
{
    if (setjmp(error->jump))
        return 1;
    jpeg_create_decompress(info);
    SetUpSource(info, record);
    (void)jpeg_read_header(info, TRUE);
    // Four-component (CMYK, YCCK) files would come out as garbage grey: they are refused.
    if (info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK || info->num_components == 4)
        return 1;
#ifdef JCS_EXTENSIONS
    // The same red, green and blue samples, delivered as B, G, R, 255: on this little-endian
    // machine that is the CPixel word itself, so rows are decoded straight into the image.
    if (is32 && info->out_color_space == JCS_RGB)
        info->out_color_space = JCS_EXT_BGRA;
#else
    (void)is32;
#endif
    (void)jpeg_start_decompress(info);
    if (info->output_components != 1 && info->output_components != 3 && info->output_components != 4)
        return 1;
    return 0;
}

int ReadScanlines(jpeg_decompress_struct* info, sJpegError* error, uint8_t* firstPixel, int32_t rowBytes,
                  int32_t is32)
{
    if (setjmp(error->jump))
        return 1;
    const JDIMENSION width = info->output_width;
    const int components = info->output_components;
    if (components == 4) {
        while (info->output_scanline < info->output_height) {
            JSAMPROW row = firstPixel + ptrdiff_t(info->output_scanline) * rowBytes;
            (void)jpeg_read_scanlines(info, &row, 1);
        }
        (void)jpeg_finish_decompress(info);
        return 0;
    }
    JSAMPARRAY buffer = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                   width * JDIMENSION(components), 1);
    while (info->output_scanline < info->output_height) {
        uint8_t* row = firstPixel + ptrdiff_t(info->output_scanline) * rowBytes;
        (void)jpeg_read_scanlines(info, buffer, 1);
        const JSAMPLE* samples = buffer[0];
        if (is32) {
            CPixel* pixels = reinterpret_cast<CPixel*>(row);
            if (components == 3) {
                for (JDIMENSION x = 0; x < width; ++x, samples += 3)
                    pixels[x] = MakePixel(0xFF, samples[0], samples[1], samples[2]);
            } else {
                for (JDIMENSION x = 0; x < width; ++x)
                    pixels[x] = GreyToPixel(samples[x]);
            }
        } else if (components == 3) {
            for (JDIMENSION x = 0; x < width; ++x, samples += 3)
                row[x] = uint8_t((samples[0] + samples[1] + samples[2]) / 3);
        } else {
            memcpy(row, samples, width);
        }
    }
    (void)jpeg_finish_decompress(info);
    return 0;
}

int Compress(jpeg_compress_struct* info, sJpegError* error, sJpegStreamRecord* record, int32_t width,
             int32_t height, const uint8_t* firstPixel, int32_t rowBytes, int32_t is32)
{
    if (setjmp(error->jump))
        return 1;
    jpeg_create_compress(info);
    SetUpDestination(info, record);
    info->image_width = JDIMENSION(width);
    info->image_height = JDIMENSION(height);
    info->input_components = is32 ? 3 : 1;
    info->in_color_space = is32 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(info);
    jpeg_start_compress(info, TRUE);
    JSAMPARRAY buffer = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE,
                                                   JDIMENSION(width) * (is32 ? 3 : 1), 1);
    while (info->next_scanline < info->image_height) {
        const uint8_t* row = firstPixel + ptrdiff_t(info->next_scanline) * rowBytes;
        JSAMPLE* samples = buffer[0];
        if (is32) {
            const CPixel* pixels = reinterpret_cast<const CPixel*>(row);
            for (int32_t x = 0; x < width; ++x, samples += 3) {
                samples[0] = JSAMPLE(PixelRed(pixels[x]));
                samples[1] = JSAMPLE(PixelGreen(pixels[x]));
                samples[2] = JSAMPLE(PixelBlue(pixels[x]));
            }
        } else {
            memcpy(samples, row, size_t(width));
        }
        (void)jpeg_write_scanlines(info, buffer, 1);
    }
    jpeg_finish_compress(info);
    return 0;
}

} // namespace

eResultCode gCJpgIO::LoadImageData(gCStream& stream, CImageBase* image)
{
    if (!image)
        return eBadParameter;
    sJpegStreamRecord record{WriteToStream, ReadFromStream, &stream};
    sJpegError error;
    jpeg_decompress_struct info;
    SetUpErrors(info, error);
    const int32_t is32 = image->GetBitsPerPixel() == 32;
    if (StartDecompress(&info, &error, &record, is32) != 0) {
        jpeg_destroy_decompress(&info);
        return eGenericFailure;
    }
    if (image->SetSize(int32_t(info.output_width), int32_t(info.output_height)) != eSuccess) {
        jpeg_destroy_decompress(&info);
        return eNoMemory;
    }
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked()) {
        jpeg_destroy_decompress(&info);
        return eNoMemory;
    }
    int failed = ReadScanlines(&info, &error, static_cast<uint8_t*>(nav.GetFirstPixel()), nav.GetRowBytes(), is32);
    jpeg_destroy_decompress(&info);
    return failed ? eGenericFailure : eSuccess;
}

eResultCode gCJpgIO::SaveRows(gCStream& stream, CImageBase* image, int32_t is32)
{
    CImNavBase nav(image, nullptr);
    if (!nav.IsLocked())
        return eBadParameter;
    sJpegStreamRecord record{WriteToStream, ReadFromStream, &stream};
    sJpegError error;
    jpeg_compress_struct info;
    SetUpErrors(info, error);
    int failed = Compress(&info, &error, &record, nav.GetWidth(), nav.GetHeight(),
                          static_cast<const uint8_t*>(nav.GetFirstPixel()), nav.GetRowBytes(), is32);
    jpeg_destroy_compress(&info);
    return failed ? eGenericFailure : eSuccess;
}

eResultCode gCJpgIO::SaveImage32(gCStream& stream, CImage* image)
{
    return SaveRows(stream, image, 1);
}

eResultCode gCJpgIO::SaveImage8(gCStream& stream, CImage8* image)
{
    return SaveRows(stream, image, 0);
}
