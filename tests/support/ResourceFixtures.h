// Helpers for the tests of resource files, string tables and sounds: bytes from hand-written hex,
// a file stream opened on a plain path, an installed resource context without an application,
// and a run of the resource compiler.
#pragma once

#include "FileIO/gCFile.h"
#include "resources/CResourceContext.h"
#include "resources/CResourceDirectory.h"
#include "sound/CSoundPlayer.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

// Hex digits to bytes; spaces, line breaks and anything after "|" on a line are ignored, so a
// fixture can carry a comment per line.
inline std::string HexBytes(const std::string& text)
{
    std::string bytes;
    std::string digits;
    bool comment = false;
    for (char c : text) {
        if (c == '\n')
            comment = false;
        else if (c == '|')
            comment = true;
        else if (!comment && std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += char(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

class TestResourceFile : public gCFile {
public:
    eResultCode OpenAt(const std::string& path, eAccessState state = eAccessRead)
    {
        int32_t created = 0;
        return OpenSystemPath(path.c_str(), state, created);
    }
};

// Stands in for the application object: its resource file, directory, pools and sound player.
class ScopedResourceContext {
public:
    ScopedResourceContext()
    {
        context.directory = &directory;
        context.soundPlayer = &player;
        context.reportError = &RecordError;
        LastErrors().clear();
        SetResourceContext(&context);
    }
    ~ScopedResourceContext()
    {
        // Pooled sounds stop their voices through the player, which is still there.
        for (CResourcePool& pool : context.pools)
            pool.RemoveAll();
        SetResourceContext(nullptr);
    }

    // Opens `path` as the application's resource file and reads its directory.
    eResultCode UseResourceFile(const std::string& path)
    {
        PNU_TRY(file.OpenAt(path));
        context.resourceFile = &file;
        return ReadResourceDirectory(directory, &file);
    }

    static std::string& LastErrors()
    {
        static std::string errors;
        return errors;
    }

    CResourceContext context;
    CResourceDirectory directory;
    CSoundPlayer player;
    TestResourceFile file;

private:
    static void RecordError(eResultCode code, const char* detail)
    {
        LastErrors() += std::to_string(int(code)) + " " + detail + "\n";
    }
};

// Runs the resource compiler on `source` (written into `folder` as `name`); answers the output
// path, or an empty string when the compiler failed.
inline std::string CompileResources(const std::string& folder, const std::string& kind, const std::string& name,
                                    const std::string& source)
{
    std::string input = folder + name;
    std::string output = input + (kind == "strings" ? ".msf" : ".mrf");
    FILE* file = std::fopen(input.c_str(), "wb");
    if (!file)
        return "";
    std::fwrite(source.data(), 1, source.size(), file);
    std::fclose(file);
    std::string command = "python3 '" PNU_SOURCE_DIR "/tools/rescomp/rescomp.py' " + kind + " '" + input + "' -o '" +
                          output + "'";
    return std::system(command.c_str()) == 0 ? output : "";
}
