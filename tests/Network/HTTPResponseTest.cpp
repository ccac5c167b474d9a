// The client's reading of responses, fed without a network: every reply whole, one byte at a time
// and split at random points must give the same result.
#include "Network/CHTTPSession.h"
#include "Network/HTTPLimits.h"

#include "platform/AlertPresenter.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <string>
#include <vector>

namespace {

struct sOutcome {
    std::string body;
    int finishedCalls = 0;
    uint32_t complete = 9;
    int failedCalls = 0;
    int sendFailedCalls = 0;
    uint32_t state = 0;
    bool finishedBeforeClose = false;
    eHTTPFailure failure = eHTTPFailure::kNone;

    bool operator==(const sOutcome& other) const
    {
        return body == other.body && finishedCalls == other.finishedCalls && complete == other.complete
            && failedCalls == other.failedCalls && sendFailedCalls == other.sendFailedCalls
            && state == other.state && finishedBeforeClose == other.finishedBeforeClose
            && failure == other.failure;
    }
};

std::ostream& operator<<(std::ostream& out, const sOutcome& outcome)
{
    return out << "{body \"" << outcome.body.substr(0, 40) << "\" finished " << outcome.finishedCalls << " complete "
               << outcome.complete << " failed " << outcome.failedCalls << " sendFailed " << outcome.sendFailedCalls
               << " state " << outcome.state << " early " << outcome.finishedBeforeClose << " failure "
               << uint32_t(outcome.failure) << "}";
}

// Bodies in the table are kept below this; the limit cases pass it.
constexpr uint64_t kBodyLimit = 64;

// The table's header limit, shortened so that a long header is quick to send a byte at a time.
constexpr uint32_t kHeaderLimit = 4096;

class ScopedHeaderLimit {
public:
    ScopedHeaderLimit() : mSaved(GetHTTPLimits()) { GetHTTPLimits().maxHeaderBytes = kHeaderLimit; }
    ~ScopedHeaderLimit() { GetHTTPLimits() = mSaved; }

private:
    sHTTPLimits mSaved;
};

// A client session as RequestURL leaves it, with its outcome recorded.
class ProbeSession : public CHTTPSession {
public:
    explicit ProbeSession(uint32_t closeFinishes)
    {
        InstallSocketCallbacks();
        clientMode = 1;
        finishOnClose = closeFinishes;
        bodyLimit = kBodyLimit;
        uintptr_t self = reinterpret_cast<uintptr_t>(this);
        DownloadFinishedCallback = {[](CHTTPSession*, const gCString&, const gCString&, uint32_t complete, uint32_t,
                                        uintptr_t user) {
            auto* probe = reinterpret_cast<ProbeSession*>(user);
            probe->outcome.finishedCalls++;
            probe->outcome.complete = complete;
            return eSuccess;
        }, self};
        FailedCallback = {[](CHTTPSession*, uintptr_t user) {
            reinterpret_cast<ProbeSession*>(user)->outcome.failedCalls++;
            return eSuccess;
        }, self};
        SendFailedCallback = {[](CHTTPSession*, uintptr_t user) {
            reinterpret_cast<ProbeSession*>(user)->outcome.sendFailedCalls++;
            return eSuccess;
        }, self};
    }

    // The peer's orderly close, as the socket layer reports it.
    void PeerCloses()
    {
        outcome.finishedBeforeClose = finished != 0;
        RecordEvent(kEventOrderlyRelease, 0);
        (void)Poll();
    }

    sOutcome Result()
    {
        outcome.body.assign(reinterpret_cast<const char*>(bodyBuffer.GetData()), size_t(bodyBuffer.GetSize()));
        outcome.state = state;
        outcome.failure = failure;
        return outcome;
    }

