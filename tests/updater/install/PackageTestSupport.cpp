#include "updater/install/PackageTestSupport.h"

#include "core/CMemBlockT.h"
#include "updater/codec/CPNUCompressor.h"
#include "updater/install/PNUInstallJournal.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace

Bytes BuildArchive(const std::vector<std::string>& lines, const std::vector<sPackFile>& files)
{
    TempFolder folder;
    // The installer's tests need the packages it refuses for their names, too.
    std::string command = std::string(PNU_BINARY_DIR) + "/tools/pnupack/pnupack --unchecked-names";
    for (const std::string& line : lines)
        command += " --line " + Quote(line);
    int index = 0;
    for (const sPackFile& file : files) {
        const std::filesystem::path source = folder.Root() / ("source" + std::to_string(index++));
        std::ofstream(source, std::ios::binary) << file.content;
        char mode[16];
        snprintf(mode, sizeof mode, "%o", file.mode);
        command += " --file " + Quote(file.name) + " " + Quote(source.string()) + " " + mode;
    }
    const std::filesystem::path output = folder.Root() / "archive";
    command += " --archive " + Quote(output.string());
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(output, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RandomLetters(size_t count, int letters)
{
    std::string text(count, 'a');
    uint32_t state = 12345;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = char('a' + (state >> 24) % uint32_t(letters));
    }
    return text;
}

Bytes PackageFromArchive(const Bytes& archive)
{
    Bytes frame;
    EXPECT_EQ(EncodeBytes(8, archive, frame), eSuccess);
    Bytes package = BytesOf("PN2SQUSH");
    package.insert(package.end(), {1, 0, 0, 0});
    package.insert(package.end(), frame.begin(), frame.end());
    const Bytes tail = BytesOf("PN2SQUSH");
    package.insert(package.end(), tail.begin(), tail.end());
    return package;
}

eResultCode RecordingHost::AddStatusLine(const gCString& text, const uint32_t* colour, bool)
{
    lines.push_back({Utf8(text), colour ? *colour : 0});
    log.push_back(Utf8(text));
    return eSuccess;
}

eResultCode RecordingHost::WriteLogLine(const gCString& text)
{
    log.push_back(Utf8(text));
    return eSuccess;
}

gCString RecordingHost::GetText(uint32_t id, int32_t field)
{
    std::string text = "T" + std::to_string(id - 3000000000u);
    if (field)
        text += "." + std::to_string(field);
    return gCString(text.c_str());
}

gCString RecordingHost::GetInstallFolderText()
{
    gCString text;
    (void)text.SetFromUTF8(installFolder.string() + "/");
    return text;
}

gCString RecordingHost::GetLogPathText()
{
    gCString text;
    (void)text.SetFromUTF8((installFolder / "Pintrel Updater.app/Contents/UpdateResults.log").string());
    return text;
}

bool RecordingHost::HasLine(const std::string& text, uint32_t colour) const
{
    for (const sLine& line : lines) {
        if (line.text == text && line.colour == colour)
            return true;
    }
    return false;
}

bool RecordingHost::HasLineStartingWith(const std::string& text, uint32_t colour) const
{
    for (const sLine& line : lines) {
        if (line.text.rfind(text, 0) == 0 && line.colour == colour)
            return true;
    }
    return false;
}

eResultCode FaultyFiles::Delete(const gCString& path)
{
    return FailNow() ? eStreamError : CPNUInstallFiles::Delete(path);
}

eResultCode FaultyFiles::Move(const gCString& source, const gCString& target)
{
    return FailNow() ? eBadParameter : CPNUInstallFiles::Move(source, target);
}

eResultCode FaultyFiles::Link(const gCString& source, const gCString& target)
{
    if (FailNow())
        return eBadParameter;
    return mLinks ? CPNUInstallFiles::Link(source, target) : eNotWritten;
}

eResultCode FaultyFiles::Replace(const gCString& source, const gCString& target)
{
    return FailNow() ? eBadParameter : CPNUInstallFiles::Replace(source, target);
}

eResultCode FaultyFiles::CreateFolder(const gCString& folder)
{
    return FailNow() ? eCreateFailed : CPNUInstallFiles::CreateFolder(folder);
}

eResultCode FaultyFiles::Flush(const gCString& folder)
{
    return FailNow() ? eStreamError : CPNUInstallFiles::Flush(folder);
}

eResultCode FaultyFiles::FlushEntry(const gCString& path)
{
    return FailNow() ? eStreamError : CPNUInstallFiles::FlushEntry(path);
}

eResultCode FaultyFiles::WriteFile(const gCString& path, const uint8_t* data, uint64_t size, uint32_t mode)
{
    if (FailNow()) {
        (void)CPNUInstallFiles::WriteFile(path, data, size / 2, mode);
        return eStreamError;
    }
    return CPNUInstallFiles::WriteFile(path, data, size, mode);
}

eResultCode UnreachableFiles::GetIdentity(const gCString& path, plat::sEntryIdentity& identity)
{
    if (reachable || !Utf8(path).starts_with(mStart))
        return CPNUInstallFiles::GetIdentity(path, identity);
    identity = plat::sEntryIdentity();
    return Outcome(mFault, eStreamError);
}

void WriteTree(const std::filesystem::path& root, const FileTree& tree)
{
    for (const auto& [name, content] : tree) {
        const std::filesystem::path path = root / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
}

FileTree ReadTree(const std::filesystem::path& root)
{
    FileTree tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        // The install folder's lock file stays for good and is none of the product; links in a
        // ring name no file.
        std::error_code unresolved;
        if (!entry.is_regular_file(unresolved) || entry.path().filename() == ".pintrel-update-lock")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        tree[std::filesystem::relative(entry.path(), root).string()] =
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return tree;
}

void WriteUndoJournal(const std::filesystem::path& root, const std::string& name)
{
    sInstallJournal journal;
    ASSERT_EQ(journal.installFolder.SetFromUTF8(root.string()), eSuccess);
    ASSERT_EQ(journal.names.Add(gCString(name.c_str())), eSuccess);
    ASSERT_EQ(journal.hadFile.Add(1), eSuccess);
    CPNUInstallFiles files;
    ASSERT_EQ(files.OpenFolder(journal.installFolder), eSuccess);
    ASSERT_EQ(journal.written.Add(WrittenIdentity(files, root.string() + name)), eSuccess);
    ASSERT_EQ(WriteInstallJournal(files, journal), eSuccess);
}

plat::sEntryIdentity WrittenIdentity(CPNUInstallFiles& files, const std::string& path)
{
    gCString temp;
    gCString final;
    EXPECT_EQ(temp.SetFromUTF8(path + ".tmp"), eSuccess);
    EXPECT_EQ(final.SetFromUTF8(path), eSuccess);
    plat::sEntryIdentity written;
    EXPECT_EQ(files.GetIdentity(temp, written), eSuccess);
    if (written.kind == plat::eEntryKind::kNone) {
        EXPECT_EQ(files.GetIdentity(final, written), eSuccess);
    }
    return written;
}
