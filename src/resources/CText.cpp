#include "resources/CText.h"

#include "FileIO/gCFile.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"
#include "resources/ResourceCreation.h"

CText::CText()
{
    mTypeCode = FourCharCode("text");
}

eResultCode CText::ReadText(gCStream* stream)
{
    gCString line;
    eResultCode result = stream ? stream->ReadUnicodeLine(line) : eBadParameter;
    if (result != eSuccess) {
        ReportResourceError(eResourceReadError, "Error reading CText string.");
        return result;
    }
    mText = std::move(line);
    return eSuccess;
}

eResultCode CText::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateById(id, file, directory, source));
    return ReadText(source);
}

eResultCode CText::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateByName(name, file, directory, source));
    return ReadText(source);
}

CText* CText::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromId<CText>(id, file, directory);
}

CText* CText::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return CreateResourceFromName<CText>(name, file, directory);
}
