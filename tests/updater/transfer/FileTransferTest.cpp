// The transfers that fetch single files and the direct check reply, against a real HTTP server on
// loopback: which address each asks for, what it keeps of the body, and what it says when done.
#include "updater/UpdaterTestSupport.h"

#include "FileIO/gCMemFile.h"
#include "updater/PNUMessages.h"
#include "updater/transfer/CPNUHTTPSession.h"

#include "support/HTTPTestServer.h"

namespace {

// The application's place: keeps every parsed list it is sent and answers with a set result.
class CListReceiver : public gCCmdTarget {
public:
    uint32_t OnCommand(uint32_t command, uintptr_t, intptr_t p2, uint32_t) override
    {
        if (command != kPNUParsedList)
            return 0;
        std::vector<std::string> list;
        for (const gCString& text : *reinterpret_cast<const gCArray<gCString>*>(p2))
            list.push_back(Utf8(text));
        lists.push_back(list);
        return answer;
    }
    std::vector<std::vector<std::string>> lists;
    uint32_t answer = 0;
};

// The program sets no file servers (their addresses stay empty); here they are paths on the test
// server's host.
class CFileServerManager : public CPNUTransferManager {
public:
    void UseFileServers(const std::string& host)
    {
        mFileServerHost = gCString(host.c_str());
        mFilesURL = gCString("/files/");
        mUpdaterURL = gCString("/updater/");
    }
};

class FileTransfer : public UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        ASSERT_TRUE(server.listening);
        gCCmdTarget::SetDefaultTarget(&receiver);
        manager.UseFileServers(Host());
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(server.port); }

    // Heartbeats the manager and the server until the condition holds; the bound only ends a
    // test that would otherwise hang.
    bool PumpUntil(const std::function<bool()>& done)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            manager.Tick();
            server.Poll();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    bool PumpUntilFinished()
    {
        return PumpUntil([&] { return manager.GetCurrentSession() && manager.GetCurrentSession()->finishReported; });
    }

    HTTPTestServer server;
    CListReceiver receiver;
    CFileServerManager manager;
};

TEST_F(FileTransfer, EachListedFileThatDiffersIsFetchedFromTheFileServerInTurnThenPutInPlace)
{
    // The installed list is UTF-16 text.
    std::string installed = "\xFF\xFE";
    for (char c : std::string("|0512%Have.dat\n"))
        installed += std::string{c, '\0'};
    folder.WriteFile("Pintrel Updater.app/Contents/pnufiledata.txt", installed);
    ASSERT_EQ(manager.ReadInstalledList(), eSuccess);
    gCMemFile body;
    const std::string list = "|0512%Have.dat\n|0701%New.dat\nData|0801%Also.dat\n";
    ASSERT_EQ(body.Write(list.data(), int32_t(list.size())), eSuccess);
    ASSERT_EQ(manager.ParseDownloadList(body), eSuccess);
    gCArray<CFileData>& entries = manager.GetDownloadList();
    ASSERT_EQ(entries.GetSize(), 3);

    // Nothing marks an entry fetched on its own: each step marks the one before.
    struct sStep {
        int32_t fetched;
        const char* requested;
    } steps[] = {{-1, "files/New.dat"}, {1, "files/Also.dat"}, {2, nullptr}};
    for (const sStep& step : steps) {
        SCOPED_TRACE(step.fetched);
        if (step.fetched >= 0) {
            entries[step.fetched].mDownloaded = 1;
            std::string local = "PNUTemp" + std::to_string(step.fetched) + ".pnu";
            folder.WriteFile("Pintrel Updater.app/Contents/" + local, "copy " + std::to_string(step.fetched));
            entries[step.fetched].mLocalPath = gCString(local.c_str());
        }
        const size_t before = server.requested.size();
        ASSERT_EQ(manager.DownloadNextFile(), eSuccess);
        if (step.requested) {
            ASSERT_TRUE(PumpUntil([&] { return server.requested.size() > before; }));
            EXPECT_EQ(server.requested.back(), step.requested);
        }
    }
    // With every file fetched, the files are put in place and the list kept for the next time.
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/New.dat"), "copy 1");
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/Data/Also.dat"), "copy 2");
    EXPECT_EQ(DemoFolder::ReadFile(bundle + "/Contents/pnufiledatareplacement.txt"), list);
}

