// One non-blocking IPv4 TCP endpoint. The toolkit's sockets are driven from the heartbeat: instead
// of an asynchronous notifier, `Pump` looks at the endpoint once (never blocking) and reports what
// happened as events, which the socket records and runs on its next poll.
#pragma once

#include "platform/NetResult.h"

#include <cstddef>
#include <cstdint>

namespace plat {

enum class eNetEvent : uint32_t {
    kListen,         // a connection waits to be accepted
    kConnect,        // a connect finished; kOk or why it failed
    kData,           // unread data is waiting
    kOrderlyRelease, // the peer closed after all its data was read
    kDisconnect,     // the connection broke (reset, timeout) after all data was read
};

// Receives the events found by one `Pump`.
class NetEventSink {
public:
    virtual void OnNetEvent(eNetEvent event, eNetResult result) = 0;

protected:
    ~NetEventSink() = default;
};

class NetEndpoint {
public:
    enum class ePhase : uint8_t { kNone, kConnecting, kConnected, kListening, kEnded };

    NetEndpoint() = default;
    ~NetEndpoint();
    NetEndpoint(const NetEndpoint&) = delete;
    NetEndpoint& operator=(const NetEndpoint&) = delete;

    // Creates the socket, closing one held before.
    eNetResult Open();
    // Closes the socket and any accepted connection nobody took.
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    ePhase GetPhase() const { return mPhase; }

    // Starts connecting to `address` (host order). kOk when under way; a refusal the kernel answers
    // at once is reported like a late one, by the next `Pump`. A local error is returned at once.
    eNetResult Connect(uint32_t address, uint16_t port);

    // Binds to `address`:`port` (0 = any) and listens.
    eNetResult BindAndListen(uint16_t port, uint32_t address, int32_t backlog);
    // The local port the socket is bound to, 0 when unknown.
    uint16_t GetLocalPort() const;

    // Looks at the endpoint once without waiting and reports to `sink`. Allocates nothing.
    void Pump(NetEventSink& sink);

    // Accepts one waiting connection into the incoming slot. kOk when one is held there,
    // kWouldBlock when none waits.
    eNetResult AcceptIncoming();
    bool HasIncoming() const { return mIncomingFd >= 0; }
    // Hands the held connection to `target` (which becomes connected) with the peer's address.
    // kNotOpen when no connection is held, kFailed when `target` is this endpoint.
    eNetResult TakeIncoming(NetEndpoint& target, uint32_t& peerAddress, uint16_t& peerPort);

    // Sends what the socket takes now; `sent` is the byte count on kOk (at least 1 unless `count`
    // is 0). kWouldBlock when the socket takes nothing at the moment. Never raises SIGPIPE.
    eNetResult Send(const void* data, size_t count, size_t& sent);
    // Receives at most `count` bytes; `received` is the byte count on kOk (at least 1 unless
    // `count` is 0). kClosed when the peer closed, kWouldBlock when nothing waits. Leaves
    // recording the end to `Pump`.
    eNetResult Receive(void* data, size_t count, size_t& received);

    // Orderly release of our side; reading goes on (half-close).
    void ShutdownSend();

private:
    int mFd = -1;
    ePhase mPhase = ePhase::kNone;
    int32_t mDeferredConnectError = 0;
    int32_t mLastError = 0;
    int mIncomingFd = -1;
    uint32_t mIncomingAddress = 0;
    uint16_t mIncomingPort = 0;
};

} // namespace plat
