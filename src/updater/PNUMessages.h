// The updater's messages (commands 0xFF0F00nn with p1 and a 64-bit p2) and its status colours.
#pragma once

#include <cstdint>

enum ePNUMessage : uint32_t {
    kPNUParsedList = 0xFF0F0000,       // p2: gCArray<gCString>*; handled by nobody
    kPNUSessionState = 0xFF0F0001,     // p2: the manager state; handled by nobody
    kPNUStatusLine = 0xFF0F0004,       // p1: gCString*, p2: colour
    kPNUProgress = 0xFF0F0005,         // p2: percentage
    kPNUStatusLineCopy = 0xFF0F0006,   // p1: gCString*, p2: colour
    kPNUPackageReceived = 0xFF0F0007,  // p2: gCMemFile* with the body
    kPNUPackageToSave = 0xFF0F0008,    // p2: gCMemFile* with the body
    kPNUQuit = 0xFF0F0009,
    kPNUServerRefused = 0xFF0F000A,    // p2: fail type
    kPNUMessagePanelOn = 0xFF0F000B,
    kPNUAskProtocol = 0xFF0F000C,      // p2: int32_t*
    kPNUSourceRequested = 0xFF0F000D,
    kPNUAskSession = 0xFF0F000E,       // p2: CPNUHTTPSession**
    kPNUSuccessSound = 0xFF0F000F,
    kPNUFailureSound = 0xFF0F0010,
    kPNUSetMessagePanel = 0xFF0F0013,  // p2: 0 off, 1 on
};

inline constexpr uint32_t kStatusBlack = 0xFF000000u;
inline constexpr uint32_t kStatusRed = 0xFFFF0000u;
inline constexpr uint32_t kStatusLightRed = 0xFFFF4040u;
inline constexpr uint32_t kStatusDarkRed = 0xFFDD0000u;
inline constexpr uint32_t kStatusGreen = 0xFF008000u;
inline constexpr uint32_t kStatusBrightGreen = 0xFF00A000u;
inline constexpr uint32_t kStatusBrown = 0xFF800000u;
