// One non-blocking IPv4 TCP endpoint. The toolkit's sockets are driven from the heartbeat: instead
// of an asynchronous notifier, `Pump` looks at the endpoint once (never blocking) and reports what
// happened as events, which the socket records and runs on its next poll.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

enum class eNetEvent : uint32_t {
    kListen,         // a connection waits to be accepted
    kConnect,        // a connect finished; result 0 or the negated error
    kData,           // unread data is waiting
    kOrderlyRelease, // the peer closed after all its data was read
    kDisconnect,     // the connection broke (reset, timeout) after all data was read
};

// Receives the events found by one `Pump`.
class INetEventSink {
public:
    virtual void OnNetEvent(eNetEvent event, int32_t result) = 0;

protected:
    ~INetEventSink() = default;
};

class CNetEndpoint {
public:
    enum class ePhase : uint8_t { kNone, kConnecting, kConnected, kListening, kEnded };

    // What `Receive` answers besides a byte count.
    static constexpr int64_t kEndOfStream = 0;
    // The negated error of a call that would have to wait.
    static const int64_t kWouldBlock;

    CNetEndpoint() = default;
    ~CNetEndpoint();
    CNetEndpoint(const CNetEndpoint&) = delete;
    CNetEndpoint& operator=(const CNetEndpoint&) = delete;

    // Creates the socket, closing one held before. 0 or the negated error.
    int32_t Open();
    // Closes the socket and any accepted connection nobody took.
    void Close();
    bool IsOpen() const { return mFd >= 0; }
    ePhase GetPhase() const { return mPhase; }
    // The error behind the last failure seen (for diagnostics only).
    int32_t GetLastError() const { return mLastError; }

    // Starts connecting to `address` (host order). 0 when under way; a refusal the kernel answers at
    // once is reported like a late one, by the next `Pump`. A local error gives its negated value.
    int32_t Connect(uint32_t address, uint16_t port);

    // Binds to `address`:`port` (0 = any) and listens. 0 or the negated error.
    int32_t BindAndListen(uint16_t port, uint32_t address, int32_t backlog);
    // The local port the socket is bound to, 0 when unknown.
    uint16_t GetLocalPort() const;

    // Looks at the endpoint once without waiting and reports to `sink`. Allocates nothing.
    void Pump(INetEventSink& sink);

    // Accepts one waiting connection into the incoming slot. 0 when one is held there, else the
    // negated error (-EAGAIN when none waits).
    int32_t AcceptIncoming();
    bool HasIncoming() const { return mIncomingFd >= 0; }
    // Hands the held connection to `target` (which becomes connected) with the peer's address.
    bool TakeIncoming(CNetEndpoint& target, uint32_t& peerAddress, uint16_t& peerPort);

    // Sends what the socket takes now: the byte count (at least 1), or the negated error
    // (-EAGAIN when the socket takes nothing at the moment). Never raises SIGPIPE.
    int64_t Send(const void* data, size_t count);
    // Receives at most `count` bytes: the byte count, `kEndOfStream` when the peer closed, or the
    // negated error (-EAGAIN when nothing waits). Leaves recording the end to `Pump`.
    int64_t Receive(void* data, size_t count);

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
