#include "FileIO/gCFRef.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/sNavReply.h"
#include "core/CMemBlock.h"
#include "core/PercentEscape.h"
#include "core/TextEquality.h"

#include <cstring>

namespace {

// Replaces every percent escape of the bytes by the byte it stands for, in place; answers the
// length left.
uint32_t DecodePercentEscapes(char* bytes, uint32_t length)
{
    uint32_t out = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const int32_t escaped = PercentEscapedByte(bytes, length, i);
        if (escaped >= 0) {
            bytes[out++] = char(escaped);
            i += 2;
            continue;
        }
        bytes[out++] = bytes[i];
    }
    return out;
}

// The index of the first of the characters at or after start in the bytes, or length.
uint32_t FindFirstOf(const char* bytes, uint32_t length, uint32_t start, const char* characters)
{
    for (uint32_t i = start; i < length; ++i) {
        if (std::strchr(characters, bytes[i]) != nullptr && bytes[i] != 0)
            return i;
    }
    return length;
}

} // namespace

gCFRef::gCFRef() : gCFPath(gCString(u""), eFPath, kUnknownMacType, kUnknownMacType) { mKind = eFRef; }

gCFRef::gCFRef(const gCString& text) : gCFPath(text, eFPath, kUnknownMacType, kUnknownMacType) { mKind = eFRef; }

int32_t gCFRef::Exists() const { return FileExists(*this) ? 1 : 0; }

eResultCode gCFRef::SetFromAEDescList(const sNavReply* reply)
{
    if (!reply || reply->selection.GetSize() < 1 || reply->selection[0].IsEmpty())
        return eCreateFailed;
    sFSRef ref;
    if (MakeFSRef(reply->selection[0], &ref) != 0)
        return eCreateFailed;
    return SetFromFSRef(&ref);
}

eResultCode gCFRef::SetFromFSRef(const sFSRef* ref)
{
    if (!ref || ref->path.empty() || !plat::PathExists(ref->path.c_str()))
        return eBadParameter;
    gCString url;
    PNU_TRY(FileURLFromSystemPath(ref->path.c_str(), url));
    if (plat::PathIsFolder(ref->path.c_str()) && ref->path.back() != '/')
        PNU_TRY(url.Append(u"/"));
    return SetFromCFURL(url);
}

eResultCode gCFRef::SetFromCFURL(const gCString& url)
{
    CMemBlock bytes;
    PNU_TRY(url.ToUTF8(bytes));
    const uint32_t length = bytes.GetSize();
    char* text = length ? reinterpret_cast<char*>(bytes.GetData()) : nullptr;
    // The URL's path: after the scheme and the authority, before a query or fragment.
    uint32_t start = 0;
    for (uint32_t i = 0; i + 3 <= length; ++i) {
        if (text[i] == ':' && text[i + 1] == '/' && text[i + 2] == '/') {
            start = FindFirstOf(text, length, i + 3, "/");
            break;
        }
    }
    const uint32_t end = FindFirstOf(text, length, start, "?#");
    const uint32_t decoded = end > start ? DecodePercentEscapes(text + start, end - start) : 0;
    gCString path;
    PNU_TRY(path.SetFromUTF8({decoded ? text + start : "", decoded}));
    return SetFullPath(path);
}

eResultCode gCFRef::GetFolderRef(gCBasePath& folder) const { return folder.SetPath(GetFolderPath()); }

eResultCode gCFRef::GetRelativeRef(gCFRelative& out, uint32_t flag) const
{
    gCString folder = GetFolderPath();
    gCString base = GetAppBaseFolderText(flag);
    if (base.IsNull())
        base = gCString(u"");
    (void)folder.ReplaceChar(u'\\', u':');
    (void)base.ReplaceChar(u'\\', u':');
    if (base.GetLength() > folder.GetLength())
        return eGenericFailure;
    if (!SameUnitsIgnoringASCIICase(folder.GetText(), base.GetText(), base.GetLength()))
        return eGenericFailure;
    gCString relative = folder.DropLeft(base.GetLength()) + GetFileName();
    out.SetBaseFlag(flag);
    eResultCode result = out.SetPath(relative);
    if (result == eSuccess)
        out.SetMacType(GetMacType());
    return result;
}

eResultCode FileURLFromSystemPath(const char* path, gCString& url)
{
    static const char kScheme[] = "file://";
    const size_t schemeLength = sizeof kScheme - 1;
    const size_t length = std::strlen(path);
    // Each byte of the path takes at most three in the URL.
    if (length > (UINT32_MAX - schemeLength) / 3)
        return eNoMemory;
    CMemBlock bytes(uint32_t(schemeLength + 3 * length));
    if (!bytes.GetData())
        return eNoMemory;
    char* out = reinterpret_cast<char*>(bytes.GetData());
    std::memcpy(out, kScheme, schemeLength);
    uint32_t used = uint32_t(schemeLength);
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsUnreservedByte(c) || c == '/') {
            out[used++] = char(c);
        } else {
            PercentEscapeByte(c, out + used);
            used += 3;
        }
    }
    return url.SetFromUTF8({out, used});
}
