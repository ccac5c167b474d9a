#include "ImageTestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

std::string FixturePath(const std::string& name)
{
    return std::string(PNU_SOURCE_DIR) + "/tests/data/images/" + name;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

sByteStream::sByteStream(const std::vector<uint8_t>& bytes) : block(uint32_t(bytes.size()))
{
    if (!bytes.empty() && block.GetData())
        memcpy(block.GetData(), bytes.data(), bytes.size());
    stream = std::make_unique<gCMemFile>(&block);
}

sReference LoadReference(const std::string& fixture)
{
    std::vector<uint8_t> bytes = ReadFileBytes(FixturePath(fixture + ".ref"));
    sReference reference;
    if (bytes.size() < 8)
        return reference;
    memcpy(&reference.width, bytes.data(), 4);
    memcpy(&reference.height, bytes.data() + 4, 4);
    reference.rgba.assign(bytes.begin() + 8, bytes.end());
    return reference;
}

std::vector<uint8_t> StreamBytes(gCMemFile& stream)
{
    std::vector<uint8_t> bytes(size_t(stream.GetLength()));
    (void)stream.SetPos(0);
    if (!bytes.empty())
        (void)stream.Read(bytes.data(), int32_t(bytes.size()));
    return bytes;
}
