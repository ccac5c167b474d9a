// The fixture of the file and folder services' tests: a fresh temporary folder for each test,
// and the texts and folder objects that name what is in it.
#pragma once

#include "FileIO/gCFolderRef.h"
#include "core/gCString.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

inline gCString Text(const std::string& utf8)
{
    gCString text;
    EXPECT_EQ(text.SetFromUTF8(utf8), eSuccess);
    return text;
}

inline gCFolderRef Folder(const std::string& path)
{
    gCFolderRef folder;
    EXPECT_EQ(folder.SetPath(Text(path)), eSuccess);
    return folder;
}

class FileSystemFixture : public ::testing::Test {
protected:
    TempFolder temp;
};
