#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

LoopbackPeer::LoopbackPeer(tScript script, int connections)
{
    mListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = Loopback(0);
    bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(mListener, 16);
    socklen_t length = sizeof address;
    getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length);
    mPort = ntohs(address.sin_port);
    mThread = std::thread([this, script = std::move(script), connections] {
        for (int i = 0; i < connections && !mStopping; ++i) {
            pollfd entry{mListener, POLLIN, 0};
            // Wake up now and then to see whether the test gave up on us.
            while (!mStopping && poll(&entry, 1, 50) == 0) {
            }
            if (mStopping)
                break;
            int fd = accept(mListener, nullptr, nullptr);
            if (fd < 0)
                break;
            script(fd);
            close(fd);
        }
    });
}

LoopbackPeer::~LoopbackPeer()
{
    mStopping = true;
    Join();
    if (mListener >= 0)
        close(mListener);
}

void LoopbackPeer::Join()
{
    if (mThread.joinable())
        mThread.join();
}

bool LoopbackPeer::SendAll(int fd, const void* data, size_t count)
{
    const char* bytes = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t sent = send(fd, bytes, count, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        count -= size_t(sent);
    }
    return true;
}

std::string LoopbackPeer::ReceiveUntil(int fd, const std::string& marker)
{
    std::string text;
    char buffer[4096];
    while (text.find(marker) == std::string::npos) {
        ssize_t count = recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        text.append(buffer, size_t(count));
    }
    return text;
}

std::string LoopbackPeer::ReceiveAll(int fd)
{
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t count = recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        text.append(buffer, size_t(count));
    }
    return text;
}

void LoopbackPeer::CloseWithReset(int fd)
{
    linger option{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
}

int LoopbackPeer::ConnectTo(uint16_t port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

uint16_t LoopbackPeer::UnusedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}
