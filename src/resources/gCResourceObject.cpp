#include "resources/gCResourceObject.h"

#include "FileIO/gCFile.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"

eResultCode gCResourceObject::LoadFromId(uint32_t, gCFile*, CResourceDirectory*)
{
    return eNotWritten;
}

eResultCode gCResourceObject::LoadFromName(const gCString&, gCFile*, CResourceDirectory*)
{
    return eNotWritten;
}

namespace {

gCFile* ChooseFile(gCFile* file)
{
    if (file)
        return file;
    CResourceContext* context = GetResourceContext();
    return context ? context->resourceFile : nullptr;
}

// The application's own file is searched with the application's directory, when it has entries.
void ChooseSource(CResourceContext& context, gCFile*& file, CResourceDirectory*& directory)
{
    if (!file || file == context.resourceFile) {
        file = context.resourceFile;
        directory = context.directory && context.directory->entries.GetSize() > 0 ? context.directory : nullptr;
    }
}

void SeekToHint(gCFile& file, int32_t offset)
{
    // A wrong hint only costs time: the scan finds the chunk anyway.
    if (offset != -1 && offset != file.GetPos())
        (void)file.SetPos(offset);
}

} // namespace

eResultCode gCResourceObject::FindResourceById(uint32_t type, uint32_t id, gCFile* file)
{
    file = ChooseFile(file);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    uint32_t foundId = 0;
    gCString foundName;
    PNU_TRY(FindChunkById(*file, type, id, foundId, foundName, &mPayloadEnd));
    mId = foundId;
    mName = std::move(foundName);
    return eSuccess;
}

eResultCode gCResourceObject::FindResourceByName(uint32_t type, const gCString& name, gCFile* file)
{
    file = ChooseFile(file);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    uint32_t foundId = 0;
    gCString foundName;
    PNU_TRY(FindChunkByName(*file, type, name, foundId, foundName, &mPayloadEnd));
    mId = foundId;
    mName = std::move(foundName);
    return eSuccess;
}

eResultCode gCResourceObject::LocateById(uint32_t id, gCFile* file, CResourceDirectory* directory, gCFile*& source)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return eGenericFailure;
    ChooseSource(*context, file, directory);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    if (directory)
        SeekToHint(*file, FindDirectoryEntryById(*directory, id));
    PNU_TRY(FindResourceById(mTypeCode, id, file));
    source = file;
    return eSuccess;
}

eResultCode gCResourceObject::LocateByName(const gCString& name, gCFile* file, CResourceDirectory* directory,
                                           gCFile*& source)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return eGenericFailure;
    ChooseSource(*context, file, directory);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    if (directory)
        SeekToHint(*file, FindDirectoryEntryByName(*directory, name));
    PNU_TRY(FindResourceByName(mTypeCode, name, file));
    source = file;
    return eSuccess;
}
