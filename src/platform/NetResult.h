// What a network call of this layer came to. The kinds are the ones the toolkit tells apart; the
// system's own number behind a failure stays with the endpoint or the lookup, for diagnostics.
#pragma once

#include <cstdint>

namespace plat {

enum class [[nodiscard]] eNetResult : uint8_t {
    kOk,
    kWouldBlock,   // nothing can be done now; a later pump tells when
    kClosed,       // the peer closed: nothing more will arrive
    kNotOpen,      // there is no socket to use
    kRefused,      // nobody listens at the address
    kUnreachable,  // no route to the network or host, or the address cannot be used
    kTimedOut,
    kReset,        // the connection broke
    kAddressInUse, // another socket holds the local address
    kHostNotFound, // the name has no IPv4 address
    kTryAgain,     // the name service failed for now; a later lookup may succeed
    kNotStarted,   // the lookup's worker could not be started
    kNoMemory,
    kFailed,       // anything else
};

} // namespace plat
