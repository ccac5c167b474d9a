// The client against a real web server: nginx on loopback, started by each test.
#include "Network/CHTTPSession.h"

#include "support/NginxServer.h"
#include "support/TempFolder.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

std::string Pattern(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t value = seed;
    for (size_t i = 0; i < size; ++i) {
        value = value * 1103515245 + 12345;
        bytes[i] = char(value >> 24);
    }
    return bytes;
}

// A client session as the owner uses it, recording how the download ended.
class ClientProbe : public CHTTPSession {
public:
    ClientProbe()
    {
        uintptr_t self = reinterpret_cast<uintptr_t>(this);
        DownloadFinishedCallback = {[](CHTTPSession*, const gCString&, const gCString&, uint32_t complete,
                                        uint32_t, uintptr_t user) {
            auto* probe = reinterpret_cast<ClientProbe*>(user);
            probe->finishedCalls++;
            probe->complete = complete;
            return eSuccess;
        }, self};
        FailedCallback = {[](CHTTPSession*, uintptr_t user) {
            reinterpret_cast<ClientProbe*>(user)->failedCalls++;
            return eSuccess;
        }, self};
        HeadersReceivedCallback = {[](tHTTPHeaderArrays& names, tHTTPHeaderArrays& values, uintptr_t user) {
            auto* probe = reinterpret_cast<ClientProbe*>(user);
            for (int32_t i = 0; i < names.GetSize(); ++i)
                probe->headers += Utf8(names[i]) + "=" + Utf8(values[i]) + "\n";
            return eSuccess;
        }, self};
    }

    // Polls as the heartbeat would until the connection is over.
    bool RunToEnd()
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            (void)Poll();
            if (finished && (state == eSocketClosed || state == eSocketFailedTransfer || state == eSocketFailed))
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    std::string Body() const
    {
        return std::string(reinterpret_cast<const char*>(bodyBuffer.GetData()), size_t(bodyBuffer.GetSize()));
    }

    int finishedCalls = 0;
    uint32_t complete = 9;
    int failedCalls = 0;
    std::string headers;
};

gCString Address(const NginxServer& server)
{
    return gCString(("127.0.0.1:" + std::to_string(server.Port())).c_str());
}

const char* const kLocations = R"(
    location = /PNU/getupdate_v3.php {
        default_type text/html;
        add_header PNU-FailType 2 always;
        add_header PNU-FailReason "You are up to date." always;
        return 200 "no update\n";
    }
    location /unsized/ { ssi on; ssi_types *; }
)";

} // namespace

class HTTPClientNginx : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.IsRunning())
            GTEST_SKIP() << server.Error();
    }
    NginxServer server{kLocations};
};

TEST_F(HTTPClientNginx, BodyWithLengthArrivesWholeAndFinishesByCount)
{
    std::string file = Pattern(300000, 1);
    server.Serve("data.bin", file);
    ClientProbe session;
    ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/data.bin"), gCString(u""), gCString(u""), 0), eSuccess);
    ASSERT_TRUE(session.RunToEnd());
    EXPECT_EQ(session.state, uint32_t(eSocketClosed));
    EXPECT_EQ(session.finishedCalls, 1);
    EXPECT_EQ(session.complete, 1u);
    EXPECT_EQ(session.totalLength, file.size());
    EXPECT_TRUE(session.contentType == "application/octet-stream");
    EXPECT_TRUE(session.Body() == file);
}

// Without a stated length nginx ends the body by closing (HTTP/1.0) or sends it chunked (HTTP/1.1).
TEST_F(HTTPClientNginx, BodyWithoutLengthEndsAtCloseOrByChunks)
{
    std::string page = "first line\nsecond line\n" + std::string(100000, 'x') + "\nlast\n";
    server.Serve("unsized/page.txt", page);
    for (const char16_t* version : {u"1.0", u"1.1"}) {
        ClientProbe session;
        (void)session.httpVersion.Assign(version);
        ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/unsized/page.txt"), gCString(u""), gCString(u""), 0), eSuccess);
        ASSERT_TRUE(session.RunToEnd());
        gCString versionText(version);
        EXPECT_EQ(session.chunked, versionText == "1.1" ? 1u : 0u) << session.headers;
        EXPECT_EQ(session.lengthAnnounced, 0u);
        EXPECT_EQ(session.state, uint32_t(eSocketClosed));
        EXPECT_EQ(session.finishedCalls, 1);
        EXPECT_EQ(session.complete, 1u);
        EXPECT_TRUE(session.Body() == page);
    }
}

TEST_F(HTTPClientNginx, MissingFileFailsOnceWithFailedTransfer)
{
    ClientProbe session;
    ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/missing.bin"), gCString(u""), gCString(u""), 0), eSuccess);
    ASSERT_TRUE(session.RunToEnd());
    EXPECT_EQ(session.state, uint32_t(eSocketFailedTransfer));
    EXPECT_EQ(session.failedCalls, 1);
    EXPECT_EQ(session.finishedCalls, 0);
    EXPECT_EQ(session.Body(), "");
}

