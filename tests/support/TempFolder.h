// A fresh folder under the system's temporary folder for one test, removed with everything in
// it when the object goes out of scope.
#pragma once

#include <filesystem>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();

    // The folder's absolute path, ending in "/".
    const std::string& Path() const { return mPath; }
    // The folder as a file system path without the final "/", to join names to with `/`.
    const std::filesystem::path& Root() const { return mRoot; }
    // Path() followed by the relative name.
    std::string operator/(const std::string& name) const { return mPath + name; }

    // Writes a file below the folder (parents must exist) and answers its full path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const;
    // The whole content of a file; empty when it cannot be read.
    static std::string ReadFile(const std::string& path);

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

private:
    std::string mPath;
    std::filesystem::path mRoot;
};
