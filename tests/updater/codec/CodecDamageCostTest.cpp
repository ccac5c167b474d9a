// A damaged frame costs memory in proportion to what it decodes before the damage, never to the
// length it announces: small frames announcing 4 GiB fail with 17 having asked the memory hooks
// for a few kilobytes.
#include "updater/codec/CodecTestSupport.h"

#include "core/CMemBlockT.h"
#include "platform/SystemMemory.h"
#include "support/AllocationFailure.h"
#include "updater/codec/CPNUCompressor.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr uint32_t kFourGiB = 0xFFFFFFFFu;

struct sCostCase {
    const char* name;
    uint32_t method;
    Bytes frame;
    // The most the decode may ask for in one allocation, besides the frame's own copy.
    size_t largest;
};

Bytes MegabyteThenCut()
{
    RepeatPayload payload(0xFF);
    payload.Repeat(BytesOf("seed"), 1 << 20);
    Bytes frame = Frame(kFourGiB, payload.Payload());
    frame.push_back(0xFF); // an escape with nothing after it
    return frame;
}

std::vector<sCostCase> CostCases()
{
    std::vector<sCostCase> cases = {
        {"RleCutRun", 0, Frame(kFourGiB, {0x00, 0x00, 0x81}), 0},
        {"RleShortOfTheLength", 0, Frame(kFourGiB, {0x00, 0x00, 0xFF, 0xFF, 0x61}), 0},
        {"ShannonFanoCutTree", 1, Frame(kFourGiB, {0x6C}), 0},
        {"LzEightByteFrame", 8, Frame(kFourGiB, {0x00, 0x61, 0x00, 0x04}), 64 << 10},
        {"LzDistanceBeforeStart", 8, Frame(kFourGiB, {0x00, 0x61, 0x00, 0x8F, 0x7F, 0x05}), 64 << 10},
        // Grows with what it produced, to no more than twice that.
        {"LzMegabyteThenCut", 8, MegabyteThenCut(), 2 << 20},
    };
    for (uint32_t method = 2; method <= 7; ++method) {
        cases.push_back({"ElementsFourByteFrame", method, Frame(kFourGiB, {}), 0});
        cases.push_back({"ElementsCutCodes", method, Frame(kFourGiB, {0x03, 0x55}), 0});
    }
    return cases;
}

TEST(CodecDamageCost, FramesAnnouncingGigabytesFailHavingAskedForLittle)
{
    // A machine that could hold the announced length, so that only the decoder stands between
    // the frame and 4 GiB.
    plat::FixedSystemMemory machine(uint64_t(64) << 30);
    plat::SetSystemMemory(&machine);
    for (const sCostCase& c : CostCases()) {
        CMemBlockT<unsigned char> frame(uint32_t(c.frame.size()));
        memcpy(frame.GetData(), c.frame.data(), c.frame.size());
        CMemBlockT<unsigned char> decoded;
        CPNUCompressor codec;
        AllocationFailure counter(0);
        EXPECT_EQ(codec.CodecRun(0, c.method, frame, decoded), eInvalidFile) << c.name << " " << c.method;
        EXPECT_LE(counter.LargestRequest(), c.largest) << c.name << " " << c.method;
        EXPECT_EQ(decoded.GetSize(), 0u) << c.name << " leaves no block";
    }
    plat::SetSystemMemory(nullptr);
}

} // namespace
