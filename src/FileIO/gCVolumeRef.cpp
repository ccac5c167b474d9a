#include "FileIO/gCVolumeRef.h"

#include "FileIO/gCFRef.h"
#include "FileIO/gCFolderRef.h"
#include "core/ReadiedOrNull.h"

gCVolumeRef::gCVolumeRef() : mSpare(u""), mName(u"") {}

gCVolumeRef::gCVolumeRef(const gCString& name) : mSpare(u""), mName(u"") { SetName(name); }

void gCVolumeRef::SetName(const gCString& name)
{
    gCString trimmed = name.IsNull() ? gCString(u"") : name;
    trimmed.Trim(gCString(u"\t \n\r"));
    mName = trimmed;
    mSet = 1;
}

gCString gCVolumeRef::GetName() const { return mName.IsNull() ? gCString(u"") : mName; }

gCVolumeRef& gCVolumeRef::operator=(const gCVolumeRef& other)
{
    if (this != &other) {
        mName = other.GetName();
        mVolumeNumber = other.mVolumeNumber;
    }
    return *this;
}

gCFRef* gCVolumeRef::MakeFileRef(const gCString& name) const { return new gCFRef(GetName() + name); }

gCFolderRef* gCVolumeRef::MakeFolderRef(const gCString& name) const
{
    return ReadiedOrNull(new gCFolderRef(), [&](gCFolderRef& folder) { return folder.SetPath(GetName() + name); });
}

bool gCVolumeRef::TestAttributeBit(int16_t) { return false; }
