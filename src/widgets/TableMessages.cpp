#include "widgets/TableMessages.h"

#include "app/gCCmdTarget.h"
#include "widgets/CTableWidget.h"

eResultCode NotifyRowsChanged(CTableWidget& table, bool update)
{
    return eResultCode(table.SendTableMessage(kTableRowsChanged, update));
}

eResultCode NotifyColumnsChanged(CTableWidget& table)
{
    return eResultCode(table.SendTableMessage(kTableColumnsChanged, 0));
}

eResultCode NotifyScrolled(CTableWidget& table, bool update)
{
    return eResultCode(table.SendTableMessage(kTableScrolled, update));
}

eResultCode NotifySelectionClicked(CTableWidget& table)
{
    return eResultCode(table.SendTableMessage(kTableSelectionClicked, 0));
}

eResultCode NotifyCellClicked(CTableWidget& table, const sTableCellAddress& cell)
{
    return eResultCode(table.SendTableMessage(kTableCellClicked, reinterpret_cast<uintptr_t>(&cell)));
}

uint32_t DeliverTableMessage(gCCmdTarget& listener, bool asCommand, CTableWidget& table, uint32_t message,
                             uintptr_t parameter)
{
    const uintptr_t from = reinterpret_cast<uintptr_t>(&table);
    if (!asCommand)
        return listener.OnMessage(message, from, parameter);
    return listener.OnCommand(message, from, intptr_t(parameter), 1);
}

uint32_t DecodeTableMessage(uint32_t message, uintptr_t p1, uintptr_t p2, CTableMessageReceiver& receiver)
{
    auto* table = reinterpret_cast<CTableWidget*>(p1);
    switch (message) {
    case kTableRowsChanged:
        return uint32_t(receiver.OnRowsChanged(table, p2 != 0));
    case kTableColumnsChanged:
        return uint32_t(receiver.OnColumnsChanged(table));
    case kTableScrolled:
        return uint32_t(receiver.OnTableScrolled(table, p2 != 0));
    case kTableSelectionClicked:
        return uint32_t(receiver.OnSelectionClicked(table));
    case kTableCellClicked:
        return p2 ? uint32_t(receiver.OnCellClicked(table, *reinterpret_cast<const sTableCellAddress*>(p2))) : 0;
    default:
        return 0;
    }
}

uint32_t DecodeTableMessage(uint32_t command, uintptr_t p1, intptr_t p2, CTableMessageReceiver& receiver)
{
    return DecodeTableMessage(command, p1, uintptr_t(p2), receiver);
}
