#include "updater/CPintrelUpdaterApp.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileDocuments.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCMemFile.h"
#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "app/ReportError.h"
#include "core/CMemBlock.h"
#include "resources/CResourceContext.h"
#include "resources/gCStringTable.h"
#include "sound/CSound.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/transfer/PNUTestModeLine.h"
#include "updater/window/CPintrelUpdaterBackdrop.h"
#include "updater/install/PNUInstallJournal.h"
#include "updater/install/PNUInstallLock.h"
#include "updater/install/PNUPackageNames.h"
#include "updater/PNUMessages.h"
#include "updater/PNUProductProbe.h"
#include "updater/PNUTexts.h"

#include <cstdio>
#include <cstring>

namespace {

// The window's widget tree in the resource file, and the window's title.
constexpr const char* kWindowResourceName = "Pintrel Updater";

} // namespace

CPintrelUpdaterApp::CPintrelUpdaterApp() : mInstaller(&mUpdateLog, this)
{
    SetResourceFileName(gCString("PNUpdater.mrf"));
    SetStringTableFileName(gCString("PNUpdater.msf"));
    gLanguageOffset = 0;
    SetUpdaterStringTable(&GetResources().GetStringTable());
}

CPintrelUpdaterApp::~CPintrelUpdaterApp()
{
    delete mTransferManager;
    mTransferManager = nullptr;
    delete mSuccessSound;
    delete mFailureSound;
    delete mReceivedPackage;
    if (GetUpdaterStringTable() == &GetResources().GetStringTable())
        SetUpdaterStringTable(nullptr);
    // A window left standing outlives its owner and the log.
    if (IsBackdropInAWindow())
        mBackdrop->SetOwner(nullptr);
}

void CPintrelUpdaterApp::SetBackdrop(CPintrelUpdaterBackdrop* backdrop)
{
    mBackdrop = backdrop;
    if (mBackdrop)
        mBackdrop->SetOwner(this);
    // An install under way goes on reporting to whatever stands now: a quit from a heartbeat of
    // the install closes the window under it.
    mInstaller.SetStatusTarget(&StatusTarget());
}

CPNUStatusTarget& CPintrelUpdaterApp::StatusTarget()
{
    if (mBackdrop)
        return *mBackdrop;
    return mUpdateLog;
}

eResultCode CPintrelUpdaterApp::ShowStatusLine(const gCString& text, uint32_t colour)
{
    return StatusTarget().AddStatusLine(text, &colour, true);
}

gCString CPintrelUpdaterApp::GetText(uint32_t id, int32_t field)
{
    return GetTranslatedText(int32_t(id - kUpdaterStringBase), field);
}

// Packages install into the folder that holds the updater's bundle.
gCString CPintrelUpdaterApp::GetInstallFolderText() { return GetAppParentFolderText(); }

void CPintrelUpdaterApp::Quit()
{
    const bool ownedByWindow = mBackdrop && mBackdrop->GetWindow();
    CApp::Quit();
    if (ownedByWindow)
        SetBackdrop(nullptr);
}

bool CPintrelUpdaterApp::IsBackdropInAWindow() const
{
    // Only compared, never followed: the backdrop may be gone with its window.
    const CBackdrop* backdrop = mBackdrop;
    bool held = false;
    const gCArray<CWindowBase*>& windows = GetWindowList();
    for (int32_t i = 0; i < windows.GetSize() && backdrop && !held; ++i)
        held = windows[i] && windows[i]->GetBackdrop() == backdrop;
    return held;
}

eResultCode CPintrelUpdaterApp::OnStartFailed()
{
    if (!IsBackdropInAWindow())
        SetBackdrop(nullptr);
    return eSuccess;
}

sUpdateCheckValues CPintrelUpdaterApp::GetCheckValues() const
{
    sUpdateCheckValues values;
    values.language = mProductLanguage;
    values.version = mProductVersion;
    values.buildType = mBuildType;
    values.protocol = mClientProtocol;
    values.buildString = mBuildString;
    values.platform = mPlatform;
    return values;
}

