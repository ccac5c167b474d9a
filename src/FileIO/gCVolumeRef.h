// One mounted volume named by the text of its root path, and the file and folder objects below it.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// MakeFileRef, MakeFolderRef and TestAttributeBit.
#pragma once

#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCFRef;
class gCFolderRef;

class gCVolumeRef : public gCBaseObject {
public:
    gCVolumeRef();
    explicit gCVolumeRef(const gCString& name);
    gCVolumeRef(const gCVolumeRef& other) { *this = other; }
    ~gCVolumeRef() override = default;

    // Tabs, spaces, LF and CR are trimmed from both ends.
    void SetName(const gCString& name);
    gCString GetName() const;
    // Copies the name and the volume number only.
    gCVolumeRef& operator=(const gCVolumeRef& other);

    // The name followed directly by the text; the objects are the caller's, null without memory.
    gCFRef* MakeFileRef(const gCString& name) const;
    gCFolderRef* MakeFolderRef(const gCString& name) const;

    // The volume attribute bit 0; no volume here reports attributes, so always false.
    static bool TestAttributeBit(int16_t volumeNumber);

    uint32_t IsNameSet() const { return mSet; }
    int16_t GetVolumeNumber() const { return mVolumeNumber; }
    void SetVolumeNumber(int16_t number) { mVolumeNumber = number; }

private:
    uint32_t mSet = 0;
    gCString mSpare;
    gCString mName;
    int16_t mVolumeNumber = 0;
};
