#include "updater/PNUInstallJournal.h"

#include "updater/CPNUInstallFiles.h"
#include "updater/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUPackageNames.h"

#include <string>

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;

const char kJournalName[] = "/.pintrel-update-journal";
const char kFirstLine[] = "Pintrel Updater install journal 1";
// A package has at most 1048575 entries of a 64 KB index; the journal of the largest is far
// smaller than this.
constexpr uint64_t kLargestJournal = 64ull << 20;

// Lines hold names from packages: line breaks and "%" inside them are escaped.
std::string Escaped(const gCString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text.ToUTF8()) {
        if (c < 0x20 || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Unescaped(const std::string& text, gCString& out)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0)
            return false;
        bytes += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
        i += 2;
    }
    return out.SetFromUTF8(bytes) == eSuccess;
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest)
{
    const std::string head(prefix);
    if (text.compare(0, head.size(), head) != 0)
        return false;
    rest = text.substr(head.size());
    return true;
}

gCString PathOf(const sInstallJournal& journal, int32_t i, const char* suffix)
{
    return journal.installFolder + journal.names[i] + gCString(suffix);
}

// A ".tmp" or ".old" of ours is a file or a link; a folder by that name is never touched.
bool IsOwnLeftover(CPNUInstallFiles& files, const gCString& path)
{
    return files.Exists(path) && !files.IsFolder(path);
}

void Remember(eResultCode result, const gCString& path, eResultCode& first, gCString& failedPath)
{
    if (result != eSuccess && first == eSuccess) {
        first = result;
        failedPath = path;
    }
}

eResultCode Report(CPNUStatusTarget* status, const gCString& text, uint32_t colour)
{
    return status ? status->AddStatusLine(text, &colour, true) : eSuccess;
}

} // namespace

gCString InstallJournalPath(const gCString& installFolder) { return installFolder + gCString(kJournalName); }

eResultCode WriteInstallJournal(CPNUInstallFiles& files, const sInstallJournal& journal)
{
    std::string text = std::string(kFirstLine) + "\n";
    text += journal.state == sInstallJournal::eState::kFinish ? "state finish\n" : "state undo\n";
    text += "folder " + Escaped(journal.installFolder) + "\n";
    for (int32_t i = 0; i < journal.names.GetSize(); ++i)
        text += (journal.hadFile[i] ? "file " : "new ") + Escaped(journal.names[i]) + "\n";
    text += "end\n";
    const gCString path = InstallJournalPath(journal.installFolder);
    const gCString fresh = path + gCString(".tmp");
    PNU_TRY(files.WriteFile(fresh, reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0600));
    PNU_TRY(files.FlushEntry(fresh));
    PNU_TRY(files.Replace(fresh, path));
    return files.FlushEntry(journal.installFolder);
}

eResultCode ReadInstallJournal(CPNUInstallFiles& files, const gCString& installFolder, sInstallJournal& journal,
                               bool& found)
{
    found = false;
    journal.Reset();
    const gCString path = InstallJournalPath(installFolder);
    if (!files.Exists(path))
        return eSuccess;
    found = true;
    std::string text;
    if (files.ReadFile(path, text, kLargestJournal) != eSuccess)
        return eGenericFailure;
    size_t start = 0;
    int32_t lineNumber = 0;
    bool ended = false;
    while (start < text.size() && !ended) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return eGenericFailure; // cut short
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::string rest;
        gCString value;
        if (lineNumber++ == 0) {
            if (line != kFirstLine)
                return eGenericFailure;
        } else if (line == "state finish" || line == "state undo") {
            journal.state = line == "state finish" ? sInstallJournal::eState::kFinish : sInstallJournal::eState::kUndo;
        } else if (StartsWith(line, "folder ", rest)) {
            if (!Unescaped(rest, journal.installFolder))
                return eGenericFailure;
        } else if (StartsWith(line, "file ", rest) || StartsWith(line, "new ", rest)) {
            // A name that would reach outside the folder is never acted on, whoever wrote it.
            if (!Unescaped(rest, value) || MakeSafeName(value) != ePackageNameRule::kAccepted)
                return eGenericFailure;
            PNU_TRY(journal.names.Add(value));
            PNU_TRY(journal.hadFile.Add(line[0] == 'f' ? 1 : 0));
        } else if (line == "end") {
            ended = true;
        } else {
            return eGenericFailure;
        }
    }
    // The journal is renamed into place whole, so one without its end is not ours.
    if (!ended || start != text.size() || journal.installFolder.IsEmpty())
        return eGenericFailure;
    return eSuccess;
}

