// What the window system tells the toolkit, in the toolkit's own terms: Mac virtual key codes,
// Mac modifier bits, points in both window-content and global coordinates.
#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Modifier bits as the toolkit tests them. Command is the Ctrl key, Option the Alt key and
// Control the Super key, so the usual Linux shortcuts (Ctrl+C) are the Mac ones (Command+C).
enum : uint32_t {
    kModCommand = 0x0100,
    kModShift = 0x0200,
    kModCapsLock = 0x0400,
    kModOption = 0x0800,
    kModControl = 0x1000,
};

// Mouse button numbers of pointer events (1 primary, 2 secondary, 3 middle, more beyond).
// Live button state uses bits instead: bit 0 primary, bit 1 secondary, bit 2 middle.
enum : uint32_t { kButtonStatePrimary = 1, kButtonStateSecondary = 2, kButtonStateMiddle = 4 };

enum class eEventKind : uint8_t {
    kWindowClose,    // the close box: the toolkit quits
    kWindowExposed,  // the layer has already shown its kept pixels again
    kWindowShown,    // shown or restored
    kWindowResized,  // width and height hold the new content size
    kMouseDown,
    kMouseUp,
    kMouseMove,      // `button` non-zero while a button is held (a drag)
    kMouseWheel,     // wheelX, wheelY: notches, up and right positive
    kKeyDown,
    kKeyRepeat,
    kKeyUp,
    kCommand,        // `command`: 'cut ', 'copy', 'past' or 'quit'
    kFilesDropped,   // `paths`: every file of one drop, in order
    kQuit,           // the system asked the program to end (SIGINT, SIGTERM, session end)
};

struct sEvent {
    eEventKind kind = eEventKind::kQuit;
    uint32_t windowId = 0;       // 0 when the event belongs to no window
    int32_t x = 0, y = 0;        // window-content coordinates
    int32_t globalX = 0, globalY = 0;
    int32_t width = 0, height = 0;
    uint32_t button = 0;
    uint32_t modifiers = 0;      // kMod... bits at the time of the event
    int32_t keyCode = -1;        // Mac virtual key code, -1 when the key has none
    uint32_t character = 0;      // Unicode scalar the key types (0: none)
    int32_t wheelX = 0, wheelY = 0;
    uint32_t command = 0;        // four-character code, first character in the high byte
    std::vector<std::string> paths;  // UTF-8
};

// Hands the files of a drop to the receiver in order; kNoMemory when it could not keep one.
inline eFileResult GetDroppedPaths(const sEvent& event, PathReceiver& paths)
{
    for (const std::string& path : event.paths) {
        if (!paths.TakePath(path.c_str()))
            return eFileResult::kNoMemory;
    }
    return eFileResult::kOk;
}

constexpr uint32_t FourCharCode(const char (&code)[5])
{
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

} // namespace plat
