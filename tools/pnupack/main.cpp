// pnupack: writes an update package.
//
//   pnupack [--line KEY=VALUE]... [--text TEXT] [--file NAME SOURCE [MODE]]... [--archive] OUTPUT
//
// --line appends a line of the instruction text (each ended by CR); --text appends raw text.
// --file stores SOURCE's bytes under NAME ("/folder/file", relative to the install folder) with
// the octal MODE (default 644). --archive writes the archive without the package frame.
#include "PNUArchiveWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

namespace {

int Usage()
{
    fprintf(stderr, "usage: pnupack [--line KEY=VALUE]... [--text TEXT] [--file NAME SOURCE [MODE]]... "
                    "[--archive] OUTPUT\n");
    return 2;
}

bool ReadWhole(const char* path, std::vector<uint8_t>& bytes)
{
    // Sized once: a product's files can be hundreds of megabytes.
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return false;
    const std::streamoff size = file.tellg();
    if (size < 0)
        return false;
    bytes.resize(size_t(size));
    file.seekg(0);
    return size == 0 || bool(file.read(reinterpret_cast<char*>(bytes.data()), size));
}

bool IsOctal(const char* text)
{
    if (*text == 0)
        return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '7')
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    PNUArchiveWriter writer;
    std::string text;
    bool archiveOnly = false;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--line") == 0 && i + 1 < argc) {
            text += argv[++i];
            text += '\r';
        } else if (strcmp(argv[i], "--text") == 0 && i + 1 < argc) {
            text += argv[++i];
        } else if (strcmp(argv[i], "--file") == 0 && i + 2 < argc) {
            sPackageFile file;
            file.name = argv[++i];
            const char* source = argv[++i];
            if (!ReadWhole(source, file.data)) {
                fprintf(stderr, "pnupack: cannot read %s\n", source);
                return 1;
            }
            if (i + 1 < argc && IsOctal(argv[i + 1]))
                file.mode = uint16_t(strtoul(argv[++i], nullptr, 8));
            writer.AddFile(std::move(file));
        } else if (strcmp(argv[i], "--archive") == 0) {
            archiveOnly = true;
        } else if (argv[i][0] != '-' && output == nullptr) {
            output = argv[i];
        } else {
            return Usage();
        }
    }
    if (output == nullptr)
        return Usage();
    writer.SetInstructionText(text);

    std::vector<uint8_t> bytes;
    if (archiveOnly) {
        bytes = writer.BuildArchive();
    } else if (!writer.BuildPackage(bytes)) {
        fprintf(stderr, "pnupack: the archive is too large for a package\n");
        return 1;
    }
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        fprintf(stderr, "pnupack: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
