// The updater's messages (commands 0xFF0F00nn with p1 and a 64-bit p2) and its status colours.
// Senders and handlers never build or read the words themselves: a typed sender below puts each
// message on its route, and DecodeUpdaterMessage turns the words back into one call on a
// CPNUMessageReceiver, so every cast of these words is in PNUMessages.cpp.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CPNUHTTPSession;
class CWidget;
class gCCmdTarget;
class gCMemFile;
class gCString;
template <typename T> class gCArray;

enum ePNUMessage : uint32_t {
    kPNUParsedList = 0xFF0F0000,       // p2: gCArray<gCString>*; handled by nobody
    kPNUSessionState = 0xFF0F0001,     // p2: the manager state; handled by nobody
    kPNUStatusLine = 0xFF0F0004,       // p1: gCString*, p2: colour
    kPNUProgress = 0xFF0F0005,         // p2: percentage
    kPNUStatusLineCopy = 0xFF0F0006,   // p1: gCString*, p2: colour
    kPNUPackageReceived = 0xFF0F0007,  // p2: gCMemFile* with the body
    kPNUPackageToSave = 0xFF0F0008,    // p2: gCMemFile* with the body
    kPNUQuit = 0xFF0F0009,             // p1: the button pressed
    kPNUServerRefused = 0xFF0F000A,    // p2: fail type
    kPNUMessagePanelOn = 0xFF0F000B,
    kPNUAskProtocol = 0xFF0F000C,      // p2: int32_t*
    kPNUSourceRequested = 0xFF0F000D,
    kPNUAskSession = 0xFF0F000E,       // p2: CPNUHTTPSession**
    kPNUSuccessSound = 0xFF0F000F,
    kPNUFailureSound = 0xFF0F0010,
    kPNUSetMessagePanel = 0xFF0F0013,  // p2: 0 off, 1 on
};

inline constexpr uint32_t kStatusBlack = 0xFF000000u;
inline constexpr uint32_t kStatusRed = 0xFFFF0000u;
inline constexpr uint32_t kStatusLightRed = 0xFFFF4040u;
inline constexpr uint32_t kStatusDarkRed = 0xFFDD0000u;
inline constexpr uint32_t kStatusGreen = 0xFF008000u;
inline constexpr uint32_t kStatusBrightGreen = 0xFF00A000u;
inline constexpr uint32_t kStatusBrown = 0xFF800000u;
// Black at alpha 0xB8: a note about the install that is no failure.
inline constexpr uint32_t kStatusWarning = 0xB8000000u;

// What a command handler does with each updater message. Every operation answers 0 when it does
// not handle the message (the default); a non-zero answer stops the message where it is.
class CPNUMessageReceiver {
public:
    virtual ~CPNUMessageReceiver() = default;

    virtual eResultCode OnParsedList(const gCArray<gCString>&) { return eSuccess; }
    virtual eResultCode OnSessionState(int64_t) { return eSuccess; }
    virtual eResultCode OnStatusLine(const gCString&, uint32_t) { return eSuccess; }
    virtual eResultCode OnProgress(int64_t) { return eSuccess; }
    virtual eResultCode OnStatusLineCopy(const gCString&, uint32_t) { return eSuccess; }
    // The body may be missing (a message sent by hand): the receiver decides what that means.
    virtual eResultCode OnPackageReceived(gCMemFile*) { return eSuccess; }
    virtual eResultCode OnPackageToSave(gCMemFile*) { return eSuccess; }
    virtual eResultCode OnQuit() { return eSuccess; }
    virtual eResultCode OnServerRefused(int64_t) { return eSuccess; }
    virtual eResultCode OnMessagePanelOn() { return eSuccess; }
    virtual eResultCode OnAskProtocol(int32_t&) { return eSuccess; }
    virtual eResultCode OnSourceRequested() { return eSuccess; }
    virtual eResultCode OnAskSession(CPNUHTTPSession*&) { return eSuccess; }
    virtual eResultCode OnSuccessSound() { return eSuccess; }
    virtual eResultCode OnFailureSound() { return eSuccess; }
    virtual eResultCode OnSetMessagePanel(bool) { return eSuccess; }
};

// The senders. `sender` is the object the message goes out through and, where the message has no
// other first word, its p1. The answer of the target (eSuccess without one) comes back as a result
// code. To the default target:
eResultCode SendParsedList(gCCmdTarget& sender, const gCArray<gCString>& list);
eResultCode SendSessionState(gCCmdTarget& sender, int32_t state);
eResultCode SendPackageReceived(gCCmdTarget& sender, gCMemFile& body);
eResultCode SendPackageToSave(gCCmdTarget& sender, gCMemFile& body);
eResultCode SendServerRefused(gCCmdTarget& sender, int32_t failType);
eResultCode SendMessagePanelOn(gCCmdTarget& sender);
eResultCode SendSourceRequested(gCCmdTarget& sender);
eResultCode SendSuccessSound(gCCmdTarget& sender);
eResultCode SendFailureSound(gCCmdTarget& sender);
// Passed (flag 0) to the default target, which answers through the reference.
eResultCode AskProtocol(gCCmdTarget& sender, int32_t& protocol);
eResultCode AskSession(gCCmdTarget& sender, CPNUHTTPSession*& session);
// To the focus target; a status line carries its text as p1.
eResultCode SendStatusLine(gCCmdTarget& sender, const gCString& text, uint32_t colour);
eResultCode SendStatusLineCopy(gCCmdTarget& sender, const gCString& text, uint32_t colour);
eResultCode SendProgress(gCCmdTarget& sender, int32_t percentage);
eResultCode SendMessagePanel(gCCmdTarget& sender, bool on);
// Straight to one handler (flag 1), with the button that asked for it.
eResultCode SendQuit(gCCmdTarget& target, CWidget& button);

// One updater message as a call on the receiver; 0 for any other command. A status line without
// its text and a question without its answer's address reach no one.
uint32_t DecodeUpdaterMessage(uint32_t command, uintptr_t p1, intptr_t p2, CPNUMessageReceiver& receiver);

// The redraw that follows a progress message or a finished download: the main window's backdrop
// is brought up to date now.
eResultCode RedrawMainWindow();
