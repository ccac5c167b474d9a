// Resource files from outside: the directory, the chunk searches and a sound load from them.
#include "FuzzFile.h"

#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"
#include "sound/CSound.h"
#include "sound/CSoundPlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile file;
    if (!file.Load(data, size))
        return 0;
    CResourceDirectory directory;
    (void)ReadResourceDirectory(directory, &file);

    CSoundPlayer player;
    CResourceContext context;
    context.resourceFile = &file;
    context.directory = &directory;
    context.soundPlayer = &player;
    context.reportError = [](eResultCode, const char*) {};
    SetResourceContext(&context);

    uint32_t foundId = 0;
    gCString foundName;
    for (int32_t i = 0; i < directory.entries.GetSize() && i < 4; ++i) {
        const sResourceDirectoryEntry* entry = directory.entries[i];
        (void)file.SetPos(entry->offset);
        (void)FindChunkById(file, CSound::kTypeCode, entry->id, foundId, foundName);
        (void)FindChunkByName(file, FourCharCode("wdgt"), entry->name, foundId, foundName);
        if (CSound* sound = CSound::CreateFromId(entry->id, nullptr, nullptr)) {
            (void)sound->GetDuration();
            delete sound;
        }
    }
    (void)file.SetPos(0);
    (void)FindChunkById(file, FourCharCode("none"), 0, foundId, foundName);
    SetResourceContext(nullptr);
    return 0;
}
