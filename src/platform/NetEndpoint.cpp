#include "platform/NetEndpoint.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace plat {

namespace {

// Errors that come from the peer or the network rather than from our own call. The kernel may
// answer them at once on loopback; they are reported late, as a finished connect, so the owner
// sees the same order of events either way.
bool IsRemoteConnectError(int error)
{
    switch (error) {
    case ECONNREFUSED:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ETIMEDOUT:
    case EADDRNOTAVAIL:
    case ECONNRESET:
        return true;
    default:
        return false;
    }
}

eNetResult FromError(int error)
{
    switch (error) {
    case 0:
        return eNetResult::kOk;
    case EAGAIN:
        return eNetResult::kWouldBlock;
    case EBADF:
        return eNetResult::kNotOpen;
    case ECONNREFUSED:
        return eNetResult::kRefused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
    case EADDRNOTAVAIL:
        return eNetResult::kUnreachable;
    case ETIMEDOUT:
        return eNetResult::kTimedOut;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        return eNetResult::kReset;
    case EADDRINUSE:
        return eNetResult::kAddressInUse;
    case ENOMEM:
    case ENOBUFS:
        return eNetResult::kNoMemory;
    default:
        return eNetResult::kFailed;
    }
}

sockaddr_in MakeAddress(uint32_t address, uint16_t port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = htonl(address);
    return result;
}

short PollOnce(int fd, short events)
{
    pollfd entry{fd, events, 0};
    int count;
    do {
        count = poll(&entry, 1, 0);
    } while (count < 0 && errno == EINTR);
    return count > 0 ? entry.revents : 0;
}

} // namespace

NetEndpoint::~NetEndpoint()
{
    Close();
}

eNetResult NetEndpoint::Open()
{
    Close();
    mFd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (mFd < 0) {
        mLastError = errno;
        return FromError(mLastError);
    }
    return eNetResult::kOk;
}

void NetEndpoint::Close()
{
    if (mIncomingFd >= 0)
        close(mIncomingFd);
    if (mFd >= 0)
        close(mFd);
    mIncomingFd = -1;
    mFd = -1;
    mPhase = ePhase::kNone;
    mDeferredConnectError = 0;
}

