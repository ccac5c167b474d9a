#include "FileIO/FileServices.h"
#include "FileIO/FolderServices.h"
#include "FileIO/gCFPath.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCocoaFileIO.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/sNavReply.h"
#include "PathTestSupport.h"
#include "StreamTestSupport.h"
#include "core/gCPlainAlert.h"
#include "support/AllocationFailure.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

std::vector<std::string> sAlerts;
void RecordAlert(const char* main, const char* explanation)
{
    sAlerts.push_back(std::string(main) + "|" + explanation);
}

} // namespace

TEST(PathKinds, NewObjectsAreUnset)
{
    gCFPath plain;
    gCFRef ref;
    gCFRelative relative;
    gCFolderRef folder;
    for (gCBasePath* path : std::initializer_list<gCBasePath*>{&plain, &ref, &relative, &folder}) {
        EXPECT_EQ(path->IsSet(), 0);
        EXPECT_EQ(Utf8(path->GetPath()), "");
    }
    EXPECT_EQ(plain.GetKind(), gCBasePath::eFPath);
    EXPECT_EQ(ref.GetKind(), gCBasePath::eFRef);
    EXPECT_EQ(relative.GetKind(), gCBasePath::eFRelative);
    EXPECT_EQ(folder.GetKind(), gCBasePath::eFolderRef);
    EXPECT_EQ(plain.GetMacType(), FourCharCode("????"));
}

// Running out of memory never leaves a path naming another place (the root above all), nor
// reports a step as done that was not: Clear always unsets, a folder's SetPath is done or fails.
TEST(PathKinds, RunningOutOfMemoryNeverNamesAnotherPlace)
{
    const gCString wanted(u"/x/y/");
    struct sCase {
        const char* what;
        std::function<gCBasePath*()> make;
        std::function<eResultCode(gCBasePath&)> step;
        const char* done;
    } cases[] = {
        {"file Clear", [] { return new gCFPath(gCString(u"/keep/a")); }, [](gCBasePath& p) { return p.Clear(); }, ""},
        {"relative Clear", [] { return new gCFRelative(gCString(u"keep/a"), 0); },
            [](gCBasePath& p) { return p.Clear(); }, ""},
        {"folder Clear", [] { return new gCFolderRef(gCString(u"/keep/")); },
            [](gCBasePath& p) { return p.Clear(); }, ""},
        {"folder Set", [] { return new gCFolderRef(gCString(u"/keep/")); },
            [&](gCBasePath& p) { return p.Set(wanted); }, "/x/y/"},
        {"folder SetPath", [] { return new gCFolderRef(gCString(u"/keep/")); },
            [&](gCBasePath& p) { return p.SetPath(wanted); }, "/x/y/"},
    };
    for (const sCase& c : cases) {
        for (int64_t k = 1;; ++k) {
            std::unique_ptr<gCBasePath> path(c.make());
            const std::string before = Utf8(path->GetPath());
            eResultCode result;
            bool failed;
            {
                AllocationFailure failure(k);
                result = c.step(*path);
                failed = failure.Count() >= k;
            }
            const std::string after = path->IsSet() ? Utf8(path->GetPath()) : std::string();
            if (result == eSuccess)
                EXPECT_EQ(after, c.done) << c.what << " failing allocation " << k;
            else
                EXPECT_TRUE(after == before || after.empty()) << c.what << " left " << after;
            if (!failed)
                break;
        }
    }
}

TEST(PathKinds, SeparatorsAreRewrittenOnlyByRelativeAndFolderKinds)
{
    gCString colon(u"a:b");
    gCFPath plain;
    gCFRef ref(colon);
    gCFRelative relative(colon, 0);
    gCFolderRef folder;
    EXPECT_EQ(plain.Set(colon), eSuccess);
    EXPECT_EQ(Utf8(plain.GetFullPath()), "a:b");
    EXPECT_EQ(Utf8(ref.GetPath()), "a:b");
    EXPECT_EQ(Utf8(relative.GetRelativeText()), "a/b");
    EXPECT_EQ(relative.Set(gCString(u"a\\b:c")), eSuccess);
    EXPECT_EQ(Utf8(relative.GetRelativeText()), "a/b/c");
    EXPECT_EQ(folder.Set(colon), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), "a/b/");
    EXPECT_EQ(Utf8(colon), "a:b");
}

