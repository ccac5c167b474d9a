// The updater's application object: its start-up (window, log, transfer manager, the installed
// product's values, the language), the updater messages it answers, the received package it holds
// and the installs it starts.
#pragma once

#include "app/CApp.h"
#include "core/gCString.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUHeldStatusLines.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/CPNUUpdateLog.h"
#include "updater/PNUMessages.h"
#include "updater/transfer/PNUUpdateCheckURL.h"
#include "updater/window/CPNUWindowOwner.h"

class CPNUTransferManager;
class CPintrelUpdaterBackdrop;
class CSound;
class gCFile;
class gCMemFile;
class gCStream;
class gCStringTable;
class gCFRelative;

// It owns the log, which the window writes every line to through WriteLog while it stands as the
// status target; before the window loads and after quitting closed it, the lines go to the log alone.
// The installer reports to that status target of the moment and asks the application for texts,
// the product's build, the install folder and heartbeats. The window asks it to install, check and
// quit. As the default target it answers the updater messages below and passes every message on
// to the window.
class CPintrelUpdaterApp : public CApp,
                           public CPNUInstallServices,
                           public CPNUMessageReceiver,
                           public CPNUWindowOwner {
public:
    CPintrelUpdaterApp();
    ~CPintrelUpdaterApp() override;

    uint32_t OnCommand(uint32_t command, uintptr_t p1, intptr_t p2, uint32_t flag) override;
    eResultCode OnFilesDropped(const gCArray<gCString>& paths) override;
    eResultCode Run(const gCString& documentPath) override;
    eResultCode HeartbeatHook() override;

    // The way of the window's status lines to the log.
    eResultCode WriteLog(const gCString& text) override;
    eResultCode InstallFromFile(gCFile& file);
    eResultCode SaveUpdaterSource();
    eResultCode OnDownloadLocation(int64_t failType);
    gCFRelative GetSlavePath() const;
    eResultCode SelfUpdateFromSlave();

    // The updater messages the application answers.
    eResultCode OnPackageReceived(gCMemFile* body) override;
    eResultCode OnPackageToSave(gCMemFile* body) override;
    eResultCode OnServerRefused(int64_t failType) override;
    eResultCode OnAskProtocol(int32_t& protocol) override;
    eResultCode OnAskSession(CPNUHTTPSession*& session) override;
    eResultCode OnSuccessSound() override;
    eResultCode OnFailureSound() override;

    // What the window's main button asks for.
    eResultCode InstallReceivedPackage() override;
    bool CanCheckForUpdates() const override { return mTransferManager != nullptr; }
    void StartUpdateCheck() override;
    // The installer's services.
    gCString GetText(uint32_t id, int32_t field) override;
    gCString GetReportText(eReportText text) override { return GetTranslatedReportText(text); }
    gCString GetInstalledBuildString() override { return mBuildString; }
    gCString GetInstallFolderText() override;
    void RunHeartbeat() override { (void)RunHeartbeatOnce(); }
    // Quitting closes the window, which deletes its backdrop: the pointer to it goes too, and the
    // lines go to the log alone.
    void Quit() override;
    // A failed start has closed the window already: the pointer goes when no window holds it.
    eResultCode OnStartFailed() override;

    CPNUTransferManager* GetTransferManager() const { return mTransferManager; }
    CPintrelUpdaterBackdrop* GetBackdrop() const { return mBackdrop; }
    gCMemFile* GetReceivedPackage() const { return mReceivedPackage; }
    // The values the update check sends.
    sUpdateCheckValues GetCheckValues() const;

private:
    // The start, step by step. A window tree that loads but is damaged ends the start (`ended`).
    eResultCode LoadWindowTree(bool& ended);
    void OpenUpdateLog();
    eResultCode OpenMainWindow();
    void ReadTestModeMarker();
    eResultCode StartTransfers();
    // Finishes an interrupted install first (unless another copy is installing), then reads the
    // installed product's values.
    eResultCode ProbeProduct();
    void ChooseLanguage();
    eResultCode ShowStartState();
    // A log left closed is told once, in the window's language and on standard error.
    void TellLogNotOpened();
    // False when the product could not be read (an alert is shown and the program quits).
    bool CheckProductValues(eResultCode probe);
    void LoadSounds();
    // The package named on the command line is installed; "slave" or no name leaves the window as it is.
    eResultCode OpenStartDocument(const gCString& documentPath);

    // The window of the moment (none once it is gone): it is given its owner, and the
    // installer reports to it, or to the log alone without one.
    void SetBackdrop(CPintrelUpdaterBackdrop* backdrop);
    // Where a line goes now: the window while there is one, else the log alone.
    CPNUStatusTarget& StatusTarget();
    // A window still holds the backdrop, which therefore still stands.
    bool IsBackdropInAWindow() const;

    eResultCode HoldPackage(gCMemFile* source);
    eResultCode InstallPackage(gCStream& stream);
    void PlaySound(CSound* sound);
    eResultCode ShowStatusLine(const gCString& text, uint32_t colour);

    CPNUTransferManager* mTransferManager = nullptr;
    CPNUUpdateLog mUpdateLog;
    CPNUDesquasher mInstaller;
    gCString mProductVersion;
    gCString mProductLanguage;
    gCString mBuildType;
    gCString mBuildString;
    gCString mPlatform;
    // A copy of the last downloaded body, owned here: the session it came from may be gone.
    gCMemFile* mReceivedPackage = nullptr;
    int32_t mClientProtocol = -1;
    uint32_t mTestMode = 0;
    CSound* mFailureSound = nullptr;
    CSound* mSuccessSound = nullptr;
    gCString mApplicationName;
    CPintrelUpdaterBackdrop* mBackdrop = nullptr;
    // The host named by the test-mode marker's first line (empty when it names none).
    gCString mTestHost;
    // The start found another copy installing in the folder and left the repair to it.
    bool mAnotherCopyAtWork = false;
    // What the start-up repair reported before the window could show it.
    CPNUHeldStatusLines mRepairLines;
};
