#include "platform/Event.h"
#include "platform/KeyMap.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

TEST(KeyMap, ScancodesMapToMacPositionsAndBack)
{
    struct sCase {
        SDL_Scancode scancode;
        int32_t macKey;
    };
    const sCase cases[] = {
        {SDL_SCANCODE_A, 0},       {SDL_SCANCODE_S, 1},         {SDL_SCANCODE_Z, 6},
        {SDL_SCANCODE_X, 7},       {SDL_SCANCODE_C, 8},         {SDL_SCANCODE_V, 9},
        {SDL_SCANCODE_Q, 12},      {SDL_SCANCODE_0, 29},        {SDL_SCANCODE_1, 18},
        {SDL_SCANCODE_9, 25},      {SDL_SCANCODE_RETURN, 36},   {SDL_SCANCODE_TAB, 48},
        {SDL_SCANCODE_SPACE, 49},  {SDL_SCANCODE_BACKSPACE, 51}, {SDL_SCANCODE_ESCAPE, 53},
        {SDL_SCANCODE_KP_ENTER, 76}, {SDL_SCANCODE_NUMLOCKCLEAR, 71}, {SDL_SCANCODE_F1, 122},
        {SDL_SCANCODE_F11, 103},   {SDL_SCANCODE_F12, 111},     {SDL_SCANCODE_HOME, 115},
        {SDL_SCANCODE_END, 119},   {SDL_SCANCODE_PAGEUP, 116},  {SDL_SCANCODE_PAGEDOWN, 121},
        {SDL_SCANCODE_DELETE, 117}, {SDL_SCANCODE_LEFT, 123},   {SDL_SCANCODE_RIGHT, 124},
        {SDL_SCANCODE_DOWN, 125},  {SDL_SCANCODE_UP, 126},      {SDL_SCANCODE_HELP, 114},
        {SDL_SCANCODE_LCTRL, 55},  {SDL_SCANCODE_LALT, 58},     {SDL_SCANCODE_LGUI, 59},
    };
    for (const sCase& c : cases) {
        EXPECT_EQ(plat::MacKeyFromScancode(c.scancode), c.macKey) << c.scancode;
        EXPECT_EQ(plat::ScancodeFromMacKey(c.macKey), c.scancode) << c.macKey;
    }
    EXPECT_EQ(plat::MacKeyFromScancode(SDL_SCANCODE_APPLICATION), -1);
    EXPECT_EQ(plat::ScancodeFromMacKey(200), SDL_SCANCODE_UNKNOWN);
    EXPECT_EQ(plat::ScancodeFromMacKey(-1), SDL_SCANCODE_UNKNOWN);
}

TEST(KeyMap, NonTextKeysTypeTheirControlCharacters)
{
    struct sCase {
        int32_t macKey;
        uint32_t character;
    };
    const sCase cases[] = {
        {36, 13}, {76, 3},  {48, 9},   {51, 8},   {53, 27},  {117, 127}, {115, 1},
        {119, 4}, {116, 11}, {121, 12}, {123, 28}, {124, 29}, {126, 30},  {125, 31},
        {122, 16}, {111, 16}, {0, 0},  {49, 0},
    };
    for (const sCase& c : cases)
        EXPECT_EQ(plat::SpecialKeyCharacter(c.macKey), c.character) << c.macKey;
}

TEST(KeyMap, CtrlIsCommandAltIsOptionSuperIsControl)
{
    EXPECT_EQ(plat::ModifiersFromSdl(KMOD_LCTRL), plat::kModCommand);
    EXPECT_EQ(plat::ModifiersFromSdl(KMOD_RALT), plat::kModOption);
    EXPECT_EQ(plat::ModifiersFromSdl(KMOD_LGUI), plat::kModControl);
    EXPECT_EQ(plat::ModifiersFromSdl(KMOD_RSHIFT | KMOD_CAPS), plat::kModShift | plat::kModCapsLock);
    EXPECT_EQ(plat::ModifiersFromSdl(KMOD_NUM), 0u);
}

TEST(KeyMap, KeySymbolGivesPrintableCharacterWithShiftAndCaps)
{
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_a, 0), uint32_t('a'));
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_a, plat::kModShift), uint32_t('A'));
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_a, plat::kModCapsLock), uint32_t('A'));
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_a, plat::kModShift | plat::kModCapsLock), uint32_t('a'));
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_1, plat::kModShift), uint32_t('1'));
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_F1, 0), 0u);
    EXPECT_EQ(plat::CharacterFromKeySymbol(SDLK_RETURN, 0), 0u);
}

TEST(KeyMap, DecodesUtf8AndRefusesBrokenSequences)
{
    struct sCase {
        const char* text;
        uint32_t value;
        size_t used;
    };
    const sCase cases[] = {
        {"a", 'a', 1},
        {"\xC3\xA9", 0xE9, 2},              // é
        {"\xE2\x82\xAC", 0x20AC, 3},        // €
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xC3", 0xFFFD, 1},                // cut short
        {"\xC0\xAF", 0xFFFD, 1},            // overlong
        {"\xED\xA0\x80", 0xFFFD, 1},        // surrogate
        {"\xE2\x28\xA1", 0xFFFD, 1},        // bad continuation
        {"\xF5\x80\x80\x80", 0xFFFD, 1},    // past Unicode
    };
    for (const sCase& c : cases) {
        size_t used = 0;
        EXPECT_EQ(plat::DecodeUtf8(c.text, 0, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
    size_t used = 7;
    EXPECT_EQ(plat::DecodeUtf8("", 0, &used), 0u);
    EXPECT_EQ(used, 0u);
}

} // namespace