TEST(PathKinds, ExistenceAndCreationByKind)
{
    TempFolder folder;
    gCString file = Text(folder.WriteFile("x.txt", "x"));
    gCFPath plain(file);
    gCFRef ref(file);
    EXPECT_EQ(plain.Exists(), 0);
    EXPECT_EQ(ref.Exists(), 1);
    EXPECT_EQ(plain.Create(), eNotWritten);
    EXPECT_EQ(ref.Create(), eNotWritten);
    EXPECT_EQ(gCFRelative(gCString(u"x"), 0).Create(), eNotWritten);
    EXPECT_EQ(plain.SetFromFSRef(nullptr), eNotWritten);
    EXPECT_EQ(gCFRelative().SetFromCFURL(gCString(u"file:///a")), eNotWritten);
}

TEST(PathKinds, AssigningARelativePathCopiesItsResolvedText)
{
    ScopedBaseFolders bases(u"/Apps/Paint.app/Contents/", u"/Apps/");
    gCFRelative relative(gCString(u"Resources/a.txt"), 0);
    gCFolderRef target;
    static_cast<gCBasePath&>(target) = relative;
    EXPECT_EQ(target.GetKind(), gCBasePath::eFRelative);
    EXPECT_EQ(Utf8(target.GetPath()), "/Apps/Paint.app/Contents/Resources/a.txt");

    gCFRelative copy;
    copy = relative;
    copy.SetBaseFlag(1);
    EXPECT_EQ(Utf8(relative.GetPath()), "/Apps/Paint.app/Contents/Resources/a.txt");
    EXPECT_EQ(Utf8(copy.GetPath()), "/Apps/Resources/a.txt");

    relative.SetBaseFlag(1);
    EXPECT_EQ(relative.Clear(), eSuccess);
    EXPECT_EQ(relative.GetBaseFlag(), 0u);
    EXPECT_EQ(Utf8(relative.GetPath()), "");
}

TEST(FilePath, PartsOfAFilePath)
{
    gCFPath path(gCString(u"/Users/ann/pic.png"));
    EXPECT_EQ(Utf8(path.GetRoot()), "/");
    EXPECT_EQ(Utf8(path.GetFileTitle()), "pic");
    EXPECT_EQ(Utf8(path.GetExtension()), ".png");
    EXPECT_EQ(Utf8(path.GetFileName()), "pic.png");
    EXPECT_EQ(Utf8(path.GetFolderPath()), "/Users/ann/");
    EXPECT_EQ(Utf8(gCFPath(gCString(u"/Users/ann/")).GetFolderPath()), "/Users/ann/");
    EXPECT_EQ(Utf8(GetFilePathExtension(path)), ".png");
    EXPECT_EQ(path.GetFileTypeIndex(), ePngImage);
    EXPECT_EQ(gCFPath().GetFileTypeIndex(), eNoFileType);
}

TEST(FilePath, ReplacingParts)
{
    gCFPath path(gCString(u"/Users/ann/pic.old.png"));
    EXPECT_EQ(path.SetFileTitle(gCString(u"new")), eSuccess);
    EXPECT_EQ(Utf8(path.GetPath()), "/Users/ann/new.png");
    EXPECT_EQ(path.SetFolders(gCString(u"tmp/")), eSuccess);
    EXPECT_EQ(Utf8(path.GetPath()), "/tmp/new.png");
    EXPECT_EQ(path.SetRoot(gCString(u"/Volumes/X/")), eSuccess);
    EXPECT_EQ(Utf8(path.GetPath()), "/Volumes/X/tmp/new.png");
    EXPECT_EQ(path.SetFileTitle(gCString(u"")), eBadParameter);
    EXPECT_EQ(Utf8(path.GetPath()), "/Volumes/X/tmp/new.png");
    EXPECT_EQ(gCFPath().SetFileTitle(gCString(u"x")), eInvalidObject);
}

TEST(FilePath, ExtensionAndFileType)
{
    gCFPath none(gCString(u"/a/readme"));
    EXPECT_EQ(none.SetExtension(gCString(u".txt"), 0, FourCharCode("????")), eSuccess);
    EXPECT_EQ(Utf8(none.GetPath()), "/a/readme");
    EXPECT_EQ(none.GetMacType(), FourCharCode("TEXT"));
    EXPECT_EQ(none.SetExtension(gCString(u"txt"), 1, FourCharCode("????")), eSuccess);
    EXPECT_EQ(Utf8(none.GetPath()), "/a/readme.txt");
    EXPECT_EQ(none.SetExtension(gCString(u""), 1, 0), eBadParameter);

    gCFPath typed(gCString(u"/a/pic.bmp"));
    EXPECT_EQ(typed.SetFileType(eLastTypeIndex, 1, gCString(), 0), eBadParameter);
    EXPECT_EQ(typed.SetFileType(eJpegImage, 1, gCString(), 0), eSuccess);
    EXPECT_EQ(Utf8(typed.GetPath()), "/a/pic.jpg");
    EXPECT_EQ(typed.GetMacType(), FourCharCode("JPEG"));
    // An entry with no extension and no extension given: the path loses its extension.
    EXPECT_EQ(typed.SetFileType(eNoFileType, 1, gCString(), 0), eSuccess);
    EXPECT_EQ(Utf8(typed.GetPath()), "/a/pic");
    EXPECT_EQ(typed.GetFileTypeIndex(), eNoFileType);
}

