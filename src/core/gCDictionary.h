// A growable array kept sorted by a caller's comparison: binary search for lookups, sorted
// insertion, removal by key. The elements serve as their own keys and are not owned.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it: RemoveKey
// and SetAllowDuplicates.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCPlainAlert.h"

#include <cstdint>

template <typename T>
class gCDictionary : public gCArray<T> {
public:
    // 0 when key and element are equal, positive when the key sorts before the element, negative
    // when it sorts after it. The user value is pointer-sized: owners pass themselves.
    using tCompare = int32_t (*)(T key, T element, intptr_t userValue);

    gCDictionary() = default;
    // Frees only the buffer: the elements belong to whoever added them.
    virtual ~gCDictionary() = default;

    virtual gCDictionary& SetCompareFunction(tCompare compare, intptr_t userValue)
    {
        mCompare = compare;
        mUserValue = userValue;
        return *this;
    }
    void SetAllowDuplicates(int32_t allow) { mAllowDuplicates = allow; }

    int32_t GetIndexOfElement(const T& key) const;
    eResultCode AddKey(const T& key);
    virtual eResultCode RemoveKey(const T& key);

private:
    int32_t Compare(const T& key, int32_t index) const { return mCompare(key, this->GetData()[index], mUserValue); }
    // Bisects between the first and the last element (both already compared): true with index on
    // an equal element, else false with index where the key belongs.
    bool Bisect(const T& key, int32_t& index) const;
    eResultCode Duplicate(int32_t index, const T& key)
    {
        return mAllowDuplicates ? this->InsertAt(index, key) : eDuplicateKey;
    }

    tCompare mCompare = nullptr;
    intptr_t mUserValue = 0;
    int32_t mAllowDuplicates = 0;
};

// The first and last elements are compared before bisecting, so a key outside the current range
// costs two calls of the comparison.
template <typename T>
int32_t gCDictionary<T>::GetIndexOfElement(const T& key) const
{
    int32_t n = this->GetSize();
    if (n == 0 || mCompare == nullptr)
        return -1;
    int32_t first = Compare(key, 0);
    if (first == 0)
        return 0;
    if (n == 1)
        return -1;
    int32_t last = Compare(key, n - 1);
    if (last == 0)
        return n - 1;
    if (first > 0 || last < 0)
        return -1;
    int32_t index = 0;
    return Bisect(key, index) ? index : -1;
}

template <typename T>
eResultCode gCDictionary<T>::AddKey(const T& key)
{
    if (mCompare == nullptr) {
        ShowCorePlainAlert("Message", "gCDictionary::AddKey() called without a valid key return function set");
        return eBadParameter;
    }
    int32_t n = this->GetSize();
    if (n == 0)
        return this->Add(key);
    int32_t first = Compare(key, 0);
    if (first > 0)
        return this->InsertAt(0, key);
    if (n == 1)
        return first == 0 && !mAllowDuplicates ? eDuplicateKey : this->Add(key);
    if (first == 0)
        return Duplicate(0, key);
    int32_t last = Compare(key, n - 1);
    if (last < 0)
        return this->Add(key);
    if (last == 0)
        return mAllowDuplicates ? this->Add(key) : eDuplicateKey;
    int32_t index = 0;
    if (Bisect(key, index))
        return Duplicate(index, key);
    return this->InsertAt(index, key);
}

template <typename T>
bool gCDictionary<T>::Bisect(const T& key, int32_t& index) const
{
    int32_t lo = 0;
    int32_t hi = this->GetSize() - 1;
    int32_t mid = this->GetSize() / 2;
    for (;;) {
        int32_t c = Compare(key, mid);
        if (c == 0) {
            index = mid;
            return true;
        }
        if (c < 0) {
            // A comparison that contradicts its earlier answer for the last element still ends.
            if (mid + 1 == hi || mid >= hi) {
                index = hi;
                return false;
            }
            lo = mid;
        } else {
            if (mid - 1 == lo) {
                index = mid;
                return false;
            }
            hi = mid;
        }
        mid = lo + (hi - lo) / 2;
    }
}

template <typename T>
eResultCode gCDictionary<T>::RemoveKey(const T& key)
{
    int32_t index = GetIndexOfElement(key);
    if (index < 0)
        return eKeyNotFound;
    this->RemoveAt(index, 1);
    return eSuccess;
}
