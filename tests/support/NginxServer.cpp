#include "NginxServer.h"

#include "LoopbackPeer.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

const char* FindNginx()
{
    for (const char* path : {"/usr/sbin/nginx", "/usr/bin/nginx", "/usr/local/sbin/nginx"}) {
        if (access(path, X_OK) == 0)
            return path;
    }
    return nullptr;
}

} // namespace

NginxServer::NginxServer(const std::string& extraLocations)
{
    const char* nginx = FindNginx();
    if (!nginx) {
        mError = "nginx is not installed";
        return;
    }
    // The worker may run as another user: it must be able to read the served files.
    chmod(mFolder.Path().c_str(), 0755);
    mkdir((mFolder / "www").c_str(), 0755);
    mPort = LoopbackPeer::UnusedPort();
    const std::string& root = mFolder.Path();
    std::string config = "daemon off;\nworker_processes 1;\npid " + root + "nginx.pid;\nerror_log " + root
        + "error.log;\nevents { worker_connections 64; }\nhttp {\n  access_log off;\n"
        + "  client_body_temp_path " + root + "cb;\n  proxy_temp_path " + root + "px;\n  fastcgi_temp_path " + root
        + "fc;\n  uwsgi_temp_path " + root + "uw;\n  scgi_temp_path " + root + "sc;\n"
        + "  types { text/plain txt; text/html html; application/octet-stream pnu bin; }\n"
        + "  default_type application/octet-stream;\n"
        + "  server {\n    listen 127.0.0.1:" + std::to_string(mPort) + ";\n    root " + root + "www;\n"
        + extraLocations + "\n  }\n}\n";
    std::ofstream(mFolder / "nginx.conf") << config;

    std::string configPath = mFolder / "nginx.conf";
    std::string errorPath = mFolder / "error.log";
    const char* arguments[] = {nginx, "-c", configPath.c_str(), "-p", root.c_str(), "-e", errorPath.c_str(), nullptr};
    if (posix_spawn(&mPid, nginx, nullptr, nullptr, const_cast<char**>(arguments), environ) != 0) {
        mPid = -1;
        mError = "nginx could not be started";
        return;
    }
    // Ready once it answers on its port; a busy machine can take seconds to start it, and only one
    // that never answers waits out the minute.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        int fd = LoopbackPeer::ConnectTo(mPort);
        if (fd >= 0) {
            close(fd);
            return;
        }
        int status;
        if (waitpid(mPid, &status, WNOHANG) == mPid) {
            mPid = -1;
            mError = "nginx stopped: " + TempFolder::ReadFile(errorPath);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    mError = "nginx did not answer";
    kill(mPid, SIGTERM);
    int status;
    waitpid(mPid, &status, 0);
    mPid = -1;
}

NginxServer::~NginxServer()
{
    if (mPid <= 0)
        return;
    kill(mPid, SIGTERM);
    int status;
    waitpid(mPid, &status, 0);
}

void NginxServer::Serve(const std::string& name, const std::string& bytes) const
{
    std::string path = mFolder / ("www/" + name);
    for (size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1))
        mkdir((mFolder / ("www/" + name.substr(0, slash))).c_str(), 0755);
    std::ofstream(path, std::ios::binary) << bytes;
    chmod(path.c_str(), 0644);
}
