#include "updater/install/PNUInstallJournal.h"

#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"
#include "updater/PNUMessages.h"
#include "updater/install/PNUPackageNames.h"

#include "core/CMemBlock.h"
#include "core/PercentEscape.h"
#include "core/TextEquality.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace {

const char16_t kJournalName[] = u"/.pintrel-update-journal";
// Version 2 records which file each new file is, and the folders the install makes.
const char kFirstLine[] = "Pintrel Updater install journal 2";
// A journal set aside is kept under the first free name of these.
constexpr int32_t kMostSetAside = 1000;

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
    // The number in decimal and the character after it.
    eResultCode AddNumber(uint64_t value, char after)
    {
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits - 1, value).ptr;
        *end++ = after;
        return Add(digits, uint32_t(end - digits));
    }

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

// Decodes the escapes in place (the text only shrinks) and takes the bytes as UTF-8.
// eGenericFailure for a broken escape, eNoMemory when the text cannot be held.
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

// A decimal number as the journal writes it (no sign, no leading zero) followed by one space.
bool TakeNumber(std::string_view& text, uint64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const size_t length = size_t(end - text.data());
    if (error != std::errc() || length == 0 || (length > 1 && text[0] == '0') || length >= text.size()
        || text[length] != ' ')
        return false;
    text.remove_prefix(length + 1);
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

bool SameFile(const plat::sEntryIdentity& a, const plat::sEntryIdentity& b)
{
    return a.kind == plat::eEntryKind::kFile && b.kind == plat::eEntryKind::kFile && a.device == b.device
        && a.number == b.number && a.size == b.size;
}

// The link kept at entry i's ".old" is the very link that stood at its name (a second name of a
// link, or the link renamed, keeps its identity).
bool SameLink(const plat::sEntryIdentity& a, const plat::sEntryIdentity& b)
{
    return a.kind == plat::eEntryKind::kLink && b.kind == plat::eEntryKind::kLink && a.device == b.device
        && a.number == b.number && a.size == b.size;
}

// A link stood at entry i's name, which the install keeps as itself.
bool KeptALink(const sInstallJournal& journal, int32_t i)
{
    return i < journal.keptLink.GetSize() && journal.keptLink[i].kind == plat::eEntryKind::kLink;
}

// Whether what stands at entry i's ".old" is what the install keeps there: a regular file where a
// file stood, the very link where a link stood.
bool IsKeptOld(const sInstallJournal& journal, int32_t i, const plat::sEntryIdentity& old)
{
    return KeptALink(journal, i) ? SameLink(old, journal.keptLink[i]) : old.kind == plat::eEntryKind::kFile;
}

// Why the entry found where the install kept a previous file (a file, or a link as itself) is
// not that file, as the system says it.
plat::eFileResult WhyNotKept(const plat::sEntryIdentity& found, bool linkKept)
{
    // Another file, or another link where a link was kept.
    if (found.kind == plat::eEntryKind::kFile || (linkKept && found.kind == plat::eEntryKind::kLink))
        return plat::eFileResult::kExists;
    return CPNUInstallFiles::WhyNotAFile(found.kind);
}

// What stands at the path; a path that cannot be reached, whatever the way, is the failed path
// and 16.
eResultCode Look(CPNUInstallFiles& files, const gCString& path, plat::sEntryIdentity& identity, gCString& failedPath)
{
    if (files.GetIdentity(path, identity) == eSuccess)
        return eSuccess;
    failedPath = path;
    return eStreamError;
}

// Whether the path holds entry i's new file as it was written.
eResultCode IsWrittenFile(CPNUInstallFiles& files, const sInstallJournal& journal, int32_t i, const gCString& path,
                          bool& written, gCString& failedPath)
{
    written = false;
    plat::sEntryIdentity identity;
    PNU_TRY(Look(files, path, identity, failedPath));
    written = journal.written.GetSize() == journal.names.GetSize() && SameFile(identity, journal.written[i]);
    return eSuccess;
}

// The first failure of a run over every entry, with its path and the reason the system gave
// for it, which later failures would otherwise overwrite.
class cFirstFailure {
public:
    cFirstFailure(CPNUInstallFiles& files, gCString& failedPath) : mFiles(files), mFailedPath(failedPath) {}

    void Remember(eResultCode result, const gCString& path)
    {
        if (result == eSuccess || mFirst != eSuccess)
            return;
        mFirst = result;
        mFailedPath = path;
        mReason = mFiles.GetFailure();
    }
    // The first failure, its reason put back as the files' last.
    eResultCode Result()
    {
        if (mFirst != eSuccess)
            mFiles.SetFailure(mReason);
        return mFirst;
    }

private:
    CPNUInstallFiles& mFiles;
    gCString& mFailedPath;
    eResultCode mFirst = eSuccess;
    CPNUInstallFiles::sFailure mReason;
};

eResultCode Report(CPNUStatusTarget* status, const gCString& text, uint32_t colour)
{
    return status ? status->AddStatusLine(text, &colour, true) : eSuccess;
}

// Puts entry i's previous file back; its ".old" goes only once the file stands at its name (a
// rename of two names of one file leaves both).
eResultCode RestoreOld(CPNUInstallFiles& files, const sEntryPaths& paths, const plat::sEntryIdentity& old,
                       gCString& failedPath)
{
    const auto same = [&](const plat::sEntryIdentity& now) { return SameFile(now, old) || SameLink(now, old); };
    // A link goes back as itself; only a file may take the place of a file by Replace.
    const eResultCode renamed = old.kind == plat::eEntryKind::kLink ? files.PutBack(paths.old, paths.final)
                                                                    : files.Replace(paths.old, paths.final);
    plat::sEntryIdentity now;
    PNU_TRY(Look(files, paths.final, now, failedPath));
    if (!same(now)) {
        failedPath = paths.final;
        if (renamed != eSuccess)
            return renamed;
        return files.FailFound(WhyNotKept(now, old.kind == plat::eEntryKind::kLink), eStreamError);
    }
    PNU_TRY(Look(files, paths.old, now, failedPath));
    if (same(now) && files.Delete(paths.old) != eSuccess) {
        failedPath = paths.old;
        return eStreamError;
    }
    return eSuccess;
}

// The folders the install made, deepest first, each removed where it is empty.
eResultCode RemoveMadeFolders(CPNUInstallFiles& files, const sInstallJournal& journal)
{
    gCArray<int32_t> order;
    PNU_TRY(order.SetSize(journal.madeIn.GetSize()));
    for (int32_t k = 0; k < order.GetSize(); ++k)
        order[k] = k;
    // A folder inside another has the longer name.
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return journal.madeUnits[a] > journal.madeUnits[b]; });
    gCString folder;
    for (const int32_t k : order) {
        PNU_TRY(folder.Assign(journal.installFolder.GetText()));
        const gCString& name = journal.names[journal.madeIn[k]];
        gCString part;
        PNU_TRY(part.CopyStringFromBuffer(name.GetText(), journal.madeUnits[k]));
        PNU_TRY(folder.Append(part));
        // One that holds something else stays, as does one that was never made.
        (void)files.RemoveEmptyFolder(folder);
    }
    return eSuccess;
}

