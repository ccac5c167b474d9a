// The coding of a large input in stretches at once. Each stretch is coded from its own start,
// which the coding from the input's start seldom passes through; but both take the same token
// at any position they share, so they agree from the first position where they meet, which is
// within a few tokens. The stretches are joined there.
#include "updater/CPNUHashChainLZ.h"

#include "core/CheckedSize.h"
#include "core/gCMemory.h"
#include "platform/WorkerThreads.h"
#include "updater/CPNUByteWriter.h"
#include "updater/CPNUMatchFinder.h"

namespace {

// What one stretch codes: tokens beginning from `begin` until one ends at or past `end`.
struct sStretch {
    uint64_t begin;
    uint64_t end;
    uint64_t reached; // where its last token ends
    uint8_t* out;
    uint64_t capacity;
    uint64_t length;
    uint32_t marked; // tokens marked
    bool overflowed;
};

// A literal takes at most 2 bytes per input byte, a match at most 11 for 4 or more; the last
// match may reach past the stretch with only one of its bytes inside.
uint64_t CodingBound(uint64_t bytes) { return 3 * bytes + 16; }

} // namespace

bool CPNUHashChainLZ::CodeShares(CPNUMatchFinder& finder, const uint8_t* in, uint64_t n, uint8_t escape,
                                 const sShares& shares, CPNUByteWriter& writer, uint64_t& pos)
{
    const uint32_t count = shares.count;
    size_t stretchBytes = 0;
    size_t markBytes = 0;
    if (!MulSizes({int64_t(count), int64_t(sizeof(sStretch))}, stretchBytes)
        || !MulSizes({int64_t(count), int64_t(shares.marks), int64_t(sizeof(sMark))}, markBytes))
        return false;
    auto* stretches = static_cast<sStretch*>(MemAllocate(stretchBytes));
    auto* marks = static_cast<sMark*>(MemAllocate(markBytes));
    // The first stretch codes straight into the output; the others into rooms of their own.
    bool held = stretches && marks;
    for (uint32_t k = 0; held && k < count; ++k) {
        sStretch& stretch = stretches[k];
        stretch = {n * k / count, n * (k + 1) / count, 0, nullptr, 0, 0, 0, false};
        if (k == 0) {
            stretch.out = writer.Tail();
            stretch.capacity = writer.Room();
            continue;
        }
        stretch.capacity = CodingBound(stretch.end - stretch.begin);
        stretch.out = static_cast<uint8_t*>(MemAllocate(size_t(stretch.capacity)));
        held = stretch.out != nullptr;
        if (!held) {
            while (--k > 0)
                MemFree(stretches[k].out);
        }
    }
    if (!held) {
        MemFree(stretches);
        MemFree(marks);
        return false;
    }

    // Each stretch searches with its own cursor; the first stands at the start already.
    struct sWork {
        CPNUMatchFinder& finder;
        const uint8_t* in;
        uint64_t n;
        uint8_t escape;
        const sShares& shares;
        sStretch* stretches;
        sMark* marks;
    };
    sWork work{finder, in, n, escape, shares, stretches, marks};
    auto code = [](void* context, uint32_t k) {
        sWork& w = *static_cast<sWork*>(context);
        sStretch& stretch = w.stretches[k];
        if (k > 0)
            w.finder.Start(k, stretch.begin);
        CPNUByteWriter out(stretch.out, stretch.capacity);
        sMarks list{w.marks + uint64_t(k) * w.shares.marks, w.shares.marks, 0};
        stretch.reached = CodeTokens(w.finder, k, w.in, w.n, stretch.begin, stretch.end, w.escape, out, &list);
        stretch.length = out.Length();
        stretch.overflowed = out.Overflowed();
        stretch.marked = list.count;
    };
    plat::GetWorkers().Run(count, code, &work);

    // The first stretch is the coding from the start. Each next one is joined where the coding
    // so far meets one of its marked tokens; until then, and through the whole stretch when it
    // never meets one, the tokens are found again with the cursor of the stretch before, which
    // has not gone past the stretch's start.
    writer.Appended(stretches[0].length, stretches[0].overflowed);
    pos = stretches[0].reached;
    for (uint32_t k = 1; k < count; ++k) {
        const sStretch& stretch = stretches[k];
        const sMark* mark = marks + uint64_t(k) * shares.marks;
        const sMark* lastMark = mark + stretch.marked;
        for (;;) {
            while (mark != lastMark && mark->pos < pos)
                ++mark;
            if (mark != lastMark && mark->pos == pos) {
                writer.PutBytes(stretch.out + mark->offset, stretch.length - mark->offset);
                pos = stretch.reached;
                break;
            }
            const uint64_t until = mark == lastMark ? stretch.end : pos + 1;
            pos = CodeTokens(finder, k - 1, in, n, pos, until, escape, writer, nullptr);
            if (pos >= stretch.end || n - pos < 4 || writer.Overflowed())
                break;
        }
    }
    for (uint32_t k = 1; k < count; ++k)
        MemFree(stretches[k].out);
    MemFree(stretches);
    MemFree(marks);
    return true;
}