eNetResult NetEndpoint::Connect(uint32_t address, uint16_t port)
{
    if (mFd < 0)
        return eNetResult::kNotOpen;
    sockaddr_in peer = MakeAddress(address, port);
    int result;
    do {
        result = connect(mFd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    } while (result < 0 && errno == EINTR);
    if (result == 0 || errno == EINPROGRESS) {
        // Even an immediate success is reported by the pump, so the connect always completes on a
        // later poll.
        mPhase = ePhase::kConnecting;
        return eNetResult::kOk;
    }
    mLastError = errno;
    if (IsRemoteConnectError(errno)) {
        mPhase = ePhase::kConnecting;
        mDeferredConnectError = errno;
        return eNetResult::kOk;
    }
    return FromError(mLastError);
}

eNetResult NetEndpoint::BindAndListen(uint16_t port, uint32_t address, int32_t backlog)
{
    if (mFd < 0)
        return eNetResult::kNotOpen;
    int on = 1;
    (void)setsockopt(mFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = MakeAddress(address, port);
    if (bind(mFd, reinterpret_cast<const sockaddr*>(&local), sizeof local) < 0
        || listen(mFd, backlog) < 0) {
        mLastError = errno;
        return FromError(mLastError);
    }
    mPhase = ePhase::kListening;
    return eNetResult::kOk;
}

uint16_t NetEndpoint::GetLocalPort() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (mFd < 0 || getsockname(mFd, reinterpret_cast<sockaddr*>(&local), &length) < 0)
        return 0;
    return ntohs(local.sin_port);
}

void NetEndpoint::Pump(NetEventSink& sink)
{
    switch (mPhase) {
    case ePhase::kConnecting: {
        if (mDeferredConnectError != 0) {
            int32_t error = mDeferredConnectError;
            mDeferredConnectError = 0;
            mPhase = ePhase::kEnded;
            sink.OnNetEvent(eNetEvent::kConnect, FromError(error));
            return;
        }
        if ((PollOnce(mFd, POLLOUT) & (POLLOUT | POLLERR | POLLHUP)) == 0)
            return;
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(mFd, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
            error = errno;
        if (error != 0) {
            mLastError = error;
            mPhase = ePhase::kEnded;
            sink.OnNetEvent(eNetEvent::kConnect, FromError(error));
        } else {
            mPhase = ePhase::kConnected;
            sink.OnNetEvent(eNetEvent::kConnect, eNetResult::kOk);
        }
        return;
    }
    case ePhase::kConnected: {
        if (PollOnce(mFd, POLLIN | POLLRDHUP) == 0)
            return;
        // Peeking tells unread data from the end of the stream, so the end is recorded only once
        // every byte before it has been received.
        char byte;
        ssize_t count = recv(mFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (count > 0) {
            sink.OnNetEvent(eNetEvent::kData, eNetResult::kOk);
        } else if (count == 0) {
            mPhase = ePhase::kEnded;
            sink.OnNetEvent(eNetEvent::kOrderlyRelease, eNetResult::kOk);
        } else if (errno != EAGAIN && errno != EINTR) {
            // An established connection that breaks ends with kOk as well: the reason is kept for
            // diagnostics, the owner only learns that the connection is over.
            mLastError = errno;
            mPhase = ePhase::kEnded;
            sink.OnNetEvent(eNetEvent::kDisconnect, eNetResult::kOk);
        }
        return;
    }
    case ePhase::kListening:
        if (mIncomingFd >= 0 || (PollOnce(mFd, POLLIN) & POLLIN) != 0)
            sink.OnNetEvent(eNetEvent::kListen, eNetResult::kOk);
        return;
    case ePhase::kNone:
    case ePhase::kEnded:
        return;
    }
}

eNetResult NetEndpoint::AcceptIncoming()
{
    if (mIncomingFd >= 0)
        return eNetResult::kOk;
    if (mFd < 0 || mPhase != ePhase::kListening)
        return eNetResult::kNotOpen;
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int fd;
    do {
        fd = accept4(mFd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FromError(errno);
    mIncomingFd = fd;
    mIncomingAddress = ntohl(peer.sin_addr.s_addr);
    mIncomingPort = ntohs(peer.sin_port);
    return eNetResult::kOk;
}

eNetResult NetEndpoint::TakeIncoming(NetEndpoint& target, uint32_t& peerAddress, uint16_t& peerPort)
{
    if (mIncomingFd < 0)
        return eNetResult::kNotOpen;
    if (&target == this)
        return eNetResult::kFailed;
    target.Close();
    target.mFd = mIncomingFd;
    target.mPhase = ePhase::kConnected;
    peerAddress = mIncomingAddress;
    peerPort = mIncomingPort;
    mIncomingFd = -1;
    return eNetResult::kOk;
}

eNetResult NetEndpoint::Send(const void* data, size_t count, size_t& sent)
{
    sent = 0;
    if (mFd < 0)
        return eNetResult::kNotOpen;
    ssize_t result;
    do {
        result = send(mFd, data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        if (errno != EAGAIN)
            mLastError = errno;
        return FromError(errno);
    }
    sent = size_t(result);
    return eNetResult::kOk;
}

eNetResult NetEndpoint::Receive(void* data, size_t count, size_t& received)
{
    received = 0;
    if (mFd < 0)
        return eNetResult::kNotOpen;
    ssize_t result;
    do {
        result = recv(mFd, data, count, MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        if (errno != EAGAIN)
            mLastError = errno;
        return FromError(errno);
    }
    // Asked for nothing, the socket answers nothing; that says nothing about the peer.
    if (result == 0 && count > 0)
        return eNetResult::kClosed;
    received = size_t(result);
    return eNetResult::kOk;
}

void NetEndpoint::ShutdownSend()
{
    if (mFd >= 0)
        (void)shutdown(mFd, SHUT_WR);
}

} // namespace plat