// eSuccess for a name as the installer writes it (a safe package name as MakeSafeName leaves it),
// eGenericFailure for any other.
eResultCode CheckInstallName(const gCString& name)
{
    gCString safe;
    PNU_TRY(safe.Assign(name.GetText()));
    const bool accepted = MakeSafeName(safe) == ePackageNameRule::kAccepted && TextsEqual(safe, name);
    return accepted ? eSuccess : eGenericFailure;
}

eResultCode ParseEntry(std::string_view rest, char* text, bool hadFile, const plat::sEntryIdentity& link,
                       sInstallJournal& journal, int32_t& withIdentity)
{
    plat::sEntryIdentity identity;
    const bool identified = !rest.empty() && rest[0] != '/';
    if (identified) {
        identity.kind = plat::eEntryKind::kFile;
        if (!TakeNumber(rest, identity.device) || !TakeNumber(rest, identity.number) || !TakeNumber(rest, identity.size))
            return eGenericFailure;
    }
    withIdentity += identified ? 1 : 0;
    gCString value;
    PNU_TRY(Unescaped(text + (rest.data() - text), rest.size(), value));
    // A name that would reach outside the folder is never acted on, whoever wrote it.
    PNU_TRY(CheckInstallName(value));
    // Moved in: a copy that fails would leave an empty name behind. Doubling keeps the moves of a
    // long list linear.
    const int32_t at = journal.names.GetSize();
    PNU_TRY(journal.names.SetSize(at + 1, at > 8 ? at : 8));
    journal.names[at] = std::move(value);
    PNU_TRY(journal.hadFile.Add(hadFile ? 1 : 0));
    PNU_TRY(journal.keptLink.Add(link));
    return identified ? journal.written.Add(identity) : eSuccess;
}

