// The toolkit's functions for folders: create one, test one named relative to the application,
// list one as path objects, copy one's files and (on request) its whole tree, and find the
// special places: documents, preferences, the working folder, the bundle's folders, the volumes.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// CreateRelativeFolder, RelativeFolderExists, CopyFolderRecursive, ListVolumes and the documents,
// preferences and working-folder look-ups.
#pragma once

#include "core/eResultCode.h"
#include "core/gCArray.h"
#include "core/gCString.h"

#include <cstdint>

class gCFRef;
class gCFolderRef;
class gCVolumeRef;

// Makes the last level only: eCreateFailed when the parent is missing or a file stands at the
// place, eNoMemory when memory runs out.
eResultCode CreateFolder(const gCFolderRef& folder);
eResultCode CreateRelativeFolder(const gCString& text, uint32_t flag);
// rel is joined to a base folder; the caller's text keeps its ":" made "/" (and a leading "/"
// dropped when both have one).
bool RelativeFolderExists(gCString& rel, uint32_t flag);
// Appends a new object for every entry, sorted by name, hidden ones included; eSuccess also when
// there is no folder to list. eNoMemory when memory runs out, and then nothing is appended.
eResultCode ListFolder(const gCFolderRef& folder, gCArray<gCFRef*>& files, gCArray<gCFolderRef*>& folders);
// Copies the source's files into the destination (which must exist), replacing files of the same
// name, then with recurse its sub-folders. Linked folders are not descended into and links are
// copied as links; a destination inside the source is refused (eBadParameter). eGenericFailure for
// an unset source, eSuccess for a missing one, eNoMemory when memory runs out (also while telling
// whether the source exists).
eResultCode CopyFolderRecursive(const gCFolderRef& source, const gCFolderRef& destination, uint32_t recurse);
eResultCode GetDocumentsFolder(gCFolderRef& folder);
eResultCode GetPreferencesFolder(gCFolderRef& folder);
// The working folder (UTF-8 decoded); ePathNameError when it cannot be read.
eResultCode GetCurrentFolder(gCString& folder);
eResultCode GetAppContentsFolder(gCString& folder);
eResultCode GetAppParentFolder(gCString& folder);
// Appends one object per mounted volume, named after its root with ":" appended.
eResultCode ListVolumes(gCArray<gCVolumeRef*>& volumes);