eResultCode RemoveInstallJournal(CPNUInstallFiles& files, const gCString& installFolder)
{
    const gCString path = InstallJournalPath(installFolder);
    PNU_TRY(files.Delete(path + gCString(".tmp")));
    PNU_TRY(files.Delete(path));
    return files.FlushEntry(installFolder);
}

eResultCode UndoInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath)
{
    eResultCode first = eSuccess;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        const gCString final = PathOf(journal, i, "");
        const gCString old = PathOf(journal, i, ".old");
        const gCString temp = PathOf(journal, i, ".tmp");
        if (IsOwnLeftover(files, old)) {
            Remember(files.Replace(old, final), final, first, failedPath);
            // Two names of one file: the rename leaves both, and the ".old" is a mere second name.
            if (files.Exists(old) && files.Exists(final))
                Remember(files.Delete(old), old, first, failedPath);
        } else if (!journal.hadFile[i] && files.Exists(final) && !files.IsFolder(final)) {
            Remember(files.Delete(final), final, first, failedPath);
        }
        if (IsOwnLeftover(files, temp))
            Remember(files.Delete(temp), temp, first, failedPath);
    }
    return first;
}

eResultCode FinishInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath)
{
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        const gCString temp = PathOf(journal, i, ".tmp");
        if (!IsOwnLeftover(files, temp))
            continue;
        const gCString final = PathOf(journal, i, "");
        if (eResultCode result = files.Replace(temp, final); result != eSuccess) {
            failedPath = final;
            return result;
        }
    }
    eResultCode first = eSuccess;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        const gCString old = PathOf(journal, i, ".old");
        const gCString final = PathOf(journal, i, "");
        if (!IsOwnLeftover(files, old))
            continue;
        if (files.Exists(final))
            Remember(files.Delete(old), old, first, failedPath);
        else
            Remember(files.Move(old, final), final, first, failedPath);
    }
    return first;
}

eResultCode RecoverUnfinishedInstall(CPNUInstallServices& services, CPNUStatusTarget* status, CPNUInstallFiles* files)
{
    CPNUInstallFiles ownFiles;
    CPNUInstallFiles& use = files ? *files : ownFiles;
    const gCString folder = WithoutTrailingSeparator(services.GetInstallFolderText());
    if (folder.IsEmpty())
        return eSuccess;
    sInstallJournal journal;
    bool found = false;
    const eResultCode read = ReadInstallJournal(use, folder, journal, found);
    // A journal cut off while it was written never named anything that was touched.
    if (!found)
        return use.Delete(InstallJournalPath(folder) + gCString(".tmp"));
    // A journal is renamed into place whole, so a damaged one is none of ours: it goes, and the
    // leftover step of the next install restores what it finds.
    if (read != eSuccess) {
        (void)Report(status, gCString("A damaged record of an interrupted update was removed: ") + InstallJournalPath(folder),
                     kRed);
        return RemoveInstallJournal(use, folder);
    }
    // The names are relative: a folder renamed since is the same folder.
    journal.installFolder = folder;
    gCString failedPath;
    const bool finishing = journal.state == sInstallJournal::eState::kFinish;
    eResultCode result = finishing ? FinishInstall(use, journal, failedPath) : UndoInstall(use, journal, failedPath);
    bool undone = !finishing;
    if (result != eSuccess && finishing) {
        failedPath = gCString();
        result = UndoInstall(use, journal, failedPath);
        undone = true;
    }
    // What was repaired is on the disk before the journal goes.
    if (result == eSuccess)
        result = use.Flush(folder);
    if (result == eSuccess)
        result = RemoveInstallJournal(use, folder);
    if (result != eSuccess) {
        (void)Report(status,
                     gCString("An interrupted update could not be repaired: ") + failedPath + gCString(": ")
                         + use.GetFailureReason(),
                     kRed);
        return result;
    }
    (void)Report(status,
                 gCString(undone ? "An interrupted update was undone: the previous files are back."
                                 : "An interrupted update was completed."),
                 kBlack);
    return eSuccess;
}