eResultCode CPintrelUpdaterApp::Run(const gCString& documentPath)
{
    bool ended = false;
    PNU_TRY(LoadWindowTree(ended));
    if (ended)
        return eSuccess;
    OpenUpdateLog();
    PNU_TRY(OpenMainWindow());
    ReadTestModeMarker();
    PNU_TRY(StartTransfers());
    const eResultCode probe = ProbeProduct();
    ChooseLanguage();
    PNU_TRY(ShowStartState());
    if (!CheckProductValues(probe))
        return eSuccess;
    LoadSounds();
    ResumeHeartbeat();
    return OpenStartDocument(documentPath);
}

eResultCode CPintrelUpdaterApp::LoadWindowTree(bool& ended)
{
    SetBackdrop(new CPintrelUpdaterBackdrop());
    if (!mBackdrop)
        return eNoMemory;
    // Without its window the updater can show nothing, not even why an update fails. A file
    // without the window at all (empty, or another program's) fails the start with "not found",
    // which the framework reports. A damaged window has shown its loader's alert already: the
    // program then ends with a failure status and no second alert.
    if (eResultCode loaded = mBackdrop->LoadFromName(gCString(kWindowResourceName), nullptr, nullptr);
        loaded != eSuccess) {
        CPintrelUpdaterBackdrop* unloaded = mBackdrop;
        SetBackdrop(nullptr);
        delete unloaded;
        if (loaded == eResourceNotFound)
            return loaded;
        mExitStatus = 1;
        Quit();
        ended = true;
        return eSuccess;
    }
    if (mBackdrop->GetName().IsEmpty())
        (void)mBackdrop->SetName(gCString(kWindowResourceName));
    return eSuccess;
}

void CPintrelUpdaterApp::OpenUpdateLog() { (void)mUpdateLog.Open(); }

eResultCode CPintrelUpdaterApp::OpenMainWindow()
{
    // Rollover tracking, so the main button, its glow and the table's hovering follow the mouse.
    mBackdrop->SetWidgetRollover(1);
    gCCmdTarget::SetFocusTarget(mBackdrop);

    // A normal window (not full screen), centred.
    if (eResultCode result = CreateMainWindow(mBackdrop, 0, 6, gCFloatPoint{640.0f, 240.0f},
                                              gCFloatPoint{-1.0f, -1.0f}, nullptr, true);
        result != eSuccess) {
        // Without room for the text the error is still reported, with its code's message alone.
        CMemBlock text;
        const bool converted = GetUntranslatedText(kTextNoWindow).ToMacRomanCString(text) == eSuccess;
        ReportError(result, converted ? reinterpret_cast<const char*>(text.GetData()) : nullptr);
        return result;
    }
    gCCmdTarget::SetDefaultTarget(this);
    gCCmdTarget::SetFocusTarget(mBackdrop);
    return eSuccess;
}

void CPintrelUpdaterApp::ReadTestModeMarker()
{
    gCFRelative marker(gCString("testmode"), 0);
    if (!FileExists(marker))
        return;
    mTestMode = 1;
    gCFile markerFile;
    if (OpenFile(markerFile, marker, gCFile::eAccessRead) != eSuccess)
        return;
    gCString firstLine;
    if (markerFile.ReadLine(firstLine) == eSuccess)
        mTestHost = firstLine.GetTrimmed(gCString(kStringWhitespace));
    gCString line;
    for (int32_t i = 0; i < 16 && markerFile.ReadLine(line) == eSuccess; ++i)
        (void)ApplyTestModeLine(line);
}

eResultCode CPintrelUpdaterApp::StartTransfers()
{
    mTransferManager = new CPNULocalTransferManager();
    if (!mTransferManager)
        return eNoMemory;
    return StartOpenTransport();
}

