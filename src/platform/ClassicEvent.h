// One event as the older, record-based event loop hands it over: a type, a message word, the
// pointer's global position and the modifiers, plus what a menu selection at that position chose
// (there is no menu bar here to ask).
#pragma once

#include "platform/InputState.h"

#include <cstdint>

namespace plat {

enum eClassicEventType : uint16_t {
    kClassicNullEvent = 0,
    kClassicMouseDown = 1,
    kClassicMouseUp = 2,
    kClassicKeyDown = 3,
    kClassicKeyUp = 4,
    kClassicAutoKey = 5,
    kClassicUpdate = 6,
    kClassicActivate = 8,
    kClassicOSEvent = 15,      // suspend or resume of the program
    kClassicHighLevel = 23,    // an inter-program request
};

// Where in a window a mouse down landed.
enum eWindowPart : int16_t {
    kPartInContent = 3,
    kPartInDrag = 4,
    kPartInGoAway = 6,
};

// Bit 0 of a suspend/resume message: set on resume.
inline constexpr uint32_t kClassicResumeFlag = 0x01;

struct sClassicEvent {
    uint16_t what = kClassicNullEvent;
    // Key events: the character in bits 0-7 and the Mac virtual key code in bits 8-15.
    uint32_t message = 0;
    sPoint where{};          // global
    uint32_t modifiers = 0;  // kMod... bits
    int16_t menu = 0;        // the menu and item a selection chose; 0 when none
    int16_t item = 0;

    uint8_t GetCharacter() const { return uint8_t(message & 0xFF); }
    int32_t GetKeyCode() const { return int32_t((message >> 8) & 0xFF); }
};

} // namespace plat
