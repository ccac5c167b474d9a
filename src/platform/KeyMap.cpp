#include "platform/KeyMap.h"

#include "platform/Event.h"

#include <SDL.h>

namespace plat {
namespace {

struct sKeyPair {
    SDL_Scancode scancode;
    int32_t macKey;
};

// Positions of the ANSI keyboard layout.
constexpr sKeyPair kKeys[] = {
    {SDL_SCANCODE_A, 0}, {SDL_SCANCODE_S, 1}, {SDL_SCANCODE_D, 2}, {SDL_SCANCODE_F, 3},
    {SDL_SCANCODE_H, 4}, {SDL_SCANCODE_G, 5}, {SDL_SCANCODE_Z, 6}, {SDL_SCANCODE_X, 7},
    {SDL_SCANCODE_C, 8}, {SDL_SCANCODE_V, 9}, {SDL_SCANCODE_NONUSBACKSLASH, 10},
    {SDL_SCANCODE_B, 11}, {SDL_SCANCODE_Q, 12}, {SDL_SCANCODE_W, 13}, {SDL_SCANCODE_E, 14},
    {SDL_SCANCODE_R, 15}, {SDL_SCANCODE_Y, 16}, {SDL_SCANCODE_T, 17}, {SDL_SCANCODE_1, 18},
    {SDL_SCANCODE_2, 19}, {SDL_SCANCODE_3, 20}, {SDL_SCANCODE_4, 21}, {SDL_SCANCODE_6, 22},
    {SDL_SCANCODE_5, 23}, {SDL_SCANCODE_EQUALS, 24}, {SDL_SCANCODE_9, 25}, {SDL_SCANCODE_7, 26},
    {SDL_SCANCODE_MINUS, 27}, {SDL_SCANCODE_8, 28}, {SDL_SCANCODE_0, 29},
    {SDL_SCANCODE_RIGHTBRACKET, 30}, {SDL_SCANCODE_O, 31}, {SDL_SCANCODE_U, 32},
    {SDL_SCANCODE_LEFTBRACKET, 33}, {SDL_SCANCODE_I, 34}, {SDL_SCANCODE_P, 35},
    {SDL_SCANCODE_RETURN, 36}, {SDL_SCANCODE_L, 37}, {SDL_SCANCODE_J, 38},
    {SDL_SCANCODE_APOSTROPHE, 39}, {SDL_SCANCODE_K, 40}, {SDL_SCANCODE_SEMICOLON, 41},
    {SDL_SCANCODE_BACKSLASH, 42}, {SDL_SCANCODE_COMMA, 43}, {SDL_SCANCODE_SLASH, 44},
    {SDL_SCANCODE_N, 45}, {SDL_SCANCODE_M, 46}, {SDL_SCANCODE_PERIOD, 47},
    {SDL_SCANCODE_TAB, 48}, {SDL_SCANCODE_SPACE, 49}, {SDL_SCANCODE_GRAVE, 50},
    {SDL_SCANCODE_BACKSPACE, 51}, {SDL_SCANCODE_ESCAPE, 53},
    // Command is Ctrl, Option is Alt, Control is Super.
    {SDL_SCANCODE_RCTRL, 54}, {SDL_SCANCODE_LCTRL, 55}, {SDL_SCANCODE_LSHIFT, 56},
    {SDL_SCANCODE_CAPSLOCK, 57}, {SDL_SCANCODE_LALT, 58}, {SDL_SCANCODE_LGUI, 59},
    {SDL_SCANCODE_RSHIFT, 60}, {SDL_SCANCODE_RALT, 61}, {SDL_SCANCODE_RGUI, 62},
    {SDL_SCANCODE_F17, 64}, {SDL_SCANCODE_KP_PERIOD, 65}, {SDL_SCANCODE_KP_MULTIPLY, 67},
    {SDL_SCANCODE_KP_PLUS, 69}, {SDL_SCANCODE_NUMLOCKCLEAR, 71}, {SDL_SCANCODE_VOLUMEUP, 72},
    {SDL_SCANCODE_VOLUMEDOWN, 73}, {SDL_SCANCODE_MUTE, 74}, {SDL_SCANCODE_KP_DIVIDE, 75},
    {SDL_SCANCODE_KP_ENTER, 76}, {SDL_SCANCODE_KP_MINUS, 78}, {SDL_SCANCODE_F18, 79},
    {SDL_SCANCODE_F19, 80}, {SDL_SCANCODE_KP_EQUALS, 81}, {SDL_SCANCODE_KP_0, 82},
    {SDL_SCANCODE_KP_1, 83}, {SDL_SCANCODE_KP_2, 84}, {SDL_SCANCODE_KP_3, 85},
    {SDL_SCANCODE_KP_4, 86}, {SDL_SCANCODE_KP_5, 87}, {SDL_SCANCODE_KP_6, 88},
    {SDL_SCANCODE_KP_7, 89}, {SDL_SCANCODE_F20, 90}, {SDL_SCANCODE_KP_8, 91},
    {SDL_SCANCODE_KP_9, 92}, {SDL_SCANCODE_F5, 96}, {SDL_SCANCODE_F6, 97},
    {SDL_SCANCODE_F7, 98}, {SDL_SCANCODE_F3, 99}, {SDL_SCANCODE_F8, 100},
    {SDL_SCANCODE_F9, 101}, {SDL_SCANCODE_F11, 103}, {SDL_SCANCODE_F13, 105},
    {SDL_SCANCODE_F16, 106}, {SDL_SCANCODE_F14, 107}, {SDL_SCANCODE_F10, 109},
    {SDL_SCANCODE_F12, 111}, {SDL_SCANCODE_F15, 113}, {SDL_SCANCODE_HELP, 114},
    {SDL_SCANCODE_INSERT, 114}, {SDL_SCANCODE_HOME, 115}, {SDL_SCANCODE_PAGEUP, 116},
    {SDL_SCANCODE_DELETE, 117}, {SDL_SCANCODE_F4, 118}, {SDL_SCANCODE_END, 119},
    {SDL_SCANCODE_F2, 120}, {SDL_SCANCODE_PAGEDOWN, 121}, {SDL_SCANCODE_F1, 122},
    {SDL_SCANCODE_LEFT, 123}, {SDL_SCANCODE_RIGHT, 124}, {SDL_SCANCODE_DOWN, 125},
    {SDL_SCANCODE_UP, 126},
};

} // namespace

int32_t MacKeyFromScancode(int32_t scancode)
{
    for (const sKeyPair& pair : kKeys)
        if (pair.scancode == scancode)
            return pair.macKey;
    return -1;
}

int32_t ScancodeFromMacKey(int32_t macKey)
{
    // The first pair wins, so Help maps to the Help key rather than Insert.
    for (const sKeyPair& pair : kKeys)
        if (pair.macKey == macKey)
            return pair.scancode;
    return SDL_SCANCODE_UNKNOWN;
}

uint32_t SpecialKeyCharacter(int32_t macKey)
{
    switch (macKey) {
    case 36: return 13;   // Return
    case 76: return 3;    // keypad Enter
    case 48: return 9;    // Tab
    case 51: return 8;    // Delete (backspace)
    case 53: return 27;   // Escape
    case 71: return 27;   // Clear
    case 117: return 127; // forward delete
    case 115: return 1;   // Home
    case 119: return 4;   // End
    case 116: return 11;  // Page Up
    case 121: return 12;  // Page Down
    case 114: return 5;   // Help
    case 123: return 28;  // left
    case 124: return 29;  // right
    case 126: return 30;  // up
    case 125: return 31;  // down
    case 122: case 120: case 99: case 118: case 96: case 97: case 98: case 100: case 101:
    case 109: case 103: case 111: case 105: case 107: case 113: case 106: case 64: case 79:
    case 80: case 90:
        return 16;        // function keys
    default:
        return 0;
    }
}

uint32_t ModifiersFromSdl(uint32_t sdlModifiers)
{
    uint32_t bits = 0;
    if (sdlModifiers & KMOD_CTRL)
        bits |= kModCommand;
    if (sdlModifiers & KMOD_SHIFT)
        bits |= kModShift;
    if (sdlModifiers & KMOD_CAPS)
        bits |= kModCapsLock;
    if (sdlModifiers & KMOD_ALT)
        bits |= kModOption;
    if (sdlModifiers & KMOD_GUI)
        bits |= kModControl;
    return bits;
}

uint32_t CharacterFromKeySymbol(int32_t symbol, uint32_t modifiers)
{
    if (symbol < 32 || symbol > 126)
        return 0;
    bool upper = ((modifiers & kModShift) != 0) != ((modifiers & kModCapsLock) != 0);
    if (upper && symbol >= 'a' && symbol <= 'z')
        return uint32_t(symbol - 'a' + 'A');
    return uint32_t(symbol);
}

uint32_t DecodeUtf8(const std::string& text, size_t offset, size_t* used)
{
    auto byteAt = [&](size_t index) { return uint8_t(text[index]); };
    size_t left = offset < text.size() ? text.size() - offset : 0;
    *used = left > 0 ? 1 : 0;
    if (left == 0)
        return 0;
    uint8_t lead = byteAt(offset);
    if (lead < 0x80)
        return lead;
    size_t length = lead >= 0xF5 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || length > left)
        return 0xFFFD;
    uint32_t value = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        uint8_t next = byteAt(offset + i);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past the Unicode range are not characters.
    static constexpr uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000))
        return 0xFFFD;
    *used = length;
    return value;
}

} // namespace plat
