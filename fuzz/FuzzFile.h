// Feeds fuzzer input to the readers through a real file stream, as they read the files they meet.
#pragma once

#include "FileIO/gCFile.h"

#include <cstdio>
#include <string>
#include <unistd.h>

class FuzzFile : public gCFile {
public:
    // Writes the input to this process's scratch file and opens it for reading.
    bool Load(const uint8_t* data, size_t size)
    {
        // In memory when the machine has a RAM disk: a fuzzer writes this file on every run.
        static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                        "/pnu-fuzz-" + std::to_string(getpid());
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out)
            return false;
        std::fwrite(data, 1, size, out);
        std::fclose(out);
        int32_t created = 0;
        return OpenSystemPath(path.c_str(), eAccessRead, created) == eSuccess;
    }
};
