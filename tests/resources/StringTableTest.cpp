#include "support/AllocationFailure.h"
#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "FileIO/AppBaseFolders.h"
#include "resources/gCStringTable.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

namespace {

std::string Utf16(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

// One entry: id, value 0, name line, text line, each line ended by LF.
std::string Entry(uint32_t id, const std::u16string& name, const std::u16string& text)
{
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += char((id >> (8 * i)) & 0xFF);
    bytes += std::string(4, '\0');
    return bytes + Utf16(name + u"\n") + Utf16(text + u"\n");
}

std::string Text(const gCString& text)
{
    return Utf8(text);
}

const std::string kError = "%%String Table Error";

class StringTable : public ::testing::Test {
protected:
    TestResourceFile& Open(const std::string& bytes)
    {
        (void)file.Close();
        EXPECT_EQ(file.OpenAt(folder.WriteFile("table.msf", bytes)), eSuccess);
        return file;
    }

    TempFolder folder;
    TestResourceFile file;
};

} // namespace

TEST(StringTableFields, SelectsFieldsBetweenSeparators)
{
    const struct {
        const char16_t* text;
        int32_t field;
        const char* expected;
    } cases[] = {
        {u"one|two|three", 0, "one"},   {u"one|two|three", 1, "two"}, {u"one|two|three", 2, "three"},
        {u"one|two|three", 3, nullptr}, {u"word|", 0, "word"},         {u"word|", 1, nullptr},
        {u"|word", 0, ""},              {u"|word", 1, "word"},         {u"a||b", 1, ""},
        {u"", 0, nullptr},              {u"a|b", -1, nullptr},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(Text(gCString(test.text)) + " field " + std::to_string(test.field));
        EXPECT_EQ(Text(SelectStringField(gCString(test.text), test.field)), test.expected ? test.expected : kError);
    }
}

TEST_F(StringTable, ReadKeepsOneEntryPerIdAsReplaceSays)
{
    TestResourceFile& stream = Open(Entry(1, u"", u"first") + Entry(2, u"", u"other") + Entry(1, u"", u"second"));
    gCStringTable replacing;
    ASSERT_EQ(replacing.Read(&stream, 1), eSuccess);
    EXPECT_EQ(Text(replacing.GetText(1)), "second");
    ASSERT_EQ(replacing.GetCount(), 2);
    EXPECT_EQ(replacing.GetIdAt(1), 1u);

    gCStringTable keeping;
    ASSERT_EQ(keeping.Read(&stream, 0), eSuccess);
    EXPECT_EQ(Text(keeping.GetText(1)), "first");
    EXPECT_EQ(keeping.GetIdAt(0), 1u);
}

TEST_F(StringTable, NamesWorkOnlyWhenKept)
{
    TestResourceFile& stream = Open(Entry(10, u"Local_Current", u"English") + Entry(11, u"Local_Current", u"Deutsch"));
    gCStringTable plain;
    ASSERT_EQ(plain.Read(&stream, 1), eSuccess);
    EXPECT_EQ(Text(plain.GetStringByName(gCString(u"Local_Current"), 0)), kError);
    EXPECT_EQ(Text(plain.GetTextByName(gCString(u"Local_Current"))), kError);
    EXPECT_EQ(plain.SetTextByName(gCString(u"Local_Current"), gCString(u"x")), eBadParameter);
    EXPECT_EQ(plain.GetCount(), 2);

    gCStringTable* named = gCStringTable::Create(1);
    ASSERT_NE(named, nullptr);
    ASSERT_EQ(named->Read(&stream, 1), eSuccess);
    // The later entry has a new id but the same name: it replaces the earlier one.
    EXPECT_EQ(named->GetCount(), 1);
    EXPECT_EQ(Text(named->GetStringByName(gCString(u"Local_Current"), 0)), "Deutsch");
    EXPECT_EQ(Text(named->GetText(10)), kError);
    EXPECT_EQ(Text(named->GetTextByName(gCString(u"local_current"))), kError);

    ASSERT_EQ(named->RemoveAll(), eSuccess);
    ASSERT_EQ(named->LoadFromStream(Open(Entry(5, u"PN2_Version", u"2.1|beta"))), eSuccess);
    EXPECT_EQ(Text(named->GetStringByName(gCString(u"PN2_Version"), 1)), "beta");
    delete named;
}

TEST_F(StringTable, EmptyTextIsAnErrorAsAFieldButEmptyAsAText)
{
    TestResourceFile& stream = Open(Entry(3, u"Blank", u""));
    gCStringTable table;
    table.SetKeepNames(1);
    ASSERT_EQ(table.Read(&stream, 1), eSuccess);
    EXPECT_EQ(Text(table.GetString(3, 0)), kError);
    EXPECT_EQ(Text(table.GetText(3)), "");
    EXPECT_EQ(Text(table.GetTextByName(gCString(u"Blank"))), "");
}

TEST_F(StringTable, EditingEntries)
{
    gCStringTable table;
    table.SetKeepNames(1);
    ASSERT_EQ(table.Add(1, gCString(u"a"), gCString(u"A")), eSuccess);
    EXPECT_EQ(table.Add(1, gCString(u"b"), gCString(u"B")), eHandled);
    EXPECT_EQ(Text(table.GetText(1)), "a");
    EXPECT_EQ(table.SetText(1, gCString(u"c")), eSuccess);
    EXPECT_EQ(table.SetText(2, gCString(u"c")), eBadParameter);
    EXPECT_EQ(table.SetTextByName(gCString(u"A"), gCString(u"d|e")), eSuccess);
    EXPECT_EQ(Text(table.GetString(1, 1)), "e");
    EXPECT_EQ(table.RemoveByName(gCString(u"B")), eBadParameter);
    EXPECT_EQ(table.RemoveByName(gCString(u"A")), eSuccess);
    EXPECT_EQ(table.RemoveById(1), eBadParameter);
    EXPECT_EQ(table.GetCount(), 0);
}

TEST_F(StringTable, DamagedStreamsKeepWhatWasReadBefore)
{
    gCStringTable table;
    EXPECT_EQ(table.Read(nullptr, 1), eBadParameter);
    TestResourceFile closed;
    EXPECT_EQ(table.Read(&closed, 1), eBadParameter);
    EXPECT_EQ(Text(gCStringTable::GetStringFromStream(&closed, 1, 0)), kError);

    std::string good = Entry(1, u"", u"kept");
    TestResourceFile& stream = Open(good + Entry(2, u"", u"lost").substr(0, 6));
    EXPECT_EQ(table.Read(&stream, 1), eStreamError);
    EXPECT_EQ(table.GetCount(), 1);
    EXPECT_EQ(Text(table.GetText(1)), "kept");
}

TEST_F(StringTable, ReadingStraightFromAStream)
{
    TestResourceFile& stream = Open(Entry(1, u"", u"x|y") + Entry(2, u"Name", u"p|q"));
    ASSERT_EQ(stream.SeekToEnd(), eSuccess);
    EXPECT_EQ(Text(gCStringTable::GetStringFromStream(&stream, 1, 1)), "y");
    EXPECT_EQ(Text(gCStringTable::GetStringFromStreamByName(&stream, gCString(u"Name"), 0)), "p");
    EXPECT_EQ(Text(gCStringTable::GetStringFromStream(&stream, 3, 0)), kError);
    EXPECT_EQ(Text(gCStringTable::GetStringFromStream(nullptr, 1, 0)), kError);
}

TEST_F(StringTable, OutOfMemoryKeepsTheArraysParallel)
{
    TestResourceFile& stream = Open(Entry(1, u"N1", u"one") + Entry(2, u"N2", u"two") + Entry(3, u"N3", u"three"));
    ForEachAllocationFailure(
        [&] {
            gCStringTable table;
            table.SetKeepNames(1);
            eResultCode result = table.Read(&stream, 1);
            EXPECT_TRUE(result == eSuccess || result == eNoMemory);
            for (int32_t i = 0; i < table.GetCount(); ++i) {
                uint32_t id = table.GetIdAt(i);
                EXPECT_NE(Text(table.GetText(id)), kError);
            }
        },
        [](bool) {});
}

TEST_F(StringTable, CompiledTableReadsBack)
{
    std::string path = CompileResources(folder.Path(), "strings", "table.mst", R"(
3000000004 "English"
13 "Local_Current" "Deutsch|German"
14 ""
)");
    ASSERT_FALSE(path.empty());
    TestResourceFile stream;
    ASSERT_EQ(stream.OpenAt(path), eSuccess);
    gCStringTable table;
    table.SetKeepNames(1);
    ASSERT_EQ(table.LoadFromStream(stream), eSuccess);
    EXPECT_EQ(table.GetCount(), 3);
    EXPECT_EQ(Text(table.GetString(3000000004u, 0)), "English");
    EXPECT_EQ(Text(table.GetStringByName(gCString(u"Local_Current"), 1)), "German");
    EXPECT_EQ(Text(table.GetText(14)), "");
}

TEST_F(StringTable, LoadsFilesInTheBundle)
{
    ASSERT_EQ(SetAppBaseFolders(gCString(folder.Path().c_str()), gCString(u"/")), eSuccess);
    folder.WriteFile("table.msf", Entry(1, u"", u"old") + Entry(2, u"", u"two"));
    gCStringTable table;
    ASSERT_EQ(table.Add(9, gCString(u"kept"), gCString(u"")), eSuccess);
    ASSERT_EQ(table.LoadFromFile(gCString(u"table.msf"), 0), eSuccess);
    EXPECT_EQ(table.GetCount(), 3);

    folder.WriteFile("table.msf", Entry(1, u"", u"new"));
    ASSERT_EQ(table.ReloadFromFile(gCString(u"table.msf")), eSuccess);
    EXPECT_EQ(table.GetCount(), 1);
    EXPECT_EQ(Text(table.GetText(1)), "new");

    EXPECT_NE(table.ReloadFromFile(gCString(u"missing.msf")), eSuccess);
    EXPECT_EQ(table.GetCount(), 1);
    ClearAppBaseFolders();
}
