// The update check against hostile servers: for every reply form the window names what happened
// within its time, the heartbeat never stops for long, memory stays bounded, and the check can be
// started again. The waits, the floor's window and the body limit are shortened; the forms are the
// real ones.
#include "updater/UpdaterTestSupport.h"

#include "Network/HTTPLimits.h"
#include "updater/transfer/CPNUHTTPSession.h"
#include "updater/window/PNUMainButton.h"
#include "updater/PNUMessages.h"

#include <algorithm>
#include <ctime>
#include <iostream>

namespace {

constexpr uint64_t kIdleTimeout = 1000000;
constexpr uint64_t kFloorWindow = 2000000;
constexpr uint64_t kBodyLimit = 8000000;
// Beyond the body limit, the resident memory a check may add (buffers, the sanitizers' quarantine).
constexpr int64_t kResidentAllowance = 3 * int64_t(kBodyLimit) + (40 << 20);

class HostileServer {
public:
    explicit HostileServer(const std::string& form)
    {
        std::string script = std::string(PNU_SOURCE_DIR) + "/tests/support/hostile_server.py";
        std::string portFile = mFolder / "port";
        std::vector<std::string> arguments = {"python3", "-B", script, "--form", form, "--port-file", portFile,
                                              "--interval", "0.1"};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&mPid, "python3", nullptr, nullptr, argv.data(), environ) != 0)
            mPid = -1;
        // A busy machine can take seconds to start Python; only a server that never writes its port
        // waits out the minute.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (mPid > 0 && mPort == 0 && std::chrono::steady_clock::now() < end) {
            std::ifstream in(portFile);
            if (!(in >> mPort))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~HostileServer()
    {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            int status = 0;
            waitpid(mPid, &status, 0);
        }
    }
    int Port() const { return mPort; }

private:
    DemoFolder mFolder;
    pid_t mPid = -1;
    int mPort = 0;
};

double ThreadProcessorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

int64_t ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0;
    int64_t resident = 0;
    statm >> pages >> resident;
    return resident * int64_t(sysconf(_SC_PAGESIZE));
}

struct sCheckRun {
    std::vector<sShownLine> lines;  // the lines after "Looking up server..."
    double redLineSeconds = -1;     // when the first red line appeared
    double longestGapSeconds = 0;   // the longest heartbeat
    double longestWorkSeconds = 0;  // the most processor time one heartbeat took
    int64_t residentGrowth = 0;
};

struct sHostileCase {
    const char* form;
    std::vector<sShownLine> lines;
    double withinSeconds;
    int32_t kind = CPintrelUpdaterBackdrop::kMessageCheck;
};

class HostileFlow : public UpdaterTest {
protected:
    void SetUp() override
    {
        UpdaterTest::SetUp();
        mSaved = GetHTTPLimits();
        GetHTTPLimits().idleTimeoutMicroseconds = kIdleTimeout;
        GetHTTPLimits().floorWindowMicroseconds = kFloorWindow;
    }
    void TearDown() override
    {
        GetHTTPLimits() = mSaved;
        UpdaterTest::TearDown();
    }

