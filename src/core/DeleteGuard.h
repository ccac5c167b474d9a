// Deletes an owned object when the scope is left, unless the pointer was handed on (set to null).
#pragma once

#include <cstdint>

template <typename T>
class DeleteGuard {
public:
    explicit DeleteGuard(T** target) : mTarget(target), mArmed(1) {}
    ~DeleteGuard()
    {
        if (mArmed && *mTarget) {
            delete *mTarget;
            *mTarget = nullptr;
        }
    }

    DeleteGuard(const DeleteGuard&) = delete;
    DeleteGuard& operator=(const DeleteGuard&) = delete;

private:
    T** mTarget;
    int32_t mArmed;
};
