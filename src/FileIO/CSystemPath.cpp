#include "FileIO/CSystemPath.h"

#include <cstring>

namespace {

bool IsSeparator(char16_t unit, bool systemPath) { return unit == u'\\' || (unit == u':' && !systemPath); }

} // namespace

eResultCode CSystemPath::Set(const char16_t* units, int32_t length)
{
    // Emptied first, so a failed conversion never leaves an earlier path to be used.
    (void)mBytes.SetSize(0);
    mLength = 0;
    gCString text;
    PNU_TRY(text.CopyStringFromBuffer(units, length > 0 ? length : 0));
    PNU_TRY(text.ToUTF8(mBytes));
    const uint32_t size = mBytes.GetSize();
    if (size == UINT32_MAX || !mBytes.SetSize(size + 1)) {
        (void)mBytes.SetSize(0);
        return eNoMemory;
    }
    mBytes.GetData()[size] = 0;
    mLength = size;
    return eSuccess;
}

eResultCode CSystemPath::SetFromPathText(const gCString& text, const gCString& name)
{
    (void)mBytes.SetSize(0);
    mLength = 0;
    // A path text is null only where copying it failed: read as empty, it would name the root.
    if (text.IsNull())
        return eNoMemory;
    gCString path;
    PNU_TRY(path.CopyStringFromBuffer(text.GetText(), text.GetLength()));
    const bool systemPath = path.GetLength() > 0 && (path[0] == u'/' || path[0] == u'\\');
    for (int32_t i = 0; i < path.GetLength(); ++i) {
        if (IsSeparator(path[i], systemPath))
            path[i] = u'/';
    }
    if (path.IsEmpty() || path[0] != u'/')
        PNU_TRY(path.InsertChar(u'/', 0));
    if (name.GetLength() > 0)
        PNU_TRY(path.Append(name));
    return Set(path);
}

bool CSystemPath::TakePath(const char* path)
{
    (void)mBytes.SetSize(0);
    mLength = 0;
    const size_t length = std::strlen(path);
    if (length >= UINT32_MAX || !mBytes.SetSize(uint32_t(length + 1)))
        return false;
    mBytes.CopyFrom(path, uint32_t(length + 1));
    mLength = uint32_t(length);
    return true;
}

void CSystemPath::DropTrailingSeparators()
{
    while (mLength > 1 && mBytes.GetData()[mLength - 1] == '/')
        mBytes.GetData()[--mLength] = 0;
}

const char* CSystemPath::Get() const
{
    return mBytes.GetSize() ? reinterpret_cast<const char*>(mBytes.GetData()) : "";
}
