// The messages a table sends its listener (0xF01000nn, p1 the table): through OnMessage, or
// through OnCommand with the flag 1 in command mode. The typed senders below are the only place
// that builds the words, and DecodeTableMessage the only place that reads them back.
#pragma once

#include "core/eResultCode.h"

#include <cstdint>

class CTableWidget;
class gCCmdTarget;

enum : uint32_t {
    kTableRowsChanged = 0xF0100001,    // p2: the caller's update flag
    kTableColumnsChanged = 0xF0100002, // p2: 0
    kTableScrolled = 0xF0100003,       // p2: the caller's update flag
    kTableSelectionClicked = 0xF0100005, // p2: 0
    kTableCellClicked = 0xF0100006,    // p2: sTableCellAddress*, valid during the call
};

// {column, row} handed with kTableCellClicked.
struct sTableCellAddress {
    int32_t column;
    int32_t row;
};

// What a listener does with each table message; 0 (the default) lets the sender go on, any other
// answer stops it and comes back from the sender.
class CTableMessageReceiver {
public:
    virtual ~CTableMessageReceiver() = default;

    virtual eResultCode OnRowsChanged(CTableWidget*, bool) { return eSuccess; }
    virtual eResultCode OnColumnsChanged(CTableWidget*) { return eSuccess; }
    virtual eResultCode OnTableScrolled(CTableWidget*, bool) { return eSuccess; }
    virtual eResultCode OnSelectionClicked(CTableWidget*) { return eSuccess; }
    virtual eResultCode OnCellClicked(CTableWidget*, const sTableCellAddress&) { return eSuccess; }
};

// The senders, each the listener's answer as a result code (eSuccess without a listener).
eResultCode NotifyRowsChanged(CTableWidget& table, bool update);
eResultCode NotifyColumnsChanged(CTableWidget& table);
eResultCode NotifyScrolled(CTableWidget& table, bool update);
eResultCode NotifySelectionClicked(CTableWidget& table);
eResultCode NotifyCellClicked(CTableWidget& table, const sTableCellAddress& cell);

// How the table hands a message to its listener: OnMessage, or OnCommand (flag 1) in command mode.
uint32_t DeliverTableMessage(gCCmdTarget& listener, bool asCommand, CTableWidget& table, uint32_t message,
                             uintptr_t parameter);

// One table message (as OnMessage or OnCommand got it) as a call on the receiver; 0 for any
// other message and for a cell click without its address.
uint32_t DecodeTableMessage(uint32_t message, uintptr_t p1, uintptr_t p2, CTableMessageReceiver& receiver);
// The same for a command handler, whose p2 is the signed 64-bit word.
uint32_t DecodeTableMessage(uint32_t command, uintptr_t p1, intptr_t p2, CTableMessageReceiver& receiver);
