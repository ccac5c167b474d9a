// The server side: requests read from canned bytes, and the reply bytes it produces.
#include "Network/CHTTPSession.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const size_t kBodySize = 1000;

std::string BodyBytes()
{
    std::string body(kBodySize, '\0');
    for (size_t i = 0; i < kBodySize; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

// A server session on an accepted connection, serving a 1000-byte body for every name but
// "missing", and remembering the name it was asked for.
class ServerProbe : public CHTTPSession {
public:
    ServerProbe()
    {
        InstallSocketCallbacks();
        ServeRequestCallback = {[](const gCString& name, uintptr_t user, CHTTPSession*, gCStream** stream,
                                    uint32_t*, uint32_t* refuse, gCString*) {
            auto* probe = reinterpret_cast<ServerProbe*>(user);
            probe->servedName = Utf8(name);
            probe->serveCalls++;
            if (name == "missing") {
                *refuse = 1;
                return eSuccess;
            }
            auto* body = new gCMemFile;
            std::string bytes = BodyBytes();
            (void)body->Write(bytes.data(), uint32_t(bytes.size()));
            *stream = body;
            return eSuccess;
        }, reinterpret_cast<uintptr_t>(this)};
        (void)RequestAddress(0, 0, 0, gCString(u""), gCString(u""), gCString(u""), 0);
    }

    // Everything the session would put on the wire, block by block, as if each send took it all.
    std::string Drain()
    {
        std::string wire;
        for (int guard = 0; guard < 1000 && sendBuffer.GetSize() > 0; ++guard) {
            wire.append(sendBuffer.GetData(), sendBuffer.GetSize());
            (void)sendBuffer.SetSize(0);
            (void)SendNextBodyBlock();
        }
        return wire;
    }

    std::string servedName = "(none)";
    int serveCalls = 0;
};

struct sCase {
    std::string request;
    const char* name;       // the name handed to the serve callback, "(none)" when not asked
    std::string header;     // the reply header, "" when nothing is sent, "text" for a whole text reply
    size_t bodyFirst;       // the body bytes sent: [bodyFirst, bodyEnd)
    size_t bodyEnd;
};

std::string Header(const char* status, const char* type, size_t length, const char* range = nullptr)
{
    std::string text = std::string(status) + "\r\nServer: Marten HTTP\r\nContent-type: " + type + "\r\nContent-length: "
        + std::to_string(length) + "\r\n";
    if (range)
        text += std::string("Content-Range: bytes ") + range + "\r\n";
    return text + "\r\n";
}

} // namespace

TEST(HTTPServer, RequestsAreAnsweredWithTheRightHeaderAndExactlyTheAnnouncedBytes)
{
    const std::string ok = "HTTP/1.0 200 OK";
    const std::string partial = "HTTP/1.0 206 Partial Content";
    const std::string notFound = "HTTP/1.0 404 Not Found\r\nServer: Marten HTTP\r\nContent-length: 0\r\n\r\n";
    const std::string whole = Header(ok.c_str(), "application/binary", 1000);
    std::string headerFlood = "GET /a HTTP/1.1\r\n";
    for (int i = 0; i < 300; ++i)
        headerFlood += "X: y\r\n";
    headerFlood += "\r\n";
    const sCase cases[] = {
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "", "text", 0, 1000},
        {"GET /index.HTML HTTP/1.0\r\n\r\n", "index.HTML", "text", 0, 1000},
        {"GET /notes.txt HTTP/1.0\r\n\r\n", "notes.txt", "text", 0, 1000},
        {"GET /archive.tar.gz HTTP/1.1\r\n\r\n", "archive.tar.gz", whole, 0, 1000},
        {"GET /noext HTTP/1.1\r\n\r\n", "noext", whole, 0, 1000},
        {"GET /dot. HTTP/1.1\r\n\r\n", "dot.", whole, 0, 1000},
        {"POST / HTTP/1.1\r\n\r\n", "(none)", "", 0, 0},
        {"GET / HTTP/1.1\n\n", "(none)", "", 0, 0},
        {"GET /a.bin HTTP/1.1\r\nRange: bytes=100-200\r\n\r\n", "a.bin",
            Header(partial.c_str(), "application/binary", 101, "100-200/1000"), 100, 201},
        {"GET /a.bin HTTP/1.1\r\nRange: bytes=0-\r\n\r\n", "a.bin", whole, 0, 1000},
        {"GET /a.bin HTTP/1.1\r\nrange: BYTES=900-\r\n\r\n", "a.bin",
            Header(partial.c_str(), "application/binary", 100, "900-999/1000"), 900, 1000},
        {"GET /a.bin HTTP/1.1\r\nRange: bytes=-10\r\n\r\n", "a.bin",
            Header(partial.c_str(), "application/binary", 10, "990-999/1000"), 990, 1000},
        {"GET /a.bin HTTP/1.1\r\nRange: bytes=990-5000\r\n\r\n", "a.bin",
            Header(partial.c_str(), "application/binary", 10, "990-999/1000"), 990, 1000},
        {"GET /a.bin HTTP/1.1\r\nRange: bytes=2000-\r\n\r\n", "a.bin", whole, 0, 1000},
        {"GET /a.bin HTTP/1.1\r\nRange: items=1-2\r\n\r\n", "a.bin", whole, 0, 1000},
        {"GET /docs/a%20b.txt HTTP/1.1\r\n\r\n", "docs/a b.txt", "text", 0, 1000},
        {"GET /%2541%00 HTTP/1.1\r\n\r\n", "%41%00", whole, 0, 1000},
        {"GET /missing HTTP/1.1\r\n\r\n", "missing", notFound, 0, 0},
        // An absolute-form target names the path after its authority.
        {"GET http://host:80/dir/a.bin HTTP/1.0\r\n\r\n", "dir/a.bin", whole, 0, 1000},
        {"GET HTTPS://host/ HTTP/1.1\r\n\r\n", "", "text", 0, 1000},
        {"GET http://host HTTP/1.1\r\n\r\n", "", "text", 0, 1000},
        {"GET http://host/%2e%2e/x.bin HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /only\r\n\r\n", "(none)", "", 0, 0},
        // Names that would leave the served folder are refused before the owner sees them.
        {"GET /..%2f..%2fetc/passwd HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET //etc/passwd HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /%2e%2e/x.bin HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /a/../../b.bin HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /a%5c..%5cb.bin HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /a/.. HTTP/1.1\r\n\r\n", "(none)", notFound, 0, 0},
        {"GET /a..b/...bin HTTP/1.1\r\n\r\n", "a..b/...bin", whole, 0, 1000},
        // A header of more lines than any real request is not answered.
        {headerFlood, "(none)", "", 0, 0},
    };
    const std::string text = Header(ok.c_str(), "text/html", 1000);
    const std::string body = BodyBytes();
    for (const sCase& entry : cases) {
        ServerProbe session;
        std::string request = entry.request;
        (void)session.TakeReceivedBytes(request.data(), uint32_t(request.size()));
        EXPECT_EQ(session.servedName, entry.name) << entry.request;
        std::string expected = (entry.header == "text" ? text : entry.header) + body.substr(entry.bodyFirst, entry.bodyEnd - entry.bodyFirst);
        if (entry.header.empty())
            expected.clear();
        EXPECT_EQ(session.Drain(), expected) << entry.request;
        EXPECT_EQ(session.finished, 1u) << "the connection closes after the reply: " << entry.request;
    }
}

