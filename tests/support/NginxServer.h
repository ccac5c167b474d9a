// An nginx of the machine, started for one test on a free loopback port with a configuration the
// test writes, and stopped (and waited for) when the object goes out of scope.
#pragma once

#include "TempFolder.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

class NginxServer {
public:
    // `extraLocations` is added to the server block as it is.
    explicit NginxServer(const std::string& extraLocations = "");
    ~NginxServer();

    // False when nginx is not installed or did not start; the reason is in Error().
    bool IsRunning() const { return mPid > 0; }
    const std::string& Error() const { return mError; }
    uint16_t Port() const { return mPort; }
    // Writes a file into the served folder.
    void Serve(const std::string& name, const std::string& bytes) const;

    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

private:
    TempFolder mFolder;
    uint16_t mPort = 0;
    pid_t mPid = -1;
    std::string mError;
};
