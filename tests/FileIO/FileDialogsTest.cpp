#include "FileIO/FileDocuments.h"
#include "FileIO/gCFRef.h"
#include "FileIO/gCFTypeList.h"
#include "FileIO/gCFileDlg.h"
#include "FileIO/gCFolderRef.h"
#include "FileIO/sNavReply.h"
#include "StreamTestSupport.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

// Puts a test backend in place for one test.
class ScopedDialogs {
public:
    explicit ScopedDialogs(plat::ScriptedFileDialogs dialogs) : mDialogs(std::move(dialogs))
    {
        plat::SetFileDialogs(&mDialogs);
    }
    ~ScopedDialogs() { plat::SetFileDialogs(nullptr); }

private:
    plat::ScriptedFileDialogs mDialogs;
};

plat::ScriptedFileDialogs Cancelling()
{
    plat::ScriptedFileDialogs backend;
    backend.chooseFile = [](const plat::sOpenDialogRequest&, plat::sOpenDialogAnswer&) {
        return plat::eDialogResult::kCancelled;
    };
    backend.chooseSaveFile = [](const plat::sSaveDialogRequest&, plat::sSaveDialogAnswer&) {
        return plat::eDialogResult::kCancelled;
    };
    backend.chooseFolder = [](plat::sFolderDialogAnswer&) { return plat::eDialogResult::kCancelled; };
    return backend;
}

} // namespace

TEST(gCFileDlg, OpenDialogListsFoldersAndMatchingFiles)
{
    gCFTypeList types;
    ASSERT_EQ(types.AddTypes(eBmpImage, ePngImage, eLastTypeIndex), eSuccess);
    EXPECT_EQ(gCFileDlg::ShowsItem(&types, gCString(u"/x/picture.PNG"), 0, 0), 1);
    EXPECT_EQ(gCFileDlg::ShowsItem(&types, gCString(u"/x/notes.txt"), 0, FourCharCode("TEXT")), 0);
    EXPECT_EQ(gCFileDlg::ShowsItem(&types, gCString(u"/x/any folder"), 1, 0), 1);
    EXPECT_EQ(gCFileDlg::ShowsItem(&types, gCString(u"/x/old"), 0, FourCharCode("BMP ")), 1);
    EXPECT_EQ(gCFileDlg::ShowsItem(nullptr, gCString(u"/x/notes.txt"), 0, 0), 1);
    gCFTypeList all;
    ASSERT_EQ(all.AddTypes(eAllImageFiles, eLastTypeIndex), eSuccess);
    EXPECT_EQ(gCFileDlg::ShowsItem(&all, gCString(u"/x/p.psd"), 0, 0), 1);
}

TEST(gCFileDlg, ChangingTheSaveTypeRenamesTheTypedName)
{
    EXPECT_EQ(Utf8(gCFileDlg::RenameForType(gCString(u"untitled.bmp"), gCString(u".bmp"), gCString(u".jpg"))),
              "untitled.jpg");
    EXPECT_EQ(Utf8(gCFileDlg::RenameForType(gCString(u"untitled"), gCString(u".bmp"), gCString(u".jpg"))),
              "untitled.jpg");
    EXPECT_EQ(Utf8(gCFileDlg::RenameForType(gCString(u"x.BMP"), gCString(u".bmp"), gCString(u".jpg"))), "x.BMP.jpg");
    EXPECT_EQ(Utf8(gCFileDlg::RenameForType(gCString(u".bmp"), gCString(u".bmp"), gCString(u".jpg"))), ".bmp.jpg");
}

TEST(gCFileDlg, CancellingLeavesThePathAlone)
{
    ScopedDialogs dialogs(Cancelling());
    gCFileDlg dialog;
    gCString path(u"/start/here.txt");
    EXPECT_EQ(dialog.GetFile(path, nullptr), eHandled);
    EXPECT_EQ(Utf8(path), "/start/here.txt");
    gCFRef ref(gCString(u"/start/here.txt"));
    EXPECT_EQ(dialog.PutFile(ref, nullptr), eHandled);
    EXPECT_EQ(Utf8(ref.GetPath()), "/start/here.txt");
}

