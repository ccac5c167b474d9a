// A scripted TCP peer on 127.0.0.1 for the networking tests: it listens on a free port, and a
// thread runs the test's script on each accepted connection with plain blocking POSIX calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

class LoopbackPeer {
public:
    using tScript = std::function<void(int fd)>;

    // Listens at once; `script` runs for each of the next `connections` connections, in turn.
    explicit LoopbackPeer(tScript script, int connections = 1);
    // Waits for the script to end (closing the listener first, so a peer that never connected
    // does not hold the test).
    ~LoopbackPeer();

    uint16_t Port() const { return mPort; }
    // Waits until the scripts have run; the peer's connections are closed by then.
    void Join();

    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    // Helpers for scripts and tests (blocking).
    static bool SendAll(int fd, const void* data, size_t count);
    static bool SendAll(int fd, const std::string& text) { return SendAll(fd, text.data(), text.size()); }
    // Reads until `marker` has arrived (or the peer closed); returns all read so far.
    static std::string ReceiveUntil(int fd, const std::string& marker);
    // Reads until the peer closes.
    static std::string ReceiveAll(int fd);
    // Closes with a reset instead of an orderly release.
    static void CloseWithReset(int fd);
    // A blocking client connection to 127.0.0.1:port, -1 on failure.
    static int ConnectTo(uint16_t port);
    // A port on 127.0.0.1 that nothing listens on (just released).
    static uint16_t UnusedPort();

private:
    int mListener = -1;
    uint16_t mPort = 0;
    std::atomic<bool> mStopping{false};
    std::thread mThread;
};
