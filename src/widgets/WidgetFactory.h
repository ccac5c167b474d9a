// Turns a widget type code and a resource id or name into a loaded widget, optionally added to a
// parent. Every failure is reported here; callers see null.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// CreateWidgetById.
#pragma once

#include "core/gCString.h"

#include <cstdint>

class CWidget;
class CResourceDirectory;
class gCFile;
class gCStream;

// A null file means the application's resource file.
CWidget* CreateWidgetById(uint32_t id, uint32_t type, CWidget* parent, gCFile* file);
CWidget* CreateWidgetByType(const gCString& name, uint32_t type, CWidget* parent, gCFile* file);
// Finds the first chunk of any type carrying the name and creates a widget of that chunk's type.
CWidget* CreateWidgetByName(const gCString& name, gCStream* file);

// One row of the factory table: a class the factory can create from a file.
struct sWidgetFactoryEntry {
    uint32_t type;
    CWidget* (*createFromId)(uint32_t id, gCFile* file, CResourceDirectory* directory);
    CWidget* (*createFromName)(const gCString& name, gCFile* file, CResourceDirectory* directory);
    const char* failure;
};

// The row for a type code, or null when the factory does not create that type.
const sWidgetFactoryEntry* FindWidgetFactoryEntry(uint32_t type);
