// The files pnupack reads and the package it writes. Each answers why it failed in the system's
// words ("No such file or directory", "Is a directory"), or nothing when it succeeded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a regular file; a link to one is followed. Anything else (a folder, a pipe, a
// device) is refused without being opened, so a pipe never holds the tool up.
[[nodiscard]] std::string ReadSourceFile(const char* path, std::vector<uint8_t>& bytes);

// Writes the bytes to a file beside the output and renames it over the output in one step, so
// a failure leaves no partly-written output behind; a folder at the output is never replaced.
[[nodiscard]] std::string WriteOutputFile(const char* path, const std::vector<uint8_t>& bytes);
