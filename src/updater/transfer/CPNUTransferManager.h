// Runs the updater's transfers, one HTTP session at a time, from the application's heartbeat, and
// decides by its state and the reply's content type what a finished download is: a package to
// keep, a refusal to explain, a check reply, a download list or the updater's own new copy. It
// speaks to the user only through updater messages.
//
// Kept for the direct check and the file-by-file update, which the updater's flows do not start:
// RequestCheckReply, ReadInstalledList, DownloadNextFile, DownloadUpdaterEntry and
// MakeTempPackagePath.
#pragma once

#include "app/gCCmdTarget.h"
#include "core/CMemBlockT.h"
#include "core/gCArray.h"
#include "core/gCString.h"
#include "updater/transfer/CFileData.h"

class CHTTPSession;
class CPNUHTTPSession;
class gCMemFile;

class CPNUTransferManager : public gCCmdTarget {
public:
    // What a finished download means.
    enum : int32_t {
        kStateDownloadList = 0,
        kStateCheckReply = 1,
        kStateUpdateRequest = 2,
        kStateUpdaterCopy = 3,
        kStateSessionFailed = 4,
        kStateParsed = 5,
    };

    CPNUTransferManager();
    ~CPNUTransferManager() override;

    // The ten status texts.
    virtual gCString GetReceivedText();
    virtual gCString GetUnknownReasonText();
    virtual gCString GetStartErrorText();
    virtual gCString GetNotStartedText();
    virtual gCString GetDownloadErrorText();
    virtual gCString GetDownloadFailedText();
    virtual gCString GetLookingUpText();
    virtual gCString GetConnectionFailedText();
    virtual gCString GetOutsideProcessText();
    virtual gCString GetTransferErrorText();

    eResultCode StartRequest(const gCString& host, const gCString& url);
    eResultCode StartTransfer(const gCString& host, const gCString& url);
    // "host|url": the direct check request, whose reply body is parsed as a check reply.
    eResultCode RequestCheckReply(const gCString& hostAndURL);
    void Tick();
    eResultCode Shutdown();
    eResultCode FindHeaderValue(const gCString& name, gCString& value);
    eResultCode PostState();
    eResultCode OnUpdaterSend();
    eResultCode DispatchFinishedJob();
    eResultCode KeepReceivedFile(gCMemFile& body);
    eResultCode ReportDownloadError(const gCString& reason);

    static eResultCode OnSessionStateChange(CHTTPSession* session);
    static eResultCode OnDownloadFinished(CHTTPSession* session, const gCString& folder, const gCString& fileName,
                                          uint32_t complete, uint32_t byteCount, uintptr_t user);

    // File-by-file updating.
    eResultCode ReadInstalledList();
    eResultCode ParseFileDataLine(const gCString& line, CFileData& entry);
    eResultCode ParseDownloadList(gCMemFile& body);
    int32_t FindFileData(const CFileData& entry) const;
    eResultCode DownloadNextFile();
    eResultCode DownloadUpdaterEntry();
    eResultCode StoreUpdaterCopy(gCMemFile& body);
    eResultCode InstallReplacementFile(CFileData& entry);
    eResultCode WriteReplacements();

    // State for the application, the reply readers and the tests.
    int32_t GetState() const { return mState; }
    void SetState(int32_t state) { mState = state; }
    CPNUHTTPSession* GetCurrentSession() const { return mCurrentSession; }
    int32_t GetRetiredCount() const { return mRetiredSessions.GetSize(); }
    const gCString& GetLatestVersionText() const { return mLatestVersion; }
    const gCArray<gCString>& GetNotes() const { return mNotes; }
    gCArray<CFileData>& GetInstalledList() { return mInstalledList; }
    gCArray<CFileData>& GetDownloadList() { return mDownloadList; }
    CFileData& GetUpdaterEntry() { return mUpdaterEntry; }

protected:
    int32_t mState = -1;
    CMemBlockT<unsigned char> mDownloadListCopy;
    uint32_t mClosing = 0;
    uint32_t mSaveSource = 0;
    CPNUHTTPSession* mCurrentSession = nullptr;
    gCArray<CPNUHTTPSession*> mRetiredSessions;
    gCString mLatestVersion;
    gCArray<gCString> mNotes;
    CFileData mUpdaterEntry;
    gCArray<CFileData> mInstalledList;
    gCArray<CFileData> mDownloadList;
    CFileData* mCurrentFile = nullptr;
    // The file servers of the file-by-file flow: one for the listed files, one for the updater's
    // own file. Nothing in the program sets them yet.
    gCString mFileServerHost;
    gCString mFilesURL;
    gCString mUpdaterURL;
};

// The manager the application makes: its status texts come from the string table.
class CPNULocalTransferManager : public CPNUTransferManager {
public:
    gCString GetReceivedText() override;
    gCString GetUnknownReasonText() override;
    gCString GetStartErrorText() override;
    gCString GetNotStartedText() override;
    gCString GetDownloadErrorText() override;
    gCString GetDownloadFailedText() override;
    gCString GetLookingUpText() override;
    gCString GetConnectionFailedText() override;
    gCString GetOutsideProcessText() override;
    gCString GetTransferErrorText() override;
};

class gCFRelative;
// The first "PintrelUpdater" n ".exe" (respectively "PNUTemp" n ".pnu") in the Contents folder,
// n counting from 1, at which nothing exists.
eResultCode MakeTempUpdaterPath(gCFRelative& path);
eResultCode MakeTempPackagePath(gCFRelative& path);
