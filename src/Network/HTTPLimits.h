// How long the HTTP sessions wait for a peer and how much header they take from it. One set for
// the process, so that tests can shorten the waits; the defaults are the program's.
#pragma once

#include <cstdint>

struct sHTTPLimits {
    // A connection that moves no byte for this long is given up, and so is one whose header (the
    // request on a server, the reply header on a client) has not ended this long after it began.
    uint64_t idleTimeoutMicroseconds = 60000000;
    // A client that keeps the floor (the update session) gives up a transfer that carried less than
    // this many kilobytes (1024 bytes) a second over the window, in any window after its first.
    uint32_t floorKilobytesPerSecond = 1;
    uint64_t floorWindowMicroseconds = 60000000;
    // A header longer than this, or with more lines than this, is refused: a real one has about
    // ten lines.
    uint32_t maxHeaderBytes = 65536;
    uint32_t maxHeaderLines = 256;
};

sHTTPLimits& GetHTTPLimits();
