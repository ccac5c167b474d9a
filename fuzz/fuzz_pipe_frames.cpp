// Feeds arbitrary bytes to a data pipe as received frames, in pieces whose sizes come from the
// input's first byte, and reads every delivered payload whole.
#include "Network/CTCPAppSocket.h"

#include <cstddef>
#include <cstdint>

namespace {

class ReadingOwner : public IDataPipeOwner {
public:
    eResultCode OnDataPipeMessage(const sDataPipeInfo&, uint32_t, CASMemFile* payload) override
    {
        const uint8_t* bytes = payload->GetData();
        for (int64_t i = 0; bytes && i < payload->GetSize(); ++i)
            sum += bytes[i];
        return eSuccess;
    }
    eResultCode RegisterAcceptedPipe(CTCPAppSocket* pipe) override
    {
        delete pipe;
        return eSuccess;
    }
    uint32_t sum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    uint32_t piece = 1 + data[0] % 48;
    data += 1;
    size -= 1;
    ReadingOwner owner;
    SetDataPipeOwner(&owner);
    {
        CTCPAppSocket pipe;
        pipe.InstallSocketCallbacks();
        size_t offset = 0;
        while (offset < size) {
            uint32_t count = uint32_t(size - offset < piece ? size - offset : piece);
            (void)pipe.TakeReceivedBytes(reinterpret_cast<const char*>(data + offset), count);
            offset += count;
        }
        pipe.RecordEvent(CTCPSocket::kEventOrderlyRelease, 0);
        (void)pipe.Poll();
    }
    SetDataPipeOwner(nullptr);
    return 0;
}
