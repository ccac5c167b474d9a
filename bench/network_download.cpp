// Download throughput on loopback: one 200 MB file from nginx, fetched by the toolkit's HTTP
// session (polled back to back, one receive of at most 64000 bytes per poll) and by curl in the
// same run. Prints both rates and their ratio.
#include "Network/CHTTPSession.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kFileSize = 200u * 1024 * 1024;

uint16_t FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool Answers(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// nginx serving one large file from a temporary folder, for the length of the benchmark.
class Server {
public:
    Server()
    {
        char pattern[] = "/tmp/pnu-bench-XXXXXX";
        root = mkdtemp(pattern);
        chmod(root.c_str(), 0755);
        mkdir((root + "/www").c_str(), 0755);
        {
            std::ofstream file(root + "/www/big.bin", std::ios::binary);
            std::string block(1 << 20, '\0');
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = char(i * 131 >> 5);
            for (size_t written = 0; written < kFileSize; written += block.size())
                file.write(block.data(), std::streamsize(block.size()));
        }
        chmod((root + "/www/big.bin").c_str(), 0644);
        port = FreePort();
        std::ofstream(root + "/nginx.conf") << "daemon off;\nworker_processes 1;\npid " << root << "/nginx.pid;\n"
            << "error_log " << root << "/error.log;\nevents {}\nhttp {\n access_log off;\n client_body_temp_path " << root
            << "/cb;\n proxy_temp_path " << root << "/px;\n fastcgi_temp_path " << root << "/fc;\n uwsgi_temp_path " << root
            << "/uw;\n scgi_temp_path " << root << "/sc;\n default_type application/octet-stream;\n sendfile on;\n"
            << " server { listen 127.0.0.1:" << port << "; root " << root << "/www; }\n}\n";
        std::string config = root + "/nginx.conf";
        std::string errors = root + "/error.log";
        const char* nginx = access("/usr/sbin/nginx", X_OK) == 0 ? "/usr/sbin/nginx" : "nginx";
        const char* arguments[] = {nginx, "-c", config.c_str(), "-p", root.c_str(), "-e", errors.c_str(), nullptr};
        if (posix_spawnp(&pid, nginx, nullptr, nullptr, const_cast<char**>(arguments), environ) != 0)
            pid = -1;
        for (int attempt = 0; pid > 0 && attempt < 500 && !Answers(port); ++attempt)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Server()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            int status;
            waitpid(pid, &status, 0);
        }
        std::string command = "rm -rf '" + root + "'";
        (void)std::system(command.c_str());
    }
    std::string root;
    uint16_t port = 0;
    pid_t pid = -1;
};

// Seconds for the toolkit's session to fetch the file into memory; 0 when it failed.
double DownloadWithSession(uint16_t port)
{
    CHTTPSession session;
    std::string host = "127.0.0.1:" + std::to_string(port);
    auto start = std::chrono::steady_clock::now();
    if (session.RequestURL(1, gCString(host.c_str()), gCString(u"/big.bin"), gCString(u""), gCString(u""), 0) != eSuccess)
        return 0;
    while (!(session.finished && (session.state == eSocketClosed || session.state >= eSocketFailed)))
        (void)session.Poll();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return session.bodyBuffer.GetSize() == int64_t(kFileSize) ? seconds : 0;
}

double DownloadWithCurl(uint16_t port)
{
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/big.bin";
    const char* arguments[] = {"curl", "-s", "-o", "/dev/null", url.c_str(), nullptr};
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(arguments), environ) != 0)
        return 0;
    int status;
    waitpid(pid, &status, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : 0;
}

void DownloadFromNginx(benchmark::State& state)
{
    Server server;
    if (server.pid <= 0) {
        state.SkipWithError("nginx did not start");
        return;
    }
    double sessionRate = 0;
    double curlRate = 0;
    for (auto _ : state) {
        double sessionSeconds = DownloadWithSession(server.port);
        double curlSeconds = DownloadWithCurl(server.port);
        if (sessionSeconds == 0 || curlSeconds == 0) {
            state.SkipWithError("a download failed");
            return;
        }
        sessionRate = kFileSize / sessionSeconds / 1e6;
        curlRate = kFileSize / curlSeconds / 1e6;
    }
    state.counters["session_MBps"] = sessionRate;
    state.counters["curl_MBps"] = curlRate;
    state.counters["session_to_curl"] = sessionRate / curlRate;
    std::printf("200 MB from nginx on loopback: CHTTPSession %.1f MB/s, curl %.1f MB/s, ratio %.2f\n", sessionRate,
        curlRate, sessionRate / curlRate);
}

} // namespace

BENCHMARK(DownloadFromNginx)->Iterations(1)->Unit(benchmark::kSecond);