eResultCode CPintrelUpdaterApp::ProbeProduct()
{
    // The repair runs under the install folder's lock: a copy that holds it is installing, and
    // repairing would take its install apart. That copy's own end leaves the product whole.
    plat::FolderLock lock;
    gCString refusal;
    const eResultCode locked = LockInstallFolder(lock, WithoutTrailingSeparator(GetInstallFolderText()), this,
                                                 refusal, kTextRepairNotRun);
    mAnotherCopyAtWork = locked == eBusy;
    if (locked == eSuccess) {
        // Another copy's lines are cut away only while none installs.
        (void)mUpdateLog.Empty(lock);
        (void)RecoverUnfinishedInstall(*this, &mRepairLines);
    } else if (!mAnotherCopyAtWork) {
        // An install cut off may be half in place: the start must not look as if all were well.
        (void)mRepairLines.AddStatusLine(refusal, &kStatusRed, true);
    }
    lock.Release();
    return ProbeInstalledProduct(*mTransferManager, mProductVersion, mProductLanguage, mBuildType,
                                 mApplicationName, mBuildString, mPlatform, mClientProtocol);
}

void CPintrelUpdaterApp::ChooseLanguage()
{
    uint32_t baseId = gLanguageBaseId;
    uint32_t offset = 0;
    if (GetUpdaterStringTable())
        ChooseLanguageBlock(*GetUpdaterStringTable(), mProductLanguage, baseId, offset);
    gLanguageBaseId = baseId;
    gLanguageOffset = offset;
}

eResultCode CPintrelUpdaterApp::ShowStartState()
{
    const eResultCode built = mBackdrop->BuildWidgets();
    // The repair's lines reach the log even without the status table.
    mRepairLines.ShowIn(StatusTarget());
    PNU_TRY(built);
    if (mTestMode)
        (void)ShowStatusLine(gCString("WARNING - IN LOCAL TEST MODE! NOT FOR GENERAL USE!"), kStatusBrightGreen);
    else
        (void)mBackdrop->Update();
    // Shown once the widgets stand, in the product's language.
    if (mAnotherCopyAtWork)
        (void)ShowStatusLine(GetTranslatedReportText(kTextAnotherCopy), kStatusRed);
    TellLogNotOpened();
    return eSuccess;
}

void CPintrelUpdaterApp::TellLogNotOpened()
{
    if (mUpdateLog.IsOpen())
        return;
    const plat::eFileResult failure = mUpdateLog.GetOpenFailure();
    gCString reason;
    if (failure == plat::eFileResult::kIsLink || failure == plat::eFileResult::kIsFolder
        || failure == plat::eFileResult::kNotRegularFile)
        reason = GetTranslatedReportText(kTextNotRegularFile);
    else if (failure == plat::eFileResult::kMoreNames)
        reason = GetTranslatedReportText(kTextSecondName);
    else
        (void)reason.SetFromUTF8(plat::DescribeFileResult(failure));
    const gCString detail = FillTextValues(GetTranslatedReportText(kTextDetail), {mUpdateLog.GetPath(), reason});
    const gCString line = FillTextValues(GetTranslatedReportText(kTextNoLogFile), {detail});
    (void)ShowStatusLine(line, kStatusRed);
    CMemBlock text;
    if (line.ToUTF8CString(text) == eSuccess)
        std::fprintf(stderr, "%s\n", reinterpret_cast<const char*>(text.GetData()));
}

bool CPintrelUpdaterApp::CheckProductValues(eResultCode probe)
{
    if (probe != eSuccess) {
        (void)ShowPlainAlert(GetTranslatedText(kTextProductNotFound, 1),
                             GetTranslatedText(kTextProductNotFound, 0));
        Quit();
        return false;
    }
    if (mProductVersion.IsEmpty() || mProductLanguage.IsEmpty() || mBuildType.IsEmpty()) {
        (void)ShowPlainAlert(GetTranslatedText(kTextSettingsIncomplete, 0),
                             GetTranslatedText(kTextSettingsIncomplete, 1));
        Quit();
        return false;
    }
    return true;
}

void CPintrelUpdaterApp::LoadSounds()
{
    if (!GetResourceContext())
        return;
    mSuccessSound = CSound::CreateFromId(90000, nullptr, nullptr);
    mFailureSound = CSound::CreateFromId(90001, nullptr, nullptr);
}

