// The download's output file: folder and local name joined with "/" (the folder is a system path,
// in which ":" is an ordinary character).
#include "Network/CHTTPSession.h"

#include "FileIO/gCFRef.h"
#include "FileIO/gCFile.h"

eResultCode CHTTPSession::OpenOutputFile()
{
    gCString path = folderPath;
    PNU_TRY(path.Append(u"/"));
    PNU_TRY(path.Append(localFileName));
    gCFRef reference(path);
    gCFile* file = new gCFile;
    if (file == nullptr)
        return eNoMemory;
    // A resumed download (a range was asked for and the server sent the part) keeps the bytes
    // already in the file and appends after them; any other answer starts the file afresh.
    bool resuming = requestedRangeStart != 0 && responseStatus == 206;
    eResultCode result = file->Open(reference, resuming ? gCFile::eAccessReadWrite : gCFile::eAccessWrite);
    if (result == eSuccess && resuming)
        result = file->SeekToEnd();
    if (result != eSuccess) {
        delete file;
        return result;
    }
    outputStream = file;
    if (resuming)
        bytesTransferred = uint64_t(file->GetLength());
    return eSuccess;
}
