#include "updater/install/PNUInstallJournal.h"

#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/install/PNUPackageNames.h"

#include "core/CMemBlock.h"
#include "core/PercentEscape.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFFFF0000u;

const char16_t kJournalName[] = u"/.pintrel-update-journal";
const char kFirstLine[] = "Pintrel Updater install journal 1";
// A package has at most 1048575 entries of a 64 KB index; the journal of the largest is far
// smaller than this.
constexpr uint64_t kLargestJournal = 64ull << 20;

// The journal's text, grown in blocks from the memory hooks.
class cJournalText {
public:
    eResultCode Add(const void* bytes, uint32_t count)
    {
        const int32_t size = mBytes.GetSize();
        if (count > uint32_t(INT32_MAX - size))
            return eNoMemory;
        // Doubling keeps the copies of a large journal linear.
        PNU_TRY(mBytes.SetSize(size + int32_t(count), size > 256 ? size : 256));
        if (count > 0)
            std::memcpy(mBytes.GetData() + size, bytes, count);
        return eSuccess;
    }
    eResultCode Add(const char* text) { return Add(text, uint32_t(std::strlen(text))); }

    // Lines hold names from packages: line breaks and "%" inside them are escaped.
    eResultCode AddEscaped(const gCString& text)
    {
        CMemBlock utf8;
        PNU_TRY(text.ToUTF8(utf8));
        for (uint32_t i = 0; i < utf8.GetSize(); ++i) {
            const uint8_t c = utf8.GetData()[i];
            char escape[3];
            PercentEscapeByte(c, escape);
            PNU_TRY(c < 0x20 || c == '%' ? Add(escape, 3) : Add(&c, 1));
        }
        return eSuccess;
    }

    const uint8_t* GetData() const { return reinterpret_cast<const uint8_t*>(mBytes.GetData()); }
    uint64_t GetSize() const { return uint64_t(mBytes.GetSize()); }

private:
    gCArray<char> mBytes;
};

// Decodes the escapes in place (the text only shrinks) and takes the bytes as UTF-8. 1 for a
// broken escape, 5 when the text cannot be held.
eResultCode Unescaped(char* text, size_t length, gCString& out)
{
    size_t kept = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] != '%') {
            text[kept++] = text[i];
            continue;
        }
        // The journal writes its escapes in upper case, so any other spelling is damage.
        const int32_t escaped = PercentEscapedByte(text, length, i, eHexLetters::kUpperCaseOnly);
        if (escaped < 0)
            return eGenericFailure;
        text[kept++] = char(escaped);
        i += 2;
    }
    return out.SetFromUTF8(std::string_view(text, kept));
}

bool StartsWith(std::string_view text, std::string_view prefix, std::string_view& rest)
{
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    rest = text.substr(prefix.size());
    return true;
}

// Every path is built checked: a path cut short by a failed allocation could name another file.
eResultCode JournalPath(const gCString& installFolder, const char16_t* suffix, gCString& path)
{
    // Without its folder a path would name a file at the root of the file system.
    if (installFolder.IsEmpty())
        return eBadParameter;
    PNU_TRY(path.Assign(installFolder.GetText()));
    PNU_TRY(path.Append(kJournalName));
    return path.Append(suffix);
}

eResultCode PathOf(const sInstallJournal& journal, int32_t i, const char16_t* suffix, gCString& path)
{
    if (journal.installFolder.IsEmpty() || journal.names[i].IsEmpty())
        return eBadParameter;
    PNU_TRY(path.Assign(journal.installFolder.GetText()));
    PNU_TRY(path.Append(journal.names[i]));
    return path.Append(suffix);
}

// The final, ".old" and ".tmp" paths of entry i.
struct sEntryPaths {
    gCString final;
    gCString old;
    gCString temp;
};

eResultCode EntryPaths(const sInstallJournal& journal, int32_t i, sEntryPaths& paths)
{
    PNU_TRY(PathOf(journal, i, u"", paths.final));
    PNU_TRY(PathOf(journal, i, u".old", paths.old));
    return PathOf(journal, i, u".tmp", paths.temp);
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
    cJournalText text;
    PNU_TRY(text.Add(kFirstLine));
    PNU_TRY(text.Add(journal.state == sInstallJournal::eState::kFinish ? "\nstate finish\nfolder " : "\nstate undo\nfolder "));
    PNU_TRY(text.AddEscaped(journal.installFolder));
    PNU_TRY(text.Add("\n"));
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        PNU_TRY(text.Add(journal.hadFile[i] ? "file " : "new "));
        PNU_TRY(text.AddEscaped(journal.names[i]));
        PNU_TRY(text.Add("\n"));
    }
    PNU_TRY(text.Add("end\n"));
    gCString path;
    gCString fresh;
    PNU_TRY(JournalPath(journal.installFolder, u"", path));
    PNU_TRY(JournalPath(journal.installFolder, u".tmp", fresh));
    PNU_TRY(files.WriteFile(fresh, text.GetData(), text.GetSize(), 0600));
    PNU_TRY(files.FlushEntry(fresh));
    PNU_TRY(files.Replace(fresh, path));
    return files.FlushEntry(journal.installFolder);
}

