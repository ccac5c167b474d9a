// Gathers the units of a text being read in blocks, so a long line costs one append per block
// instead of one per unit, and hands 8-bit runs to the Mac Roman conversion.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

#include <cstdint>

class CTextCollector {
public:
    explicit CTextCollector(gCString& target) : mTarget(target) {}

    eResultCode Add(char16_t unit)
    {
        if (mCount == kBlockUnits)
            PNU_TRY(Flush());
        mUnits[mCount++] = unit;
        return eSuccess;
    }
    // Appends the gathered units to the target. A 0 unit is never gathered: it ends every text.
    eResultCode Flush();
    // Converts count Mac Roman bytes (none of them NUL) and appends them to the target.
    eResultCode AppendMacRoman(const uint8_t* bytes, int32_t count);

    CTextCollector(const CTextCollector&) = delete;
    CTextCollector& operator=(const CTextCollector&) = delete;

private:
    static constexpr int32_t kBlockUnits = 1024;

    gCString& mTarget;
    int32_t mCount = 0;
    char16_t mUnits[kBlockUnits + 1];
};