eResultCode ParseMadeFolder(std::string_view rest, sInstallJournal& journal)
{
    uint64_t entry = 0;
    uint64_t units = 0;
    if (!TakeNumber(rest, entry) || rest.empty())
        return eGenericFailure;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), units);
    if (error != std::errc() || end != rest.data() + rest.size() || (rest.size() > 1 && rest[0] == '0'))
        return eGenericFailure;
    PNU_TRY(journal.madeIn.Add(int32_t(std::min<uint64_t>(entry, INT32_MAX))));
    return journal.madeUnits.Add(int32_t(std::min<uint64_t>(units, INT32_MAX)));
}

// A folder line names a folder of its entry's name: its units end before a separator.
bool MadeFoldersInNames(const sInstallJournal& journal)
{
    for (int32_t k = 0; k < journal.madeIn.GetSize(); ++k) {
        const int32_t entry = journal.madeIn[k];
        const int32_t units = journal.madeUnits[k];
        if (entry >= journal.names.GetSize() || units <= 0 || units >= journal.names[entry].GetLength()
            || journal.names[entry][units] != u'/')
            return false;
    }
    return true;
}

// Renames what stands at the journal's name to the first free ".refused-<n>" name.
eResultCode SetAside(CPNUInstallFiles& files, const gCString& path, gCString& asName)
{
    for (int32_t n = 1; n <= kMostSetAside; ++n) {
        PNU_TRY(asName.Assign(path.GetText()));
        PNU_TRY(asName.Append(gCString(".refused-") + n));
        if (files.Exists(asName))
            continue;
        PNU_TRY(files.Move(path, asName));
        return eSuccess;
    }
    return eTargetExists;
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
    const bool identified = journal.written.GetSize() == journal.names.GetSize();
    const bool linksKnown = journal.keptLink.GetSize() == journal.names.GetSize();
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        const plat::sEntryIdentity* link
            = linksKnown && journal.keptLink[i].kind == plat::eEntryKind::kLink ? &journal.keptLink[i] : nullptr;
        PNU_TRY(text.Add(link ? "link " : journal.hadFile[i] ? "file " : "new "));
        if (link) {
            PNU_TRY(text.AddNumber(link->device, ' '));
            PNU_TRY(text.AddNumber(link->number, ' '));
            PNU_TRY(text.AddNumber(link->size, ' '));
        }
        if (identified) {
            PNU_TRY(text.AddNumber(journal.written[i].device, ' '));
            PNU_TRY(text.AddNumber(journal.written[i].number, ' '));
            PNU_TRY(text.AddNumber(journal.written[i].size, ' '));
        }
        PNU_TRY(text.AddEscaped(journal.names[i]));
        PNU_TRY(text.Add("\n"));
    }
    for (int32_t k = 0; k < journal.madeIn.GetSize(); ++k) {
        PNU_TRY(text.Add("made "));
        PNU_TRY(text.AddNumber(uint64_t(journal.madeIn[k]), ' '));
        PNU_TRY(text.AddNumber(uint64_t(journal.madeUnits[k]), '\n'));
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
                               bool& found, gCString* refused)
{
    found = false;
    journal.Reset();
    gCString path;
    PNU_TRY(JournalPath(installFolder, u"", path));
    CMemBlock bytes;
    plat::eEntryKind kind = plat::eEntryKind::kNone;
    const eResultCode read = files.ReadRegularFile(path, bytes, kLargestInstallJournal, kind);
    if (kind == plat::eEntryKind::kNone && read != eSuccess)
        return read == eFileNotFound ? eSuccess : read;
    found = true;
    if (read != eSuccess)
        return read;
    char* text = reinterpret_cast<char*>(bytes.GetData());
    const size_t size = bytes.GetSize();
    size_t start = 0;
    int32_t lineNumber = 0;
    int32_t withIdentity = 0;
    bool ended = false;
    while (start < size && !ended) {
        char* lineEnd = static_cast<char*>(std::memchr(text + start, '\n', size - start));
        if (lineEnd == nullptr)
            return eGenericFailure; // cut short
        const std::string_view line(text + start, size_t(lineEnd - (text + start)));
        start = size_t(lineEnd - text) + 1;
        std::string_view rest;
        if (lineNumber++ == 0) {
            if (line != kFirstLine)
                return eGenericFailure;
        } else if (line == "state finish" || line == "state undo") {
            journal.state = line == "state finish" ? sInstallJournal::eState::kFinish : sInstallJournal::eState::kUndo;
        } else if (StartsWith(line, "folder ", rest)) {
            // The rest lies in the journal's own block, where its escapes are decoded in place.
            PNU_TRY(Unescaped(text + (rest.data() - text), rest.size(), journal.installFolder));
        } else if (StartsWith(line, "file ", rest) || StartsWith(line, "new ", rest)) {
            PNU_TRY(ParseEntry(rest, text, line[0] == 'f', plat::sEntryIdentity(), journal, withIdentity));
        } else if (StartsWith(line, "link ", rest)) {
            // A link stood at the name: which one, then the entry as a file's.
            plat::sEntryIdentity link;
            link.kind = plat::eEntryKind::kLink;
            if (!TakeNumber(rest, link.device) || !TakeNumber(rest, link.number) || !TakeNumber(rest, link.size))
                return eGenericFailure;
            PNU_TRY(ParseEntry(rest, text, true, link, journal, withIdentity));
        } else if (StartsWith(line, "made ", rest)) {
            PNU_TRY(ParseMadeFolder(rest, journal));
        } else if (line == "end") {
            ended = true;
        } else {
            return eGenericFailure;
        }
    }
    // The journal is renamed into place whole, so one without its end is not ours. Either every
    // entry says which file it is, or none does, as before the new files are written: then the
    // install can only be undone.
    const bool identified = withIdentity == journal.names.GetSize();
    if (!ended || start != size || journal.installFolder.IsEmpty() || (withIdentity != 0 && !identified)
        || (journal.state == sInstallJournal::eState::kFinish && !identified) || !MadeFoldersInNames(journal))
        return eGenericFailure;
    int32_t clash = -1;
    PNU_TRY(FindNameClash(journal.names, clash));
    if (clash >= 0) {
        if (refused)
            *refused = installFolder + journal.names[clash];
        return eDuplicateKey;
    }
    return eSuccess;
}

