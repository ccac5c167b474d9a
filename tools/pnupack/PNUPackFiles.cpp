#include "PNUPackFiles.h"

#include "platform/FileResult.h"
#include "platform/FileSystem.h"
#include "platform/FolderAt.h"

namespace {

using plat::eFileResult;

class cPathText final : public plat::PathReceiver {
public:
    bool TakePath(const char* path) override
    {
        text = path;
        return true;
    }

    std::string text;
};

std::string Describe(eFileResult result) { return plat::DescribeFileResult(result); }

// A name of its own for the file being written, so an output left half-written by a failure can
// never be taken for a package.
constexpr char kPartSuffix[] = ".pnupack-part";

} // namespace

std::string ReadSourceFile(const char* path, std::vector<uint8_t>& bytes)
{
    // Links on the way and at the file itself are followed here, once: what is then opened is
    // looked at as an entry, so whatever stands there by then is never followed or waited on.
    cPathText canonical;
    if (eFileResult found = plat::CanonicalPath(path, canonical); found != eFileResult::kOk)
        return Describe(found);
    if (canonical.text == "/")
        return Describe(eFileResult::kIsFolder);
    plat::FolderAt root;
    if (eFileResult opened = root.Open("/"); opened != eFileResult::kOk)
        return Describe(opened);
    int32_t handle = plat::kNoFileHandle;
    int64_t length = 0;
    plat::eEntryKind kind = plat::eEntryKind::kNone;
    const eFileResult result = root.OpenFile(canonical.text.c_str() + 1, handle, length, kind);
    if (kind == plat::eEntryKind::kFolder)
        return Describe(eFileResult::kIsFolder);
    if (kind == plat::eEntryKind::kOther)
        return "not a regular file";
    if (result != eFileResult::kOk)
        return Describe(result);
    // Sized once: a product's files can be hundreds of megabytes.
    bytes.resize(size_t(length));
    size_t got = 0;
    const eFileResult read = plat::ReadFileHandle(handle, bytes.data(), bytes.size(), got);
    // Only read: closing cannot lose anything.
    (void)plat::CloseFileHandle(handle);
    return read == eFileResult::kOk ? std::string() : Describe(read);
}

std::string WriteOutputFile(const char* path, const std::vector<uint8_t>& bytes)
{
    const std::string output = path;
    const size_t slash = output.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
    const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
    cPathText canonical;
    if (eFileResult found = plat::CanonicalPath(folder.c_str(), canonical); found != eFileResult::kOk)
        return Describe(found);
    plat::FolderAt at;
    if (eFileResult opened = at.Open(canonical.text.c_str()); opened != eFileResult::kOk)
        return Describe(opened);
    if (name.empty() || name == "." || name == ".." || at.GetKind(name.c_str()) == plat::eEntryKind::kFolder)
        return Describe(eFileResult::kIsFolder);
    const std::string part = name + kPartSuffix;
    eFileResult written = at.WriteFile(part.c_str(), bytes.data(), bytes.size(), 0644);
    if (written == eFileResult::kOk)
        written = at.Replace(part.c_str(), name.c_str());
    if (written == eFileResult::kOk)
        return std::string();
    // Only the tool's own file goes: a link or a pipe someone left at that name stays.
    if (at.GetKind(part.c_str()) == plat::eEntryKind::kFile)
        (void)at.RemoveFile(part.c_str());
    return Describe(written);
}
