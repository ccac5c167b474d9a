// The install journal reader on hostile journals: the start-up repair reads whatever stands at the
// journal's name in the install folder. What it accepts then goes through the repair's checks of
// the folder, against file operations that touch no disk: every entry the checks look at is a
// file, a link, a folder or nothing by its path alone, so the fuzzer reaches each of their cases
// by the names and numbers it writes into the journal.
#include "core/CMemBlock.h"
#include "core/TextEquality.h"
#include "updater/install/CPNUInstallFiles.h"
#include "updater/install/PNUInstallJournal.h"
#include "updater/install/PNUPackageNames.h"

#include <cstring>

namespace {

constexpr uint64_t kDevice = 1;
constexpr uint64_t kInstallFolderNumber = 2;

uint64_t PathHash(const gCString& path)
{
    uint64_t hash = 1469598103934665603u;
    for (int32_t i = 0; i < path.GetLength(); ++i)
        hash = (hash ^ uint64_t(path[i])) * 1099511628211u;
    return hash;
}

class NoDiskJournal : public CPNUInstallFiles {
public:
    NoDiskJournal(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

    eResultCode ReadRegularFile(const gCString&, CMemBlock& bytes, uint64_t limit, plat::eEntryKind& kind) override
    {
        (void)bytes.SetSize(0);
        kind = plat::eEntryKind::kFile;
        if (mSize > limit || mSize > UINT32_MAX)
            return eOutOfRange;
        if (mSize > 0 && !bytes.SetSize(uint32_t(mSize)))
            return eNoMemory;
        if (mSize > 0)
            std::memcpy(bytes.GetData(), mData, mSize);
        return eSuccess;
    }

    // Small numbers and sizes, so that a journal's own figures can name what stands here.
    eResultCode GetIdentity(const gCString& path, plat::sEntryIdentity& identity) override
    {
        const uint64_t hash = PathHash(path);
        identity = plat::sEntryIdentity();
        switch (hash % 5) {
        case 0:
            return eStreamError;
        case 1:
            return eSuccess;
        case 2:
            identity.kind = plat::eEntryKind::kLink;
            break;
        case 3:
            identity.kind = plat::eEntryKind::kFolder;
            break;
        default:
            identity.kind = plat::eEntryKind::kFile;
            break;
        }
        identity.device = kDevice;
        identity.number = (hash >> 8) % 8;
        identity.size = (hash >> 16) % 8;
        return eSuccess;
    }

    eResultCode GetFolderIdentity(const gCString& folder, plat::sEntryIdentity& identity) override
    {
        identity = plat::sEntryIdentity();
        if (TextsEqual(folder, mInstallFolder)) {
            identity = {plat::eEntryKind::kFolder, kDevice, kInstallFolderNumber, 0};
            return eSuccess;
        }
        const uint64_t hash = PathHash(folder);
        if (hash % 7 == 0)
            return eStreamError;
        if (hash % 3 == 0)
            identity = {plat::eEntryKind::kFolder, kDevice, hash % 2 == 0 ? kInstallFolderNumber : (hash >> 8) % 4, 0};
        return eSuccess;
    }

    void SetInstallFolder(const gCString& folder) { mInstallFolder = folder; }

private:
    const uint8_t* mData;
    size_t mSize;
    gCString mInstallFolder;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    NoDiskJournal files(data, size);
    const gCString folder(u"/fuzz/install");
    files.SetInstallFolder(folder);
    sInstallJournal journal;
    bool found = false;
    gCString refused;
    if (ReadInstallJournal(files, folder, journal, found, &refused) != eSuccess || !found)
        return 0;
    // The repair looks at the folder the journal names.
    files.SetInstallFolder(journal.installFolder);
    (void)CheckInstallLeftovers(files, journal, refused);
    return 0;
}
