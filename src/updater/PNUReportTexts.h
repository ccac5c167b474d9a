// The texts of the lines that say why a page could not be opened, why a package was refused, why
// a file step failed and what became of an interrupted install. Each has a built-in English
// pattern and a translated one in the string table, "%s" where a value goes.
#pragma once

#include "core/gCString.h"
#include "updater/PNUTexts.h"

#include <cstdint>

enum eReportText : int32_t {
    kTextPageNoOpener,       // the page
    kTextPageNotOpened,      // the page
    kTextRefused,            // what was refused and why, as kTextDetail gives it
    kTextDetail,             // what (an entry, a path), why
    kTextInstallFolder,
    kTextNotKnown,
    kTextArchive,
    kTextShorterThanHeader,
    kTextNoMagic,
    kTextFileIndex,
    kTextIndexTooLarge,
    kTextInstructionText,
    kTextTextTooLong,
    kTextTextEmpty,
    kTextNoEndMarker,
    kTextBadFileCount,
    kTextEntry,              // the entry's number
    kTextNamedEntry,         // the entry's number, its name
    kTextIndexEndsBefore,
    kTextFileTooLarge,
    kTextNoMarkerBeforeName,
    kTextNameRunsPast,
    kTextNoMarkerAfterName,
    kTextProgram,            // the program's name
    kTextNameEmpty,
    kTextNoLeadingSeparator,
    kTextEmptyPart,
    kTextLeavesFolder,
    kTextNameHoldsNul,
    kTextNameUnacceptable,
    kTextFileAndFolder,
    kTextFolderLeadsOut,
    kTextFolderInTheWay,
    kTextRecord,             // the record's number
    kTextPastArchiveEnd,
    kTextMarkerMissing,
    kTextWrongNumber,
    kTextSizeDiffers,
    kTextMoveRefused,
    kTextFolderNotMade,
    kTextNotFlushed,
    kTextJournalDamaged,     // the journal's path
    kTextNotRepaired,        // the path and the reason, as kTextDetail gives them
    kTextUndone,
    kTextCompleted,
    kTextAnotherCopy,
    kTextNotUndone,          // the path and the reason, as kTextDetail gives them
    kTextJournalSetAside,    // the name it was given, the reason
    kTextNotRegularFile,
    kTextJournalTooLarge,    // the largest size
    kTextNoUpdateLeavesThis, // the name
    kTextTransferTooSlow,    // the least amount, the time
    kTextNoMemoryForPackage, // the bytes needed, the bytes available
    kTextNoSpaceForPackage,  // the bytes needed, the bytes free
    kTextRepairNotRun,       // the lock file and the reason, as kTextDetail gives them
    kTextEntryNotReached,    // the path and the reason, as kTextDetail gives them
    kTextNoLogFile,          // the path and the reason, as kTextDetail gives them
    kTextSecondName,
    kReportTextCount,
};

// The report texts follow the update session's twelve failure texts in their range, offset by the
// chosen block in the same way: block k's text i is 3000001012 + 71 k + i.
inline constexpr int32_t kReportTextFirst = kFailureTextFirst + 12;
static_assert(kReportTextFirst - kFailureTextFirst + kReportTextCount <= int32_t(kLanguageBlockSize),
              "the failure range holds one block's texts in the stride of the language blocks");

gCString GetBuiltInReportText(eReportText text);
// The text in the product's language, from the updater's string table.
gCString GetTranslatedReportText(eReportText text);
