// Feeds arbitrary bytes to the HTTP client as a server's reply, in pieces whose sizes come from
// the input's first byte, then closes the connection. The second byte chooses finish-on-close
// (bit 0) and a 4096-byte body limit (bit 1).
#include "Network/CHTTPSession.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    uint32_t piece = 1 + data[0] % 64;
    uint32_t finishOnClose = data[1] & 1;
    uint64_t bodyLimit = (data[1] & 2) != 0 ? 4096 : 0;
    data += 2;
    size -= 2;
    CHTTPSession session;
    session.InstallSocketCallbacks();
    session.clientMode = 1;
    session.finishOnClose = finishOnClose;
    session.bodyLimit = bodyLimit;
    size_t offset = 0;
    while (offset < size) {
        uint32_t count = uint32_t(size - offset < piece ? size - offset : piece);
        (void)session.TakeReceivedBytes(reinterpret_cast<const char*>(data + offset), count);
        offset += count;
    }
    session.RecordEvent(CTCPSocket::kEventOrderlyRelease, 0);
    (void)session.Poll();
    return 0;
}
