// The open-file and save-file dialogs for one question: a start folder, a type list that
// restricts or labels the choice, and the chosen file handed back as a path. eHandled when the user
// cancels, eCreateFailed when the dialog cannot be run or gives no usable answer.
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCBasePath;
class gCFTypeList;

class gCFileDlg : public gCBaseObject {
public:
    gCFileDlg() = default;
    ~gCFileDlg() override = default;

    gCFileDlg(const gCFileDlg&) = delete;
    gCFileDlg& operator=(const gCFileDlg&) = delete;

    // path holds the start place on entry and the chosen file on success.
    eResultCode GetFile(gCString& path, gCFTypeList* types);
    // path gives the start folder and the proposed name; on success it names the chosen file,
    // with the extension and Mac type of the chosen type.
    eResultCode PutFile(gCBasePath& path, gCFTypeList* types);

    // Whether the open dialog lists an item: folders always, files that match an entry by
    // Finder type (0 for none), by file type or by extension.
    static int32_t ShowsItem(const gCFTypeList* types, const gCString& path, int32_t isFolder, uint32_t finderType);
    // The typed name when the save dialog's type changes: the old extension (when the name ends in
    // it exactly and is longer) is replaced by the new one.
    static gCString RenameForType(const gCString& name, const gCString& oldExtension, const gCString& newExtension);

    int32_t GetCurrentType() const { return mCurrentType; }

private:
    gCFTypeList* mTypes = nullptr;
    int32_t mCurrentType = 0;
    gCString mStartFolder;
};
