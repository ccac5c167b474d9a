#include "FileIO/FileDocuments.h"

#include "FileIO/FileIOReport.h"
#include "FileIO/FileResultCode.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFileDlg.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/sNavReply.h"
#include "platform/FileDialogs.h"
#include "platform/Launcher.h"

eResultCode LaunchFile(const gCString& path)
{
    sFSRef ref;
    if (MakeFSRef(path, &ref) != 0)
        return eFileNotFound;
    return plat::LaunchPath(ref.path.c_str()) == plat::eLaunchResult::kOk ? eSuccess : eFileNotFound;
}

eResultCode LaunchFile(const gCFPath& path)
{
    // The path itself must name something: falling back to its folder would open the folder
    // and report a launch that never happened.
    return LaunchFile(path.GetPath());
}

eResultCode LaunchFile(const gCBasePath& path) { return LaunchFile(path.GetPath()); }

eResultCode LaunchFile(const gCBasePath& path, const gCString&) { return LaunchFile(path.GetPath()); }

eResultCode LaunchFile(const gCString& path, const gCString&) { return LaunchFile(path); }

eResultCode OpenURL(const gCString& url)
{
    // A 0 unit belongs in no URL: the text is refused, never cut short there.
    for (int32_t i = 0; i < url.GetLength(); ++i) {
        if (url[i] == 0)
            return eFileNotFound;
    }
    CMemBlock text;
    PNU_TRY(url.ToUTF8CString(text));
    const char* utf8 = reinterpret_cast<const char*>(text.GetData());
    if (!plat::IsValidURLText(utf8))
        return eFileNotFound;
    return FromLaunchResult(plat::OpenURLText(utf8));
}

eResultCode ChooseFolderDialog(gCFolderRef& folder)
{
    plat::sFolderDialogAnswer answer;
    const plat::eDialogResult result = plat::RunFolderDialog(answer);
    if (result == plat::eDialogResult::kCancelled)
        return eHandled;
    if (result != plat::eDialogResult::kOk)
        return eCreateFailed;
    sFSRef ref = plat::MakePathRecord(plat::PathText(answer.folder));
    if (!ref.exists)
        return eCreateFailed;
    PNU_TRY(folder.SetFromFSRef(&ref));
    return eSuccess;
}

eResultCode ChooseOpenFile(gCFRef& ref, gCFTypeList* types)
{
    gCString text = ref.GetPath();
    gCFileDlg dialog;
    PNU_TRY(dialog.GetFile(text, types));
    if (text.IsEmpty())
        return eBadParameter;
    (void)ref.SetFullPath(text);
    return ref.IsSet() ? eSuccess : eBadParameter;
}

eResultCode ChooseSaveFile(gCFRef& ref, gCFTypeList* types)
{
    gCFileDlg dialog;
    PNU_TRY(dialog.PutFile(ref, types));
    return ref.IsSet() ? eSuccess : eBadParameter;
}

namespace {

// Opens the file ref names, asking the user through choose first when it names none.
eResultCode OpenOrChoose(gCFile& file, gCFRef& ref, gCFTypeList* types, gCFile::eAccessState state,
                         eResultCode (*choose)(gCFRef& ref, gCFTypeList* types))
{
    if (!ref.IsSet())
        PNU_TRY(choose(ref, types));
    if (!ref.IsSet())
        return eBadParameter;
    return file.Open(&ref, state);
}

} // namespace

eResultCode OpenOrChooseFile(gCFile& file, gCFRef& ref, gCFTypeList* types, gCFile::eAccessState state)
{
    return OpenOrChoose(file, ref, types, state, ChooseOpenFile);
}

eResultCode OpenOrChooseSaveFile(gCFile& file, gCFRef& ref, gCFTypeList* types, gCFile::eAccessState state)
{
    return OpenOrChoose(file, ref, types, state, ChooseSaveFile);
}

eResultCode PutFileDialog(gCFPath&, sNavReply* reply)
{
    struct sShown {
        plat::sSaveDialogAnswer answer;
        plat::eDialogResult result = plat::eDialogResult::kCancelled;
    } shown;
    RunModalDialog(
        [](void* context) {
            auto* shown = static_cast<sShown*>(context);
            plat::sSaveDialogRequest request;
            shown->result = plat::RunSaveDialog(request, shown->answer);
        },
        &shown);
    const plat::sSaveDialogAnswer& answer = shown.answer;
    if (!reply)
        return eSuccess;
    reply->validRecord = 0;
    reply->selection.RemoveAll();
    if (shown.result != plat::eDialogResult::kOk)
        return eSuccess;
    gCString folder;
    gCString name;
    if (folder.SetFromUTF8(answer.folder) != eSuccess || name.SetFromUTF8(answer.name) != eSuccess
        || reply->selection.Add(folder) != eSuccess)
        return eSuccess;
    reply->saveFileName = name;
    reply->validRecord = 1;
    return eSuccess;
}