eResultCode FindResolvedNameClash(CPNUInstallFiles& files, const gCString& installFolder,
                                  const gCArray<gCString>& names, int32_t& clash, gCString& failedPath,
                                  const gCString& reserved)
{
    clash = -1;
    plat::sEntryIdentity root;
    if (eResultCode result = files.GetFolderIdentity(installFolder, root); result != eSuccess) {
        failedPath = installFolder;
        return result;
    }
    // The reserved name is resolved as the names are, after them.
    const int32_t count = names.GetSize();
    const int32_t all = reserved.IsEmpty() ? count : count + 1;
    const auto nameAt = [&](int32_t i) -> const gCString& { return i < count ? names[i] : reserved; };
    gCArray<int32_t> order;
    PNU_TRY(order.SetSize(all));
    for (int32_t i = 0; i < all; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return UnitsBefore(nameAt(a), nameAt(b)); });
    gCArray<gCString> resolved;
    PNU_TRY(resolved.SetSize(all));
    // Where each folder on the way of the name before comes to, shallowest first: the first that
    // exists from it up, and the units of the name that lie beneath that. In code-unit order the
    // names inside a folder stand together, so each folder is looked up once.
    struct sFolder {
        int32_t units;
        plat::sEntryIdentity at;
        int32_t atUnits;
    };
    gCArray<sFolder> way;
    gCArray<int32_t> missing;
    gCString folder;
    gCString part;
    for (int32_t k = 0; k < all; ++k) {
        const gCString& name = nameAt(order[k]);
        if (k > 0) {
            const int32_t shared = SharedUnits(name, nameAt(order[k - 1]));
            while (way.GetSize() > 0 && way[way.GetSize() - 1].units >= shared)
                way.RemoveAt(way.GetSize() - 1);
        }
        // From the name's folder up to the deepest one known, the first that exists is where the
        // rest of the name lies.
        const int32_t known = way.GetSize() > 0 ? way[way.GetSize() - 1].units : 0;
        plat::sEntryIdentity at = way.GetSize() > 0 ? way[way.GetSize() - 1].at : root;
        int32_t atUnits = way.GetSize() > 0 ? way[way.GetSize() - 1].atUnits : 0;
        missing.RemoveAll();
        int32_t slash = name.GetLength();
        while (slash > known) {
            do
                --slash;
            while (slash > known && name[slash] != u'/');
            if (slash <= known)
                break;
            PNU_TRY(part.CopyStringFromBuffer(name.GetText(), slash));
            PNU_TRY(folder.Assign(installFolder.GetText()));
            PNU_TRY(folder.Append(part));
            plat::sEntryIdentity identity;
            // The entry is named, as every look at an entry that cannot be reached names it.
            if (eResultCode result = files.GetFolderIdentity(folder, identity); result != eSuccess) {
                PNU_TRY(failedPath.Assign(installFolder.GetText()));
                PNU_TRY(failedPath.Append(name));
                return result;
            }
            if (identity.kind != plat::eEntryKind::kNone) {
                at = identity;
                atUnits = slash;
                PNU_TRY(way.Add({slash, at, atUnits}));
                break;
            }
            PNU_TRY(missing.Add(slash));
        }
        for (int32_t m = missing.GetSize() - 1; m >= 0; --m)
            PNU_TRY(way.Add({missing[m], at, atUnits}));
        // A name in the folder itself keeps its text, so the journal's and the lock's names are
        // known; one elsewhere is named after its folder, "//device:number", which no name is.
        gCString& text = resolved[order[k]];
        if (at.device != root.device || at.number != root.number) {
            PNU_TRY(text.Assign(u"//"));
            PNU_TRY(text.Append(gCString("") + at.device));
            PNU_TRY(text.Append(u":"));
            PNU_TRY(text.Append(gCString("") + at.number));
        }
        PNU_TRY(part.CopyStringFromBuffer(name.GetText() + atUnits, name.GetLength() - atUnits));
        PNU_TRY(text.Append(part));
    }
    if (all == count)
        return FindNameClash(resolved, clash);
    // The reserved name's own text is no name of the install.
    const gCString resolvedReserved = resolved[count];
    resolved.RemoveAt(count);
    return FindNameClash(resolved, clash, resolvedReserved);
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

