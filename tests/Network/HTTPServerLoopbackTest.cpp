// The server answering real clients on loopback: curl, and the toolkit's own client.
#include "Network/CHTTPSession.h"

#include "support/HTTPTestServer.h"
#include "support/LoopbackPeer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    uint32_t value = 7;
    for (size_t i = 0; i < size; ++i) {
        value = value * 1664525 + 1013904223;
        bytes[i] = char(value >> 24);
    }
    return bytes;
}


struct sCurlResult {
    int exitCode = -1;
    std::string body;
    std::string headers;
};

// Runs curl against the server while polling it, as the heartbeat would.
sCurlResult RunCurl(HTTPTestServer& server, const std::vector<std::string>& options, const std::string& path)
{
    TempFolder folder;
    std::string bodyPath = folder / "body";
    std::string headerPath = folder / "headers";
    std::vector<std::string> arguments = {"curl", "-sS", "--max-time", "120", "-o", bodyPath, "-D", headerPath};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("http://127.0.0.1:" + std::to_string(server.port) + path);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    sCurlResult result;
    pid_t pid;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return result;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        server.Poll();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.body = TempFolder::ReadFile(bodyPath);
    result.headers = TempFolder::ReadFile(headerPath);
    return result;
}

} // namespace

TEST(HTTPServerLoopback, CurlGetsTheFileByteForByte)
{
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    server.files["package.bin"] = Pattern(300000);
    server.files["a b.txt"] = "spaced name\n";

    sCurlResult whole = RunCurl(server, {}, "/package.bin");
    EXPECT_EQ(whole.exitCode, 0) << whole.headers;
    EXPECT_TRUE(whole.body == server.files["package.bin"]);
    EXPECT_EQ(whole.headers.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << whole.headers;
    EXPECT_NE(whole.headers.find("Server: Marten HTTP\r\n"), std::string::npos);
    EXPECT_NE(whole.headers.find("Content-length: 300000\r\n"), std::string::npos);

    sCurlResult escaped = RunCurl(server, {}, "/a%20b.txt");
    EXPECT_EQ(escaped.exitCode, 0);
    EXPECT_EQ(escaped.body, "spaced name\n");
    EXPECT_NE(escaped.headers.find("Content-type: text/html\r\n"), std::string::npos);

    // The form a proxy is sent: the target carries the scheme and authority.
    std::string absolute = "http://127.0.0.1:" + std::to_string(server.port) + "/a%20b.txt";
    sCurlResult proxied = RunCurl(server, {"--request-target", absolute}, "/");
    EXPECT_EQ(proxied.exitCode, 0);
    EXPECT_EQ(proxied.body, "spaced name\n") << proxied.headers;
}

TEST(HTTPServerLoopback, CurlRangesAreInclusiveAndExact)
{
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    std::string file = Pattern(100000);
    server.files["data.bin"] = file;
    struct sCase {
        const char* range;
        size_t first;
        size_t count;
        const char* contentRange;
    };
    const sCase cases[] = {
        {"100-199", 100, 100, "bytes 100-199/100000"},
        {"99000-", 99000, 1000, "bytes 99000-99999/100000"},
        {"-500", 99500, 500, "bytes 99500-99999/100000"},
    };
    for (const sCase& entry : cases) {
        sCurlResult result = RunCurl(server, {"-r", entry.range}, "/data.bin");
        EXPECT_EQ(result.exitCode, 0) << entry.range;
        EXPECT_EQ(result.headers.rfind("HTTP/1.0 206 Partial Content\r\n", 0), 0u) << result.headers;
        EXPECT_NE(result.headers.find(std::string("Content-Range: ") + entry.contentRange + "\r\n"), std::string::npos)
            << result.headers;
        EXPECT_TRUE(result.body == file.substr(entry.first, entry.count)) << entry.range;
    }
}

TEST(HTTPServerLoopback, CurlGetsNotFoundForAnUnservedName)
{
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    sCurlResult result = RunCurl(server, {}, "/nothing-here.bin");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.headers.rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u) << result.headers;
    EXPECT_EQ(result.body, "");
}

// The toolkit's client against its own server: a plain session finishes by count, an update
// session (HTTP/1.0, finishing on close) finishes because the server closes after the reply.
TEST(HTTPServerLoopback, ToolkitClientDownloadsFromToolkitServer)
{
    HTTPTestServer server;
    ASSERT_TRUE(server.listening);
    server.files["pkg.pnu"] = Pattern(250000);
    for (uint32_t finishOnClose : {0u, 1u}) {
        CHTTPSession client;
        static int finishedCalls;
        static uint32_t complete;
        finishedCalls = 0;
        complete = 9;
        client.DownloadFinishedCallback = {[](CHTTPSession*, const gCString&, const gCString&, uint32_t done, uint32_t,
                                               uintptr_t) {
            ++finishedCalls;
            complete = done;
            return eSuccess;
        }, 0};
        client.finishOnClose = finishOnClose;
        if (finishOnClose)
            (void)client.httpVersion.Assign(u"1.0");
        gCString host(("127.0.0.1:" + std::to_string(server.port)).c_str());
        ASSERT_EQ(client.RequestURL(1, host, gCString(u"/pkg.pnu"), gCString(u""), gCString(u""), 0), eSuccess);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!(client.finished && client.state == eSocketClosed) && std::chrono::steady_clock::now() < deadline) {
            (void)client.Poll();
            server.Poll();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        EXPECT_EQ(client.state, uint32_t(eSocketClosed)) << finishOnClose;
        EXPECT_EQ(finishedCalls, 1);
        EXPECT_EQ(complete, 1u);
        EXPECT_TRUE(client.contentType == "application/binary");
        std::string body(reinterpret_cast<const char*>(client.bodyBuffer.GetData()), size_t(client.bodyBuffer.GetSize()));
        EXPECT_TRUE(body == server.files["pkg.pnu"]) << finishOnClose;
    }
}