// One request per connection: bytes after it (a second request) are never answered.
TEST(HTTPServer, SecondRequestOnTheConnectionIsNotAnswered)
{
    ServerProbe session;
    std::string first = "GET /a.bin HTTP/1.1\r\n\r\n";
    std::string second = "GET /b.bin HTTP/1.1\r\n\r\n";
    (void)session.TakeReceivedBytes(first.data(), uint32_t(first.size()));
    (void)session.TakeReceivedBytes(second.data(), uint32_t(second.size()));
    (void)session.TakeReceivedBytes((first + second).data(), uint32_t(first.size() + second.size()));
    EXPECT_EQ(session.serveCalls, 1);
    EXPECT_EQ(session.servedName, "a.bin");
    std::string wire = session.Drain();
    EXPECT_EQ(wire.size(), Header("HTTP/1.0 200 OK", "application/binary", 1000).size() + 1000);
}

TEST(HTTPServer, RequestArrivingInPiecesIsAnsweredOnceComplete)
{
    std::string request = "GET /a%2Fb.txt HTTP/1.1\r\nUser-Agent: curl/7.88.1\r\nAccept: */*\r\n\r\n";
    for (size_t split = 1; split < request.size(); ++split) {
        ServerProbe session;
        (void)session.TakeReceivedBytes(request.data(), uint32_t(split));
        EXPECT_EQ(session.serveCalls, 0) << split;
        (void)session.TakeReceivedBytes(request.data() + split, uint32_t(request.size() - split));
        EXPECT_EQ(session.serveCalls, 1) << split;
        EXPECT_EQ(session.servedName, "a/b.txt");
        EXPECT_TRUE(session.userAgent == "curl/7.88.1");
    }
}
