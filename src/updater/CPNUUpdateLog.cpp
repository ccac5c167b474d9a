#include "updater/CPNUUpdateLog.h"

#include "FileIO/gCFRelative.h"

eResultCode CPNUUpdateLog::Open()
{
    if (mFile.IsOpen())
        PNU_TRY(mFile.Close());
    gCFRelative path(gCString("UpdateResults.log"), 0);
    return mFile.Open(path, gCFile::eAccessWrite);
}

eResultCode CPNUUpdateLog::WriteLine(const gCString& text)
{
    if (!mFile.IsOpen())
        return eSuccess;
    // The stream appends the line end to the string it is given, so it gets a copy.
    gCString line(text);
    return mFile.WriteUnicodeText(line, 1);
}

eResultCode CPNUUpdateLog::Close()
{
    return mFile.IsOpen() ? mFile.Close() : eSuccess;
}
