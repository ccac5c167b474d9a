// Translation between the window system's keys and the toolkit's: Mac virtual key codes are
// physical key positions, which SDL's scancodes name one to one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// Mac virtual key code of an SDL scancode; -1 when the key has none.
int32_t MacKeyFromScancode(int32_t scancode);
// SDL scancode of a Mac virtual key code; 0 (unknown) when there is none.
int32_t ScancodeFromMacKey(int32_t macKey);

// The character code a non-text key types (Return 13, Escape 27, arrows 28-31, function keys
// 16 ...); 0 for keys that type text or nothing.
uint32_t SpecialKeyCharacter(int32_t macKey);

// Modifier bits (kMod...) of an SDL modifier state.
uint32_t ModifiersFromSdl(uint32_t sdlModifiers);

// Character of a text key from its key symbol when the system typed no text (key up, or
// Ctrl held): printable ASCII only, upper case with Shift or Caps Lock; 0 otherwise.
uint32_t CharacterFromKeySymbol(int32_t symbol, uint32_t modifiers);

// The first Unicode scalar of UTF-8 text and the bytes it takes; 0xFFFD for a broken sequence.
uint32_t DecodeUtf8(const std::string& text, size_t offset, size_t* used);

} // namespace plat