    // Presses the check and heartbeats until a red line has come and the message panel is offered
    // again (the end of every form), or the deadline passes.
    sCheckRun Check(CPintrelUpdaterApp& app, double deadlineSeconds)
    {
        using clock = std::chrono::steady_clock;
        CPintrelUpdaterBackdrop* backdrop = app.GetBackdrop();
        size_t before = Shown(*backdrop).size();
        sCheckRun run;
        EXPECT_EQ(BuildUpdateCheckRequest(backdrop), eSuccess);
        if (CPNUHTTPSession* session = app.GetTransferManager()->GetCurrentSession())
            session->bodyLimit = kBodyLimit;
        const int64_t baseline = ResidentBytes();
        const auto start = clock::now();
        const auto stop = start + std::chrono::duration<double>(deadlineSeconds);
        for (int beat = 0; clock::now() < stop; ++beat) {
            // Only the heartbeat itself holds the program's loop; the test's own sleep between
            // two beats (which a busy machine stretches) is not counted.
            const auto beatStart = clock::now();
            const double workStart = ThreadProcessorSeconds();
            (void)app.HeartbeatHook();
            run.longestWorkSeconds = std::max(run.longestWorkSeconds, ThreadProcessorSeconds() - workStart);
            auto now = clock::now();
            run.longestGapSeconds =
                std::max(run.longestGapSeconds, std::chrono::duration<double>(now - beatStart).count());
            if (beat % 8 == 0)
                run.residentGrowth = std::max(run.residentGrowth, ResidentBytes() - baseline);
            if (run.redLineSeconds < 0) {
                std::vector<sShownLine> shown = Shown(*backdrop);
                if (std::any_of(shown.begin() + std::ptrdiff_t(before), shown.end(),
                                [](const sShownLine& line) { return line.colour == kStatusRed; }))
                    run.redLineSeconds = std::chrono::duration<double>(now - start).count();
            }
            if (run.redLineSeconds >= 0 && backdrop->IsMessageActive())
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::vector<sShownLine> shown = Shown(*backdrop);
        // "Checking for updates..." and "Looking up server..." come first.
        if (shown.size() >= before + 2)
            run.lines.assign(shown.begin() + std::ptrdiff_t(before + 2), shown.end());
        return run;
    }

    // Every form against a fresh updater: the lines, their time, the heartbeat and the memory, and a
    // second press that shows the check can be started again.
    void RunCases(const std::vector<sHostileCase>& cases, const std::string& language = "English")
    {
        for (const sHostileCase& c : cases) {
            SCOPED_TRACE(c.form);
            HostileServer server(c.form);
            ASSERT_GT(server.Port(), 0);
            WriteTestMode("127.0.0.1:" + std::to_string(server.Port()));
            WriteSettings(language);
            {
                CPintrelUpdaterApp app;
                ASSERT_EQ(Start(app, gCString("")), eSuccess);
                for (int press = 0; press < 2; ++press) {
                    SCOPED_TRACE(press);
                    sCheckRun run = Check(app, c.withinSeconds + 2.0);
                    EXPECT_EQ(run.lines, c.lines);
                    EXPECT_GE(run.redLineSeconds, 0.0);
                    EXPECT_LE(run.redLineSeconds, c.withinSeconds);
                    // Working through more than it should in one heartbeat shows in its processor
                    // time; waiting on the peer shows in its length, which a busy machine (and the
                    // log the heartbeat writes to a busy disk) stretches by a fraction of a second,
                    // not by seconds.
                    EXPECT_LT(run.longestWorkSeconds, 1.0);
                    EXPECT_LT(run.longestGapSeconds, 10.0);
                    EXPECT_LT(run.residentGrowth, kResidentAllowance);
                    EXPECT_EQ(app.GetBackdrop()->IsMessageActive(), 1u);
                    EXPECT_EQ(app.GetBackdrop()->GetMessageKind(), c.kind);
                    std::cout << "[figures] " << c.form << ": red line after " << run.redLineSeconds
                              << " s, longest heartbeat " << run.longestGapSeconds * 1000.0 << " ms ("
                              << run.longestWorkSeconds * 1000.0 << " ms working), resident growth " << run.residentGrowth / 1048576.0 << " MB\n";
                }
                EXPECT_TRUE(Alerts().empty());
            }
            TearDown();
            SetUp();
        }
    }

    sHTTPLimits mSaved;
};

const sShownLine kFound{"Server location found, now attempting to contact server.", kStatusBlack};
const sShownLine kResponse{"Received response from server, download is ready to begin.", kStatusBlack};

sShownLine Red(const std::string& text) { return {text + " Please try again later!", kStatusRed}; }

// Far below the program's own waits of a minute, which a form answered by the wrong limit (or by
// none) would take, and far above what a loaded machine under the sanitizers needs.
const double kQuick = 20.0;
const double kAfterTimeout = 1.0 + kQuick;
const double kAfterFloor = 2.0 + kQuick;

} // namespace