eResultCode CheckInstallLeftovers(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& refused)
{
    const bool identified = journal.written.GetSize() == journal.names.GetSize();
    const bool undoing = journal.state == sInstallJournal::eState::kUndo;
    // Names that come to one entry through links are no install's: each would undo the other.
    int32_t clash = -1;
    if (eResultCode result = FindResolvedNameClash(files, journal.installFolder, journal.names, clash, refused);
        result != eSuccess)
        return result == eNoMemory ? result : eStreamError;
    if (clash >= 0)
        return PathOf(journal, clash, u"", refused) == eSuccess ? eDuplicateKey : eNoMemory;
    sEntryPaths paths;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        PNU_TRY(EntryPaths(journal, i, paths));
        // An entry that cannot be looked at may hold anything: nothing is judged, or touched.
        plat::sEntryIdentity temp;
        plat::sEntryIdentity old;
        plat::sEntryIdentity final;
        PNU_TRY(Look(files, paths.temp, temp, refused));
        PNU_TRY(Look(files, paths.old, old, refused));
        PNU_TRY(Look(files, paths.final, final, refused));
        const gCString* damaged = nullptr;
        // A ".tmp" is a regular file, the file written once that is known; a ".old" is what the
        // install kept (a file, or the very link that stood at the name), never before every new
        // file is written.
        if (temp.kind != plat::eEntryKind::kNone
            && (temp.kind != plat::eEntryKind::kFile || (identified && !SameFile(temp, journal.written[i]))))
            damaged = &paths.temp;
        else if (old.kind != plat::eEntryKind::kNone && (!IsKeptOld(journal, i, old) || !identified))
            damaged = &paths.old;
        // Nothing stood at a new name before the install: what stands there now is its new file.
        else if (!journal.hadFile[i] && final.kind != plat::eEntryKind::kNone
                 && (!identified || !SameFile(final, journal.written[i])))
            damaged = &paths.final;
        // An undo meets a placed file only while its previous file is kept.
        else if (undoing && journal.hadFile[i] && identified && old.kind == plat::eEntryKind::kNone
                 && SameFile(final, journal.written[i]))
            damaged = &paths.final;
        if (damaged) {
            PNU_TRY(refused.Assign(damaged->GetText()));
            return eDuplicateKey;
        }
    }
    return eSuccess;
}

