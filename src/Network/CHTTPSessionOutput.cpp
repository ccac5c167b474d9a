// The download's output file: folder and local name joined with ":".
#include "Network/CHTTPSession.h"

eResultCode CHTTPSession::OpenOutputFile()
{
    // Files are opened through the path classes, which this build does not have yet: a download
    // to a named file fails to open instead of writing somewhere unintended.
    return eFileOpenError;
}
