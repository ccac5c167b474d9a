#include "updater/transfer/CFileData.h"

gCString CFileData::GetRelativePath() const
{
    if (mFolder.IsEmpty())
        return mFileName;
    gCString path = mFolder;
    path += gCString(":");
    path += mFileName;
    return path;
}

eResultCode CFileData::ParseEntryLine(const gCString& line)
{
    const gCString whitespace(kStringWhitespace);
    gCString left;
    gCString fileName;
    PNU_TRY(left.Assign(u""));
    PNU_TRY(fileName.Assign(u""));
    (void)line.SplitAtFirst(left, fileName, gCString("%"), 0);
    left.Trim(whitespace);
    fileName.Trim(whitespace);

    gCString folder;
    gCString code;
    PNU_TRY(folder.Assign(u""));
    PNU_TRY(code.Assign(u""));
    if (!left.IsEmpty() && left[0] == u'|')
        code = left.DropLeft(1);
    else
        (void)left.SplitAtFirst(folder, code, gCString("|"), 0);
    folder.Trim(whitespace);
    code.Trim(whitespace);

    mFolder = folder;
    mFileName = fileName;
    mKind = uint32_t(code.Left(2).ParseInteger());
    mNumber = uint32_t(code.DropLeft(2).ParseInteger());
    mDownloaded = 0;
    return eSuccess;
}
