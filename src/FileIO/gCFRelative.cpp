#include "FileIO/gCFRelative.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileServices.h"
#include "core/TextEquality.h"

namespace {

gCString WithSlashes(gCString text)
{
    if (text.IsNull())
        return gCString(u"");
    (void)text.ReplaceChar(u':', u'/');
    (void)text.ReplaceChar(u'\\', u'/');
    return text;
}

} // namespace

gCFRelative::gCFRelative() : gCFPath(gCString(u""), eFPath, kUnknownMacType, kUnknownMacType) { mKind = eFRelative; }

gCFRelative::gCFRelative(const gCString& text, uint32_t flag)
    : gCFPath(gCString(u""), eFPath, kUnknownMacType, kUnknownMacType), mBaseFlag(flag)
{
    mKind = eFRelative;
    StoreText(WithSlashes(text));
}

eResultCode gCFRelative::Clear()
{
    mBaseFlag = 0;
    return gCFPath::Clear();
}

int32_t gCFRelative::Exists() const { return FileExists(*this) ? 1 : 0; }

eResultCode gCFRelative::SetPath(gCString text)
{
    StoreText(WithSlashes(text));
    return eSuccess;
}

gCString gCFRelative::GetPath() const
{
    if (!IsSet())
        return gCString(u"");
    // No base folder set reads as the empty one; a base that could not be copied must not.
    const gCString& source = GetAppBaseFolderText(mBaseFlag);
    gCString base = source.IsNull() ? gCString(u"") : source;
    if (base.GetLength() > 0 && base[base.GetLength() - 1] == u'/' && mPath[0] == u'/')
        base.Delete(base.GetLength() - 1, 1);
    // A join cut short by memory would name the base folder itself: the null text, which names
    // nothing, stands for it as for a base that could not be copied.
    gCString joined = base + mPath;
    if (base.IsNull() || joined.GetLength() != base.GetLength() + mPath.GetLength())
        return gCString();
    return joined;
}

gCFRelative& gCFRelative::operator=(const gCFRelative& other)
{
    if (this != &other) {
        mKind = other.mKind;
        StoreText(other.mPath.IsNull() ? gCString(u"") : other.mPath);
        mFileType = other.mFileType;
        mCreator = other.mCreator;
        mBaseFlag = other.mBaseFlag;
    }
    return *this;
}

eResultCode gCFRelative::StoreComposedPath(const gCString& text)
{
    gCString base = GetAppBaseFolderText(mBaseFlag);
    if (base.IsNull())
        base = gCString(u"");
    if (!StartsWithUnits(text, base))
        return eBadParameter;
    return SetFullPath(text.DropLeft(base.GetLength()));
}
