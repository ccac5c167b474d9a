// The toolkit's result codes: every operation reports its outcome by value, 0 for success.
#pragma once

#include <cstdint>

enum [[nodiscard]] eResultCode : int32_t {
    eSuccess = 0,
    eGenericFailure = 1,
    eHandled = 2,
    eCompleted = 3,
    eCancelled = 4,
    eNoMemory = 5,
    eBadParameter = 6,
    eBusy = 7,
    eInvalidObject = 8,
    eFileNotFound = 9,
    eNotWritten = 10,
    ePreferenceError = 11,
    eOutOfRange = 12,
    eBufferOverrun = 13,
    eFileOpenError = 14,
    eFileCloseError = 15,
    eStreamError = 16,
    eInvalidFile = 17,
    eTargetExists = 18,
    ePathNameError = 19,
    eTextResourceError = 20,
    eResourceWriteError = 21,
    eResourceNotFound = 22,
    eResourceReadError = 23,
    eCreateFailed = 24,
    eDamagedObject = 25,
    eBadTaste = 26,
    eNetworkWarning = 27,
    eNetworkError = 28,
    eDuplicateKey = 29,
    eBadComparison = 30,
    eKeyNotFound = 31,
};

inline constexpr int32_t kResultMessageCount = 32;

// One fixed Mac Roman message per code, indexed by the code.
extern const char* const kResultMessages[kResultMessageCount];

// The message shown for a code: codes outside the table use the generic failure's message.
const char* GetResultMessage(int32_t code);

// Propagates a failed result to the caller.
#define PNU_TRY(expression)                                     \
    do {                                                        \
        if (eResultCode pnuTryResult = (expression); pnuTryResult != eSuccess) \
            return pnuTryResult;                                \
    } while (0)
