// The set of file types a file dialog offers or accepts, and the test of whether a path belongs
// to it. Entries are built-in catalogue values first, then custom types; entry indexes run over
// both in that order.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// InsertType, AddTypes, AddGroup, AddCustomType, AcceptsPath and FilterPaths.
#pragma once

#include "FileIO/eFileType.h"
#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCFPath;

class gCFTypeList : public gCBaseObject {
public:
    struct sCustomFileType {
        uint32_t number = 0; // the caller's own identification
        gCString name;
        gCString extension; // in the built-in form, with its leading "."
        uint32_t macType = 0;
    };

    gCFTypeList() = default;
    gCFTypeList(const gCFTypeList& other) { *this = other; }
    ~gCFTypeList() override = default;

    // The extension text of an entry; empty past the end.
    gCString GetPCType(int32_t index) const;
    eResultCode SetCurrentType(int32_t index);
    // Inside the list the entries from index on move up; at or past the end the list is made
    // index + 1 long.
    eResultCode InsertType(eFileType type, int32_t index);
    // Appends first and the following values up to eLastTypeIndex, which is not appended.
    template <typename... Rest>
    eResultCode AddTypes(eFileType first, Rest... rest)
    {
        const eFileType values[] = {first, eFileType(rest)...};
        return AddTypeList(values, int32_t(sizeof...(Rest)) + 1);
    }
    // Appends the members of a group; eBadParameter for a value that is not a group.
    eResultCode AddGroup(eFileType group);
    eResultCode AddCustomType(uint32_t number, const gCString& name, const gCString& extension, uint32_t macType);
    gCFTypeList& operator=(const gCFTypeList& other);

    // An empty list accepts every path. A path matches on its extension (ASCII letters without
    // case; each extension of a comma-separated entry counts) or on its Mac type code.
    eResultCode AcceptsPath(const gCFPath& path, uint32_t& accepted) const;
    // The first entry whose extension matched, else the first whose code matched, else -1.
    int32_t FindPathType(const gCFPath& path) const;
    // Appends the matching paths of in to out; rejected ones are deleted when asked.
    eResultCode FilterPaths(gCArray<gCFPath*>& in, gCArray<gCFPath*>& out, uint32_t deleteRejected) const;

    int32_t GetEntryCount() const { return mTypes.GetSize() + mCustomTypes.GetSize(); }
    // The built-in value of an entry; eNoFileType for a custom entry or past the end.
    eFileType GetEntryFileType(int32_t index) const;
    gCString GetEntryName(int32_t index) const;
    uint32_t GetEntryMacType(int32_t index) const;
    int32_t GetCurrentType() const { return mCurrentIndex; }
    const gCArray<eFileType>& GetTypes() const { return mTypes; }

    // Whether an upper-cased extension (with its ".") is one of the entry's extensions.
    bool EntryHasExtension(int32_t index, const gCString& upperExtension) const;

private:
    eResultCode AddTypeList(const eFileType* values, int32_t count);

    gCArray<eFileType> mTypes;
    gCArray<sCustomFileType> mCustomTypes;
    int32_t mCurrentIndex = 0;
    uint32_t mAllFiles = 0;
};