eResultCode ReadInstallJournal(CPNUInstallFiles& files, const gCString& installFolder, sInstallJournal& journal,
                               bool& found)
{
    found = false;
    journal.Reset();
    gCString path;
    PNU_TRY(JournalPath(installFolder, u"", path));
    if (!files.Exists(path))
        return eSuccess;
    found = true;
    CMemBlock bytes;
    if (eResultCode read = files.ReadFile(path, bytes, kLargestJournal); read != eSuccess)
        return read == eNoMemory ? eNoMemory : eGenericFailure;
    char* text = reinterpret_cast<char*>(bytes.GetData());
    const size_t size = bytes.GetSize();
    size_t start = 0;
    int32_t lineNumber = 0;
    bool ended = false;
    while (start < size && !ended) {
        char* lineEnd = static_cast<char*>(std::memchr(text + start, '\n', size - start));
        if (lineEnd == nullptr)
            return eGenericFailure; // cut short
        const std::string_view line(text + start, size_t(lineEnd - (text + start)));
        start = size_t(lineEnd - text) + 1;
        std::string_view rest;
        // The rest lies in the journal's own block, where its escapes are decoded in place.
        const auto restText = [&] { return text + (rest.data() - text); };
        gCString value;
        if (lineNumber++ == 0) {
            if (line != kFirstLine)
                return eGenericFailure;
        } else if (line == "state finish" || line == "state undo") {
            journal.state = line == "state finish" ? sInstallJournal::eState::kFinish : sInstallJournal::eState::kUndo;
        } else if (StartsWith(line, "folder ", rest)) {
            PNU_TRY(Unescaped(restText(), rest.size(), journal.installFolder));
        } else if (StartsWith(line, "file ", rest) || StartsWith(line, "new ", rest)) {
            PNU_TRY(Unescaped(restText(), rest.size(), value));
            // A name that would reach outside the folder is never acted on, whoever wrote it.
            if (MakeSafeName(value) != ePackageNameRule::kAccepted)
                return eGenericFailure;
            // Moved in: a copy that fails would leave an empty name behind.
            const int32_t at = journal.names.GetSize();
            PNU_TRY(journal.names.SetSize(at + 1));
            journal.names[at] = std::move(value);
            PNU_TRY(journal.hadFile.Add(line[0] == 'f' ? 1 : 0));
        } else if (line == "end") {
            ended = true;
        } else {
            return eGenericFailure;
        }
    }
    // The journal is renamed into place whole, so one without its end is not ours.
    if (!ended || start != size || journal.installFolder.IsEmpty())
        return eGenericFailure;
    return eSuccess;
}

eResultCode RemoveInstallJournal(CPNUInstallFiles& files, const gCString& installFolder)
{
    gCString path;
    PNU_TRY(JournalPath(installFolder, u".tmp", path));
    PNU_TRY(files.Delete(path));
    PNU_TRY(JournalPath(installFolder, u"", path));
    PNU_TRY(files.Delete(path));
    return files.FlushEntry(installFolder);
}

eResultCode UndoInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath)
{
    eResultCode first = eSuccess;
    sEntryPaths paths;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        if (eResultCode built = EntryPaths(journal, i, paths); built != eSuccess) {
            Remember(built, journal.names[i], first, failedPath);
            continue;
        }
        const gCString& final = paths.final;
        const gCString& old = paths.old;
        const gCString& temp = paths.temp;
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
    sEntryPaths paths;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        if (eResultCode built = EntryPaths(journal, i, paths); built != eSuccess) {
            failedPath = journal.names[i];
            return built;
        }
        if (!IsOwnLeftover(files, paths.temp))
            continue;
        if (eResultCode result = files.Replace(paths.temp, paths.final); result != eSuccess) {
            failedPath = paths.final;
            return result;
        }
    }
    eResultCode first = eSuccess;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        if (eResultCode built = EntryPaths(journal, i, paths); built != eSuccess) {
            Remember(built, journal.names[i], first, failedPath);
            continue;
        }
        const gCString& old = paths.old;
        const gCString& final = paths.final;
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
    return RecoverUnfinishedInstallIn(WithoutTrailingSeparator(services.GetInstallFolderText()), status, files,
                                      &services);
}

eResultCode RecoverUnfinishedInstallIn(const gCString& folder, CPNUStatusTarget* status, CPNUInstallFiles* files,
                                       CPNUInstallServices* texts)
{
    CPNUInstallFiles ownFiles;
    CPNUInstallFiles& use = files ? *files : ownFiles;
    if (folder.IsEmpty())
        return eSuccess;
    sInstallJournal journal;
    bool found = false;
    const eResultCode read = ReadInstallJournal(use, folder, journal, found);
    // A journal that could not be held in memory may be whole: it stays for the next attempt.
    if (read == eNoMemory)
        return read;
    // A journal cut off while it was written never named anything that was touched.
    if (!found) {
        gCString fresh;
        PNU_TRY(JournalPath(folder, u".tmp", fresh));
        return use.Delete(fresh);
    }
    // A journal is renamed into place whole, so a damaged one is none of ours: it goes, and the
    // leftover step of the next install restores what it finds.
    if (read != eSuccess) {
        const gCString path = InstallJournalPath(folder);
        (void)Report(status, FillTextValues(ReportText(texts, kTextJournalDamaged), {path}), kRed);
        return RemoveInstallJournal(use, folder);
    }
    // The names are relative: a folder renamed since is the same folder.
    PNU_TRY(journal.installFolder.Assign(folder.GetText()));
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
        const gCString reason = use.DescribeFailure(texts);
        const gCString detail = FillTextValues(ReportText(texts, kTextDetail), {failedPath, reason});
        (void)Report(status, FillTextValues(ReportText(texts, kTextNotRepaired), {detail}), kRed);
        return result;
    }
    (void)Report(status, ReportText(texts, undone ? kTextUndone : kTextCompleted), kBlack);
    return eSuccess;
}
