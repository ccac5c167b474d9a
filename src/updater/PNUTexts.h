// The updater's texts from the application's string table: translated texts are offset by the
// chosen language block, untranslated ones are not.
#pragma once

#include "core/gCString.h"

#include <cstdint>
#include <initializer_list>

class gCStringTable;

inline constexpr uint32_t kUpdaterStringBase = 3000000000u;
inline constexpr uint32_t kFirstLanguageBlock = 3000000004u;
inline constexpr uint32_t kLanguageBlockSize = 71;
// Only the first eight blocks are ever chosen.
inline constexpr uint32_t kLanguageBlocksTried = 8;
// The update session's failure texts have a range of their own, offset by the chosen block like
// the other translated texts: block k's text i is 3000001000 + 71 k + i, clear of the language
// blocks, which end at 3000000713 even with the two blocks never tried.
inline constexpr int32_t kFailureTextFirst = 1000;

// The updater's texts, by their number n: translated ones are asked for through GetTranslatedText
// (text 3000000000 + n + the language offset), untranslated ones through GetUntranslatedText
// (text 3000000000 + n).
enum eUpdaterText : int32_t {
    kTextProductName = 0,        // untranslated: the product's name, a space after it
    kTextUpdaterVersion = 1,     // untranslated: the updater's version, a space before it
    kTextWebAddress = 3,         // untranslated: the product's web page
    kTextUpdater = 5,
    kTextNoWindow = 6,           // untranslated: the window could not be made
    kTextWebPageNotOpened = 7,
    kTextProductNotFound = 8,    // two fields: the message, what to do
    kTextSettingsIncomplete = 9, // two fields: what to do, the message
    kTextQuit = 10,
    kTextClickToCheck = 11,
    kTextDownloadProgress = 13,
    kTextClickToInstall = 14,
    kTextClickToOpenPage = 15,
    kTextInstalledCaption = 16,
    kTextReady = 17,
    kTextChecking = 18,
    kTextUpdateReceived = 20,
    kTextNothingReceived = 21,
    kTextInstallComplete = 22,   // two fields: the caption, the line
    kTextUnpacking = 23,
    kTextDecoding = 24,
    kTextReadingIndex = 25,
    kTextWriting = 26,
    kTextLeftovers = 27,
    kTextLeftoverLog = 28,       // a file's name follows
    kTextWrittenLog = 29,        // a file's name follows
    kTextPlacing = 30,
    kTextPlacedLog = 31,         // a file's name follows
    kTextKeeping = 33,
    kTextKeptLog = 34,           // a file's name follows
    kTextRemovingOld = 35,
    kTextRemovedLog = 36,        // a file's name follows
    kTextDownloadFrom = 37,      // the page follows
    kTextClickOpensPage = 38,
    kTextNotInstalled = 39,
    kTextAlreadyInstalled = 41,
    kTextInstallStart = 42,
    kTextOldNotRemoved = 43,
    kTextFrameFailed = 44,
    kTextIndexFailed = 45,
    kTextLeftoversFailed = 46,
    kTextWriteFailed = 47,
    kTextKeepFailed = 48,
    kTextPlaceFailed = 49,
    kTextNewUpdaterAsked = 51,
    kTextResolveFailed = 52,
    kTextConnectFailed = 53,
    kTextHeadersReceived = 54,
    kTextConnectStarted = 55,
    kTextReceived = 60,
    kTextUnknownReason = 61,
    kTextStartError = 62,
    kTextNotStarted = 63,
    kTextDownloadError = 64,
    kTextDownloadFailed = 65,
    kTextLookingUp = 66,
    kTextConnectionFailed = 67,
    kTextOutsideProcess = 68,
    kTextTransferError = 69,
    kTextFileNotFound = 71,      // a path follows
    kTextArchiveVersion = 73,    // the versions follow
};

// The table the texts come from (not owned); null makes every text "%%String Table Error".
void SetUpdaterStringTable(gCStringTable* table);
gCStringTable* GetUpdaterStringTable();

// Field `field` of text 3000000000 + n + the language offset.
gCString GetTranslatedText(int32_t n, int32_t field = 0);
// Field `field` of text 3000000000 + n.
gCString GetUntranslatedText(int32_t n, int32_t field = 0);

// The pattern with each "%s" replaced by the next value (by nothing once the values run out);
// values are not searched again, so a "%s" inside one stays as it is.
gCString FillTextValues(const gCString& pattern, std::initializer_list<gCString> values);

// The language block whose first text equals the product's language, unit for unit; without a
// match the offset is 0 and the base id is left at the last block tried.
void ChooseLanguageBlock(const gCStringTable& table, const gCString& productLanguage, uint32_t& baseId,
                         uint32_t& offset);
