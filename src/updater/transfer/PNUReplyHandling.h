// What the update engine does with a text reply's headers, and with a check reply's body.
#pragma once

#include "core/eResultCode.h"

class CPNUTransferManager;
class gCMemFile;

// Shows the server's reason ("PNU-FailReason") green for an informational reply (fail type 2),
// else red with the two framing lines, then tells the application the fail type.
eResultCode ReadReplyHeaders(CPNUTransferManager& manager, gCMemFile& body);

// Parses the body as a check reply, sends the parsed list (0xFF0F0000) and sets state 5;
// eStreamError for any violation of the form.
eResultCode ParseCheckReply(CPNUTransferManager& manager, gCMemFile& body);
