#include "text/FontPool.h"

#include "core/gCArray.h"
#include "text/gCFont.h"

namespace {

bool SameName(const gCString& a, const gCString& b)
{
    if (a.GetLength() != b.GetLength())
        return false;
    for (int32_t i = 0; i < a.GetLength(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

gCArray<gCFont*>& Pool()
{
    static gCArray<gCFont*> pool;
    return pool;
}

} // namespace

eResultCode AddPoolFont(gCFont* font)
{
    return Pool().Add(font);
}

gCFont* FindPoolFont(const gCString& name)
{
    for (gCFont* font : Pool())
        if (SameName(font->GetName(), name))
            return font;
    return nullptr;
}

void ReleasePoolFonts()
{
    for (gCFont* font : Pool())
        delete font;
    Pool().RemoveAll();
}
