#include "FileIO/gCBasePath.h"

void gCBasePath::StoreText(const gCString& text)
{
    gCString copy(text);
    if (copy.IsNull())
        return;
    mPath = std::move(copy);
}

void gCBasePath::ClearText()
{
    // Unset is the state a new path starts in, without a text buffer: clearing needs no memory,
    // so it cannot leave the old path in place.
    mPath.FreeBuffer();
}

eResultCode gCBasePath::Clear()
{
    ClearText();
    return eSuccess;
}

eResultCode gCBasePath::SetPath(gCString text)
{
    StoreText(text);
    return eSuccess;
}

gCString gCBasePath::GetPath() const
{
    if (mPath.IsNull())
        return gCString(u"");
    return mPath;
}

gCBasePath& gCBasePath::operator=(const gCBasePath& other)
{
    if (this != &other) {
        mKind = other.mKind;
        StoreText(other.GetPath());
    }
    return *this;
}
