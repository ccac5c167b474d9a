#include "updater/PNUMessages.h"

#include "app/AppGlobals.h"
#include "app/CWindowBase.h"
#include "app/gCCmdTarget.h"
#include "core/gCArray.h"
#include "core/gCString.h"
#include "widgets/CBackdrop.h"

namespace {

uintptr_t Word(const void* object) { return reinterpret_cast<uintptr_t>(object); }
intptr_t Address(const void* object) { return reinterpret_cast<intptr_t>(object); }

eResultCode ToDefault(gCCmdTarget& sender, uint32_t command, intptr_t p2)
{
    return eResultCode(sender.SendToDefaultTarget(command, Word(&sender), p2));
}

eResultCode ToFocus(gCCmdTarget& sender, uint32_t command, uintptr_t p1, intptr_t p2)
{
    return eResultCode(sender.SendToFocusTarget(command, p1, p2));
}

// A colour or a switch travels in p2's low word.
uint32_t LowWord(intptr_t p2) { return uint32_t(uint64_t(p2) & 0xFFFFFFFFu); }

template <typename T> T* Pointer(uintptr_t word) { return reinterpret_cast<T*>(word); }

} // namespace

eResultCode SendParsedList(gCCmdTarget& sender, const gCArray<gCString>& list)
{
    return ToDefault(sender, kPNUParsedList, Address(&list));
}

eResultCode SendSessionState(gCCmdTarget& sender, int32_t state) { return ToDefault(sender, kPNUSessionState, state); }

eResultCode SendPackageReceived(gCCmdTarget& sender, gCMemFile& body)
{
    return ToDefault(sender, kPNUPackageReceived, Address(&body));
}

eResultCode SendPackageToSave(gCCmdTarget& sender, gCMemFile& body)
{
    return ToDefault(sender, kPNUPackageToSave, Address(&body));
}

eResultCode SendServerRefused(gCCmdTarget& sender, int32_t failType)
{
    return ToDefault(sender, kPNUServerRefused, failType);
}

eResultCode SendMessagePanelOn(gCCmdTarget& sender) { return ToDefault(sender, kPNUMessagePanelOn, 0); }
eResultCode SendSourceRequested(gCCmdTarget& sender) { return ToDefault(sender, kPNUSourceRequested, 0); }
eResultCode SendSuccessSound(gCCmdTarget& sender) { return ToDefault(sender, kPNUSuccessSound, 0); }
eResultCode SendFailureSound(gCCmdTarget& sender) { return ToDefault(sender, kPNUFailureSound, 0); }

eResultCode AskProtocol(gCCmdTarget& sender, int32_t& protocol)
{
    return eResultCode(sender.PassToDefaultTarget(kPNUAskProtocol, Word(&sender), Address(&protocol)));
}

eResultCode AskSession(gCCmdTarget& sender, CPNUHTTPSession*& session)
{
    return eResultCode(sender.PassToDefaultTarget(kPNUAskSession, Word(&sender), Address(&session)));
}

eResultCode SendStatusLine(gCCmdTarget& sender, const gCString& text, uint32_t colour)
{
    return ToFocus(sender, kPNUStatusLine, Word(&text), colour);
}

eResultCode SendStatusLineCopy(gCCmdTarget& sender, const gCString& text, uint32_t colour)
{
    return ToFocus(sender, kPNUStatusLineCopy, Word(&text), colour);
}

eResultCode SendProgress(gCCmdTarget& sender, int32_t percentage)
{
    return ToFocus(sender, kPNUProgress, Word(&sender), int64_t(percentage));
}

eResultCode SendMessagePanel(gCCmdTarget& sender, bool on)
{
    return ToFocus(sender, kPNUSetMessagePanel, Word(&sender), on ? 1 : 0);
}

eResultCode SendQuit(gCCmdTarget& target, CWidget& button)
{
    return eResultCode(target.OnCommand(kPNUQuit, Word(&button), 0, 1));
}

uint32_t DecodeUpdaterMessage(uint32_t command, uintptr_t p1, intptr_t p2, CPNUMessageReceiver& receiver)
{
    const uintptr_t address = uintptr_t(p2);
    switch (command) {
    case kPNUParsedList:
        return address ? uint32_t(receiver.OnParsedList(*Pointer<const gCArray<gCString>>(address))) : 0;
    case kPNUSessionState:
        return uint32_t(receiver.OnSessionState(p2));
    case kPNUStatusLine:
        return p1 ? uint32_t(receiver.OnStatusLine(*Pointer<const gCString>(p1), LowWord(p2))) : 0;
    case kPNUProgress:
        return uint32_t(receiver.OnProgress(p2));
    case kPNUStatusLineCopy:
        return p1 ? uint32_t(receiver.OnStatusLineCopy(*Pointer<const gCString>(p1), LowWord(p2))) : 0;
    case kPNUPackageReceived:
        return uint32_t(receiver.OnPackageReceived(Pointer<gCMemFile>(address)));
    case kPNUPackageToSave:
        return uint32_t(receiver.OnPackageToSave(Pointer<gCMemFile>(address)));
    case kPNUQuit:
        return uint32_t(receiver.OnQuit());
    case kPNUServerRefused:
        return uint32_t(receiver.OnServerRefused(p2));
    case kPNUMessagePanelOn:
        return uint32_t(receiver.OnMessagePanelOn());
    case kPNUAskProtocol:
        return address ? uint32_t(receiver.OnAskProtocol(*Pointer<int32_t>(address))) : 0;
    case kPNUSourceRequested:
        return uint32_t(receiver.OnSourceRequested());
    case kPNUAskSession:
        return address ? uint32_t(receiver.OnAskSession(*Pointer<CPNUHTTPSession*>(address))) : 0;
    case kPNUSuccessSound:
        return uint32_t(receiver.OnSuccessSound());
    case kPNUFailureSound:
        return uint32_t(receiver.OnFailureSound());
    case kPNUSetMessagePanel:
        return uint32_t(receiver.OnSetMessagePanel(LowWord(p2) != 0));
    default:
        return 0;
    }
}

eResultCode RedrawMainWindow()
{
    CWindowBase* window = GetMainWindow();
    if (window && window->GetBackdrop())
        return window->GetBackdrop()->Update();
    return eSuccess;
}
