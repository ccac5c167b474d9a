// pnupack: writes an update package.
//
//   pnupack [--line KEY=VALUE]... [--text TEXT] [--file NAME SOURCE [MODE]]... [--archive]
//           [--unchecked-names] OUTPUT
//
// --line appends a line of the instruction text (each ended by CR); --text appends raw text.
// --file stores SOURCE's bytes under NAME ("/folder/file", relative to the install folder) with
// the octal MODE (default 644). --archive writes the archive without the package frame.
// --unchecked-names lets the tests build packages whose names the updater must refuse.
#include "PNUArchiveWriter.h"
#include "PNUPackFiles.h"
#include "PNUPackNames.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kUsage[] = "usage: pnupack [--line KEY=VALUE]... [--text TEXT] [--file NAME SOURCE [MODE]]... "
                          "[--archive] [--unchecked-names] OUTPUT\n";

constexpr char kHelp[] =
    "Writes an update package: the instruction text and the files, coded as the updater reads them.\n"
    "\n"
    "  --line KEY=VALUE       appends a line to the instruction text (TYPE=FULL, OS=OSX, BUILD=FULL)\n"
    "  --text TEXT            appends TEXT to the instruction text as it is\n"
    "  --file NAME SOURCE [MODE]\n"
    "                         stores the regular file SOURCE under NAME, a path inside the install\n"
    "                         folder that starts with \"/\", with the octal MODE (default 644)\n"
    "  --archive              writes the archive alone, without the package's frame\n"
    "  --unchecked-names      stores names the updater refuses (to test its refusals)\n"
    "  --help                 shows this text\n"
    "\n"
    "Nothing is written at OUTPUT unless every input is accepted.\n";

int Usage()
{
    fputs(kUsage, stderr);
    return 2;
}

int Refuse(const std::string& line)
{
    fprintf(stderr, "pnupack: %s\n", line.c_str());
    return 1;
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

struct sFileArgument {
    std::string name;
    const char* source = nullptr;
    uint16_t mode = 0644;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<sFileArgument> files;
    std::string text;
    bool archiveOnly = false;
    bool uncheckedNames = false;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(kUsage, stdout);
            fputs(kHelp, stdout);
            return 0;
        } else if (strcmp(argv[i], "--line") == 0 && i + 1 < argc) {
            text += argv[++i];
            text += '\r';
        } else if (strcmp(argv[i], "--text") == 0 && i + 1 < argc) {
            text += argv[++i];
        } else if (strcmp(argv[i], "--file") == 0 && i + 2 < argc) {
            sFileArgument file;
            file.name = argv[++i];
            file.source = argv[++i];
            if (i + 1 < argc && IsOctal(argv[i + 1]))
                file.mode = uint16_t(strtoul(argv[++i], nullptr, 8));
            files.push_back(std::move(file));
        } else if (strcmp(argv[i], "--archive") == 0) {
            archiveOnly = true;
        } else if (strcmp(argv[i], "--unchecked-names") == 0) {
            uncheckedNames = true;
        } else if (argv[i][0] != '-' && output == nullptr) {
            output = argv[i];
        } else {
            return Usage();
        }
    }
    if (output == nullptr)
        return Usage();

    // The names first: a refused one costs no reading of a large product.
    if (!uncheckedNames) {
        std::vector<std::string> names;
        for (const sFileArgument& file : files)
            names.push_back(file.name);
        if (std::string refusal = CheckPackageNames(names); !refusal.empty())
            return Refuse(refusal);
    }
    PNUArchiveWriter writer;
    writer.SetInstructionText(text);
    for (sFileArgument& argument : files) {
        sPackageFile file;
        file.name = std::move(argument.name);
        file.mode = argument.mode;
        if (std::string reason = ReadSourceFile(argument.source, file.data); !reason.empty())
            return Refuse("cannot read " + std::string(argument.source) + ": " + reason);
        writer.AddFile(std::move(file));
    }

    std::vector<uint8_t> bytes;
    if (archiveOnly) {
        bytes = writer.BuildArchive();
    } else if (!writer.BuildPackage(bytes)) {
        return Refuse("the archive is too large for a package");
    }
    if (std::string reason = WriteOutputFile(output, bytes); !reason.empty())
        return Refuse("cannot write " + std::string(output) + ": " + reason);
    return 0;
}
