#include "FileIO/gCFileDlg.h"

#include "FileIO/gCFPath.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFTypeList.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "core/ASCIICase.h"
#include "platform/FileDialogs.h"

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

// Hands the text to `use` as a UTF-8 C string held in memory from the hooks.
template <typename Use>
eResultCode WithUTF8(const gCString& text, Use use)
{
    CMemBlock bytes;
    PNU_TRY(text.ToUTF8CString(bytes));
    use(reinterpret_cast<const char*>(bytes.GetData()));
    return eSuccess;
}

// The entry's filter for the dialog's menu, with the glob patterns of its extension text; an
// entry without any adds none.
eResultCode AddFilter(plat::sOpenDialogRequest& request, const gCString& name, const gCString& extensionText)
{
    gCArray<gCString> patterns;
    gCArray<gCString> parts;
    (void)extensionText.Split(parts, u',');
    for (const gCString& part : parts) {
        if (part.IsEmpty())
            continue;
        gCString pattern;
        PNU_TRY(pattern.Assign(u"*"));
        if (part == ".*") {
            PNU_TRY(patterns.Add(pattern));
            continue;
        }
        gCString upper;
        PNU_TRY(upper.Assign(u"*"));
        PNU_TRY(pattern.Append(part));
        PNU_TRY(patterns.Add(pattern));
        PNU_TRY(upper.Append(WithUpperASCII(part)));
        PNU_TRY(patterns.Add(upper));
    }
    if (patterns.GetSize() == 0)
        return eSuccess;
    PNU_TRY(WithUTF8(name, [&](const char* text) { request.AddFilter(text); }));
    for (const gCString& pattern : patterns)
        PNU_TRY(WithUTF8(pattern, [&](const char* text) { request.AddFilterPattern(text); }));
    return eSuccess;
}

eResultCode FromDialogResult(plat::eDialogResult result)
{
    switch (result) {
    case plat::eDialogResult::kOk: return eSuccess;
    case plat::eDialogResult::kCancelled: return eHandled;
    default: return eCreateFailed;
    }
}

} // namespace

int32_t gCFileDlg::ShowsItem(const gCFTypeList* types, const gCString& path, int32_t isFolder, uint32_t finderType)
{
    if (!types || isFolder || path.IsEmpty())
        return 1;
    gCFRef ref(path);
    gCString extension = WithUpperASCII(ref.GetExtension());
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
        request.SetStartFolder(start.Get());
    }
    if (types) {
        for (int32_t i = 0; i < types->GetEntryCount(); ++i)
            PNU_TRY(AddFilter(request, types->GetEntryName(i), types->GetPCType(i)));
    }
    request.accepts = [types](const char* chosen) {
        gCString text;
        return text.SetFromUTF8(chosen) == eSuccess && ShowsItem(types, text, 0, 0) != 0;
    };
    plat::sOpenDialogAnswer answer;
    PNU_TRY(FromDialogResult(plat::RunOpenDialog(request, answer)));
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
            PNU_TRY(WithUTF8(types->GetEntryName(i), [&](const char* name) { request.AddTypeName(name); }));
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
        request.SetStartFolder(start.Get());
    }
    PNU_TRY(WithUTF8(name, [&](const char* text) { request.SetProposedName(text); }));
    gCFTypeList* list = mTypes;
    request.renameForType = [list](const char* typed, int32_t oldType, int32_t newType, plat::PathReceiver& renamed) {
        if (!list)
            return renamed.TakePath(typed);
        gCString text;
        bool taken = false;
        return text.SetFromUTF8(typed) == eSuccess &&
               WithUTF8(RenameForType(text, list->GetPCType(oldType), list->GetPCType(newType)),
                        [&](const char* name) { taken = renamed.TakePath(name); }) == eSuccess &&
               taken;
    };

    plat::sSaveDialogAnswer answer;
    PNU_TRY(FromDialogResult(plat::RunSaveDialog(request, answer)));
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
