// Builds the updater's package archive (header, instruction text, index, file records) and
// frames it as a package. A tool of the project, not part of the updater.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sPackageFile {
    std::string name; // UTF-8, stored as UTF-16 with its leading separator ("/folder/file")
    std::vector<uint8_t> data;
    uint16_t mode = 0644;
};

class PNUArchiveWriter {
public:
    // The instruction text (UTF-8), lines separated by CR; the byte-order mark is added.
    void SetInstructionText(const std::string& text) { mText = text; }
    // Taken over when moved in: a product's file can be hundreds of megabytes.
    void AddFile(sPackageFile file) { mFiles.push_back(std::move(file)); }

    std::vector<uint8_t> BuildArchive() const;
    // "PN2SQUSH", version 1, the archive coded with method 8, "PN2SQUSH". False when the
    // archive cannot be coded (its frame would not fit in 32 bits). The files' bytes are
    // released once the archive holds them.
    bool BuildPackage(std::vector<uint8_t>& package);

    static std::vector<char16_t> ToUnits(const std::string& utf8);

private:
    std::string mText;
    std::vector<sPackageFile> mFiles;
};
