// Bodies from the update server: check replies (results and UTF-16 news entries) and download
// lists (8-bit or UTF-16 lines of file entries).
#include "FileIO/gCMemFile.h"
#include "updater/transfer/CPNUTransferManager.h"
#include "updater/transfer/PNUCheckReply.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    gCMemFile body;
    if (size > 0 && body.Write(data, int32_t(size)) != eSuccess)
        return 0;
    gCArray<gCString> parsed;
    (void)ParseCheckReplyBody(body, parsed);

    CPNUTransferManager manager;
    (void)manager.ParseDownloadList(body);
    for (const CFileData& entry : manager.GetDownloadList())
        (void)entry.GetRelativePath();
    return 0;
}
