// The text editor's messages: Return or Escape typed in a field (routed through the application,
// so the field's owner can act on it) and the edit commands cut, copy and paste (handed to the
// widget with the focus). The typed senders below are the only place that builds the words, and
// DecodeEditCommand the only place that reads a command back.
#pragma once

#include <cstdint>

class CWidget;

enum : uint32_t {
    kReturnPressed = 0xF0000003, // p1: the editor, p2: 0
    kEscapePressed = 0xF0000004, // as Return
    kCutCommand = 0xF000000A,    // p1: the application, p2: 0, flag 1
    kCopyCommand = 0xF000000B,   // as cut
    kPasteCommand = 0xF000000C,  // as cut
};

enum class eFieldKey : int32_t { kReturn, kEscape };
enum class eEditCommand : int32_t { kNone, kCut, kCopy, kPaste };

// Routed through the application (CAppBase::RouteMessage); 0 without an application.
uint32_t RouteFieldKey(CWidget* editor, eFieldKey key);
// Handed to the widget's OnCommand; its answer. Nothing is sent for kNone.
uint32_t SendEditCommand(CWidget& focus, eEditCommand command);

// The edit command a command word carries; kNone for any other word.
eEditCommand DecodeEditCommand(uint32_t command);
