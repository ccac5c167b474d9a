#include "FileIO/gCFTypeList.h"

#include "FileIO/gCFPath.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/ASCIICase.h"
#include "core/TextEquality.h"

gCString gCFTypeList::GetPCType(int32_t index) const
{
    if (index < 0)
        return gCString(u"");
    if (index < mTypes.GetSize())
        return gCString(GetFileTypeExtension(mTypes[index]));
    int32_t custom = index - mTypes.GetSize();
    if (custom < mCustomTypes.GetSize())
        return mCustomTypes[custom].extension.IsNull() ? gCString(u"") : mCustomTypes[custom].extension;
    return gCString(u"");
}

eFileType gCFTypeList::GetEntryFileType(int32_t index) const
{
    return index >= 0 && index < mTypes.GetSize() ? mTypes[index] : eNoFileType;
}

gCString gCFTypeList::GetEntryName(int32_t index) const
{
    if (index >= 0 && index < mTypes.GetSize())
        return gCString(GetFileTypeName(mTypes[index]));
    int32_t custom = index - mTypes.GetSize();
    if (index >= 0 && custom < mCustomTypes.GetSize())
        return mCustomTypes[custom].name.IsNull() ? gCString(u"") : mCustomTypes[custom].name;
    return gCString(u"");
}

uint32_t gCFTypeList::GetEntryMacType(int32_t index) const
{
    if (index >= 0 && index < mTypes.GetSize())
        return GetFileTypeMacCode(mTypes[index]);
    int32_t custom = index - mTypes.GetSize();
    if (index >= 0 && custom < mCustomTypes.GetSize())
        return mCustomTypes[custom].macType;
    return 0;
}

eResultCode gCFTypeList::SetCurrentType(int32_t index)
{
    mCurrentIndex = index;
    return eSuccess;
}

eResultCode gCFTypeList::InsertType(eFileType type, int32_t index)
{
    if (index < 0)
        return eBadParameter;
    return mTypes.InsertAt(index, type);
}

eResultCode gCFTypeList::AddTypeList(const eFileType* values, int32_t count)
{
    for (int32_t i = 0; i < count && values[i] != eLastTypeIndex; ++i)
        PNU_TRY(mTypes.Add(values[i]));
    return eSuccess;
}

eResultCode gCFTypeList::AddGroup(eFileType group)
{
    int32_t first = 0;
    int32_t last = 0;
    switch (group) {
    case eImageFilesFlag: first = eBmpImage; last = ePsdImage; break;
    case eTextFilesFlag: first = eTextFile; last = ePdfFile; break;
    case eMartenFilesFlag: first = eMartenResFile; last = eMartenResScript; break;
    case eAudioFilesFlag: first = eWavAudio; last = eWavAudio; break;
    default: return eBadParameter;
    }
    for (int32_t type = first; type <= last; ++type)
        PNU_TRY(mTypes.Add(eFileType(type)));
    return eSuccess;
}

eResultCode gCFTypeList::AddCustomType(uint32_t number, const gCString& name, const gCString& extension,
                                       uint32_t macType)
{
    sCustomFileType custom;
    custom.number = number;
    custom.name = name;
    custom.extension = extension;
    custom.macType = macType;
    return mCustomTypes.Add(custom);
}

gCFTypeList& gCFTypeList::operator=(const gCFTypeList& other)
{
    if (this == &other)
        return *this;
    mTypes.RemoveAll();
    mCustomTypes.RemoveAll();
    (void)mTypes.Copy(other.mTypes);
    (void)mCustomTypes.Copy(other.mCustomTypes);
    mCurrentIndex = other.mCurrentIndex;
    mAllFiles = other.mAllFiles;
    return *this;
}

bool gCFTypeList::EntryHasExtension(int32_t index, const gCString& upperExtension) const
{
    if (upperExtension.IsEmpty())
        return false;
    gCString text = WithUpperASCII(GetPCType(index));
    // "All Image Files." keeps its extensions as one comma-separated text; each one counts.
    int32_t start = 0;
    for (int32_t i = 0; i <= text.GetLength(); ++i) {
        if (i == text.GetLength() || text[i] == u',') {
            if (TextsEqual(text.GetText() + start, i - start, upperExtension))
                return true;
            start = i + 1;
        }
    }
    return false;
}

int32_t gCFTypeList::FindPathType(const gCFPath& path) const
{
    int32_t count = GetEntryCount();
    if (count == 0)
        return -1;
    gCString extension = WithUpperASCII(GetFilePathExtension(path));
    for (int32_t i = 0; i < count; ++i) {
        if (EntryHasExtension(i, extension))
            return i;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (GetEntryMacType(i) == path.GetMacType())
            return i;
    }
    return -1;
}

eResultCode gCFTypeList::AcceptsPath(const gCFPath& path, uint32_t& accepted) const
{
    accepted = GetEntryCount() == 0 || FindPathType(path) >= 0 ? 1 : 0;
    return eSuccess;
}

eResultCode gCFTypeList::FilterPaths(gCArray<gCFPath*>& in, gCArray<gCFPath*>& out, uint32_t deleteRejected) const
{
    bool everything = GetEntryCount() == 0;
    for (int32_t i = 0; i < in.GetSize(); ++i) {
        gCFPath* path = in[i];
        if (path && (everything || FindPathType(*path) >= 0)) {
            PNU_TRY(out.Add(path));
        } else if (deleteRejected) {
            delete path;
            in[i] = nullptr;
        }
    }
    return eSuccess;
}
