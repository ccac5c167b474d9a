// String tables from outside (the installed product's settings among them).
#include "FuzzFile.h"

#include "resources/gCStringTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile file;
    if (!file.Load(data, size))
        return 0;
    for (uint32_t keepNames : {0u, 1u}) {
        gCStringTable table;
        table.SetKeepNames(keepNames);
        (void)table.Read(&file, int32_t(keepNames));
        for (int32_t i = 0; i < table.GetCount() && i < 8; ++i) {
            uint32_t id = table.GetIdAt(i);
            for (int32_t field = -1; field < 4; ++field)
                (void)table.GetString(id, field);
            (void)table.GetText(id);
        }
        (void)table.GetStringByName(gCString(u"Local_Current"), 0);
    }
    (void)gCStringTable::GetStringFromStreamByName(&file, gCString(u"PN2_Version"), 1);
    (void)gCStringTable::GetStringFromStream(&file, 3000000004u, 0);
    return 0;
}
