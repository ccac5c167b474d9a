// Helpers of the image file tests: fixtures from tests/data/images and their reference decodes.
#pragma once

#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "imaging/CPixel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

std::string FixturePath(const std::string& name);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A memory block holding the bytes, and a stream over it.
struct sByteStream {
    explicit sByteStream(const std::vector<uint8_t>& bytes);
    CMemBlock block;
    std::unique_ptr<gCMemFile> stream;
};

// Reference decode: width, height and RGBA quadruples.
struct sReference {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
    CPixel Pixel(int32_t x, int32_t y) const
    {
        const uint8_t* p = &rgba[size_t(y * width + x) * 4];
        return MakePixel(p[3], p[0], p[1], p[2]);
    }
};
sReference LoadReference(const std::string& fixture);

// The bytes a memory stream holds, from 0 to its length.
std::vector<uint8_t> StreamBytes(gCMemFile& stream);
