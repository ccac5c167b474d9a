// The coding of a large input in stretches at once. Each stretch is coded from its own start,
// which the coding from the input's start seldom passes through; but both take the same token
// at any position they share, so they agree from the first position where they meet, which is
// within a few tokens. The coding from the start is followed through the overhang of the
// stretch before into the next, and joined to it there.
#include "updater/codec/CPNUHashChainLZ.h"

#include "core/CheckedSize.h"
#include "core/gCMemory.h"
#include "platform/WorkerThreads.h"
#include "updater/codec/encode/CPNUByteWriter.h"
#include "updater/codec/encode/CPNUMatchFinder.h"

#include <algorithm>
#include <atomic>

namespace {

// What one stretch codes: tokens beginning from `begin` until one ends at or past `end`, then
// its overhang.
struct sStretch {
    uint64_t begin;
    uint64_t end;
    uint8_t* out;
    uint64_t capacity;
    uint64_t reached;     // where the tokens before the overhang end
    uint64_t length;      // and their coded bytes
    uint64_t overhangEnd; // where the overhang ends
    uint64_t codedEnd;    // and all coded bytes
    uint32_t marked;
    uint32_t overhung; // overhang tokens
    bool overflowed;
};

// A literal takes at most 2 bytes per input byte, a match at most 11 for 4 or more; the last
// match may reach past the stretch with only one of its bytes inside.
uint64_t CodingBound(uint64_t bytes, uint32_t overhang) { return 3 * bytes + 16 + 11 * uint64_t(overhang); }

} // namespace

bool CPNUHashChainLZ::CodeShares(CPNUMatchFinder& finder, const uint8_t* in, uint64_t n, uint8_t escape,
                                 const sShares& shares, CPNUByteWriter& writer, uint64_t& pos)
{
    const uint32_t count = shares.stretches;
    const uint64_t marksEach = uint64_t(shares.marks) + shares.overhang;
    size_t stretchBytes = 0;
    size_t markBytes = 0;
    if (!MulSizes({int64_t(count), int64_t(sizeof(sStretch))}, stretchBytes)
        || !MulSizes({int64_t(count), int64_t(marksEach), int64_t(sizeof(sMark))}, markBytes))
        return false;
    auto* stretches = static_cast<sStretch*>(MemAllocate(stretchBytes));
    auto* marks = static_cast<sMark*>(MemAllocate(markBytes));
    bool held = stretches && marks;
    uint32_t made = 0;
    for (; held && made < count; ++made) {
        sStretch& stretch = stretches[made];
        stretch = {n * made / count, n * (made + 1) / count, nullptr, 0, 0, 0, 0, 0, 0, 0, false};
        stretch.capacity = CodingBound(stretch.end - stretch.begin, shares.overhang);
        stretch.out = static_cast<uint8_t*>(MemAllocate(size_t(stretch.capacity)));
        held = stretch.out != nullptr;
    }
    auto release = [&] {
        for (uint32_t k = 0; k < made; ++k)
            MemFree(stretches[k].out);
        MemFree(stretches);
        MemFree(marks);
    };
    if (!held) {
        release();
        return false;
    }

    // Each cursor takes the next stretch not yet taken until none is left.
    struct sWork {
        CPNUMatchFinder& finder;
        const uint8_t* in;
        uint64_t n;
        uint8_t escape;
        const sShares& shares;
        sStretch* stretches;
        sMark* marks;
        std::atomic<uint32_t> next;
    };
    sWork work{finder, in, n, escape, shares, stretches, marks, {0}};
    auto code = [](void* context, uint32_t cursor) {
        sWork& w = *static_cast<sWork*>(context);
        for (uint32_t k = w.next++; k < w.shares.stretches; k = w.next++) {
            sStretch& stretch = w.stretches[k];
            w.finder.Start(cursor, stretch.begin);
            CPNUByteWriter out(stretch.out, stretch.capacity);
            sMark* marked = w.marks + uint64_t(k) * (uint64_t(w.shares.marks) + w.shares.overhang);
            sMarks list{marked, w.shares.marks, 0};
            stretch.reached = CodeTokens(w.finder, cursor, w.in, w.n, stretch.begin, stretch.end, w.escape, out, &list);
            stretch.length = out.Length();
            stretch.marked = list.count;
            sMarks overhang{marked + w.shares.marks, w.shares.overhang, 0};
            uint64_t at = stretch.reached;
            while (overhang.count < overhang.limit && w.n - at >= 4 && !out.Overflowed())
                at = CodeTokens(w.finder, cursor, w.in, w.n, at, at + 1, w.escape, out, &overhang);
            stretch.overhangEnd = at;
            stretch.codedEnd = out.Length();
            stretch.overhung = overhang.count;
            stretch.overflowed = out.Overflowed();
        }
    };
    plat::GetWorkers().Run(std::max(shares.cursors, 1u), code, &work);

    // The coding from the start: joined to each stretch at the first marked token it meets,
    // through the overhang of the stretch it follows until then, and where that overhang ends
    // first, found again with a cursor of its own.
    const sStretch* following = nullptr;
    const sMark* overhang = nullptr;
    bool searching = false;
    pos = 0;
    uint32_t released = 0;
    for (uint32_t k = 0; k < count; ++k) {
        // A stretch's coding is copied out once the coding from the start has passed it.
        for (; released < k && &stretches[released] != following; ++released) {
            MemFree(stretches[released].out);
            stretches[released].out = nullptr;
        }
        const sStretch& stretch = stretches[k];
        if (stretch.overflowed) {
            writer.SetOverflowed();
            break;
        }
        const sMark* mark = marks + uint64_t(k) * marksEach;
        const sMark* lastMark = mark + stretch.marked;
        while (pos < stretch.end && n - pos >= 4 && !writer.Overflowed()) {
            while (mark != lastMark && mark->pos < pos)
                ++mark;
            if (mark != lastMark && mark->pos == pos) {
                writer.PutBytes(stretch.out + mark->offset, stretch.length - mark->offset);
                pos = stretch.reached;
                following = &stretch;
                overhang = marks + uint64_t(k) * marksEach + shares.marks;
                continue;
            }
            if (following) {
                const sMark* lastOverhang = marks + uint64_t(following - stretches) * marksEach + shares.marks
                    + following->overhung;
                while (overhang != lastOverhang && overhang->pos < pos)
                    ++overhang;
                if (overhang != lastOverhang && overhang->pos == pos) {
                    const bool last = overhang + 1 == lastOverhang;
                    const uint64_t bytesEnd = last ? following->codedEnd : overhang[1].offset;
                    writer.PutBytes(following->out + overhang->offset, bytesEnd - overhang->offset);
                    pos = last ? following->overhangEnd : overhang[1].pos;
                    ++overhang;
                    continue;
                }
            }
            if (!searching) {
                finder.Start(0, pos);
                searching = true;
            }
            pos = CodeTokens(finder, 0, in, n, pos, pos + 1, escape, writer, nullptr);
        }
    }
    release();
    return true;
}
