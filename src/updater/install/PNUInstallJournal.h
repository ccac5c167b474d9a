// The install journal: a small file in the install folder, written before the first new file and
// removed when the install has ended, that names every entry of the install under way. When a
// run ends in the middle of an install (a kill, a power cut), the next start reads it and either
// finishes the install or undoes it, so the product is whole again before anything looks at it;
// the journal also tells which ".tmp" and ".old" files are the updater's own.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"
#include "platform/FileSystem.h"

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
    gCArray<int32_t> hadFile; // 1 when a file or a link stood at the name before the install
    // One per name: where a link stood there, which link (kept as its ".old" as itself, never
    // followed, and put back as itself); kNone elsewhere.
    gCArray<plat::sEntryIdentity> keptLink;
    // Once the new files are written, which file each ".tmp" is (one per name); empty before. The
    // repair touches a ".tmp" or a placed new file only when it is that file.
    gCArray<plat::sEntryIdentity> written;
    // The folders the install makes, deepest last or anywhere: folder k is the name madeIn[k] up
    // to (not including) its separator at unit madeUnits[k].
    gCArray<int32_t> madeIn;
    gCArray<int32_t> madeUnits;

    void Reset()
    {
        state = eState::kUndo;
        installFolder = gCString();
        names.RemoveAll();
        hadFile.RemoveAll();
        keptLink.RemoveAll();
        written.RemoveAll();
        madeIn.RemoveAll();
        madeUnits.RemoveAll();
    }
};

// The largest journal an install of the largest package writes. Each entry of the 64 KB file
// index takes 26 bytes besides its name's units (2 bytes each, at least 2 units); its journal
// line takes at most 132 bytes besides 3 bytes a unit ("link ", six 20-digit numbers, escapes of
// 3 bytes), and a folder it makes one line of at most 19 bytes, one folder at most for every 2
// units. That is at most 6.25 journal bytes for every index byte; the head (an install folder of
// 4096 system bytes escaped) stays below 16 KB.
inline constexpr uint64_t kLargestInstallJournal = 7 * 65536 + 16384;

gCString InstallJournalPath(const gCString& installFolder);

// Written beside the final journal, flushed, then renamed over it: a journal is whole or absent.
eResultCode WriteInstallJournal(CPNUInstallFiles& files, const sInstallJournal& journal);
// eSuccess with found false when there is none; eGenericFailure when its text is damaged or of
// another version; eInvalidFile when it is not a regular file; eOutOfRange when it is larger than
// any install writes; eDuplicateKey when it names what no install writes (a name twice, the journal
// itself, another name's partner; refused is that name's path); eStreamError when it cannot be
// read; eNoMemory when it cannot be held.
eResultCode ReadInstallJournal(CPNUInstallFiles& files, const gCString& installFolder, sInstallJournal& journal,
                               bool& found, gCString* refused = nullptr);
eResultCode RemoveInstallJournal(CPNUInstallFiles& files, const gCString& installFolder);

// Puts every previous file back under its name, takes placed new files out again, removes the
// ".tmp" files and then the folders the install made, where they are empty. A ".old" file goes
// only once its file stands at its name. Every entry is tried whatever happens to the others; the
// first failure is answered, with its path in failedPath. An entry that cannot be reached is a
// failure: what stands there is not known.
eResultCode UndoInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath);
// Moves the remaining ".tmp" files into place and removes the ".old" files. Nothing moves unless
// every entry's new file is its ".tmp" or already in place; placed is false when the install
// could not be completed (it is to be undone), true when only ".old" files stayed.
eResultCode FinishInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath,
                          bool& placed);
// Whether the folder holds what an install could have left for the journal: eDuplicateKey with the
// path of the first entry that no install leaves so (a partner that is not a regular file, a ".tmp"
// that is not the file written, a file at a new name that is not the install's); eStreamError with
// the path of the first entry that cannot be reached.
eResultCode CheckInstallLeftovers(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& refused);

// Names of one install that come to one entry, or to another's partner, the journal, the lock
// file or the reserved name (as FindNameClash takes it), through the links on their way: each name
// is taken beneath the folder its way comes to (the deepest that exists), the reserved one too.
// Each folder is looked up once. eSuccess with clash the index of the first such name, -1 when
// there is none; eBadParameter or eStreamError with failedPath the entry whose folder could not be
// reached.
eResultCode FindResolvedNameClash(CPNUInstallFiles& files, const gCString& installFolder,
                                  const gCArray<gCString>& names, int32_t& clash, gCString& failedPath,
                                  const gCString& reserved = gCString());

// Run at every start and before every install: finishes or undoes an install that a previous run
// left unfinished, then removes its journal. A journal refused as damage is set aside under a new
// name and the product left alone. Reports what it did as status lines. eSuccess also when there
// was nothing to do; otherwise the journal stays for the next attempt.
eResultCode RecoverUnfinishedInstall(CPNUInstallServices& services, CPNUStatusTarget* status,
                                     CPNUInstallFiles* files = nullptr);
// The same for a folder already known (no trailing separator), so a host that cannot name its
// folder for want of memory never makes the installer skip the repair. The lines' texts come from
// the services, built-in English without them.
eResultCode RecoverUnfinishedInstallIn(const gCString& folder, CPNUStatusTarget* status, CPNUInstallFiles* files,
                                       CPNUInstallServices* texts = nullptr);