TEST(gCFileDlg, SaveProposesANameAndAppliesTheChosenType)
{
    TempFolder temp;
    std::string proposed;
    std::string renamed;
    plat::ScriptedFileDialogs backend;
    backend.chooseSaveFile = [&](const plat::sSaveDialogRequest& request, plat::sSaveDialogAnswer& answer) {
        proposed = request.proposedName;
        // The user picks the second type in the pop-up, then saves.
        plat::sPathText renaming;
        EXPECT_TRUE(request.renameForType(request.proposedName.c_str(), request.currentType, 1, renaming));
        renamed = renaming.path;
        answer.folder = temp.Path();
        answer.name = renamed;
        answer.typeIndex = 1;
        return plat::eDialogResult::kOk;
    };
    ScopedDialogs dialogs(backend);
    gCFTypeList types;
    ASSERT_EQ(types.AddTypes(eBmpImage, eJpegImage, eLastTypeIndex), eSuccess);
    gCFRef ref;
    gCFileDlg dialog;
    ASSERT_EQ(dialog.PutFile(ref, &types), eSuccess);
    EXPECT_EQ(proposed, "untitled.bmp");
    EXPECT_EQ(renamed, "untitled.jpg");
    EXPECT_EQ(Utf8(ref.GetPath()), temp / "untitled.jpg");
    EXPECT_EQ(ref.GetMacType(), FourCharCode("JPEG"));
    EXPECT_EQ(types.GetCurrentType(), 1);

    gCFRef named(gCString(u"/docs/report"));
    ASSERT_EQ(types.SetCurrentType(0), eSuccess);
    ASSERT_EQ(dialog.PutFile(named, &types), eSuccess);
    EXPECT_EQ(proposed, "report.bmp");
}

TEST(gCFileDlg, OpenAnswerBecomesThePath)
{
    TempFolder temp;
    std::string chosen = temp.WriteFile("pick me.png", "");
    std::string start;
    plat::ScriptedFileDialogs backend;
    backend.chooseFile = [&](const plat::sOpenDialogRequest& request, plat::sOpenDialogAnswer& answer) {
        start = request.startFolder;
        EXPECT_TRUE(request.accepts(chosen.c_str()));
        EXPECT_FALSE(request.accepts((temp / "notes.txt").c_str()));
        answer.path = chosen;
        return plat::eDialogResult::kOk;
    };
    ScopedDialogs dialogs(backend);
    gCFTypeList types;
    ASSERT_EQ(types.AddGroup(eImageFilesFlag), eSuccess);
    gCString path = Text(temp.Path());
    gCFileDlg dialog;
    ASSERT_EQ(dialog.GetFile(path, &types), eSuccess);
    EXPECT_EQ(Utf8(path), chosen);
    EXPECT_EQ(start, temp.Path());
}

TEST(FileDocuments, OpenOrChooseAsksOnlyForAnUnsetReference)
{
    TempFolder temp;
    int asked = 0;
    plat::ScriptedFileDialogs backend = Cancelling();
    backend.chooseSaveFile = [&](const plat::sSaveDialogRequest&, plat::sSaveDialogAnswer&) {
        ++asked;
        return plat::eDialogResult::kCancelled;
    };
    ScopedDialogs dialogs(backend);
    temp.WriteFile("old.txt", "old content");
    gCFRef set(Text(temp / "old.txt"));
    gCFile file;
    EXPECT_EQ(OpenOrChooseSaveFile(file, set, nullptr, gCFile::eAccessWrite), eSuccess);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(file.Close(), eSuccess);
    EXPECT_EQ(TempFolder::ReadFile(temp / "old.txt"), "");

    gCFRef unset;
    EXPECT_EQ(OpenOrChooseSaveFile(file, unset, nullptr, gCFile::eAccessWrite), eHandled);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(OpenOrChooseFile(file, unset, nullptr, gCFile::eAccessRead), eHandled);
}

