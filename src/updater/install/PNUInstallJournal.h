// The install journal: a small file in the install folder, written before the first new file and
// removed when the install has ended, that names every entry of the install under way. When a
// run ends in the middle of an install (a kill, a power cut), the next start reads it and either
// finishes the install or undoes it, so the product is whole again before anything looks at it;
// the journal also tells which ".tmp" and ".old" files are the updater's own.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"

class CPNUInstallFiles;
class CPNUInstallServices;
class CPNUStatusTarget;

struct sInstallJournal {
    // Finish: every new file is written and flushed, so the install may be completed. Undo: the
    // previous files go back.
    enum class eState : int32_t { kUndo, kFinish };

    eState state = eState::kUndo;
    gCString installFolder; // no trailing separator
    gCArray<gCString> names;  // each from the package, starting with "/"
    gCArray<int32_t> hadFile; // 1 when a file stood at the name before the install

    void Reset()
    {
        state = eState::kUndo;
        installFolder = gCString();
        names.RemoveAll();
        hadFile.RemoveAll();
    }
};

gCString InstallJournalPath(const gCString& installFolder);

// Written beside the final journal, flushed, then renamed over it: a journal is whole or absent.
eResultCode WriteInstallJournal(CPNUInstallFiles& files, const sInstallJournal& journal);
// 0 with found false when there is none; 1 when it is damaged or names something unsafe.
eResultCode ReadInstallJournal(CPNUInstallFiles& files, const gCString& installFolder, sInstallJournal& journal,
                               bool& found);
eResultCode RemoveInstallJournal(CPNUInstallFiles& files, const gCString& installFolder);

// Puts every previous file back under its name (hard-linked or moved ".old" files), takes placed
// new files out again and removes the ".tmp" files. Every entry is tried whatever happens to the
// others; the first failure is answered, with its path in failedPath.
eResultCode UndoInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath);
// Moves the remaining ".tmp" files into place and removes the ".old" files.
eResultCode FinishInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath);

// Run at every start and before every install: finishes or undoes an install that a previous run
// left unfinished, then removes its journal. Reports what it did as status lines. 0 also when
// there was nothing to do; otherwise the journal stays for the next attempt.
eResultCode RecoverUnfinishedInstall(CPNUInstallServices& services, CPNUStatusTarget* status,
                                     CPNUInstallFiles* files = nullptr);
// The same for a folder already known (no trailing separator), so a host that cannot name its
// folder for want of memory never makes the installer skip the repair. The lines' texts come from
// the services, built-in English without them.
eResultCode RecoverUnfinishedInstallIn(const gCString& folder, CPNUStatusTarget* status, CPNUInstallFiles* files,
                                       CPNUInstallServices* texts = nullptr);
