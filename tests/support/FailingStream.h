// A memory stream whose writes fail once a byte budget is spent: the write that would pass the
// budget fails whole, as a full disk would refuse it.
#pragma once

#include "FileIO/gCMemFile.h"

class FailingStream : public gCMemFile {
public:
    explicit FailingStream(int64_t budget) : mBudget(budget) {}
    eResultCode Write(const void* buffer, int32_t count) override
    {
        if (count > mBudget)
            return eStreamError;
        mBudget -= count;
        return gCMemFile::Write(buffer, count);
    }

private:
    int64_t mBudget;
};
