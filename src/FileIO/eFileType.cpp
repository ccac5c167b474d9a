#include "FileIO/eFileType.h"

namespace {

struct sFileTypeRow {
    uint32_t macCode;
    const char16_t* extension;
    const char16_t* name;
};

constexpr sFileTypeRow kRows[kFileTypeTableSize] = {
    {FourCharCode("????"), u"", u""},
    {FourCharCode("????"), u".*", u"All Files (*.*)"},
    {0, u"", u"Image Files Flag."},
    {FourCharCode("BMP "), u".bmp", u"BMP Image (*.bmp)"},
    {FourCharCode("JPEG"), u".jpg", u"JPEG Image (*.jpg)"},
    {FourCharCode("PNGf"), u".png", u"PNG Image (*.png)"},
    {FourCharCode("8BPS"), u".psd", u"Photoshop PSD (*.psd)"},
    {0, u"", u"Last Image File Flag."},
    {0, u"", u"Text Files Flag"},
    {FourCharCode("TEXT"), u".txt", u"Text File (*.txt)"},
    {FourCharCode("TEXT"), u".h", u"Header File (*.h)"},
    {FourCharCode("PDF "), u".pdf", u"PDF File (*.pdf)"},
    {0, u"", u"Last Text File Flag."},
    {0, u"", u"Marten Files Flag."},
    {FourCharCode("MRES"), u".mrf", u"Marten Res File (*.mrf)"},
    {FourCharCode("TEXT"), u".txt", u"Marten Res Script (*.txt)"},
    {0, u"", u"Last Marten File Flag."},
    {0, u"", u"Audio Files Flag"},
    {FourCharCode(".WAV"), u".wav", u"WAV Audio (*.wav)"},
    {0, u"", u"Last Audio File Flag."},
    {0, u"", u"Group Types Flag"},
    {FourCharCode("JPEG"), u".bmp,.jpg,.png,.psd", u"All Image Files."},
    {0, u"", u"Last Group Types Flag"},
    {FourCharCode("????"), u"", u"Unknown File Type."},
    {0, u"Last Type Index.", u"Last Type Index."},
    {0, u"Num Types Index.", u"Num Types Index."},
};

const sFileTypeRow* Row(int32_t type)
{
    if (type < 0 || type >= kFileTypeTableSize)
        return nullptr;
    return &kRows[type];
}

} // namespace

uint32_t GetFileTypeMacCode(int32_t type)
{
    const sFileTypeRow* row = Row(type);
    return row ? row->macCode : 0;
}

const char16_t* GetFileTypeExtension(int32_t type)
{
    const sFileTypeRow* row = Row(type);
    return row && row->extension ? row->extension : u"";
}

const char16_t* GetFileTypeName(int32_t type)
{
    const sFileTypeRow* row = Row(type);
    return row && row->name ? row->name : u"";
}