TEST(FileDocuments, AnEmptyChoiceIsABadParameter)
{
    plat::ScriptedFileDialogs backend = Cancelling();
    backend.chooseFile = [](const plat::sOpenDialogRequest&, plat::sOpenDialogAnswer& answer) {
        answer.path = "";
        return plat::eDialogResult::kOk;
    };
    ScopedDialogs dialogs(backend);
    gCFRef ref(gCString(u"/keep.txt"));
    EXPECT_NE(ChooseOpenFile(ref, nullptr), eSuccess);
    EXPECT_EQ(Utf8(ref.GetPath()), "/keep.txt");
}

TEST(FileDocuments, ChooseFolderTakesTheAnswer)
{
    TempFolder temp;
    plat::ScriptedFileDialogs backend = Cancelling();
    backend.chooseFolder = [&](plat::sFolderDialogAnswer& answer) {
        answer.folder = temp.Path();
        return plat::eDialogResult::kOk;
    };
    {
        ScopedDialogs dialogs(backend);
        gCFolderRef folder;
        EXPECT_EQ(ChooseFolderDialog(folder), eSuccess);
        EXPECT_EQ(Utf8(folder.GetPath()), temp.Path());
    }
    ScopedDialogs cancelling(Cancelling());
    gCFolderRef folder;
    EXPECT_EQ(ChooseFolderDialog(folder), eHandled);
    EXPECT_EQ(folder.IsSet(), 0);
}

TEST(FileDocuments, PlainSaveDialogFillsTheReply)
{
    plat::ScriptedFileDialogs backend = Cancelling();
    backend.chooseSaveFile = [](const plat::sSaveDialogRequest&, plat::sSaveDialogAnswer& answer) {
        answer.folder = "/tmp/";
        answer.name = "x.txt";
        return plat::eDialogResult::kOk;
    };
    ScopedDialogs dialogs(backend);
    gCFPath path;
    sNavReply reply;
    EXPECT_EQ(PutFileDialog(path, &reply), eSuccess);
    EXPECT_EQ(reply.validRecord, 1u);
    EXPECT_EQ(Utf8(reply.selection[0]), "/tmp/");
    EXPECT_EQ(Utf8(reply.saveFileName), "x.txt");
}

TEST(gCFileDlg, TheTypeListBecomesTheFilterMenuAndTheTypePopUp)
{
    std::vector<std::string> filters;
    std::vector<std::string> typeNames;
    plat::ScriptedFileDialogs backend = Cancelling();
    backend.chooseFile = [&](const plat::sOpenDialogRequest& request, plat::sOpenDialogAnswer&) {
        for (const plat::sDialogFilter& filter : request.filters) {
            std::string text = filter.name + ":";
            for (const std::string& pattern : filter.patterns)
                text += " " + pattern;
            filters.push_back(text);
        }
        return plat::eDialogResult::kCancelled;
    };
    backend.chooseSaveFile = [&](const plat::sSaveDialogRequest& request, plat::sSaveDialogAnswer&) {
        typeNames = request.typeNames;
        return plat::eDialogResult::kCancelled;
    };
    ScopedDialogs dialogs(backend);
    gCFTypeList types;
    ASSERT_EQ(types.AddTypes(eNoFileType, eAllFiles, eBmpImage, eLastTypeIndex), eSuccess);
    ASSERT_EQ(types.AddCustomType(1, gCString(u"Updates"), gCString(u".pnu,,.Pn\u00e9"), 0), eSuccess);
    gCString path(u"");
    gCFileDlg dialog;
    EXPECT_EQ(dialog.GetFile(path, &types), eHandled);
    // An entry without extensions has no filter; empty parts are left out.
    EXPECT_EQ(filters, (std::vector<std::string>{"All Files (*.*): *", "BMP Image (*.bmp): *.bmp *.BMP",
                                                 "Updates: *.pnu *.PNU *.Pn\xC3\xA9 *.PN\xC3\xA9"}));
    gCFRef ref;
    EXPECT_EQ(dialog.PutFile(ref, &types), eHandled);
    EXPECT_EQ(typeNames, (std::vector<std::string>{"", "All Files (*.*)", "BMP Image (*.bmp)", "Updates"}));
}
