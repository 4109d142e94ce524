// The filter of the contents list through the real window: Ctrl+F opens a
// field above the list, typing keeps the rows whose names match, the status
// says how many of how many, sorting and marking work on what is shown, and
// Esc, an emptied field or another place ends it.
#include <QLineEdit>
#include <QTest>

#include "deletion/marks.h"
#include "platform/command_actions.h"
#include "scan/browse_program.h"
#include "shell/commands.h"
#include "views/list_filter.h"
#include "views/list_model.h"
#include "views/status_bar.h"

namespace {

TEST(FilterMatch, ContainedLetterCaseAsideOrAGlobOverTheWholeName) {
    struct Case {
        const char16_t* name;
        const char* text;
        bool passes;
    };
    for (const Case& c : {Case{u"Report.JSON", "json", true}, Case{u"report.json", "PORT", true},
                          Case{u"report.json", "txt", false}, Case{u"a*b", "*", true},
                          Case{u"notes.txt", "*.t?t", true}, Case{u"notes.txt.bak", "*.t?t", false},
                          Case{u"Notes.TXT", "n*", true}, Case{u"x.txt", "?.txt", true},
                          Case{u"xy.txt", "?.txt", false}, Case{u"anything", "", true},
                          Case{u"aXbXc", "*x*X*", true}, Case{u"abc", "a*b*c*d", false},
                          Case{u"\u00c9t\u00e9.TXT", "\u00e9T\u00c9", true}, Case{u"", "*", true}}) {
        EXPECT_EQ(NameMatchesFilter(c.name, QString::fromUtf8(c.text)), c.passes)
            << QString::fromUtf16(c.name).toStdString() << " / " << c.text;
    }
}

class ListFilterTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        device.AddFile(u"\\docs\\alpha.json", 500);
        device.AddFile(u"\\docs\\Beta.JSON", 400);
        device.AddFile(u"\\docs\\gamma.txt", 300);
        device.AddFile(u"\\docs\\delta", 200);
        device.AddFile(u"\\docs\\jsonless.md", 100);
        device.AddFile(u"\\other\\x.json", 10);
    }
    static std::vector<std::u16string> ShownNames() {
        std::vector<std::u16string> names;
        for (int row = 0; row < ShownRowCount(); ++row) names.emplace_back(ShownRow(row)->item->name);
        return names;
    }
    static void Type(const QString& text) {
        QLineEdit* field = ListFilterField();
        ASSERT_NE(field, nullptr);
        field->selectAll();
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, text);
    }
};

TEST_F(ListFilterTest, TypingKeepsTheMatchingRowsWhichSortAndMarkAlone) {
    Start(1000, 600);
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    FocusPane(listPane);
    QTest::keyClick(listPane, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* field = ListFilterField();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isVisible());
    EXPECT_TRUE(field->hasFocus());
    // The field stands above the list, across its width.
    EXPECT_LE(field->geometry().bottom(), listPane->geometry().top());
    EXPECT_EQ(field->width(), listPane->width());

    Type("JSON");
    EXPECT_EQ(ShownNames(), (std::vector<std::u16string>{u"alpha.json", u"Beta.JSON", u"jsonless.md"}));
    EXPECT_EQ(StatusPartText(0), "3 of 5 items");
    Type("*.json");
    EXPECT_EQ(ShownNames(), (std::vector<std::u16string>{u"alpha.json", u"Beta.JSON"}));
    EXPECT_EQ(StatusPartText(0), "2 of 5 items");

    // Sorting orders the rows shown; Select All and Delete mark only them.
    SortListByColumn(1);
    EXPECT_EQ(ShownNames(), (std::vector<std::u16string>{u"Beta.JSON", u"alpha.json"}));
    SelectAllRows();
    DispatchCommand(CMD_DELETE);
    EXPECT_EQ(markedCount, 2u);
    EXPECT_TRUE(Item({u"\\", u"docs", u"alpha.json"})->flags & ITEM_MARKED);
    EXPECT_FALSE(Item({u"\\", u"docs", u"gamma.txt"})->flags & ITEM_MARKED);

    // Esc ends it: every row back, in the order chosen, the status the place's.
    QTest::keyClick(ListFilterField(), Qt::Key_Escape);
    EXPECT_FALSE(ListFilterOpen());
    EXPECT_FALSE(field->isVisible());
    EXPECT_EQ(ShownRowCount(), 5);
    EXPECT_EQ(ShownNames().front(), u"jsonless.md");  // Size, smallest first
    EXPECT_EQ(StatusPartText(0).left(9), "5 item(s)");
    // Unmarked again, so that closing asks nothing.
    SelectAllRows();
    DispatchCommand(CMD_UNDELETE);
    EXPECT_EQ(markedCount, 0u);
}

TEST_F(ListFilterTest, AnEmptiedFieldOrAnotherPlaceEndsIt) {
    Start(1000, 600);
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    DispatchCommand(CMD_FILTER);
    Type("gamma");
    EXPECT_EQ(ShownRowCount(), 1);
    Type("");
    EXPECT_FALSE(ListFilterOpen());
    EXPECT_EQ(ShownRowCount(), 5);

    DispatchCommand(CMD_FILTER);
    Type("alpha");
    EXPECT_EQ(ShownRowCount(), 1);
    ASSERT_TRUE(Show({u"\\", u"other"}));
    EXPECT_FALSE(ListFilterOpen());
    EXPECT_FALSE(ListFilterField()->isVisible());
    EXPECT_EQ(ShownNames(), (std::vector<std::u16string>{u"x.json"}));
}

}  // namespace
