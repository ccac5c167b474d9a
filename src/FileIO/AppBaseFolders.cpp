#include "FileIO/AppBaseFolders.h"

#include "FileIO/gCocoaFileIO.h"

namespace {

gCString sContentsFolder;
gCString sParentFolder;

} // namespace

eResultCode SetAppBundleFolder(const gCString& bundle)
{
    gCString trimmed(bundle);
    while (trimmed.GetLength() > 1 && trimmed[trimmed.GetLength() - 1] == u'/')
        trimmed.Delete(trimmed.GetLength() - 1, 1);
    if (trimmed.IsEmpty())
        return eBadParameter;
    gCString contents = trimmed + gCString(u"/Contents/");
    // The bundle's own text ends in "/"; cutting its last component from the trimmed text gives
    // the folder it stands in, not the bundle itself.
    gCString parent = GetContainingFolderPath(trimmed);
    if (parent.IsEmpty())
        parent = gCString(u"/");
    return SetAppBaseFolders(contents, parent);
}

eResultCode SetAppBaseFolders(const gCString& contentsFolder, const gCString& parentFolder)
{
    gCString contents(contentsFolder);
    gCString parent(parentFolder);
    if (contents.IsNull() || parent.IsNull())
        return eNoMemory;
    sContentsFolder = std::move(contents);
    sParentFolder = std::move(parent);
    return eSuccess;
}

void ClearAppBaseFolders()
{
    sContentsFolder.FreeBuffer();
    sParentFolder.FreeBuffer();
}

const gCString& GetAppContentsFolderText() { return sContentsFolder; }
const gCString& GetAppParentFolderText() { return sParentFolder; }
const gCString& GetAppBaseFolderText(uint32_t flag) { return flag == 0 ? sContentsFolder : sParentFolder; }