eResultCode CPintrelUpdaterApp::OpenStartDocument(const gCString& documentPath)
{
    gCString path = documentPath;
    path.Trim(gCString(kStringWhitespace));
    path.TrimChar(u'"');
    if (path.GetLength() < 2 || path == "slave") {
        (void)mBackdrop->Update();
        return eSuccess;
    }
    gCFRef document(path);
    // Not being able to tell is not "not found", which would be shown as such.
    bool exists = false;
    PNU_TRY(CheckFileExists(document, exists));
    if (exists) {
        gCFile file;
        PNU_TRY(OpenOrChooseFile(file, document, nullptr, gCFile::eAccessRead));
        eResultCode installed = InstallFromFile(file);
        if (installed == eSuccess) {
            (void)mBackdrop->Update();
            return eSuccess;
        }
        return installed == eHandled ? eSuccess : installed;
    }
    gCString line = GetTranslatedText(kTextFileNotFound);
    line += gCString(" ");
    line += path;
    (void)ShowStatusLine(line, kStatusDarkRed);
    (void)mBackdrop->Update();
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::HeartbeatHook()
{
    if (mTransferManager)
        mTransferManager->Tick();
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::HoldPackage(gCMemFile* source)
{
    if (!source)
        return eBadParameter;
    auto* copy = new gCMemFile();
    if (!copy)
        return eNoMemory;
    // The body changes hands instead of being copied: a package is never held twice.
    copy->Swap(*source);
    (void)copy->Rewind();
    delete mReceivedPackage;
    mReceivedPackage = copy;
    return eSuccess;
}

uint32_t CPintrelUpdaterApp::OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag)
{
    // A handler's error stops the message here; everything else goes on to the window.
    if (uint32_t answer = DecodeUpdaterMessage(command, p1, p2, *this); answer != 0)
        return answer;
    return flag ? SendToFocusTarget(command, p1, p2) : PassToFocusTarget(command, p1, p2);
}

eResultCode CPintrelUpdaterApp::OnPackageReceived(gCMemFile* body) { return HoldPackage(body); }

eResultCode CPintrelUpdaterApp::OnPackageToSave(gCMemFile* body)
{
    PNU_TRY(HoldPackage(body));
    return SaveUpdaterSource();
}

eResultCode CPintrelUpdaterApp::OnServerRefused(int64_t failType) { return OnDownloadLocation(failType); }

eResultCode CPintrelUpdaterApp::OnAskProtocol(int32_t& protocol)
{
    protocol = 4;
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::OnAskSession(CPNUHTTPSession*& session)
{
    auto* created = new CPNULocalHTTPSession();
    if (!created)
        return eCreateFailed;
    session = created;
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::OnSuccessSound()
{
    PlaySound(mSuccessSound);
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::OnFailureSound()
{
    PlaySound(mFailureSound);
    return eSuccess;
}

void CPintrelUpdaterApp::PlaySound(CSound* sound)
{
    if (sound)
        (void)sound->Play(0);
}

eResultCode CPintrelUpdaterApp::WriteLog(const gCString& text)
{
    (void)mUpdateLog.WriteLine(text);
    return eSuccess;
}

void CPintrelUpdaterApp::StartUpdateCheck()
{
    if (!mTransferManager)
        return;
    const gCString host = ChooseUpdateHost(mTestMode, mTestHost);
    const gCString url = ComposeUpdateCheckURL(host, mTestMode, GetCheckValues());
    // Failures show as status lines; the result is not the button's.
    (void)mTransferManager->StartRequest(host, url);
}

eResultCode CPintrelUpdaterApp::InstallPackage(gCStream& stream)
{
    // The panel is off while a file installs; refused as another copy was installing, it is back
    // as it was, to try again.
    const bool panelOn = mBackdrop && mBackdrop->IsMessageActive();
    if (mBackdrop)
        mBackdrop->SetMessageActive(false);
    const eResultCode result = mInstaller.InstallPackage(stream);
    if (result == eBusy && panelOn && mBackdrop)
        mBackdrop->SetMessageActive(true);
    return result;
}

eResultCode CPintrelUpdaterApp::InstallFromFile(gCFile& file)
{
    eResultCode result = InstallPackage(file);
    if (result == eHandled)
        return result;
    if (result != eSuccess)
        (void)ShowStatusLine(GetTranslatedText(kTextNotInstalled), kStatusDarkRed);
    return file.Close();
}

eResultCode CPintrelUpdaterApp::InstallReceivedPackage()
{
    if (!mReceivedPackage) {
        (void)ShowStatusLine(GetTranslatedText(kTextNothingReceived), kStatusDarkRed);
        return eSuccess;
    }
    // The installer uses the package up as it decodes it, so the two are never held whole at
    // once. A package installed answers "already installed" on a second press; one that failed is
    // gone, and a new check fetches it again. A body with nothing in it fails as one that did not
    // install: the button shows no alert, so every failure needs its line.
    eResultCode result = mReceivedPackage->Rewind();
    if (result == eSuccess)
        result = mInstaller.InstallHeldPackage(*mReceivedPackage);
    // Refused as another copy was installing: the package is whole, and the button installs it
    // once that copy is done.
    if (result == eBusy) {
        if (mBackdrop)
            mBackdrop->SetMessageActive(true);
        return result;
    }
    if (result != eSuccess && result != eHandled) {
        delete mReceivedPackage;
        mReceivedPackage = nullptr;
        // A failure is announced as for a package opened from a file.
        (void)ShowStatusLine(GetTranslatedText(kTextNotInstalled), kStatusDarkRed);
    }
    return result;
}

eResultCode CPintrelUpdaterApp::SaveUpdaterSource()
{
    if (!mReceivedPackage)
        return eSuccess;
    gCFile file;
    PNU_TRY(OpenFile(file, gCString("updatersource.pnu"), gCFile::eAccessWrite));
    if (mReceivedPackage->GetSize() > 0)
        PNU_TRY(file.Write(mReceivedPackage->GetData(), int32_t(mReceivedPackage->GetSize())));
    PNU_TRY(file.Close());
    if (mBackdrop)
        PNU_TRY(mBackdrop->ShowFinishMessage());
    return eSuccess;
}

eResultCode CPintrelUpdaterApp::OnDownloadLocation(int64_t failType)
{
    if (failType != 1 || !mTransferManager)
        return eSuccess;
    gCString location;
    if (mTransferManager->FindHeaderValue(gCString("PNU-DownloadLocation"), location) != eSuccess)
        return eSuccess;
    gCString line = GetTranslatedText(kTextDownloadFrom);
    line += CutServerText(location);
    line += gCString(" ");
    line += GetTranslatedText(kTextClickOpensPage);
    PNU_TRY(ShowStatusLine(line, kStatusBlack));
    return mBackdrop ? mBackdrop->ShowURLMessage(GetTranslatedText(kTextClickToOpenPage), location) : eSuccess;
}

eResultCode CPintrelUpdaterApp::OnFilesDropped(const gCArray<gCString>& paths)
{
    for (const gCString& path : paths) {
        gCFRef document(path);
        bool exists = false;
        PNU_TRY(CheckFileExists(document, exists));
        if (!exists)
            continue;
        gCFile file;
        PNU_TRY(OpenOrChooseFile(file, document, nullptr, gCFile::eAccessRead));
        return InstallPackage(file);
    }
    // The application's report operation is the empty one: nothing is shown.
    return eSuccess;
}

gCFRelative CPintrelUpdaterApp::GetSlavePath() const { return gCFRelative(gCString("PNUSlave.app"), 1); }

eResultCode CPintrelUpdaterApp::SelfUpdateFromSlave()
{
    gCFRelative slave = GetSlavePath();
    gCFRelative bundle(gCString(kUpdaterBundleName), 1);
    // A stale copy that could not be removed, or a copy that failed half-way, is never launched.
    bool copied = DeleteFile(slave) == eSuccess && CopyFile(bundle, slave, 0) == eSuccess;
    if (copied && FileExists(slave)) {
        (void)LaunchFile(slave);
        Quit();
        return eSuccess;
    }
    ReportError(eCreateFailed, "Pintrel Updater couldn't update itself.");
    return eSuccess;
}
