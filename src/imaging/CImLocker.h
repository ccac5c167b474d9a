// Scoped lock of a whole image: the image is unlocked when the locker goes out of scope.
#pragma once

#include "core/gCBaseObject.h"

#include <cstdint>

class CImageBase;

class CImLocker : public gCBaseObject {
public:
    // Locks the image when it has pixels; GetPixels is null otherwise.
    explicit CImLocker(CImageBase* image);
    ~CImLocker() override;

    CImLocker(const CImLocker&) = delete;
    CImLocker& operator=(const CImLocker&) = delete;

    int32_t IsLocked() const { return mLocked; }
    void* GetPixels() const { return mPixels; }

private:
    CImageBase* mImage = nullptr;
    int32_t mLocked = 0;
    void* mPixels = nullptr;
};
