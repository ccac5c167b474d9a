// Everything of resources that the application object owns: the resource file and its directory,
// the second resource file and its directory, the string table, the six pools and the sound
// player. While it lives it is the resource context that loaders and sounds find. The application
// object holds one, loads it at start-up and releases it in its destructor.
#pragma once

#include "FileIO/gCFile.h"
#include "core/eResultCode.h"
#include "core/gCString.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"
#include "resources/gCStringTable.h"
#include "sound/CSoundPlayer.h"

#include <cstdint>

class CAppResources {
public:
    CAppResources();
    ~CAppResources();

    CAppResources(const CAppResources&) = delete;
    CAppResources& operator=(const CAppResources&) = delete;

    // Opens "<folder>:<resource file>" below the Contents folder and reads its directory, loads the
    // string table when it exists, then opens and indexes the second resource file (the resource
    // file again when no name is given, which then becomes its name). A missing resource file is an
    // invalid file (eInvalidFile); a missing string table is no error; a damaged directory or table
    // returns its code.
    eResultCode LoadSystemResources(const gCString& resourcesFolder, const gCString& resourceFileName,
                                    const gCString& stringTableFileName, gCString& secondResourceFileName);

    // In the order the destructor needs: voices first (the audio thread must be quiet before any
    // sample memory goes), then the pools, the string table and the directories.
    void Release();

    gCResourceObject* FindPoolResourceById(uint32_t poolIndex, uint32_t id) const
    {
        return mContext.FindPoolResourceById(poolIndex, id);
    }
    gCResourceObject* FindPoolResourceByName(uint32_t poolIndex, const gCString& name) const
    {
        return mContext.FindPoolResourceByName(poolIndex, name);
    }

    gCFile& GetResourceFile() { return mResourceFile; }
    CResourceDirectory& GetDirectory() { return mDirectory; }
    CResourceDirectory& GetSecondDirectory() { return mSecondDirectory; }
    gCStringTable& GetStringTable() { return mStringTable; }
    CResourcePool& GetPool(uint32_t index) { return mContext.pools[index]; }
    CSoundPlayer& GetSoundPlayer() { return mSoundPlayer; }
    CResourceContext& GetContext() { return mContext; }

private:
    gCFile mResourceFile;
    gCStringTable mStringTable;
    CResourceDirectory mDirectory;
    gCFile mSecondFile;
    CResourceDirectory mSecondDirectory;
    CResourceContext mContext;
    CSoundPlayer mSoundPlayer;
};
