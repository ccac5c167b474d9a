#include "support/HTTPTestServer.h"

#include "support/LoopbackPeer.h"
#include "support/StringBytes.h"

HTTPTestServer* HTTPTestServer::sCurrent = nullptr;

HTTPTestServer::HTTPTestServer()
{
    sCurrent = this;
    port = LoopbackPeer::UnusedPort();
    listener.InstallSocketCallbacks();
    listener.AcceptedCallback = [](CHTTPSession*, CHTTPSession* session) {
        sCurrent->sessions.push_back(session);
        return eSuccess;
    };
    listener.ServeRequestCallback = {[](const gCString& name, uintptr_t user, CHTTPSession*, gCStream** stream,
                                         uint32_t*, uint32_t* refuse, gCString*) {
        auto* server = reinterpret_cast<HTTPTestServer*>(user);
        server->requested.push_back(Utf8(name));
        auto found = server->files.find(Utf8(name));
        if (found == server->files.end()) {
            *refuse = 1;
            return eSuccess;
        }
        auto* body = new gCMemFile;
        if (eResultCode result = body->Write(found->second.data(), int32_t(found->second.size())); result != eSuccess) {
            delete body;
            return result;
        }
        *stream = body;
        return eSuccess;
    }, reinterpret_cast<uintptr_t>(this)};
    listening = listener.OpenEndpoint(port) == eSuccess && listener.Bind(port, 0x7F000001) == eSuccess
        && listener.EnterListenState() == eSuccess;
}

HTTPTestServer::~HTTPTestServer()
{
    for (CHTTPSession* session : sessions)
        delete session;
    sCurrent = nullptr;
}

void HTTPTestServer::Poll()
{
    (void)listener.Poll();
    for (size_t i = 0; i < sessions.size(); ++i)
        (void)sessions[i]->Poll();
}
