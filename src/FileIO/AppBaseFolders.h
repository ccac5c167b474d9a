// The two base folders of relative paths: the bundle's Contents folder and the folder that holds
// the bundle, both ending in "/". The application object fills them at start-up from its bundle;
// tests set them directly. Until then both are empty.
#pragma once

#include "core/eResultCode.h"
#include "core/gCString.h"

// Sets both from the bundle's own folder text (with or without its final "/"): the Contents
// folder is the bundle followed by Contents/, the other is the folder the bundle stands in.
eResultCode SetAppBundleFolder(const gCString& bundle);
// Sets the two texts as given.
eResultCode SetAppBaseFolders(const gCString& contentsFolder, const gCString& parentFolder);
void ClearAppBaseFolders();

const gCString& GetAppContentsFolderText();
const gCString& GetAppParentFolderText();
// Flag 0 selects the Contents folder, any other value the folder that holds the bundle.
const gCString& GetAppBaseFolderText(uint32_t flag);