TEST(FilePath, WithinAndBelow)
{
    gCFPath path(gCString(u"/users/ann/pic.png"));
    EXPECT_EQ(path.IsWithin(gCFPath(gCString(u"/Users/Ann/"))), 1);
    gCFPath folder(gCString(u"/Users/ann/"));
    EXPECT_EQ(folder.IsWithin(gCFPath(gCString(u"/Users/ann/"))), 0);
    EXPECT_EQ(Utf8(gCFPath(gCString(u"/Users/ann/pic.png")).GetPathBelow(gCFPath(gCString(u"/Users/")))),
              "ann/pic.png");
    EXPECT_EQ(Utf8(folder.GetPathBelow(gCFPath(gCString(u"/Users/ann/")))), "");
}

TEST(FilePath, ReferencesComeFromTheTextOrItsFolder)
{
    TempFolder folder;
    gCString missing = Text(folder / "new.bin");
    sFSRef ref;
    EXPECT_EQ(MakeFSRef(missing, &ref), 1);
    EXPECT_FALSE(ref.exists);
    gCFPath path(missing);
    const sFSRef* made = path.GetFSRef();
    EXPECT_TRUE(made->exists);
    EXPECT_EQ(made->path, folder.Path());
    EXPECT_EQ(MakeFSRef(gCString(u""), &ref), 0);
    EXPECT_EQ(ref.path, "/");
    // No escape is decoded: a name with "%41" is that name, not "A".
    folder.WriteFile("aA.txt", "");
    EXPECT_EQ(MakeFSRef(Text(folder / "a%41.txt"), &ref), 1);
    EXPECT_EQ(MakeFSRef(Text(folder.Path().substr(1) + "aA.txt"), &ref), 0);
    EXPECT_EQ(path.GetFileSize(), -1);
    EXPECT_EQ(gCFPath(Text(folder.WriteFile("five", "12345"))).GetFileSize(), 5);
}

TEST(FilePath, ColonFormOfAReference)
{
    TempFolder folder;
    std::string file = folder.WriteFile("b.txt", "");
    sFSRef ref = plat::MakePathRecord(file.c_str());
    gCString volume, folders, name;
    ASSERT_EQ(PathFromFSRef(&ref, volume, folders, name), eSuccess);
    EXPECT_EQ(Utf8(name), "b.txt");
    EXPECT_EQ(Utf8(volume) + Utf8(folders), [&] {
        std::string colon = folder.Path().substr(1);
        for (char& c : colon)
            if (c == '/')
                c = ':';
        return colon;
    }());
    sFSRef nothing = plat::MakePathRecord((folder / "none").c_str());
    EXPECT_EQ(PathFromFSRef(&nothing, volume, folders, name), eBadParameter);
}

TEST(FileReference, SetFromUrlsAndReferences)
{
    gCFRef ref;
    EXPECT_EQ(ref.SetFromCFURL(gCString(u"file:///Users/ann/My%20File.txt")), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), "/Users/ann/My File.txt");
    EXPECT_EQ(ref.SetFromCFURL(gCString(u"file:///a/Caf%C3%A9%25.txt")), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), "/a/Caf\xC3\xA9%.txt");

    TempFolder folder;
    ASSERT_EQ(::mkdir((folder / "sub dir").c_str(), 0777), 0);
    sFSRef sub = plat::MakePathRecord((folder / "sub dir").c_str());
    EXPECT_EQ(ref.SetFromFSRef(&sub), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), folder / "sub dir/");
    sFSRef nothing = plat::MakePathRecord((folder / "none").c_str());
    EXPECT_EQ(ref.SetFromFSRef(&nothing), eBadParameter);
    EXPECT_EQ(Utf8(ref.GetPath()), folder / "sub dir/");

    sNavReply reply;
    reply.validRecord = 1;
    EXPECT_EQ(ref.SetFromAEDescList(&reply), eCreateFailed);
    ASSERT_EQ(reply.selection.Add(Text(folder.WriteFile("chosen.txt", ""))), eSuccess);
    ASSERT_EQ(reply.selection.Add(Text(folder / "sub dir")), eSuccess);
    EXPECT_EQ(ref.FromAEDescList(&reply), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), folder / "chosen.txt");
}

