#include "widgets/EditMessages.h"

#include "app/AppGlobals.h"
#include "app/CAppBase.h"
#include "widgets/CWidget.h"

uint32_t RouteFieldKey(CWidget* editor, eFieldKey key)
{
    const uint32_t message = key == eFieldKey::kEscape ? kEscapePressed : kReturnPressed;
    return gApplication ? gApplication->RouteMessage(message, reinterpret_cast<uintptr_t>(editor), 0) : 0;
}

uint32_t SendEditCommand(CWidget& focus, eEditCommand command)
{
    uint32_t word = 0;
    switch (command) {
    case eEditCommand::kCut: word = kCutCommand; break;
    case eEditCommand::kCopy: word = kCopyCommand; break;
    case eEditCommand::kPaste: word = kPasteCommand; break;
    case eEditCommand::kNone: break;
    }
    return word ? focus.OnCommand(word, reinterpret_cast<uintptr_t>(gApplication), 0, 1) : 0;
}

eEditCommand DecodeEditCommand(uint32_t command)
{
    switch (command) {
    case kCutCommand: return eEditCommand::kCut;
    case kCopyCommand: return eEditCommand::kCopy;
    case kPasteCommand: return eEditCommand::kPaste;
    default: return eEditCommand::kNone;
    }
}
