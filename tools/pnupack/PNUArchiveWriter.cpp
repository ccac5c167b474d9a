#include "PNUArchiveWriter.h"

#include "core/CMemBlockT.h"
#include "updater/codec/CPNUCompressor.h"

#include <cstring>

namespace {

const uint8_t kFieldMarker[8] = {0x8F, 0x6A, 0x54, 0xE1, 0x1E, 0x45, 0xA6, 0x00};
const uint8_t kEndMarker[8] = {0x8F, 0x7A, 0x54, 0xE1, 0x1E, 0x45, 0xA7, 0x00};

class cBytes {
public:
    void Raw(const void* data, size_t count)
    {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        mBytes.insert(mBytes.end(), bytes, bytes + count);
    }
    void Text(const char* ascii) { Raw(ascii, strlen(ascii)); }
    void Reserve(size_t count) { mBytes.reserve(count); }
    // Little-endian, as every typed value of the package.
    void Value(uint64_t value, int width)
    {
        for (int i = 0; i < width; ++i)
            mBytes.push_back(uint8_t(value >> (8 * i)));
    }
    void Units(const std::vector<char16_t>& units)
    {
        for (char16_t unit : units)
            Value(unit, 2);
    }
    std::vector<uint8_t>& Bytes() { return mBytes; }

private:
    std::vector<uint8_t> mBytes;
};

} // namespace

std::vector<char16_t> PNUArchiveWriter::ToUnits(const std::string& utf8)
{
    std::vector<char16_t> units;
    for (size_t i = 0; i < utf8.size();) {
        const uint8_t lead = uint8_t(utf8[i]);
        uint32_t code = lead;
        size_t length = 1;
        if (lead >= 0xF0) {
            code = lead & 0x07;
            length = 4;
        } else if (lead >= 0xE0) {
            code = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1F;
            length = 2;
        }
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = code << 6 | (uint8_t(utf8[i + k]) & 0x3F);
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(char16_t(0xD800 + (code >> 10)));
            units.push_back(char16_t(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(char16_t(code));
        }
    }
    return units;
}

std::vector<uint8_t> PNUArchiveWriter::BuildArchive() const
{
    std::vector<char16_t> text = ToUnits(mText);
    text.insert(text.begin(), char16_t(0xFEFF));

    cBytes index;
    index.Value(mFiles.size(), 4);
    for (const sPackageFile& file : mFiles) {
        index.Value(file.data.size(), 8);
        index.Raw(kFieldMarker, 8);
        index.Units(ToUnits(file.name));
        index.Value(0, 2);
        index.Raw(kFieldMarker, 8);
    }

    cBytes archive;
    // Header, text and index, then each record: four field markers, an end marker, 22 bytes of
    // values and the data.
    size_t total = 40 + 2 * text.size() + index.Bytes().size();
    for (const sPackageFile& file : mFiles)
        total += 62 + file.data.size();
    archive.Reserve(total);
    archive.Text("PN2USQSH");
    archive.Value(4, 4);
    archive.Value(index.Bytes().size(), 4);
    archive.Value(text.size(), 4);
    archive.Units(text);
    archive.Value(0, 4);
    archive.Raw(kEndMarker, 8);
    archive.Raw(index.Bytes().data(), index.Bytes().size());
    archive.Raw(kEndMarker, 8);
    uint32_t number = 0;
    for (const sPackageFile& file : mFiles) {
        archive.Raw(kFieldMarker, 8);
        archive.Value(number++, 4);
        archive.Raw(kFieldMarker, 8);
        archive.Value(file.data.size(), 8);
        archive.Raw(kFieldMarker, 8);
        archive.Value(0, 4);
        archive.Value(0, 4);
        archive.Value(file.mode, 2);
        archive.Raw(kFieldMarker, 8);
        archive.Raw(file.data.data(), file.data.size());
        archive.Raw(kEndMarker, 8);
    }
    return archive.Bytes();
}

bool PNUArchiveWriter::BuildPackage(std::vector<uint8_t>& package)
{
    std::vector<uint8_t> archive = BuildArchive();
    // The archive holds every file now; a product of hundreds of megabytes is not kept twice
    // while it is coded.
    for (sPackageFile& file : mFiles)
        std::vector<uint8_t>().swap(file.data);

    const uint64_t bound = CPNUCompressor::EncodeBound(archive.size());
    if (bound > 0xFFFFFFFFull)
        return false;
    // Not cleared: only the coded bytes are ever written, so only those cost memory.
    CMemBlockT<unsigned char> frame;
    if (!frame.SetSize(uint32_t(bound)))
        return false;
    uint64_t frameLength = 0;
    if (CPNUCompressor::EncodeFrame(8, archive.data(), archive.size(), frame.GetData(), bound, frameLength)
        != eSuccess)
        return false;
    std::vector<uint8_t>().swap(archive);

    cBytes bytes;
    bytes.Reserve(frameLength + 20);
    bytes.Text("PN2SQUSH");
    bytes.Value(1, 4);
    bytes.Raw(frame.GetData(), frameLength);
    bytes.Text("PN2SQUSH");
    package.swap(bytes.Bytes());
    return true;
}
