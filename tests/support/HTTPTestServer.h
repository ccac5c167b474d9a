// A listening HTTP session on 127.0.0.1 for the networking tests: it keeps every session it
// accepts, polls them as the heartbeat would, and serves named files from memory (404 for others).
#pragma once

#include "Network/CHTTPSession.h"

#include <map>
#include <string>
#include <vector>

class HTTPTestServer {
public:
    HTTPTestServer();
    ~HTTPTestServer();

    void Poll();

    uint16_t port = 0;
    bool listening = false;
    CHTTPSession listener;
    std::vector<CHTTPSession*> sessions;
    std::map<std::string, std::string> files;
    // The names asked for, in order, served or not.
    std::vector<std::string> requested;

    HTTPTestServer(const HTTPTestServer&) = delete;
    HTTPTestServer& operator=(const HTTPTestServer&) = delete;

private:
    static HTTPTestServer* sCurrent;
};