eResultCode UndoInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath)
{
    cFirstFailure first(files, failedPath);
    sEntryPaths paths;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        if (eResultCode built = EntryPaths(journal, i, paths); built != eSuccess) {
            first.Remember(built, journal.names[i]);
            continue;
        }
        // An entry that cannot be reached is not undone, and keeps the journal for the next start.
        gCString failed;
        plat::sEntryIdentity old;
        bool placed = false;
        eResultCode result = Look(files, paths.old, old, failed);
        if (result == eSuccess && old.kind != plat::eEntryKind::kNone && IsKeptOld(journal, i, old)) {
            result = RestoreOld(files, paths, old, failed);
        } else if (result == eSuccess) {
            result = IsWrittenFile(files, journal, i, paths.final, placed, failed);
            // A placed new file: taken out again where nothing stood before, else its previous
            // file is missing, and what stands at its ".old" says why.
            if (result == eSuccess && placed && journal.hadFile[i]) {
                failed = paths.old;
                result = files.FailFound(WhyNotKept(old, KeptALink(journal, i)), eStreamError);
            } else if (result == eSuccess && placed) {
                failed = paths.final;
                result = files.Delete(paths.final);
            }
        }
        first.Remember(result, failed);
        // A ".tmp" of ours is a file or a link; a folder by that name is never touched.
        plat::sEntryIdentity temp;
        result = Look(files, paths.temp, temp, failed);
        if (result == eSuccess && (temp.kind == plat::eEntryKind::kFile || temp.kind == plat::eEntryKind::kLink)) {
            failed = paths.temp;
            result = files.Delete(paths.temp);
        }
        first.Remember(result, failed);
    }
    if (first.Result() == eSuccess)
        first.Remember(RemoveMadeFolders(files, journal), journal.installFolder);
    return first.Result();
}

