// The built-in catalogue of file types, with its three parallel tables (Mac type code, extension
// text, display name). Group markers stand for a run of real types; the tables hold 32 slots.
#pragma once

#include "core/FourCharCode.h"

#include <cstdint>

enum eFileType : int32_t {
    eNoFileType = 0,
    eAllFiles = 1,
    eImageFilesFlag = 2,
    eBmpImage = 3,
    eJpegImage = 4,
    ePngImage = 5,
    ePsdImage = 6,
    eLastImageFileFlag = 7,
    eTextFilesFlag = 8,
    eTextFile = 9,
    eHeaderFile = 10,
    ePdfFile = 11,
    eLastTextFileFlag = 12,
    eMartenFilesFlag = 13,
    eMartenResFile = 14,
    eMartenResScript = 15,
    eLastMartenFileFlag = 16,
    eAudioFilesFlag = 17,
    eWavAudio = 18,
    eLastAudioFileFlag = 19,
    eGroupTypesFlag = 20,
    eAllImageFiles = 21,
    eLastGroupTypesFlag = 22,
    eUnknownFileType = 23,
    eLastTypeIndex = 24,
    eNumTypesIndex = 25,
};

inline constexpr int32_t kFileTypeTableSize = 32;

inline constexpr uint32_t kUnknownMacType = FourCharCode("????");

// Entries of the three tables; an index outside 0..31 gives 0 and the empty text. Empty slots
// hold the empty text.
uint32_t GetFileTypeMacCode(int32_t type);
const char16_t* GetFileTypeExtension(int32_t type);
const char16_t* GetFileTypeName(int32_t type);
