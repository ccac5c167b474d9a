#include "FileIO/gCFRef.h"

#include "FileIO/AppBaseFolders.h"
#include "FileIO/FileServices.h"
#include "FileIO/gCFRelative.h"
#include "FileIO/sNavReply.h"

namespace {

int32_t HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int32_t high = HexValue(text[i + 1]);
            int32_t low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool SameLetters(const gCString& a, const gCString& b, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? char16_t(a[i] - 0x20) : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? char16_t(b[i] - 0x20) : b[i];
        if (x != y)
            return false;
    }
    return true;
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
    if (!ref || ref->path.empty() || !plat::PathExists(ref->path))
        return eBadParameter;
    std::string path = ref->path;
    if (plat::PathIsFolder(path) && path.back() != '/')
        path += '/';
    return SetFromCFURL(FileURLFromSystemPath(path));
}

eResultCode gCFRef::SetFromCFURL(const gCString& url)
{
    std::string text = url.ToUTF8();
    // The URL's path: after the scheme and the authority, before a query or fragment.
    size_t start = 0;
    size_t scheme = text.find("://");
    if (scheme != std::string::npos) {
        start = text.find('/', scheme + 3);
        if (start == std::string::npos)
            start = text.size();
    }
    size_t end = text.find_first_of("?#", start);
    std::string path = PercentDecoded(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    gCString decoded;
    PNU_TRY(decoded.SetFromUTF8(path));
    return SetFullPath(decoded);
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
    if (!SameLetters(folder, base, base.GetLength()))
        return eGenericFailure;
    gCString relative = folder.DropLeft(base.GetLength()) + GetFileName();
    out.SetBaseFlag(flag);
    eResultCode result = out.SetPath(relative);
    if (result == eSuccess)
        out.SetMacType(GetMacType());
    return result;
}

gCString FileURLFromSystemPath(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    gCString text;
    (void)text.SetFromUTF8(url);
    return text;
}
