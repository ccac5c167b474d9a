// What a file operation of this layer came to. The kinds are the ones the toolkit and the
// installer tell apart; each file operation answers one.
#pragma once

#include <cstdint>

namespace plat {

enum class [[nodiscard]] eFileResult : int32_t {
    kOk = 0,
    kNotFound,     // nothing at the path
    kNoFolder,     // a folder on the way is missing or is not a folder
    kBadName,      // the name is too long or not acceptable
    kIsFolder,     // a folder stands where a file was expected
    kExists,       // something already stands at the path
    kAccessDenied, // the permission bits refuse the access
    kEndOfFile,    // fewer bytes were left than asked for, or a position past the end
    kFailed,       // any other refusal of the system
    kNoMemory,     // the caller could not keep what the system handed back
    // What an installer tells the user apart.
    kNoSpace,         // the disk or the quota is full
    kTooLarge,        // the file is larger than the file system or a limit allows
    kReadOnly,        // the file system takes no changes
    kLinkUnsupported, // the file system cannot give this file a second name
    // What operations relative to an opened folder refuse; a link is never followed.
    kLinkOnWay,    // the links on the way to the entry run in a ring, or are too many
    kLeavesFolder, // the path names no entry beneath the folder (an empty, "." or ".." part)
    kIsLink,       // a symbolic link stands where a file was expected
    kLinkDangles,  // a link on the way names nothing: what it names may well come back
    // What stands where a regular file, or a file of one name, was expected.
    kNotRegularFile, // a pipe, a socket or a device stands where a file was expected
    kMoreNames,      // the file has another name as well, so writing it changes a file elsewhere
};

// How finely a system error number is told apart. The file stream sees a read-only file system
// as a refused access and a full disk as a plain failure; the installer reports those to the
// user (kReadOnly, kNoSpace, kTooLarge), and error number 0 is kOk to it.
enum class eErrorDetail : uint8_t { kStream, kInstaller };

// The result that stands for a system error number.
eFileResult FileResultFromErrno(int error, eErrorDetail detail = eErrorDetail::kStream);

// The system's own text for a failure of that kind ("No space left on device"); empty for kOk.
const char* DescribeFileResult(eFileResult result);

} // namespace plat
