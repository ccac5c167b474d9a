#include "FileIO/CTextCollector.h"

eResultCode CTextCollector::Flush()
{
    if (mCount == 0)
        return eSuccess;
    mUnits[mCount] = 0;
    mCount = 0;
    return mTarget.Append(mUnits);
}

eResultCode CTextCollector::AppendMacRoman(const uint8_t* bytes, int32_t count)
{
    if (count <= 0)
        return eSuccess;
    PNU_TRY(Flush());
    gCString converted;
    PNU_TRY(converted.ConvertFromChars(reinterpret_cast<const char*>(bytes), count));
    return mTarget.Append(converted);
}
