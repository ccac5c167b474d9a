// Base folders for one test, cleared again afterwards.
#pragma once

#include "FileIO/AppBaseFolders.h"

#include <gtest/gtest.h>

class ScopedBaseFolders {
public:
    ScopedBaseFolders(const gCString& contents, const gCString& parent)
    {
        EXPECT_EQ(SetAppBaseFolders(contents, parent), eSuccess);
    }
    ScopedBaseFolders(const char16_t* contents, const char16_t* parent)
        : ScopedBaseFolders(gCString(contents), gCString(parent))
    {
    }
    explicit ScopedBaseFolders(const gCString& bundle) { EXPECT_EQ(SetAppBundleFolder(bundle), eSuccess); }
    ~ScopedBaseFolders() { ClearAppBaseFolders(); }
};
