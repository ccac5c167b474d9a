#include "platform/FileResult.h"

#include <cerrno>
#include <cstring>

namespace plat {

namespace {

eFileResult StreamResultFromErrno(int error)
{
    switch (error) {
    case ENOENT:
        return eFileResult::kNotFound;
    case ENOTDIR:
    case ELOOP:
        return eFileResult::kNoFolder;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return eFileResult::kBadName;
    case EISDIR:
        return eFileResult::kIsFolder;
    case EEXIST:
        return eFileResult::kExists;
    case EACCES:
    case EPERM:
    case EROFS:
        return eFileResult::kAccessDenied;
    default:
        return eFileResult::kFailed;
    }
}

} // namespace

eFileResult FileResultFromErrno(int error, eErrorDetail detail)
{
    if (detail == eErrorDetail::kInstaller) {
        switch (error) {
        case 0:
            return eFileResult::kOk;
        case EROFS:
            return eFileResult::kReadOnly;
        case ENOSPC:
        case EDQUOT:
            return eFileResult::kNoSpace;
        case EFBIG:
            return eFileResult::kTooLarge;
        default:
            break;
        }
    }
    return StreamResultFromErrno(error);
}

const char* DescribeFileResult(eFileResult result)
{
    switch (result) {
    case eFileResult::kOk: return "";
    case eFileResult::kNotFound:
    case eFileResult::kLinkDangles: return std::strerror(ENOENT);
    case eFileResult::kNoFolder: return std::strerror(ENOTDIR);
    case eFileResult::kBadName: return std::strerror(ENAMETOOLONG);
    case eFileResult::kIsFolder: return std::strerror(EISDIR);
    case eFileResult::kExists: return std::strerror(EEXIST);
    case eFileResult::kAccessDenied: return std::strerror(EACCES);
    case eFileResult::kReadOnly: return std::strerror(EROFS);
    case eFileResult::kNoSpace: return std::strerror(ENOSPC);
    case eFileResult::kTooLarge: return std::strerror(EFBIG);
    case eFileResult::kLinkUnsupported: return std::strerror(EOPNOTSUPP);
    case eFileResult::kNoMemory: return std::strerror(ENOMEM);
    case eFileResult::kLinkOnWay:
    case eFileResult::kIsLink: return std::strerror(ELOOP);
    case eFileResult::kLeavesFolder: return std::strerror(EXDEV);
    case eFileResult::kMoreNames: return std::strerror(EMLINK);
    case eFileResult::kEndOfFile:
    case eFileResult::kNotRegularFile:
    case eFileResult::kFailed: break;
    }
    return std::strerror(EIO);
}

} // namespace plat
