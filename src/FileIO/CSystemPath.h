// The UTF-8 C string of a path, as the platform's file functions take it, held in a block from the
// memory hooks: a path that cannot be held is eNoMemory, never an exception. The text is
// taken up to its first 0 unit, as every copy of a text is. It also keeps a path the platform hands
// back.
#pragma once

#include "core/CMemBlock.h"
#include "core/eResultCode.h"
#include "core/gCString.h"
#include "platform/FileSystem.h"

#include <cstdint>

class CSystemPath final : public plat::PathReceiver {
public:
    // The units as they are.
    eResultCode Set(const char16_t* units, int32_t length);
    eResultCode Set(const gCString& text) { return Set(text.GetText(), text.GetLength()); }
    // The place a path text names for the system: ":" and "\" read as "/" as the path parts read
    // them, and a "/" put in front when the text has none; then the name, unchanged. eNoMemory for
    // the null text as well, which only a failed copy leaves.
    eResultCode SetFromPathText(const gCString& text, const gCString& name = gCString());

    // A copy of the bytes; false when they cannot be held.
    bool TakePath(const char* path) override;

    // Drops the "/" at the end, the root's own excepted.
    void DropTrailingSeparators();

    // The zero-terminated path; empty until set.
    const char* Get() const;
    // Its length in bytes, the terminator left out.
    uint32_t GetLength() const { return mLength; }

private:
    CMemBlock mBytes;
    uint32_t mLength = 0;
};


// The same C string converted on the stack, for a caller whose answer about what stands at a path
// must never change because memory ran out (the installer, while it moves files). Unlike
// CSystemPath it never takes part of a text: a path the system would refuse (too long, or holding
// a 0 unit) stays empty, and every file operation refuses the empty path.
class CFixedSystemPath {
public:
    explicit CFixedSystemPath(const gCString& path)
    {
        for (int32_t i = 0; i < path.GetLength(); ++i) {
            if (path[i] == 0) {
                mText[0] = 0;
                return;
            }
        }
        (void)path.ToUTF8(mText, sizeof mText);
    }

    CFixedSystemPath(const CFixedSystemPath&) = delete;
    CFixedSystemPath& operator=(const CFixedSystemPath&) = delete;

    char* Get() { return mText; }

private:
    char mText[plat::kLongestSystemPath];
};