eResultCode FinishInstall(CPNUInstallFiles& files, const sInstallJournal& journal, gCString& failedPath, bool& placed)
{
    placed = false;
    sEntryPaths paths;
    // Every new file is its ".tmp" as written or stands in place already, or nothing moves.
    bool written = false;
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        PNU_TRY(EntryPaths(journal, i, paths));
        PNU_TRY(IsWrittenFile(files, journal, i, paths.temp, written, failedPath));
        if (!written)
            PNU_TRY(IsWrittenFile(files, journal, i, paths.final, written, failedPath));
        if (!written) {
            failedPath = paths.final;
            return eGenericFailure;
        }
    }
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        PNU_TRY(EntryPaths(journal, i, paths));
        PNU_TRY(IsWrittenFile(files, journal, i, paths.temp, written, failedPath));
        if (!written)
            continue;
        if (eResultCode result = files.Replace(paths.temp, paths.final); result != eSuccess) {
            failedPath = paths.final;
            return result;
        }
    }
    placed = true;
    cFirstFailure first(files, failedPath);
    for (int32_t i = 0; i < journal.names.GetSize(); ++i) {
        if (eResultCode built = EntryPaths(journal, i, paths); built != eSuccess) {
            first.Remember(built, journal.names[i]);
            continue;
        }
        gCString failed;
        plat::sEntryIdentity old;
        eResultCode result = Look(files, paths.old, old, failed);
        const bool kept = result == eSuccess && old.kind != plat::eEntryKind::kNone && IsKeptOld(journal, i, old);
        if (kept)
            result = IsWrittenFile(files, journal, i, paths.final, written, failed);
        if (result == eSuccess && kept && written) {
            failed = paths.old;
            result = files.Delete(paths.old);
        }
        first.Remember(result, failed);
    }
    return first.Result();
}

eResultCode RecoverUnfinishedInstall(CPNUInstallServices& services, CPNUStatusTarget* status, CPNUInstallFiles* files)
{
    return RecoverUnfinishedInstallIn(WithoutTrailingSeparator(services.GetInstallFolderText()), status, files,
                                      &services);
}

namespace {

// Sets the journal aside with a red line naming its new name and why it was refused.
eResultCode RefuseJournal(CPNUInstallFiles& files, const gCString& folder, CPNUStatusTarget* status,
                          CPNUInstallServices* texts, const gCString& reason)
{
    gCString path;
    gCString asName;
    PNU_TRY(JournalPath(folder, u"", path));
    if (eResultCode moved = SetAside(files, path, asName); moved != eSuccess) {
        const gCString detail = FillTextValues(ReportText(texts, kTextDetail), {path, files.DescribeFailure(texts)});
        (void)Report(status, FillTextValues(ReportText(texts, kTextNotRepaired), {detail}), kStatusRed);
        return moved;
    }
    (void)Report(status, FillTextValues(ReportText(texts, kTextJournalSetAside), {asName, reason}), kStatusRed);
    return files.FlushEntry(folder);
}

// A leftover of a journal being written is removed, or set aside when it is no file of ours.
eResultCode RemoveUnfinishedJournal(CPNUInstallFiles& files, const gCString& folder, CPNUStatusTarget* status,
                                    CPNUInstallServices* texts)
{
    gCString fresh;
    PNU_TRY(JournalPath(folder, u".tmp", fresh));
    plat::sEntryIdentity identity;
    PNU_TRY(files.GetIdentity(fresh, identity));
    const plat::eEntryKind kind = identity.kind;
    if (kind == plat::eEntryKind::kNone || kind == plat::eEntryKind::kFile || kind == plat::eEntryKind::kLink)
        return files.Delete(fresh);
    gCString asName;
    PNU_TRY(SetAside(files, fresh, asName));
    (void)Report(status,
                 FillTextValues(ReportText(texts, kTextJournalSetAside), {asName, ReportText(texts, kTextNotRegularFile)}),
                 kStatusRed);
    return eSuccess;
}

} // namespace

