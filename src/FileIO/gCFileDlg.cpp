#include "FileIO/gCFileDlg.h"

#include "FileIO/gCFPath.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFTypeList.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "platform/PlatformFileDialogs.h"

namespace {

bool EndsWith(const gCString& text, const gCString& tail)
{
    int32_t offset = text.GetLength() - tail.GetLength();
    if (offset < 0)
        return false;
    for (int32_t i = 0; i < tail.GetLength(); ++i) {
        if (text[offset + i] != tail[i])
            return false;
    }
    return true;
}

// The glob patterns of an entry's extension text for the dialog's filter menu.
std::vector<std::string> PatternsFor(const gCString& extensionText)
{
    std::vector<std::string> patterns;
    gCArray<gCString> parts;
    (void)extensionText.Split(parts, u',');
    for (const gCString& part : parts) {
        std::string extension = part.ToUTF8();
        if (extension.empty())
            continue;
        if (extension == ".*") {
            patterns.push_back("*");
            continue;
        }
        patterns.push_back("*" + extension);
        patterns.push_back("*" + WithUpperCaseLetters(part).ToUTF8());
    }
    return patterns;
}

eResultCode FromStatus(plat::eDialogStatus status)
{
    switch (status) {
    case plat::eDialogStatus::kChosen: return eSuccess;
    case plat::eDialogStatus::kCancelled: return eHandled;
    default: return eCreateFailed;
    }
}

} // namespace

int32_t gCFileDlg::ShowsItem(const gCFTypeList* types, const gCString& path, int32_t isFolder, uint32_t finderType)
{
    if (!types || isFolder || path.IsEmpty())
        return 1;
    gCFRef ref(path);
    gCString extension = WithUpperCaseLetters(ref.GetExtension());
    eFileType fileType = ref.GetFileTypeIndex();
    for (int32_t i = 0; i < types->GetEntryCount(); ++i) {
        // A file without a Finder type (every file here) matches no entry by type code.
        if (finderType != 0 && types->GetEntryMacType(i) == finderType)
            return 1;
        if (fileType != eNoFileType && i < types->GetTypes().GetSize() && types->GetEntryFileType(i) == fileType)
            return 1;
        if (!extension.IsEmpty() && types->EntryHasExtension(i, extension))
            return 1;
    }
    return 0;
}

gCString gCFileDlg::RenameForType(const gCString& name, const gCString& oldExtension, const gCString& newExtension)
{
    gCString renamed = name.IsNull() ? gCString(u"") : name;
    if (renamed.GetLength() > oldExtension.GetLength() && !oldExtension.IsEmpty() && EndsWith(renamed, oldExtension))
        renamed.Delete(renamed.GetLength() - oldExtension.GetLength(), oldExtension.GetLength());
    renamed += newExtension;
    return renamed;
}

eResultCode gCFileDlg::GetFile(gCString& path, gCFTypeList* types)
{
    mStartFolder = path.IsNull() ? gCString(u"") : path;
    mTypes = types;
    plat::sOpenDialogRequest request;
    if (!mStartFolder.IsEmpty()) {
        CSystemPath start;
        PNU_TRY(SystemPathFromText(mStartFolder, start));
        request.startFolder = start.Get();
    }
    if (types) {
        for (int32_t i = 0; i < types->GetEntryCount(); ++i) {
            std::vector<std::string> patterns = PatternsFor(types->GetPCType(i));
            if (!patterns.empty())
                request.filters.push_back({types->GetEntryName(i).ToUTF8(), patterns});
        }
    }
    request.accepts = [types](const std::string& chosen) {
        gCString text;
        return text.SetFromUTF8(chosen) == eSuccess && ShowsItem(types, text, 0, 0) != 0;
    };
    plat::sOpenDialogAnswer answer = plat::RunOpenDialog(request);
    PNU_TRY(FromStatus(answer.status));
    sFSRef chosen = plat::MakePathRecord(plat::PathText(answer.path));
    gCFRef ref;
    if (answer.path.empty() || ref.SetFromFSRef(&chosen) != eSuccess)
        return eCreateFailed;
    path = ref.GetPath();
    return eSuccess;
}

eResultCode gCFileDlg::PutFile(gCBasePath& path, gCFTypeList* types)
{
    mStartFolder = path.GetPath();
    plat::sSaveDialogRequest request;
    if (types && types->GetEntryCount() > 0) {
        for (int32_t i = 0; i < types->GetEntryCount(); ++i)
            request.typeNames.push_back(types->GetEntryName(i).ToUTF8());
        mTypes = types;
        mCurrentType = types->GetCurrentType();
    } else {
        mTypes = nullptr;
    }
    request.currentType = mCurrentType;

    gCString name;
    if (!path.IsSet()) {
        name = gCString(u"untitled");
        if (mTypes)
            name += mTypes->GetPCType(mCurrentType);
    } else {
        name = GetLastPathComponent(mStartFolder);
        gCString title = GetPathFileTitle(mStartFolder);
        if (mTypes && name.GetLength() == title.GetLength())
            name += mTypes->GetPCType(mCurrentType);
        gCString folder = GetContainingFolderPath(mStartFolder);
        CSystemPath start;
        if (!folder.IsEmpty() && SystemPathFromText(folder, start) != eSuccess)
            return eNoMemory;
        request.startFolder = start.Get();
    }
    request.proposedName = name.ToUTF8();
    gCFTypeList* list = mTypes;
    request.renameForType = [list](const std::string& typed, int32_t oldType, int32_t newType) {
        gCString text;
        (void)text.SetFromUTF8(typed);
        if (!list)
            return typed;
        return RenameForType(text, list->GetPCType(oldType), list->GetPCType(newType)).ToUTF8();
    };

    plat::sSaveDialogAnswer answer = plat::RunSaveDialog(request);
    PNU_TRY(FromStatus(answer.status));
    mCurrentType = answer.typeIndex;
    if (answer.folder.empty() || answer.name.empty())
        return eCreateFailed;
    sFSRef folderRef = plat::MakePathRecord(plat::PathText(answer.folder));
    if (!folderRef.exists)
        return eCreateFailed;
    gCString folderText = FolderPathFromFSRef(&folderRef);
    gCString typed;
    PNU_TRY(typed.SetFromUTF8(answer.name));
    PNU_TRY(path.SetPath(folderText + typed));
    if (mTypes) {
        (void)mTypes->SetCurrentType(mCurrentType);
        if (auto* filePath = dynamic_cast<gCFPath*>(&path)) {
            eFileType type = mTypes->GetEntryFileType(mCurrentType);
            (void)filePath->SetFileType(type, 1, mTypes->GetPCType(mCurrentType), mTypes->GetEntryMacType(mCurrentType));
        }
    }
    return eSuccess;
}
