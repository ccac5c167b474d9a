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

// Finds a chunk in `file` (the context's file when null) with find(file, foundId, foundName) and
// takes its id and name.
template <typename Find>
eResultCode FindInFile(gCFile* file, uint32_t& id, gCString& name, Find find)
{
    file = ChooseFile(file);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    uint32_t foundId = 0;
    gCString foundName;
    PNU_TRY(find(*file, foundId, foundName));
    id = foundId;
    name = std::move(foundName);
    return eSuccess;
}

// Finds a resource through find(file) in the chosen source, first seeking to the directory's
// hint(directory) when a directory applies; the file searched goes to `source`.
template <typename Hint, typename Find>
eResultCode LocateInSource(gCFile* file, CResourceDirectory* directory, gCFile*& source, Hint hint, Find find)
{
    CResourceContext* context = GetResourceContext();
    if (!context)
        return eGenericFailure;
    ChooseSource(*context, file, directory);
    if (!file || !file->IsOpen())
        return eInvalidFile;
    if (directory)
        SeekToHint(*file, hint(*directory));
    PNU_TRY(find(file));
    source = file;
    return eSuccess;
}

} // namespace

eResultCode gCResourceObject::FindResourceById(uint32_t type, uint32_t id, gCFile* file)
{
    return FindInFile(file, mId, mName, [&](gCFile& in, uint32_t& foundId, gCString& foundName) {
        return FindChunkById(in, type, id, foundId, foundName, &mPayloadEnd);
    });
}

eResultCode gCResourceObject::FindResourceByName(uint32_t type, const gCString& name, gCFile* file)
{
    return FindInFile(file, mId, mName, [&](gCFile& in, uint32_t& foundId, gCString& foundName) {
        return FindChunkByName(in, type, name, foundId, foundName, &mPayloadEnd);
    });
}

eResultCode gCResourceObject::LocateById(uint32_t id, gCFile* file, CResourceDirectory* directory, gCFile*& source)
{
    return LocateInSource(
        file, directory, source, [&](const CResourceDirectory& in) { return FindDirectoryEntryById(in, id); },
        [&](gCFile* in) { return FindResourceById(mTypeCode, id, in); });
}

eResultCode gCResourceObject::LocateByName(const gCString& name, gCFile* file, CResourceDirectory* directory,
                                           gCFile*& source)
{
    return LocateInSource(
        file, directory, source, [&](const CResourceDirectory& in) { return FindDirectoryEntryByName(in, name); },
        [&](gCFile* in) { return FindResourceByName(mTypeCode, name, in); });
}
