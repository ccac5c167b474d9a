#include "TableTestSupport.h"

#include "support/TempFolder.h"
#include "widgets/CMLTableWidget.h"
#include "support/StringBytes.h"

#include <fstream>
#include <functional>
#include <iterator>

namespace {

using TableModel = TableTest;

// An image that says when it is deleted.
class CWatchedImage : public CImage {
public:
    explicit CWatchedImage(bool* deleted) : CImage(4, 4), mDeleted(deleted) {}
    ~CWatchedImage() override { *mDeleted = true; }

private:
    bool* mDeleted;
};

void AddTextRows(CTableWidget& table, const std::vector<const char16_t*>& texts)
{
    for (const char16_t* text : texts) {
        ASSERT_EQ(table.AddRow(false), eSuccess);
        if (text) {
            ASSERT_EQ(table.SetCellText(table.GetRowCount() - 1, 0, gCString(text), false), eSuccess);
        }
    }
}

std::vector<std::u16string> ColumnTexts(CTableWidget& table, int32_t column)
{
    std::vector<std::u16string> texts;
    for (int32_t i = 0; i < table.GetRowCount(); ++i) {
        const char16_t* text = table.GetCellText(i, column);
        texts.push_back(text ? text : u"<null>");
    }
    return texts;
}

TEST_F(TableModel, FreshTableHasOneColumnAsWideAsTheWidgetAndNoRows)
{
    CTableWidget table;
    ASSERT_EQ(table.SetSize(120, 40, false), eSuccess);
    EXPECT_EQ(table.GetTypeCode(), FourCC("tbwg"));
    EXPECT_EQ(table.GetColumnCount(), 1);
    EXPECT_EQ(table.GetColumnWidth(0), 120);
    EXPECT_EQ(table.GetColumnAtX(119), 0);
    EXPECT_EQ(table.GetColumnAtX(120), -1);
    EXPECT_EQ(table.GetColumnAtX(-1), -1);
    EXPECT_EQ(table.GetRowCount(), 0);
    EXPECT_EQ(table.FindRowById(0), -1);
    EXPECT_EQ(table.GetEventMask() & kEventWheel, kEventWheel);
    ASSERT_EQ(table.SetColumnWidth(0, 50, false), eSuccess);
    ASSERT_EQ(table.AddColumn(30, true, false), eSuccess);
    EXPECT_EQ(table.GetColumnX(1), 50);
    EXPECT_EQ(table.GetColumnAtX(79), 1);
    EXPECT_EQ(table.GetColumnAtX(80), -1);

    // A layout may leave a table without area for a while.
    ASSERT_EQ(table.AddRow(false), eSuccess);
    EXPECT_EQ(table.SetSize(0, 0, false), eSuccess);
    EXPECT_EQ(table.SetCellText(0, 0, gCString(u"x"), false), eSuccess);
    CMLTableWidget lines;
    ASSERT_EQ(lines.SetSize(30, 30, false), eSuccess);
    ASSERT_EQ(lines.AddRow(false), eSuccess);
    EXPECT_EQ(lines.SetSize(0, 30, false), eSuccess);
    EXPECT_EQ(lines.SetCellText(0, 0, gCString(u"x"), false), eSuccess);
}

TEST_F(TableModel, MessagesReachTheListenerInBothCommandModesAndStopAtAnAnswer)
{
    for (uint32_t mode : {0u, 1u}) {
        SCOPED_TRACE(mode);
        CTableWidget table;
        CMessageRecorder listener;
        table.mListener = &listener;
        table.mCommandMode = mode;
        ASSERT_EQ(table.AddRow(true), eSuccess);
        ASSERT_EQ(table.InsertRow(0, false), eSuccess);
        ASSERT_EQ(table.SetColumnWidth(0, 10, false), eSuccess);
        ASSERT_EQ(table.RemoveRow(1, true), eSuccess);
        ASSERT_EQ(table.RemoveAllRows(true), eSuccess);
        EXPECT_EQ(listener.Codes(), (std::vector<uint32_t>{kTableRowsChanged, kTableRowsChanged, kTableColumnsChanged,
                                                           kTableRowsChanged, kTableRowsChanged, kTableScrolled}));
        std::vector<intptr_t> parameters;
        for (const auto& m : listener.messages) {
            EXPECT_EQ(m.p1, uintptr_t(&table));
            EXPECT_EQ(m.flag, mode == 0 ? 2u : 1u);
            parameters.push_back(m.p2);
        }
        EXPECT_EQ(parameters, (std::vector<intptr_t>{1, 0, 0, 1, 1, 1}));

        // A non-zero answer is passed back and ends the pair.
        listener.messages.clear();
        listener.answer = 7;
        EXPECT_EQ(table.RemoveAllRows(false), eResultCode(7));
        EXPECT_EQ(listener.Codes(), (std::vector<uint32_t>{kTableRowsChanged}));
    }
}

TEST_F(TableModel, OutOfRangeIndexesAreRefusedWithoutTouchingTheTable)
{
    CTableWidget table;
    AddTextRows(table, {u"a", u"b"});
    ASSERT_EQ(table.AddColumn(20, false, false), eSuccess);
    CImage image(2, 2);
    const std::vector<std::pair<const char*, std::function<eResultCode()>>> calls = {
        {"SetCellText row", [&] { return table.SetCellText(2, 0, gCString(u"x"), false); }},
        {"SetCellText column", [&] { return table.SetCellText(0, 2, gCString(u"x"), false); }},
        {"SetCellText negative", [&] { return table.SetCellText(-1, 0, gCString(u"x"), false); }},
        {"SetCellText image column", [&] { return table.SetCellText(0, 1, gCString(u"x"), false); }},
        {"SetCellImage text column", [&] { return table.SetCellImage(0, 0, &image, false); }},
        {"SetCellImage row", [&] { return table.SetCellImage(5, 1, &image, false); }},
        {"SelectRow", [&] { return table.SelectRow(2, false); }},
        {"SelectOnlyRow", [&] { return table.SelectOnlyRow(-1, false); }},
        {"DeselectRow", [&] { return table.DeselectRow(9, false); }},
        {"RemoveRow", [&] { return table.RemoveRow(2, false); }},
        {"InsertRow", [&] { return table.InsertRow(3, false); }},
        {"SetRowId", [&] { return table.SetRowId(2, 5); }},
        {"SetCellValue", [&] { return table.SetCellValue(0, 2, 5); }},
        {"SetColumnWidth", [&] { return table.SetColumnWidth(2, 5, false); }},
        {"SetColumnWidth negative", [&] { return table.SetColumnWidth(0, -5, false); }},
        {"SetColumnJustification", [&] { return table.SetColumnJustification(0, 3, false); }},
        {"SetRowHeight 0", [&] { return table.SetRowHeight(0, false); }},
        {"SetRowHeight negative", [&] { return table.SetRowHeight(-16, false); }},
        {"SetShadowRadius", [&] { return table.SetShadowRadius(-1.0f, false); }},
    };
    for (const auto& [name, call] : calls)
        EXPECT_EQ(call(), eBadParameter) << name;
    CPixel black = 0xFF000000u;
    EXPECT_EQ(table.SetRowColour(2, &black, false), eGenericFailure);
    EXPECT_EQ(table.GetRow(2), nullptr);
    EXPECT_EQ(table.GetCellText(0, 1), nullptr);
    EXPECT_EQ(table.GetCellImage(0, 0), nullptr);
    EXPECT_EQ(table.GetCellValue(7, 0), 0u);
    EXPECT_EQ(table.GetRowHeight(), 16);
    EXPECT_FLOAT_EQ(table.GetShadowRadius(), 1.5f);
    EXPECT_EQ(ColumnTexts(table, 0), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(table.CountSelectedRows(), 0);

    // The multi-line table's rows have no value array.
    CMLTableWidget lines;
    ASSERT_EQ(lines.AddRow(false), eSuccess);
    EXPECT_EQ(lines.SetCellValue(0, 0, 1), eBadParameter);
    EXPECT_EQ(lines.GetCellValue(0, 0), 0u);
}

// Row images are a column wide and a row high, both from data blocks: beyond the work-image
// limit they are refused instead of allocated.
TEST_F(TableModel, RowImagesBeyondTheWorkImageLimitAreRefused)
{
    CTableWidget table;
    ASSERT_EQ(table.AddColumn(1000, true, false), eSuccess);
    EXPECT_EQ(table.SetRowHeight(20000, false), eNoMemory);
    EXPECT_EQ(table.SetRowHeight(200, false), eSuccess);
}

TEST_F(TableModel, CellsOwnTheirTextsAndImagesExceptPooledOnes)
{
    CTableWidget table;
    ASSERT_EQ(table.SetColumnWidth(0, 40, false), eSuccess);
    ASSERT_EQ(table.AddColumn(40, false, false), eSuccess);
    AddTextRows(table, {u"", nullptr});
    ASSERT_NE(table.GetCellText(0, 0), nullptr);
    EXPECT_EQ(table.GetCellText(0, 0)[0], u'\0') << "an empty text is a lone terminator";
    EXPECT_EQ(table.GetCellText(1, 0), nullptr);

    bool ownDeleted = false, pooledDeleted = false, keptDeleted = false;
    auto* own = new CWatchedImage(&ownDeleted);
    auto* pooled = new CWatchedImage(&pooledDeleted);
    pooled->SetInPool(1);
    auto* kept = new CWatchedImage(&keptDeleted);
    ASSERT_EQ(table.SetCellImage(0, 1, own, false), eSuccess);
    ASSERT_EQ(table.SetCellImage(0, 1, own, false), eSuccess);
    EXPECT_FALSE(ownDeleted) << "storing the same image again keeps it";
    ASSERT_EQ(table.SetCellImage(0, 1, pooled, false), eSuccess);
    EXPECT_TRUE(ownDeleted);
    ASSERT_EQ(table.SetCellImage(0, 1, kept, false), eSuccess);
    EXPECT_FALSE(pooledDeleted) << "the pool's image is only dropped";
    ASSERT_EQ(table.SetColumnHoldsImages(1, false, false), eSuccess);
    EXPECT_TRUE(keptDeleted) << "turning the column to text clears its images";
    EXPECT_EQ(table.GetCellText(0, 1), nullptr);
    delete pooled;
}

TEST_F(TableModel, SortsByTextNumberAndImageWithTheSelectionTravelling)
{
    CTableWidget table;
    ASSERT_EQ(table.SetColumnWidth(0, 40, false), eSuccess);
    ASSERT_EQ(table.AddColumn(40, true, false), eSuccess);
    AddTextRows(table, {u"cherry", nullptr, u"Banana", u"apple"});
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_EQ(table.SetRowId(i, uintptr_t(100 + i)), eSuccess);
    ASSERT_EQ(table.SelectRow(2, false), eSuccess);

    ASSERT_EQ(table.SortRows(0, false, true, false), eSuccess);
    EXPECT_EQ(ColumnTexts(table, 0), (std::vector<std::u16string>{u"apple", u"Banana", u"cherry", u"<null>"}));
    EXPECT_EQ(table.FindSelectedRow(0), 1) << "Banana stays selected";
    EXPECT_EQ(table.GetRowId(1), 102u);
    ASSERT_EQ(table.SortRows(0, false, false, false), eSuccess);
    EXPECT_EQ(ColumnTexts(table, 0), (std::vector<std::u16string>{u"<null>", u"cherry", u"Banana", u"apple"}));

    const std::vector<const char16_t*> numbers = {u"10", u"x", u"9", u" -2.5e1"};
    for (int32_t i = 0; i < 4; ++i)
        ASSERT_EQ(table.SetCellText(i, 1, gCString(numbers[size_t(i)]), false), eSuccess);
    ASSERT_EQ(table.SortRows(1, true, true, false), eSuccess);
    EXPECT_EQ(ColumnTexts(table, 1), (std::vector<std::u16string>{u" -2.5e1", u"x", u"9", u"10"}));
    ASSERT_EQ(table.SortRows(1, false, true, false), eSuccess);
    EXPECT_EQ(ColumnTexts(table, 1)[0], u" -2.5e1") << "as text, a space sorts first";

    // Units from 0x8000 compare as negative numbers.
    ASSERT_EQ(table.SetCellText(3, 1, gCString(u"\u9000"), false), eSuccess);
    ASSERT_EQ(table.SortRows(1, false, true, false), eSuccess);
    EXPECT_EQ(ColumnTexts(table, 1)[0], u"\u9000");

    ASSERT_EQ(table.SortRowsWith(0, [](intptr_t a, intptr_t b, intptr_t) {
        auto id = [](intptr_t row) { return int32_t(reinterpret_cast<CTableWidget::sRow*>(row)->id); };
        return id(a) - id(b);
    }, 0, false, false), eSuccess);
    EXPECT_EQ(table.GetRowId(0), 103u);
    EXPECT_EQ(table.GetRowId(3), 100u);
}

TEST_F(TableModel, SelectionFollowsTheMultiSelectRules)
{
    CTableWidget table;
    AddTextRows(table, {u"0", u"1", u"2", u"3", u"4", u"5"});
    ASSERT_EQ(table.SelectRow(2, false), eSuccess);
    ASSERT_EQ(table.SelectRow(5, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 2);
    EXPECT_EQ(table.FindSelectedRow(3), 5);
    EXPECT_EQ(table.FindSelectedRow(6), -1);
    ASSERT_EQ(table.SetMultiSelect(false, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 1);
    EXPECT_EQ(table.FindSelectedRow(0), 2);
    ASSERT_EQ(table.SelectRow(4, false), eSuccess);
    EXPECT_EQ(table.FindSelectedRow(0), 4);
    ASSERT_EQ(table.SelectAll(true, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 1) << "one row at a time: the last one stays";
    EXPECT_EQ(table.FindSelectedRow(0), 5);
    ASSERT_EQ(table.SetMultiSelect(true, false), eSuccess);
    ASSERT_EQ(table.SelectAll(true, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 6);
    ASSERT_EQ(table.SelectOnlyRow(1, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 1);
    ASSERT_EQ(table.SelectAll(false, false), eSuccess);
    EXPECT_EQ(table.CountSelectedRows(), 0);
}

TEST_F(TableModel, RemovingRowsKeepsTheScrollOffsetWithinTheContent)
{
    CTableWidget table;
    ASSERT_EQ(table.SetSize(50, 48, false), eSuccess);
    AddTextRows(table, std::vector<const char16_t*>(10, u"r"));
    ASSERT_EQ(table.ScrollToBottom(false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 160 - 48);
    ASSERT_EQ(table.RemoveRow(9, false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 144 - 48);
    while (table.GetRowCount() > 2)
        ASSERT_EQ(table.RemoveRow(0, false), eSuccess);
    EXPECT_EQ(table.GetScrollOffset(), 0) << "content shorter than the widget is not left scrolled away";
    EXPECT_EQ(table.GetRowTop(0), 0);
}

TEST_F(TableModel, LoadsColourAndEffectsButNoBorderFromABlock)
{
    {
        CTableWidget table;
        CBytesStream stream(Block(Tag("colr") + I32(int32_t(0xFF112233u)) + Tag("vsbl") + I32(1) + Tag("shad") +
                                  I32(0) + I32(int32_t(0xFF000000u)) + F32(2.0f) + I32(2) + I32(2) + I32(128) +
                                  I32(0) + I32(0)));
        ASSERT_EQ(table.LoadWidgetDataBlock(&stream), eSuccess);
        EXPECT_EQ(table.GetColour(), 0xFF112233u);
        EXPECT_TRUE(table.IsVisible());
        EXPECT_NE(table.GetUnderEffect(0), nullptr);
        EXPECT_TRUE(TakeAlertDetails().empty());
    }
    // The fuzz corpus's bad table blocks: tags a table does not take, whatever their values.
    for (const char* name : {"table_border_refused", "table_row_height_negative", "table_row_height_huge",
                             "table_column_count_huge", "table_column_width_negative",
                             "table_cell_index_out_of_range"}) {
        std::ifstream in(std::string(PNU_SOURCE_DIR "/fuzz/corpus/widget_block/") + name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << name;
        CTableWidget table;
        CMLTableWidget lines;
        for (CTableWidget* target : {&table, static_cast<CTableWidget*>(&lines)}) {
            CBytesStream stream(bytes);
            EXPECT_EQ(target->LoadWidgetDataBlock(&stream), eBadParameter) << name;
            EXPECT_EQ(TakeAlertDetails(), (std::vector<std::string>{"Unrecognised chunk in widget.",
                                                                     "Error parsing widget data chunk type."}))
                << name;
        }
    }
    CTableWidget table;
    CBytesStream cut(Block(Tag("colr") + std::string(2, '\0')));
    EXPECT_NE(table.LoadWidgetDataBlock(&cut), eSuccess);
    EXPECT_EQ(TakeAlertDetails().front(), "CoWidget colr.");
}

} // namespace

namespace {

// The resource compiler writes table blocks as the table's loader reads them.
TEST(TableScripts, CompiledTableBlocksLoadByNameAndId)
{
    TempFolder folder;
    ScopedResourceContext context;
    std::string path = CompileResources(folder.Path(), "resources", "tables.mrs",
                                        "widget 'tbwg' 40 \"Files\" {\n"
                                        "  vsbl 1\n  xsiz 120.0\n  ysiz 48.0\n  colr 0xFF203040\n"
                                        "  shad 0 0x000000 2.0 1 1 128 0 0\n"
                                        "}\n"
                                        "widget 'mltb' 41 \"Status\" {\n"
                                        "  vsbl 1\n  colr 0x00FFFFFF\n  grdf 1 0.0 0 0 0.5 0.5 2 0xFF000000 0.0 "
                                        "0xFFFFFFFF 1.0 255 1\n"
                                        "}\n");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(context.UseResourceFile(path), eSuccess);
    CTableWidget* files = CTableWidget::CreateFromName(gCString(u"Files"), nullptr, nullptr);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->GetId(), 40u);
    EXPECT_EQ(files->GetColour(), 0xFF203040u);
    EXPECT_NE(files->GetUnderEffect(0), nullptr);
    delete files;
    CMLTableWidget status;
    ASSERT_EQ(status.LoadFromId(41, nullptr, nullptr), eSuccess);
    EXPECT_EQ(Utf8(status.GetName()), "Status");
    EXPECT_EQ(status.GetColour(), 0x00FFFFFFu);
    EXPECT_NE(status.GetOverEffect(1), nullptr);
    EXPECT_EQ(CTableWidget::CreateFromName(gCString(u"Status"), nullptr, nullptr), nullptr)
        << "a plain table finds no 'tbwg' block of that name";
    EXPECT_EQ(TakeAlertDetails().size(), 0u);
}

} // namespace
