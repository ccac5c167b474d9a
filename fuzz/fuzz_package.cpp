// The package reader on hostile packages: the frame, the archive header, the instruction text,
// the index and the file records (the write step runs against file operations that touch no
// disk). An input whose first byte is odd is taken as an archive and framed first, so the
// fuzzer reaches the archive checks without having to produce valid method-8 payloads.
#include "FileIO/gCMemFile.h"
#include "core/CMemBlock.h"
#include "platform/SystemMemory.h"
#include "updater/codec/CPNUCompressor.h"
#include "updater/install/CPNUDesquasher.h"
#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/CPNUInstallServices.h"
#include "updater/CPNUStatusTarget.h"

#include <cstring>

namespace {

class QuietHost : public CPNUStatusTarget, public CPNUInstallServices {
public:
    eResultCode AddStatusLine(const gCString&, const uint32_t*, bool) override { return eSuccess; }
    eResultCode WriteLogLine(const gCString&) override { return eSuccess; }
    eResultCode SetProgress(float, bool) override { return eSuccess; }
    void SetControlText(int32_t, const gCString&) override {}
    gCString GetText(uint32_t, int32_t) override { return gCString("text"); }
    gCString GetInstalledBuildString() override { return gCString("FULL2"); }
    gCString GetInstallFolderText() override { return gCString("/nonexistent/install/"); }
    void RunHeartbeat() override {}
    void Quit() override {}
};

class NoDiskFiles : public CPNUInstallFiles {
public:
    eResultCode OpenFolder(const gCString&) override { return eSuccess; }
    bool Exists(const gCString&) override { return false; }
    bool IsFolder(const gCString&) override { return false; }
    bool IsFile(const gCString&) override { return false; }
    eResultCode Delete(const gCString&) override { return eSuccess; }
    eResultCode Move(const gCString&, const gCString&) override { return eSuccess; }
    eResultCode Link(const gCString&, const gCString&) override { return eSuccess; }
    eResultCode Replace(const gCString&, const gCString&) override { return eSuccess; }
    eResultCode CreateFolder(const gCString&) override { return eSuccess; }
    eResultCode WriteFile(const gCString&, const uint8_t*, uint64_t, uint32_t) override { return eSuccess; }
    eResultCode ReadFile(const gCString&, CMemBlock&, uint64_t) override { return eStreamError; }
    eResultCode Flush(const gCString&) override { return eSuccess; }
    eResultCode FlushEntry(const gCString&) override { return eSuccess; }
    eResultCode PutBack(const gCString&, const gCString&) override { return eSuccess; }
    eResultCode StaysBeneath(const gCString&, const gCString&) override { return eSuccess; }
    bool SetMode(const gCString&, uint32_t) override { return true; }
    eResultCode Launch(const gCString&) override { return eSuccess; }
};

bool FrameArchive(const uint8_t* data, size_t size, gCMemFile& package)
{
    CMemBlockT<unsigned char> archive;
    CMemBlockT<unsigned char> frame;
    if (!archive.SetSize(uint32_t(size)))
        return false;
    if (size > 0)
        memcpy(archive.GetData(), data, size);
    CPNUCompressor codec;
    if (codec.CodecRun(1, 8, archive, frame) != eSuccess)
        return false;
    uint32_t version = 1;
    return package.Write("PN2SQUSH", 8) == eSuccess && package.Write(&version, 4) == eSuccess
        && package.Write(frame.GetData(), int32_t(frame.GetSize())) == eSuccess
        && package.Write("PN2SQUSH", 8) == eSuccess;
}

} // namespace

// A frame may announce any length the machine could hold; the fuzzer's own memory limit is far
// below that, so the decoder is told the machine holds 256 MB.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static plat::FixedSystemMemory machine(uint64_t(256) << 20);
    plat::SetSystemMemory(&machine);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    gCMemFile package;
    if (data[0] & 1) {
        if (size - 1 > (1 << 16) || !FrameArchive(data + 1, size - 1, package))
            return 0;
    } else if (size > 1 && package.Write(data + 1, int32_t(size - 1)) != eSuccess) {
        return 0;
    }
    QuietHost host;
    NoDiskFiles files;
    CPNUDesquasher reader(&host, &host, &files);
    if (reader.UnpackUpdateFile(package) != eSuccess || reader.ReadArchiveIndex() != eSuccess)
        return 0;
    (void)reader.CheckTarget();
    (void)reader.WriteTemporaryFiles();
    return 0;
}