    sOutcome outcome;
};

sOutcome Feed(const std::string& reply, const std::vector<size_t>& pieces, uint32_t finishOnClose, bool close)
{
    ProbeSession session(finishOnClose);
    size_t offset = 0;
    for (size_t piece : pieces) {
        (void)session.TakeReceivedBytes(reply.data() + offset, uint32_t(piece));
        offset += piece;
    }
    if (close)
        session.PeerCloses();
    return session.Result();
}

struct sCase {
    const char* name;
    std::string reply;
    uint32_t finishOnClose;
    sOutcome expected;
};

std::vector<sCase> Cases()
{
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunkedHeader = ok + "Transfer-Encoding: chunked\r\n\r\n";
    std::string headerFlood = ok;
    for (int i = 0; i < 300; ++i)
        headerFlood += "X-" + std::to_string(i) + ": y\r\n";
    const std::string longHeader = ok + "X-Long: " + std::string(kHeaderLimit, 'a') + "\r\n\r\n";
    const std::string pastLimit(kBodyLimit + 6, 'b');
    using enum eHTTPFailure;
    // body, finished calls, complete, failed, send failed, final state, finished before the close, failure
    return {
        {"length", ok + "Content-Length: 5\r\n\r\nhello", 0, {"hello", 1, 1, 0, 0, 4, true}},
        {"bytes after the length are ignored", ok + "Content-Length: 5\r\n\r\nhelloEXTRA", 0, {"hello", 1, 1, 0, 0, 4, true}},
        {"lower-case name, blanks", ok + "content-length :  5 \r\nServer: x\r\n\r\nhello", 0, {"hello", 1, 1, 0, 0, 4, true}},
        {"no length ends at close", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + std::string("abc\0def", 7), 0, {std::string("abc\0def", 7), 1, 1, 0, 0, 4, false}},
        {"length zero finishes at once", ok + "Content-Length: 0\r\n\r\n", 0, {"", 1, 1, 0, 0, 4, true}},
        {"chunked", chunkedHeader + "5\r\nhello\r\n6;x=1\r\n world\r\n0\r\n\r\n", 0, {"hello world", 1, 1, 0, 0, 4, true}},
        {"chunked upper-case hex and trailer", ok + "transfer-encoding: Chunked\r\n\r\nA\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\n", 0, {"0123456789", 1, 1, 0, 0, 4, true}},
        {"chunked cut off by the close", chunkedHeader + "5\r\nhello\r\n8\r\nwor", 0, {"hellowor", 1, 0, 0, 1, 5, false}},
        {"chunk size that would wrap", chunkedHeader + "FFFFFFFF\r\nabc", 0, {"", 0, 9, 0, 1, 5, true, kBadChunk}},
        {"chunk without its line end", chunkedHeader + "3\r\nabcXY0\r\n\r\n", 0, {"", 0, 9, 0, 1, 5, true, kBadChunk}},
        {"chunk size without digits", chunkedHeader + "zz\r\nabc\r\n", 0, {"", 0, 9, 0, 1, 5, true, kBadChunk}},
        {"gzip, chunked is not chunked", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n3\r\nabc", 0, {"3\r\nabc", 1, 1, 0, 0, 4, false}},
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", 0, {"", 0, 9, 1, 0, 5, true, kRefusedStatus}},
        {"redirect", "HTTP/1.1 301 Moved\r\nLocation: /x\r\n\r\n", 0, {"", 0, 9, 1, 0, 5, true, kRefusedStatus}},
        {"partial content", "HTTP/1.1 206 Partial Content\r\nContent-Length: 3\r\nContent-Range: bytes 0-2/3\r\n\r\nabc", 0, {"abc", 1, 1, 0, 0, 4, true}},
        {"not HTTP", "FTP 200 OK\r\nContent-Length: 1\r\n\r\nx", 0, {"", 0, 9, 1, 0, 2, true, kNoHTTPStatus}},
        {"status of zero bytes", std::string(12, '\0') + "\r\n\r\n", 0, {"", 0, 9, 1, 0, 2, true, kNoHTTPStatus}},
        {"status without code", "HTTP/1.1\r\n\r\n", 0, {"", 0, 9, 1, 0, 5, true, kRefusedStatus}},
        {"short body", ok + "Content-Length: 10\r\n\r\nabc", 0, {"abc", 1, 0, 0, 1, 5, false}},
        {"closed before the header", ok + "Content-Le", 0, {"", 0, 9, 1, 0, 2, false, kClosedBeforeReply}},
        {"closed before anything", "", 0, {"", 0, 9, 1, 0, 2, false, kClosedBeforeReply}},
        {"too many header lines", headerFlood, 0, {"", 0, 9, 1, 0, 2, true, kHeaderTooLarge}},
        {"header too long", longHeader, 0, {"", 0, 9, 1, 0, 2, true, kHeaderTooLarge}},
        {"stated length above the limit", ok + "Content-Length: 65\r\n\r\nabc", 1, {"", 0, 9, 1, 0, 5, true, kLengthTooLarge}},
        {"body without length passes the limit", "HTTP/1.0 200 OK\r\n\r\n" + pastLimit, 1, {"", 0, 9, 0, 1, 5, true, kBodyTooLarge}},
        {"huge chunk passes the limit", chunkedHeader + "7FFFFFF0\r\n" + pastLimit, 1, {"", 0, 9, 0, 1, 5, true, kBodyTooLarge}},
        {"finish on close", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 1, {"hello", 1, 1, 0, 0, 4, false}},
        {"finish on close, short", ok + "Content-Length: 10\r\n\r\nabc", 1, {"abc", 1, 0, 0, 0, 4, false}},
        {"finish on close, chunked", chunkedHeader + "3\r\nabc\r\n0\r\n\r\n", 1, {"abc", 1, 1, 0, 0, 4, false}},
    };
}

} // namespace

TEST(HTTPResponse, RepliesGiveTheSameOutcomeHoweverTheyAreSplit)
{
    ScopedHeaderLimit limit;
    std::mt19937 random(20261207);
    for (const sCase& entry : Cases()) {
        const std::string& reply = entry.reply;
        sOutcome whole = Feed(reply, {reply.size()}, entry.finishOnClose, true);
        EXPECT_EQ(whole, entry.expected) << entry.name;

        std::vector<size_t> bytes(reply.size(), 1);
        EXPECT_EQ(Feed(reply, bytes, entry.finishOnClose, true), entry.expected) << entry.name << " (byte by byte)";

        for (int round = 0; round < 20; ++round) {
            std::vector<size_t> pieces;
            size_t left = reply.size();
            while (left > 0) {
                size_t piece = std::min<size_t>(left, 1 + random() % 12);
                pieces.push_back(piece);
                left -= piece;
            }
            EXPECT_EQ(Feed(reply, pieces, entry.finishOnClose, true), entry.expected) << entry.name << " (random split)";
        }
    }
}

// A header and the first body bytes in one read: the body bytes reach the output first.
TEST(HTTPResponse, BodyBytesOfTheHeaderReadAreWrittenBeforeTheHeadersCallback)
{
    ProbeSession session(1);
    static uint64_t bodyAtHeaders;
    bodyAtHeaders = 99;
    session.HeadersReceivedCallback = {[](tHTTPHeaderArrays& names, tHTTPHeaderArrays&, uintptr_t user) {
        bodyAtHeaders = reinterpret_cast<ProbeSession*>(user)->bodyBuffer.GetSize();
        EXPECT_TRUE(names[0] == "CONTENT-TYPE");
        return eSuccess;
    }, reinterpret_cast<uintptr_t>(&session)};
    std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 4\r\n\r\nabcd";
    EXPECT_EQ(session.TakeReceivedBytes(reply.data(), uint32_t(reply.size())), eSuccess);
    EXPECT_EQ(bodyAtHeaders, 4u);
    EXPECT_TRUE(session.contentType == "application/octet-stream");
    EXPECT_EQ(session.totalLength, 4u);
}

// A resumed download counts the bytes already held, so progress starts there and the finish test
// compares against the whole file.
TEST(HTTPResponse, ResumedDownloadCountsTheBytesAlreadyHeld)
{
    ProbeSession session(0);
    session.bodyLimit = 0;
    (void)session.SetDownloadFileName(gCString(u"pkg.pnu"));
    static std::vector<uint32_t> progress;
    progress.clear();
    session.OpenOutputCallback = {[](CHTTPSession*, const gCString&, const gCString& name, uint32_t totalLow, uint32_t,
                                      gCStream** output, uintptr_t) {
        EXPECT_TRUE(name == "pkg.pnu");
        EXPECT_EQ(totalLow, 1000u);
        auto* held = new gCMemFile;
        std::string first(500, 'a');
        (void)held->Write(first.data(), 500);
        *output = held;
        return eSuccess;
    }, 0};
    session.ProgressCallback = {[](CHTTPSession*, uint32_t permille, uintptr_t) {
        progress.push_back(permille);
        return eSuccess;
    }, 0};
    std::string reply = "HTTP/1.1 206 Partial Content\r\nContent-Length: 500\r\nContent-Range: bytes 500-999/1000\r\n\r\n";
    reply += std::string(250, 'b');
    EXPECT_EQ(session.TakeReceivedBytes(reply.data(), uint32_t(reply.size())), eSuccess);
    std::string rest(250, 'c');
    EXPECT_EQ(session.TakeReceivedBytes(rest.data(), 250), eSuccess);
    EXPECT_EQ(progress, (std::vector<uint32_t>{750, 1000}));
    EXPECT_EQ(session.outcome.finishedCalls, 1);
    EXPECT_EQ(session.outcome.complete, 1u);
    EXPECT_EQ(session.rangeStart, 500u);
    EXPECT_EQ(session.rangeEnd, 999u);
}

TEST(HTTPResponse, ProgressIsReportedOnlyWhenTheThousandthsChange)
{
    ProbeSession session(1);
    session.bodyLimit = 0;
    static std::vector<uint32_t> progress;
    progress.clear();
    session.ProgressCallback = {[](CHTTPSession*, uint32_t permille, uintptr_t) {
        progress.push_back(permille);
        return eSuccess;
    }, 0};
    std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n";
    EXPECT_EQ(session.TakeReceivedBytes(header.data(), uint32_t(header.size())), eSuccess);
    std::string piece(3, 'x');
    for (int i = 0; i < 3334; ++i)
        (void)session.TakeReceivedBytes(piece.data(), i == 3333 ? 1 : 3);
    ASSERT_FALSE(progress.empty());
    for (size_t i = 1; i < progress.size(); ++i)
        EXPECT_GT(progress[i], progress[i - 1]);
    EXPECT_EQ(progress.back(), 1000u);
}

// The same replies from a scripted peer on loopback: sent whole, or written a byte at a time and
// in random pieces, then the peer closes.
TEST(HTTPResponse, RepliesFromAScriptedPeerGiveTheSameOutcome)
{
    ScopedHeaderLimit limit;
    for (const sCase& entry : Cases()) {
        for (int mode = 0; mode < 3; ++mode) {
            const std::string& reply = entry.reply;
            LoopbackPeer peer([&](int fd) {
                LoopbackPeer::ReceiveUntil(fd, "\r\n\r\n");
                int on = 1;
                setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                std::mt19937 random(uint32_t(reply.size()));
                for (size_t offset = 0; offset < reply.size();) {
                    size_t piece = mode == 0 ? reply.size() : mode == 1 ? 1 : 1 + random() % 9;
                    piece = std::min(piece, reply.size() - offset);
                    LoopbackPeer::SendAll(fd, reply.data() + offset, piece);
                    offset += piece;
                    if (mode != 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(50));
                }
            });
            ProbeSession session(entry.finishOnClose);
            gCString host(("127.0.0.1:" + std::to_string(peer.Port())).c_str());
            ASSERT_EQ(session.RequestURL(1, host, gCString(u"/"), gCString(u""), gCString(u""), 0), eSuccess);
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!(session.finished && session.state != eSocketConnected && session.state != eSocketConnecting)
                && std::chrono::steady_clock::now() < deadline) {
                (void)session.Poll();
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
            // Let the close arrive when the session finished before it (the peer always closes).
            while (session.endpoint.GetPhase() == plat::NetEndpoint::ePhase::kConnected
                   && std::chrono::steady_clock::now() < deadline) {
                (void)session.Poll();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sOutcome outcome = session.Result();
            outcome.finishedBeforeClose = entry.expected.finishedBeforeClose;
            EXPECT_EQ(outcome, entry.expected) << entry.name << " (mode " << mode << ")";
        }
    }
}

// A state callback that fails is reported to the user; the state is kept.
TEST(HTTPResponse, FailingStateCallbackIsReportedAndTheStateKept)
{
    plat::RecordingAlertPresenter alerts;
    plat::SetAlertPresenter(&alerts);
    ProbeSession session(0);
    session.StateCallback = [](CHTTPSession*) { return eGenericFailure; };
    session.ChangeState(eSocketClosed);
    plat::SetAlertPresenter(nullptr);
    EXPECT_EQ(session.state, uint32_t(eSocketClosed));
    ASSERT_EQ(alerts.GetAlerts().size(), 1u);
    EXPECT_EQ(alerts.GetAlerts()[0].title, "Error.");
    EXPECT_NE(alerts.GetAlerts()[0].text.find("HTTP session failed state change callback - CHTTPSession::ChangeState"),
        std::string::npos);
}