TEST(FileReference, FolderAndRelativeForms)
{
    gCFRef ref(gCString(u"/Users/ann/pic.png"));
    gCFolderRef folder;
    EXPECT_EQ(ref.GetFolderRef(folder), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), "/Users/ann/");

    ScopedBaseFolders bases(u"/Applications/Paint.app/Contents/", u"/Applications/");
    gCFRef inside(gCString(u"/applications/paint.APP/Contents/Resources/a.txt"));
    inside.SetMacType(FourCharCode("TEXT"));
    gCFRelative out(gCString(u"keep"), 1);
    EXPECT_EQ(inside.GetRelativeRef(out, 0), eSuccess);
    EXPECT_EQ(Utf8(out.GetRelativeText()), "Resources/a.txt");
    EXPECT_EQ(out.GetBaseFlag(), 0u);
    EXPECT_EQ(out.GetMacType(), FourCharCode("TEXT"));

    gCFRelative untouched(gCString(u"keep"), 1);
    EXPECT_EQ(gCFRef(gCString(u"/elsewhere/a.txt")).GetRelativeRef(untouched, 0), eGenericFailure);
    EXPECT_EQ(Utf8(untouched.GetRelativeText()), "keep");
    EXPECT_EQ(untouched.GetBaseFlag(), 1u);
}

TEST(RelativePath, ResolvesBelowTheSelectedBaseFolder)
{
    ScopedBaseFolders bases(gCString(u"/Apps/Pintrel Updater.app/"));
    gCFRelative settings(gCString(u"Pintrel 2.app:Contents:Resources:system.msf"), 1);
    EXPECT_EQ(Utf8(settings.GetRelativeText()), "Pintrel 2.app/Contents/Resources/system.msf");
    EXPECT_EQ(Utf8(settings.GetPath()), "/Apps/Pintrel 2.app/Contents/Resources/system.msf");
    EXPECT_EQ(Utf8(gCFRelative(gCString(u"/Resources/a.txt"), 0).GetPath()),
              "/Apps/Pintrel Updater.app/Contents/Resources/a.txt");
    EXPECT_EQ(Utf8(gCFRelative(gCString(u"Resources/a.txt"), 0).GetPath()),
              "/Apps/Pintrel Updater.app/Contents/Resources/a.txt");
}

TEST(RelativePath, TheBundleFolderIsTheBundlesParent)
{
    ScopedBaseFolders bases(gCString(u"/Apps/Pintrel Updater.app/"));
    EXPECT_EQ(Utf8(GetAppParentFolderText()), "/Apps/");
    EXPECT_EQ(Utf8(GetAppContentsFolderText()), "/Apps/Pintrel Updater.app/Contents/");
    EXPECT_EQ(SetAppBundleFolder(gCString(u"/Apps/Other.app")), eSuccess);
    EXPECT_EQ(Utf8(GetAppParentFolderText()), "/Apps/");
}

TEST(RelativePath, ReplacingAPartKeepsTheBaseFolderOnce)
{
    ScopedBaseFolders bases(u"/Apps/P.app/Contents/", u"/Apps/");
    gCFRelative path(gCString(u"Resources/old.txt"), 0);
    EXPECT_EQ(path.SetFileTitle(gCString(u"new")), eSuccess);
    EXPECT_EQ(Utf8(path.GetRelativeText()), "Resources/new.txt");
    EXPECT_EQ(Utf8(path.GetPath()), "/Apps/P.app/Contents/Resources/new.txt");
    EXPECT_EQ(path.SetExtension(gCString(u".msf"), 1, 0), eSuccess);
    EXPECT_EQ(Utf8(path.GetPath()), "/Apps/P.app/Contents/Resources/new.msf");
    // A root outside the base folder cannot be expressed relative to it.
    EXPECT_EQ(path.SetRoot(gCString(u"/Other/")), eBadParameter);
    EXPECT_EQ(Utf8(path.GetPath()), "/Apps/P.app/Contents/Resources/new.msf");
}