TEST_F(HostileFlow, BodiesPastTheLimitAndRepliesThatStallAreStopped)
{
    const std::string limit = std::to_string(kBodyLimit);
    const sShownLine passed{"The download passed " + limit + " bytes, more than an update can hold, and was stopped.",
                            kStatusRed};
    const sShownLine idle = Red("The server sent nothing for 1 second, so the transfer was stopped.");
    RunCases({
        {"endless", {kFound, kResponse, passed}, kQuick},
        {"hugelength",
         {kFound, {"The server announced 1000000000000 bytes, more than an update can hold (" + limit + " bytes).",
                   kStatusRed}},
         kQuick},
        {"chunkhuge", {kFound, kResponse, passed}, kQuick},
        {"silent", {kFound, idle}, kAfterTimeout},
        {"slowheader",
         {kFound, Red("The server's reply header did not arrive within 1 second, so the transfer was stopped.")},
         kAfterTimeout},
        {"stallbody", {kFound, kResponse, idle}, kAfterTimeout},
        {"trickle", {kFound, kResponse, Red("The server sent less than 2 KB in 2 seconds, so the transfer was stopped.")},
         kAfterFloor},
    });
}

TEST_F(HostileFlow, BrokenAndRefusingRepliesAreNamed)
{
    const sShownLine notHTTP = Red("The server's reply is not an HTTP reply.");
    RunCases({
        {"garbage", {kFound, notHTTP}, kQuick},
        {"garbageclose", {kFound, notHTTP}, kQuick},
        {"nulstatus", {kFound, notHTTP}, kQuick},
        {"headerclose", {kFound, Red("The server closed the connection before replying.")}, kQuick},
        {"flood", {kFound, Red("The server's reply header is too large.")}, kQuick},
        {"redirect", {kFound, Red("The server answered \"302 Found\" instead of sending the update.")}, kQuick},
        // A chunked body without its last chunk is a broken download, not a package.
        {"chunkcut",
         {kFound, kResponse, {"-- An error occurred during the download: --", kStatusRed},
          {"\"Connection failed during download.\"", kStatusLightRed}, {"Download Failed!", kStatusRed}},
         kQuick},
        // A server's text is cut before it is shown and logged.
        {"longreason",
         {kFound, kResponse, {"-- An error occurred when trying to start the download: --", kStatusRed},
          {std::string(300, 'R') + "...", kStatusRed}, {"Download couldn't be started!", kStatusRed}},
         kQuick},
        {"longlocation",
         {kFound, kResponse, {"-- An error occurred when trying to start the download: --", kStatusRed},
          {"By hand.", kStatusRed}, {"Download couldn't be started!", kStatusRed},
          {"The update can be downloaded from " + ("http://127.0.0.1/" + std::string(283, 'L')) + "... "
               + "(click the message to open the page).", kStatusBlack}},
         kQuick, CPintrelUpdaterBackdrop::kMessageURL},
    });
}

TEST_F(HostileFlow, AGermanProductNamesEachFailureInGermanWithItsValues)
{
    const sShownLine found{"Server gefunden, Verbindung wird aufgebaut.", kStatusBlack};
    const sShownLine response{"Antwort vom Server erhalten, der Download kann beginnen.", kStatusBlack};
    const std::string later = " Bitte versuchen Sie es später erneut!";
    const std::string limit = std::to_string(kBodyLimit);
    RunCases(
        {
            {"redirect",
             {found, {"Der Server hat mit \u201E302 Found\u201C geantwortet, statt das Update zu senden." + later,
                      kStatusRed}},
             kQuick},
            {"hugelength",
             {found, {"Der Server hat 1000000000000 Bytes angekündigt, mehr als ein Update umfassen kann (" + limit
                          + " Bytes).",
                      kStatusRed}},
             kQuick},
            {"endless",
             {found, response,
              {"Der Download hat " + limit + " Bytes überschritten, mehr als ein Update umfassen kann, und wurde "
                                             "angehalten.",
               kStatusRed}},
             kQuick},
            {"silent",
             {found,
              {"Der Server hat 1 Sekunde lang nichts gesendet, daher wurde die Übertragung angehalten." + later,
               kStatusRed}},
             kAfterTimeout},
            {"trickle",
             {found, response,
              {"Der Server hat weniger als 2 KB in 2 Sekunden gesendet, daher wurde die Übertragung angehalten." + later,
               kStatusRed}},
             kAfterFloor},
        },
        "Deutsch");
}
