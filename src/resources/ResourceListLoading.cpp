#include "resources/ResourceListLoading.h"

#include "FileIO/gCStream.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"

CResourceDirectory* ResourceDirectoryInUse(gCFile* file, CResourceDirectory* directory)
{
    CResourceContext* context = GetResourceContext();
    if (context && (!file || file == context->resourceFile))
        return context->directory && context->directory->entries.GetSize() > 0 ? context->directory : nullptr;
    return directory;
}

eResultCode ReadListLine(gCStream& stream, gCString& line)
{
    PNU_TRY(stream.ReadUnicodeLine(line));
    if (line.GetLength() > 0)
        line.Delete(line.GetLength() - 1, 1);
    return eSuccess;
}
