#include "resources/CTextList.h"

#include "FileIO/gCFile.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"
#include "resources/ResourceCreation.h"
#include "resources/ResourceListLoading.h"

CTextList::CTextList()
{
    mTypeCode = FourCharCode("txlt");
}

gCString CTextList::GetCurrentString() const
{
    if (mCurrent < 0 || mCurrent >= mStrings.GetSize())
        return gCString();
    return mStrings[mCurrent];
}

gCString CTextList::GetStringAt(int32_t index)
{
    if (index < 0 || index >= mStrings.GetSize())
        return gCString();
    mCurrent = index;
    return mStrings[index];
}

eResultCode CTextList::SetStringAt(int32_t index, const gCString& text)
{
    if (index < 0 || index >= mStrings.GetSize())
        return eBadParameter;
    mStrings[index] = text;
    return eSuccess;
}

eResultCode CTextList::SetStringAt(int32_t index, const gCString& text, uint32_t id)
{
    if (index < 0 || index >= mStrings.GetSize() || index >= mIds.GetSize())
        return eBadParameter;
    mStrings[index] = text;
    mIds[index] = id;
    return eSuccess;
}

eResultCode CTextList::AddString(const gCString& text, uint32_t id)
{
    // An append that runs out of memory is skipped.
    (void)mStrings.Add(text);
    (void)mIds.Add(id);
    return eSuccess;
}

eResultCode CTextList::InsertString(int32_t index, const gCString& text, uint32_t id)
{
    if (index < 0)
        return eBadParameter;
    if (index < mStrings.GetSize()) {
        PNU_TRY(mStrings.InsertAt(index, text));
    } else {
        PNU_TRY(mStrings.SetSize(index + 1));
        mStrings[index] = text;
    }
    if (index < mIds.GetSize()) {
        PNU_TRY(mIds.InsertAt(index, id));
    } else {
        // Ids added as filler mark strings without an id.
        const int32_t oldCount = mIds.GetSize();
        PNU_TRY(mIds.SetSize(index + 1));
        for (int32_t i = oldCount; i < index; ++i)
            mIds[i] = kNoTextId;
        mIds[index] = id;
    }
    return eSuccess;
}

eResultCode CTextList::RemoveAt(int32_t index)
{
    if (index < 0 || index >= mStrings.GetSize())
        return eBadParameter;
    mStrings.RemoveAt(index);
    if (index < mIds.GetSize())
        mIds.RemoveAt(index);
    return eSuccess;
}

eResultCode CTextList::RemoveAll()
{
    for (int32_t index = mStrings.GetSize() - 1; index >= 0; --index)
        PNU_TRY(RemoveAt(index));
    return eSuccess;
}

eResultCode CTextList::RemoveById(uint32_t id)
{
    for (int32_t index = mIds.GetSize() - 1; index >= 0; --index) {
        if (mIds[index] != id)
            continue;
        if (index < mStrings.GetSize())
            mStrings.RemoveAt(index);
        mIds.RemoveAt(index);
    }
    return eSuccess;
}

eResultCode CTextList::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateById(id, file, directory, source));
    return LoadPayload(*source, ResourceDirectoryInUse(file, directory), false);
}

eResultCode CTextList::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateByName(name, file, directory, source));
    return LoadPayload(*source, ResourceDirectoryInUse(file, directory), true);
}

eResultCode CTextList::LoadPayload(gCFile& file, CResourceDirectory* directory, bool byName)
{
    uint32_t discarded = 0;
    if (eResultCode result = file.ReadULong(discarded); result != eSuccess) {
        ReportResourceError(eResourceReadError, "Error reading exclusivity");
        return result;
    }
    int32_t count = 0;
    if (eResultCode result = file.ReadLong(count); result != eSuccess) {
        ReportResourceError(eResourceReadError, "Error reading number of entries");
        return result;
    }
    // The resource file's version decides whether each line carries an id.
    const uint32_t version = directory ? directory->version : 1;
    if (version != 1 && version != 2)
        return eSuccess;
    for (int32_t i = 0; i < count; ++i) {
        gCString line;
        PNU_TRY(ReadListLine(file, line));
        uint32_t id = kNoTextId;
        if (version == 2)
            PNU_TRY(file.ReadULong(id));
        (void)mStrings.Add(line);
        if (version == 2 || byName)
            (void)mIds.Add(id);
    }
    return eSuccess;
}

CTextList* CTextList::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromId<CTextList>(id, file, directory);
}

CTextList* CTextList::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromName<CTextList>(name, file, directory);
}

CTextList* CTextList::FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return FindOrLoadResourceById<CTextList>(eTextListPool, id, file, directory);
}

CTextList* CTextList::FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return FindOrLoadResourceByName<CTextList>(eTextListPool, name, file, directory);
}