TEST_F(FileTransfer, TheUpdatersOwnCopyIsStoredWholeUnderAFreeName)
{
    std::string program = std::string("\x7F" "ELF\0\0\x01", 7);
    for (int i = 0; i < 100000; ++i)
        program += char(i * 7 + i / 256);
    server.files["updater/PintrelUpdater.exe"] = program;
    manager.GetUpdaterEntry().mFileName = gCString("PintrelUpdater.exe");

    struct sCase {
        bool firstNameTaken;
        const char* stored;
    } cases[] = {{false, "PintrelUpdater1.exe"}, {true, "PintrelUpdater2.exe"}};
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string first = bundle + "/Contents/PintrelUpdater1.exe";
        std::remove(first.c_str());
        if (c.firstNameTaken)
            folder.WriteFile("Pintrel Updater.app/Contents/PintrelUpdater1.exe", "older copy");
        manager.GetUpdaterEntry().mLocalPath = gCString("");
        ASSERT_EQ(manager.DownloadUpdaterEntry(), eSuccess);
        EXPECT_EQ(manager.GetState(), CPNUTransferManager::kStateUpdaterCopy);
        ASSERT_TRUE(PumpUntilFinished());
        EXPECT_EQ(server.requested.back(), "updater/PintrelUpdater.exe");
        EXPECT_EQ(Utf8(manager.GetUpdaterEntry().mLocalPath), c.stored);
        EXPECT_TRUE(DemoFolder::ReadFile(bundle + "/Contents/" + c.stored) == program);
        if (c.firstNameTaken) {
            EXPECT_EQ(DemoFolder::ReadFile(first), "older copy");
        }
        EXPECT_EQ(Alerts(), std::vector<std::string>{});
    }
}

std::string CheckReply(const std::string& results, const std::u16string& news)
{
    std::string bytes = "Results:[" + results + "%%]\nNews:[\xFF\xFE";
    for (char16_t unit : news) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes + "%%]";
}

TEST_F(FileTransfer, ACheckReplyIsParsedSentOnAndMarksTheJobDoneOnlyWhenTheSendSucceeds)
{
    struct sCase {
        const char* what;
        std::string body;
        uint32_t answer;
        std::vector<std::vector<std::string>> sent;
        int32_t state;
        bool reported;
    } cases[] = {
        {"well formed", CheckReply("UPTODATE:0,LATESTVER:2.2,UPDATEURL:http://u/", u"Neue Pinsel"), 0,
         {{"2.2, 0", "http://u/", "Neue Pinsel"}}, CPNUTransferManager::kStateParsed, false},
        {"refused by the receiver", CheckReply("UPTODATE:1", u"x"), 7, {{", 1", "", "x"}},
         CPNUTransferManager::kStateCheckReply, true},
        {"without an UPTODATE item", CheckReply("LATESTVER:2.2", u"x"), 0, {},
         CPNUTransferManager::kStateCheckReply, true},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.what);
        receiver.lists.clear();
        receiver.answer = c.answer;
        plat::GetRecordedAlerts().Clear();
        server.files["check/reply.txt"] = c.body;
        // Host and address are split at the first "|" only.
        ASSERT_EQ(manager.RequestCheckReply(gCString((Host() + "|/check/reply.txt").c_str())), eSuccess);
        EXPECT_EQ(manager.GetState(), CPNUTransferManager::kStateCheckReply);
        ASSERT_TRUE(PumpUntilFinished());
        EXPECT_EQ(server.requested.back(), "check/reply.txt");
        EXPECT_EQ(receiver.lists, c.sent);
        EXPECT_EQ(manager.GetState(), c.state);
        // A failed parse or send is shown once, as the session's failing callback.
        std::vector<std::string> alerts = Alerts();
        ASSERT_EQ(alerts.size(), c.reported ? 1u : 0u);
        if (c.reported) {
            EXPECT_NE(alerts[0].find("Download finished callback failed."), std::string::npos) << alerts[0];
        }
    }
}

} // namespace