// A resumed download: the output already holds the first bytes, nginx answers 206 with the rest.
TEST_F(HTTPClientNginx, RangeIsAnsweredPartialAndAppendsToTheHeldBytes)
{
    std::string file = Pattern(5000, 2);
    server.Serve("package.pnu", file);
    static std::string captured;
    captured.clear();
    // A memory stream that hands its bytes to the test when the session closes it.
    class CapturingStream : public gCMemFile {
    public:
        ~CapturingStream() override { captured.assign(reinterpret_cast<const char*>(GetData()), size_t(GetSize())); }
    };
    ClientProbe session;
    session.OpenOutputCallback = {[](CHTTPSession*, const gCString&, const gCString&, uint32_t, uint32_t,
                                      gCStream** output, uintptr_t held) {
        auto* stream = new CapturingStream;
        const std::string& first = *reinterpret_cast<const std::string*>(held);
        (void)stream->Write(first.data(), uint32_t(first.size()));
        *output = stream;
        return eSuccess;
    }, 0};
    std::string first = file.substr(0, 1200);
    session.OpenOutputCallback.user = reinterpret_cast<uintptr_t>(&first);
    ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/package.pnu"), gCString(u"/tmp"), gCString(u"package.pnu"), 1200),
        eSuccess);
    ASSERT_TRUE(session.RunToEnd());
    EXPECT_NE(session.headers.find("CONTENT-RANGE=bytes 1200-4999/5000"), std::string::npos) << session.headers;
    EXPECT_EQ(session.totalLength, 5000u);
    EXPECT_EQ(session.complete, 1u);
    EXPECT_EQ(session.finishedCalls, 1);
    EXPECT_TRUE(captured == file);
}

TEST_F(HTTPClientNginx, LargeBodyArrivesIntact)
{
    std::string file = Pattern(10 * 1024 * 1024, 3);
    server.Serve("large.bin", file);
    ClientProbe session;
    ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/large.bin"), gCString(u""), gCString(u""), 0), eSuccess);
    ASSERT_TRUE(session.RunToEnd());
    EXPECT_EQ(session.complete, 1u);
    EXPECT_EQ(session.bodyBuffer.GetSize(), file.size());
    EXPECT_TRUE(session.Body() == file);
}

// The update session's request: HTTP/1.0, the absolute address as the target, no user agent on
// the first request, and the end of the reply taken from the close.
TEST_F(HTTPClientNginx, UpdateCheckRequestFormIsAccepted)
{
    ClientProbe session;
    static std::string request;
    session.RequestComposedCallback = [](CHTTPSession*, const gCString& text) {
        request = Utf8(text);
        return eSuccess;
    };
    (void)session.httpVersion.Assign(u"1.0");
    session.finishOnClose = 1;
    std::string host = "127.0.0.1:" + std::to_string(server.Port());
    std::string target = "http://" + host
        + "/PNU/getupdate_v3.php?&lang=en&version=2.0.1&buildtype=OSX&protocol=4&buildstring=200&platform=OSX";
    ASSERT_EQ(session.RequestURL(1, gCString(host.c_str()), gCString(target.c_str()), gCString(u""), gCString(u""), 0), eSuccess);
    EXPECT_EQ(request, "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent:\r\nConnection: close\r\nAccept-Encoding:\r\n\r\n");
    ASSERT_TRUE(session.RunToEnd());
    EXPECT_EQ(session.state, uint32_t(eSocketClosed));
    EXPECT_EQ(session.Body(), "no update\n");
    EXPECT_TRUE(session.contentType == "text/html");
    EXPECT_NE(session.headers.find("PNU-FAILTYPE=2\n"), std::string::npos) << session.headers;
    EXPECT_NE(session.headers.find("PNU-FAILREASON=You are up to date.\n"), std::string::npos);
    EXPECT_EQ(session.finishedCalls, 1);
    EXPECT_EQ(session.complete, 1u);
}

// Downloads into a named file: a new download writes the file afresh; a resumed one (a range
// asked for and answered 206) appends to the bytes already there instead of cutting the file.
TEST_F(HTTPClientNginx, DownloadToAFileStartsAfreshOrAppendsWhenResumed)
{
    std::string file = Pattern(70000, 4);
    server.Serve("update.pnu", file);
    TempFolder folder;
    std::string target = folder / "update.pnu";
    struct sCase {
        std::string before;
        uint32_t rangeStart;
    };
    const sCase cases[] = {
        {std::string(100000, 'z'), 0}, // longer than the download: it must be cut
        {file.substr(0, 30000), 30000},
    };
    for (const sCase& entry : cases) {
        folder.WriteFile("update.pnu", entry.before);
        ClientProbe session;
        gCString folderText(folder.Path().substr(0, folder.Path().size() - 1).c_str());
        ASSERT_EQ(session.RequestURL(1, Address(server), gCString(u"/update.pnu"), folderText, gCString(u"update.pnu"),
                      entry.rangeStart), eSuccess);
        ASSERT_TRUE(session.RunToEnd());
        EXPECT_EQ(session.complete, 1u) << entry.rangeStart;
        EXPECT_EQ(session.bytesTransferred, file.size());
        EXPECT_TRUE(TempFolder::ReadFile(target) == file) << entry.rangeStart;
    }
}
