// A list of strings with optional 32-bit ids ('txlt'), loaded from the resource file. The id
// array may be shorter than the string array: string i has an id only when i < id count.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// GetCurrentString, SetStringAt, AddString, InsertString and RemoveById.
#pragma once

#include "core/gCArray.h"
#include "core/gCString.h"
#include "resources/gCResourceObject.h"

#include <cstdint>

inline constexpr uint32_t kNoTextId = 0xFFFFFFFF;

class CTextList : public gCResourceObject {
public:
    CTextList();
    ~CTextList() override = default;

    gCString GetCurrentString() const;
    // Makes a valid index current; an index outside the list gives an empty string.
    gCString GetStringAt(int32_t index);
    eResultCode SetStringAt(int32_t index, const gCString& text);
    eResultCode SetStringAt(int32_t index, const gCString& text, uint32_t id);
    eResultCode AddString(const gCString& text, uint32_t id);
    eResultCode InsertString(int32_t index, const gCString& text, uint32_t id);
    eResultCode RemoveAt(int32_t index);
    eResultCode RemoveAll();
    eResultCode RemoveById(uint32_t id);

    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;

    static CTextList* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CTextList* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);
    // The list of the text-list pool with that id or name, else one loaded and added to it.
    static CTextList* FindOrLoadById(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CTextList* FindOrLoadByName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    int32_t GetCount() const { return mStrings.GetSize(); }
    int32_t GetIdCount() const { return mIds.GetSize(); }
    uint32_t GetIdAt(int32_t index) const { return index >= 0 && index < mIds.GetSize() ? mIds[index] : kNoTextId; }
    int32_t GetCurrentIndex() const { return mCurrent; }

private:
    eResultCode LoadPayload(gCFile& file, CResourceDirectory* directory, bool byName);

    int32_t mCurrent = 0;
    gCArray<gCString> mStrings;
    gCArray<uint32_t> mIds;
};
