// The application's user-visible texts by 32-bit id and, when the owner asks for it, by name.
// Texts may hold several fields separated by "|". A missing text, name or field comes back as the
// fixed text "%%String Table Error" rather than as a failure.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// LoadFromFile, SetTextByName, RemoveById and RemoveByName.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCStream;

// What every failed lookup answers; callers compare against it to detect a missing entry.
extern const char16_t kStringTableError[];

class gCStringTable : public gCBaseObject {
public:
    gCStringTable() = default;
    ~gCStringTable() override;

    gCStringTable(const gCStringTable&) = delete;
    gCStringTable& operator=(const gCStringTable&) = delete;

    // A new table from the hooks, or null.
    static gCStringTable* Create(uint32_t keepNames);

    // Names are stored (and name lookups work) only while this is 1; set it before loading.
    void SetKeepNames(uint32_t keepNames) { mKeepNames = keepNames; }

    // Reads every entry of the stream from its start. With replace 1 a later entry for a present
    // id (or, when names are kept, name) replaces the earlier one and moves to the end; with 0 the
    // first one stays. Entries read before an error stay in the table.
    eResultCode Read(gCStream* stream, int32_t replace);
    eResultCode LoadFromStream(gCStream& stream);
    // Opens the file (a path relative to the bundle's Contents folder) for reading and reads it;
    // the open's result when it fails. Reload empties the table first and replaces.
    eResultCode LoadFromFile(const gCString& path, int32_t replace);
    eResultCode ReloadFromFile(const gCString& path);

    gCString GetString(uint32_t id, int32_t field) const;
    gCString GetStringByName(const gCString& name, int32_t field) const;
    gCString GetText(uint32_t id) const;
    gCString GetTextByName(const gCString& name) const;

    // Read straight from a string table stream, without a table.
    static gCString GetStringFromStream(gCStream* stream, uint32_t id, int32_t field);
    static gCString GetStringFromStreamByName(gCStream* stream, const gCString& name, int32_t field);

    eResultCode Add(uint32_t id, const gCString& text, const gCString& name);
    eResultCode SetText(uint32_t id, const gCString& text);
    eResultCode SetTextByName(const gCString& name, const gCString& text);
    eResultCode RemoveById(uint32_t id);
    eResultCode RemoveByName(const gCString& name);
    eResultCode RemoveAll();

    int32_t GetCount() const { return mIds.GetSize(); }
    uint32_t GetIdAt(int32_t index) const { return mIds[index]; }

private:
    int32_t FindId(uint32_t id) const;
    int32_t FindName(const gCString& name) const;
    eResultCode Append(uint32_t id, const gCString& text, const gCString& name);
    void RemoveAt(int32_t index);

    gCArray<uint32_t> mIds;
    gCArray<gCString> mTexts;
    gCArray<gCString> mNames;
    uint32_t mKeepNames = 0;
};

// Field `field` of a text whose fields are separated by "|", or the error text: for an empty
// text, a negative field, a field past the last separator, or one that would start at the very end.
gCString SelectStringField(const gCString& text, int32_t field);

// Names match unit by unit, case-sensitively; a name without text matches nothing.
bool StringTableNamesMatch(const gCString& first, const gCString& second);