TEST(FileOpen, ThroughPathObjects)
{
    TempFolder folder;
    gCFile file;
    EXPECT_EQ(file.Open(static_cast<gCBasePath*>(nullptr), gCFile::eAccessRead), eBadParameter);
    gCFPath unset;
    EXPECT_EQ(file.Open(&unset, gCFile::eAccessRead), eBadParameter);

    // A colon text is looked up with "/" separators.
    std::string colon = folder.Path().substr(1);
    for (char& c : colon)
        if (c == '/')
            c = ':';
    folder.WriteFile("in.txt", "hello");
    gCFPath path(Text(colon + "in.txt"));
    ASSERT_EQ(file.Open(&path, gCFile::eAccessRead), eSuccess);
    EXPECT_EQ(file.GetLength(), 5);

    // Creating through a reference: the caller's reference names the new file.
    gCFRef ref(Text(colon + "made.bin"));
    ASSERT_EQ(file.Open(ref, gCFile::eAccessWrite), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), folder / "made.bin");
    EXPECT_TRUE(plat::PathExists((folder / "made.bin").c_str()));
}

TEST(FileOpen, UnknownAccessStateIsReportedOnlyThroughThePathForm)
{
    TempFolder folder;
    sAlerts.clear();
    tPlainAlertHook saved = gPlainAlertHook;
    gPlainAlertHook = RecordAlert;
    gCFile file;
    gCFPath path(Text(folder / "a.bin"));
    EXPECT_EQ(file.Open(&path, gCFile::eAccessState(7)), eSuccess);
    ASSERT_EQ(sAlerts.size(), 1u);
    EXPECT_NE(sAlerts[0].find("Unknown Access state passed to gCFile."), std::string::npos);
    gCFRef ref(Text(folder / "a.bin"));
    EXPECT_EQ(file.Open(&ref, gCFile::eAccessState(7)), eSuccess);
    EXPECT_EQ(sAlerts.size(), 1u);
    // Opened for reading and writing.
    EXPECT_EQ(file.WriteUChar(1), eSuccess);
    ASSERT_EQ(file.Rewind(), eSuccess);
    uint8_t value = 0;
    EXPECT_EQ(file.ReadUChar(value), eSuccess);
    gPlainAlertHook = saved;
}

TEST(ColonPaths, AColonIsOrdinaryInSystemPathsAndASeparatorInMacTexts)
{
    struct sCase {
        const char16_t* text;
        const char* system;
    };
    const sCase cases[] = {
        {u"/home/ann/a:b/Pintrel 2.app", "/home/ann/a:b/Pintrel 2.app"},
        {u"/a:b:c", "/a:b:c"},
        {u"Disk:Folder:File", "/Disk/Folder/File"},
        {u":Resources:x.bin", "/Resources/x.bin"},
    };
    for (const sCase& c : cases) {
        CSystemPath system;
        ASSERT_EQ(SystemPathFromText(gCString(c.text), system), eSuccess);
        EXPECT_STREQ(system.Get(), c.system) << Utf8(gCString(c.text));
    }
    EXPECT_EQ(Utf8(GetLastPathComponent(gCString(u"/home/a:b"))), "a:b");
    EXPECT_EQ(Utf8(GetLastPathComponent(gCString(u"Disk:a:b"))), "b");
    gCFolderRef folder;
    EXPECT_EQ(folder.Set(gCString(u"/home/a:b")), eSuccess);
    EXPECT_EQ(Utf8(folder.GetPath()), "/home/a:b/");
}

TEST(ColonPaths, FilesBelowAFolderWithAColonAreFound)
{
    // The bundle's folder has a ":" in its name; the program's own relative texts still use ":"
    // between their parts.
    TempFolder temp;
    const std::string parent = temp / "Apps:2026";
    std::filesystem::create_directories(parent + "/Pintrel 2.app/Contents");
    temp.WriteFile("Apps:2026/Pintrel 2.app/Contents/settings.msf", "x");
    ScopedBaseFolders bases(Text(parent + "/Pintrel Updater.app/"));
    gCFRelative settings(gCString(u"Pintrel 2.app:Contents:settings.msf"), 1);
    EXPECT_EQ(Utf8(settings.GetPath()), parent + "/Pintrel 2.app/Contents/settings.msf");
    EXPECT_TRUE(FileExists(settings));
    EXPECT_TRUE(FileExists(gCFRef(Text(parent + "/Pintrel 2.app/Contents/settings.msf"))));
    gCFolderRef contents;
    EXPECT_EQ(contents.SetRelativePath(gCString(u"Pintrel 2.app:Contents"), 1), eSuccess);
    EXPECT_TRUE(contents.Exists());
    gCArray<gCFRef*> files;
    gCArray<gCFolderRef*> folders;
    ASSERT_EQ(ListFolder(contents, files, folders), eSuccess);
    ASSERT_EQ(files.GetSize(), 1);
    EXPECT_EQ(Utf8(files[0]->GetFileName()), "settings.msf");
    for (gCFRef* file : files)
        delete file;
    for (gCFolderRef* inner : folders)
        delete inner;
}
