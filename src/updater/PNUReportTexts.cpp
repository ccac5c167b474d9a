#include "updater/PNUReportTexts.h"

#include "updater/transfer/CPNUHTTPSession.h"

static_assert(kReportTextFirst == kFailureTextFirst + CPNUHTTPSession::kFailureTextCount,
              "the report texts follow the session's failure texts");

namespace {

// The built-in English report texts, in the order of eReportText.
const char* const kReportPatterns[kReportTextCount] = {
    "No program on this computer could open the page %s.",
    "The page %s could not be opened.",
    "Refused: %s",
    "%s: %s",
    "The install folder",
    "it is not known",
    "The archive",
    "it is shorter than its header",
    "it does not start with its magic",
    "The file index",
    "it is larger than 64 KB",
    "The instruction text",
    "it is longer than 65536 units",
    "it is empty",
    "its end marker is missing",
    "its file count is 0, negative or above 1048575",
    "Entry %s",
    "Entry %s \"%s\"",
    "the index ends before it",
    "its file is larger than 100000000 bytes",
    "the marker before its name is missing",
    "its name runs past the index",
    "the marker after its name is missing (a NUL character inside the name?)",
    "EXECUTE \"%s\"",
    "the name is empty",
    "the name does not start with a separator",
    "the name has an empty part",
    "the name leaves the install folder",
    "the name holds a NUL character",
    "the name is not acceptable",
    "the package holds it both as a file and as a folder",
    "its folder leads out of the install folder",
    "a folder stands where the file goes",
    "Record %s",
    "it reaches past the end of the archive",
    "a marker is missing",
    "its number is not its place in the index",
    "its size differs from the index",
    "the move was refused",
    "the folder could not be made",
    "the disk could not be flushed",
    "A damaged record of an interrupted update was removed: %s",
    "An interrupted update could not be repaired: %s",
    "An interrupted update was undone: the previous files are back.",
    "An interrupted update was completed.",
    "Another copy of the updater is updating this product. Please try again when it has finished.",
    "The update could not be undone: %s. The previous files are kept, and the next start of the updater puts them back.",
    "A record of an interrupted update was refused and set aside as %s: %s",
    "it is not a regular file",
    "it is larger than %s bytes",
    "it names %s in a way no update does",
    "The server sent less than %s in %s, so the transfer was stopped. Please try again later!",
    "The update needs %s bytes of memory, but only %s bytes can be had.",
    "The update needs %s bytes on the disk of the install folder, but only %s bytes are free.",
    "The updater could not look for an interrupted update to repair: %s",
    "An interrupted update could not be repaired: %s. The files are left as they are, and the next start of the updater tries again.",
    "The updater goes on without its log file: %s",
    "the file also has another name (a hard link), so writing it would change a file elsewhere",
};

bool IsReportText(eReportText text) { return text >= 0 && text < kReportTextCount; }

} // namespace

gCString GetBuiltInReportText(eReportText text)
{
    return gCString(IsReportText(text) ? kReportPatterns[text] : "");
}

gCString GetTranslatedReportText(eReportText text)
{
    return IsReportText(text) ? GetTranslatedText(kReportTextFirst + text) : gCString("");
}
