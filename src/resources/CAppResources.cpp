#include "resources/CAppResources.h"

#include "FileIO/FileServices.h"
#include "app/ReportError.h"

namespace {

gCString JoinResourcePath(const gCString& folder, const gCString& name)
{
    gCString path(folder);
    (void)path.Append(u":");
    (void)path.Append(name);
    return path;
}

} // namespace

CAppResources::CAppResources()
{
    mContext.resourceFile = &mResourceFile;
    mContext.directory = &mDirectory;
    mContext.soundPlayer = &mSoundPlayer;
    mContext.reportError = [](eResultCode code, const char* detail) { ReportError(code, detail); };
    SetResourceContext(&mContext);
}

CAppResources::~CAppResources()
{
    Release();
    if (GetResourceContext() == &mContext)
        SetResourceContext(nullptr);
}

eResultCode CAppResources::LoadSystemResources(const gCString& resourcesFolder, const gCString& resourceFileName,
                                               const gCString& stringTableFileName, gCString& secondResourceFileName)
{
    // Nothing of the program can load without it: a file that does not open is reported as
    // the invalid file every later load would meet, not taken as success.
    if (OpenFile(mResourceFile, JoinResourcePath(resourcesFolder, resourceFileName), gCFile::eAccessRead) !=
            eSuccess ||
        !mResourceFile.IsOpen())
        return eInvalidFile;
    PNU_TRY(ReadResourceDirectory(mDirectory, &mResourceFile));

    gCString tablePath = JoinResourcePath(resourcesFolder, stringTableFileName);
    if (RelativeFileExists(tablePath, 0))
        PNU_TRY(mStringTable.ReloadFromFile(tablePath));

    if (secondResourceFileName.IsEmpty())
        secondResourceFileName = resourceFileName;
    if (OpenFile(mSecondFile, JoinResourcePath(resourcesFolder, secondResourceFileName), gCFile::eAccessRead) ==
            eSuccess &&
        mSecondFile.IsOpen())
        PNU_TRY(ReadResourceDirectory(mSecondDirectory, &mSecondFile));
    return eSuccess;
}

void CAppResources::Release()
{
    mSoundPlayer.StopAll();
    for (CResourcePool& pool : mContext.pools)
        pool.RemoveAll();
    (void)mStringTable.RemoveAll();
    ClearResourceDirectory(mDirectory);
    ClearResourceDirectory(mSecondDirectory);
}
