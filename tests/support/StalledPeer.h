// For the tests of peers that stall, with a manual clock: one step of such a peer, and a poll of
// the real connection until it reaches a state.
#pragma once

#include "Network/CTCPSocket.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

inline constexpr uint64_t kSecond = 1000000;

// Bytes the peer sends (handed straight to the connection), then how far the clock moves.
struct sPeerStep {
    std::string bytes;
    uint64_t wait;
};

// Polls for at most a minute of real time (only a connection that never gets there takes that long).
inline bool PollUntilState(CTCPSocket& socket, uint32_t wanted)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (socket.state != wanted && std::chrono::steady_clock::now() < end) {
        (void)socket.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return socket.state == wanted;
}