eResultCode RecoverUnfinishedInstallIn(const gCString& folder, CPNUStatusTarget* status, CPNUInstallFiles* files,
                                       CPNUInstallServices* texts)
{
    CPNUInstallFiles ownFiles;
    CPNUInstallFiles& use = files ? *files : ownFiles;
    if (folder.IsEmpty())
        return eSuccess;
    // The repair acts beneath the folder alone, step by step as the installer does, so a journal
    // can lead it through no link and out of no folder. Where no folder is, nothing is to repair.
    if (eResultCode opened = use.OpenFolder(folder); opened != eSuccess)
        return opened == eFileNotFound ? eSuccess : opened;
    sInstallJournal journal;
    bool found = false;
    gCString refused;
    eResultCode read = ReadInstallJournal(use, folder, journal, found, &refused);
    // A journal that could not be held in memory may be whole: it stays for the next attempt.
    if (read == eNoMemory)
        return read;
    // A journal cut off while it was written never named anything that was touched.
    if (!found && read == eSuccess)
        return RemoveUnfinishedJournal(use, folder, status, texts);
    // A journal that cannot be looked at may be there: it is reported below like one unread.
    if (!found && read != eStreamError)
        return read;
    // The names are relative: a folder renamed since is the same folder.
    PNU_TRY(journal.installFolder.Assign(folder.GetText()));
    if (read == eSuccess && (read = CheckInstallLeftovers(use, journal, refused)) == eStreamError) {
        // An entry that cannot be reached may hold anything: nothing is touched until it can be.
        const gCString detail = FillTextValues(ReportText(texts, kTextDetail), {refused, use.DescribeFailure(texts)});
        (void)Report(status, FillTextValues(ReportText(texts, kTextEntryNotReached), {detail}), kStatusRed);
        return read;
    }
    // What is not a journal an install writes, or names what no install leaves, is kept for
    // inspection and the product left alone.
    switch (read) {
    case eSuccess:
        break;
    case eInvalidFile:
        return RefuseJournal(use, folder, status, texts, ReportText(texts, kTextNotRegularFile));
    case eOutOfRange:
        return RefuseJournal(use, folder, status, texts,
                             FillTextValues(ReportText(texts, kTextJournalTooLarge),
                                            {gCString("") + uint64_t(kLargestInstallJournal)}));
    case eDuplicateKey:
        return RefuseJournal(use, folder, status, texts,
                             FillTextValues(ReportText(texts, kTextNoUpdateLeavesThis), {refused}));
    case eNoMemory:
        return read;
    case eStreamError: {
        // One that cannot be read may be whole: it stays for the next attempt.
        const gCString detail =
            FillTextValues(ReportText(texts, kTextDetail), {InstallJournalPath(folder), use.DescribeFailure(texts)});
        (void)Report(status, FillTextValues(ReportText(texts, kTextNotRepaired), {detail}), kStatusRed);
        return read;
    }
    default: {
        // A journal is renamed into place whole, so a damaged one is none of ours: it goes, and
        // nothing it names is touched.
        const gCString path = InstallJournalPath(folder);
        (void)Report(status, FillTextValues(ReportText(texts, kTextJournalDamaged), {path}), kStatusRed);
        return RemoveInstallJournal(use, folder);
    }
    }
    gCString failedPath;
    bool placed = false;
    eResultCode result = eSuccess;
    bool undone = journal.state == sInstallJournal::eState::kUndo;
    if (!undone) {
        result = FinishInstall(use, journal, failedPath, placed);
        // Completed but for ".old" files: the journal stays until they are gone.
        if (result != eSuccess && !placed) {
            failedPath = gCString();
            undone = true;
        }
    }
    if (undone)
        result = UndoInstall(use, journal, failedPath);
    // What was repaired is on the disk before the journal goes.
    if (result == eSuccess)
        result = use.Flush(folder);
    if (result == eSuccess)
        result = RemoveInstallJournal(use, folder);
    if (result != eSuccess) {
        const gCString reason = use.DescribeFailure(texts);
        const gCString detail = FillTextValues(ReportText(texts, kTextDetail), {failedPath, reason});
        (void)Report(status, FillTextValues(ReportText(texts, undone ? kTextNotUndone : kTextNotRepaired), {detail}),
                     kStatusRed);
        return result;
    }
    (void)Report(status, ReportText(texts, undone ? kTextUndone : kTextCompleted), kStatusBlack);
    return eSuccess;
}
