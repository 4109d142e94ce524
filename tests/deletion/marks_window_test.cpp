// Marking, the marks question and the expunge through the real window over
// the in-memory device: what the user does with the list, the tree and the
// dialogs, and what storage and totals look like afterwards.
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "../scan/browse_program.h"
#include "deletion/expunge.h"
#include "deletion/marks.h"
#include "platform/command_actions.h"
#include "platform/dialog_builder.h"
#include "shell/commands.h"
#include "support/modal_answers.h"
#include "views/contents_list.h"
#include "views/status_bar.h"

namespace {

class MarksWindowTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        device.AddFile(u"\\docs\\a.txt", 100);
        device.AddFile(u"\\docs\\b.txt", 200);
        device.AddFile(u"\\docs\\c.txt", 300);
        device.AddFile(u"\\docs\\sub\\d.bin", 400);
    }
    void TearDown() override {
        // Closing with marks left asks first: the answer lets it close.
        {
            ModalAnswers yes([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Yes); });
            Stop();
        }
        BrowseProgram::TearDown();
    }
    // Scans "\" and lists \docs.
    ItemNode* ShowDocs() {
        Start();
        ScanStore();
        Select(Node({u"\\", u"docs"}));
        ItemNode* docs = Item({u"\\", u"docs"});
        EXPECT_TRUE(WaitUntil([docs] { return Settled() && listedPlace == docs; }));
        FocusPane(listPane);
        return docs;
    }
    // Selects the shown rows whose entries have the given names.
    static void SelectRows(std::initializer_list<const char16_t*> names) {
        listPane->clearSelection();
        for (int p = 0; p < ShownRowCount(); ++p) {
            for (const char16_t* name : names) {
                if (QString::fromUtf16(ShownRow(p)->item->name) == QString::fromUtf16(name))
                    listPane->selectionModel()->select(listPane->model()->index(p, 0),
                                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
    }
    static QString Accessible(ListRow* row) {
        return listPane->model()->index(ShownRowPosition(row), 0).data(Qt::AccessibleDescriptionRole).toString();
    }
};

TEST_F(MarksWindowTest, DeleteMarksUndeleteUnmarksAndLeavingAsksFirst) {
    ItemNode* docs = ShowDocs();
    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::No); });
    SelectRows({u"a.txt", u"b.txt", u"c.txt", u"sub"});
    QTest::keyClick(listPane, Qt::Key_Delete);
    EXPECT_EQ(markedCount, 4u);
    EXPECT_TRUE(IsCommandEnabled(CMD_EXPUNGE));
    ListRow* a = FindListRow(FindChildByName(docs, u"a.txt"));
    EXPECT_EQ(Accessible(a), "Marked for deletion");
    DispatchCommand(CMD_DELETE);  // again: nothing changes
    EXPECT_EQ(markedCount, 4u);

    SelectRows({u"a.txt", u"d.bin"});
    DispatchCommand(CMD_UNDELETE);
    EXPECT_EQ(markedCount, 3u);
    EXPECT_NE(Accessible(a), "Marked for deletion");

    // Leaving asks; No keeps the place and every mark.
    Select(Node({u"\\"}));
    ASSERT_EQ(answers.seen.size(), 1);
    EXPECT_EQ(answers.seen[0], "Volumetra | Mark for deletion in this folder will be removed.  Are you sure?");
    EXPECT_EQ(TreeNodeItem(treePane->currentItem()), docs);
    EXPECT_EQ(markedCount, 3u);
    DispatchCommand(CMD_REFRESH);
    EXPECT_EQ(answers.seen.size(), 2);
    EXPECT_EQ(markedCount, 3u);
}

TEST_F(MarksWindowTest, YesDropsTheMarksAndGoes) {
    ItemNode* docs = ShowDocs();
    SelectRows({u"a.txt", u"sub"});
    DispatchCommand(CMD_DELETE);
    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Yes); });
    Select(Node({u"\\"}));
    EXPECT_TRUE(WaitUntil([] { return Settled() && listedPlace == Item({u"\\"}); }));
    EXPECT_EQ(markedCount, 0u);
    EXPECT_FALSE(IsCommandEnabled(CMD_EXPUNGE));
    for (uint32_t i = 0; i < docs->childCount; ++i) EXPECT_FALSE(docs->children[i].flags & ITEM_MARKED);
}

TEST_F(MarksWindowTest, DrivesDatabasesAndTheDatabaseFolderCannotBeMarked) {
    device.AddDatabase(u"Contacts", 2048);
    Start();
    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    // The drive list: one message per selected drive, with its name.
    FocusPane(listPane);
    SelectAllRows();
    DispatchCommand(CMD_DELETE);
    EXPECT_EQ(answers.seen, QStringList({"\\ | Drives could not be removed.",
                                         "Storage Card | Drives could not be removed."}));
    answers.seen.clear();

    ScanStore();
    FocusPane(listPane);
    SelectRows({u"Database"});
    DispatchCommand(CMD_DELETE);
    EXPECT_EQ(answers.seen, QStringList({"Database | This folder could not be removed."}));
    EXPECT_EQ(markedCount, 0u);
    EXPECT_FALSE(IsCommandEnabled(CMD_EXPUNGE));
}

TEST_F(MarksWindowTest, ExpungeDeletesTheMarkedEntriesAndCorrectsTotalsUpToTheDrive) {
    ItemNode* docs = ShowDocs();
    ItemNode* store = Item({u"\\"});
    uint64_t storeUsedBefore = store->ownSize;
    uint64_t storeListedBefore = SumVisibleTotals(store->children, store->childCount);
    EXPECT_EQ(docs->total, 1000u);
    SelectRows({u"a.txt", u"b.txt", u"c.txt"});
    DispatchCommand(CMD_DELETE);

    QStringList listed;
    ModalAnswers answers([&](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (auto* list = qobject_cast<QTreeWidget*>(DialogControl(dialog, EXPUNGE_LIST_CONTROL))) {
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                listed << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1);
        }
        ClickDialogControl(modal, 1);
    });
    DispatchCommand(CMD_EXPUNGE);
    EXPECT_EQ(listed, QStringList({"a.txt \\docs", "b.txt \\docs", "c.txt \\docs"}));
    for (const char16_t* name : {u"\\docs\\a.txt", u"\\docs\\b.txt", u"\\docs\\c.txt"})
        EXPECT_FALSE(device.Exists(name));
    EXPECT_TRUE(device.Exists(u"\\docs\\sub\\d.bin"));
    EXPECT_EQ(docs->total, 400u);
    EXPECT_EQ(ShownRowCount(), 1);
    EXPECT_EQ(markedCount, 0u);
    EXPECT_FALSE(IsCommandEnabled(CMD_EXPUNGE));
    EXPECT_EQ(StatusPartText(0), "1 item(s)  400 byte(s)");
    EXPECT_EQ(listPane->model()->index(0, 2).data().toString(), "100%");
    // The drive was asked for its space again (the device reports its own).
    EXPECT_EQ(store->ownSize, storeUsedBefore);
    EXPECT_EQ(SumVisibleTotals(store->children, store->childCount), storeListedBefore - 600);
}

TEST_F(MarksWindowTest, TheConfirmationListsNamesInTheProgramsOrderAndKeepsTheColumnsOwnWidths) {
    device.AddFile(u"\\docs\\B.txt", 10);
    device.AddFile(u"\\docs\\a2.txt", 10);
    // A host name with its own backslash byte reads the same everywhere.
    device.AddFile(u"\\docs\\c\xDC5C" u"d", 10);
    ShowDocs();
    QString listedText = listPane->model()->index(ShownRowNamed(u"c\xDC5C" u"d"), 0).data().toString();
    EXPECT_EQ(listedText, "c\\d");
    SelectRows({u"a.txt", u"B.txt", u"a2.txt", u"b.txt", u"c\xDC5C" u"d"});
    DispatchCommand(CMD_DELETE);
    settingsBlob.expungeColumnWidths[0] = 80;
    settingsBlob.expungeColumnWidths[1] = 110;

    QStringList listed;
    ModalAnswers answers([&](QWidget* modal) {
        auto* list = qobject_cast<QTreeWidget*>(DialogControl(qobject_cast<QDialog*>(modal), EXPUNGE_LIST_CONTROL));
        if (list) {
            for (int i = 0; i < list->topLevelItemCount(); ++i) listed << list->topLevelItem(i)->text(0);
            // The last column fills the list on screen.
            EXPECT_GT(list->columnWidth(1), 110);
        }
        ClickDialogControl(modal, 1);
    });
    DispatchCommand(CMD_EXPUNGE);
    // Letter case folded first, as every list of the program orders names.
    EXPECT_EQ(listed, QStringList({"a.txt", "a2.txt", "B.txt", "b.txt", listedText}));
    // Neither column was touched: their own widths are kept.
    EXPECT_EQ(settingsBlob.expungeColumnWidths[0], 80);
    EXPECT_EQ(settingsBlob.expungeColumnWidths[1], 110);
}

TEST_F(MarksWindowTest, CancelDeletesNothingAndRefusalsStayMarked) {
    ItemNode* docs = ShowDocs();
    device.RefuseDelete(u"\\docs\\b.txt");
    SelectRows({u"a.txt", u"b.txt"});
    DispatchCommand(CMD_DELETE);
    {
        ModalAnswers cancel([](QWidget* modal) { modal->close(); });
        DispatchCommand(CMD_EXPUNGE);
    }
    EXPECT_TRUE(device.Exists(u"\\docs\\a.txt"));
    EXPECT_EQ(markedCount, 2u);

    ModalAnswers answers([](QWidget* modal) {
        ClickDialogControl(modal, 1);
        ClickMessageButton(modal, QMessageBox::Ok);
    });
    DispatchCommand(CMD_EXPUNGE);
    EXPECT_FALSE(device.Exists(u"\\docs\\a.txt"));
    EXPECT_TRUE(device.Exists(u"\\docs\\b.txt"));
    EXPECT_TRUE(answers.seen.contains("\\docs\\b.txt | This file could not be removed by some reason."));
    EXPECT_EQ(markedCount, 1u);
    EXPECT_TRUE(IsCommandEnabled(CMD_EXPUNGE));
    EXPECT_TRUE(FindChildByName(docs, u"b.txt")->flags & ITEM_MARKED);
    EXPECT_EQ(docs->total, 900u);
}

TEST_F(MarksWindowTest, MoveToTrashMovesFoldersWholeAndReadOnlyFilesWithoutAQuestion) {
    device.AddFile(u"\\docs\\r.txt", 50, FILE_ATTR_READONLY);
    ItemNode* docs = ShowDocs();
    ItemNode* store = Item({u"\\"});
    const uint64_t storeListedBefore = SumVisibleTotals(store->children, store->childCount);
    SelectRows({u"a.txt", u"r.txt", u"sub"});
    DispatchCommand(CMD_DELETE);
    EXPECT_TRUE(IsCommandEnabled(CMD_MOVE_TO_TRASH));
    QString okText;
    ModalAnswers answers([&](QWidget* modal) {
        if (auto* ok = qobject_cast<QPushButton*>(DialogControl(qobject_cast<QDialog*>(modal), 1))) okText = ok->text();
        ClickDialogControl(modal, 1);
    });
    DispatchCommand(CMD_MOVE_TO_TRASH);
    // One window, the confirmation: no read-only question.
    ASSERT_EQ(answers.seen.size(), 1);
    EXPECT_TRUE(answers.seen[0].startsWith("Move to Trash")) << answers.seen[0].toStdString();
    EXPECT_EQ(okText, "Move to Trash");
    EXPECT_EQ(device.TrashedPaths(),
              std::vector<std::u16string>({u"\\docs\\a.txt", u"\\docs\\r.txt", u"\\docs\\sub"}));
    EXPECT_EQ(docs->total, 500u);
    EXPECT_EQ(ShownRowCount(), 2);
    EXPECT_EQ(Node({u"\\", u"docs", u"sub"}), nullptr);
    EXPECT_EQ(markedCount, 0u);
    EXPECT_FALSE(IsCommandEnabled(CMD_MOVE_TO_TRASH));
    EXPECT_FALSE(IsCommandEnabled(CMD_EXPUNGE));
    EXPECT_EQ(SumVisibleTotals(store->children, store->childCount), storeListedBefore - 550);
}

TEST_F(MarksWindowTest, WithoutATrashNothingMovesNothingIsDeletedAndTheEntriesStayMarked) {
    ItemNode* docs = ShowDocs();
    device.RefuseTrash();
    SelectRows({u"a.txt", u"b.txt"});
    DispatchCommand(CMD_DELETE);
    ModalAnswers answers([](QWidget* modal) {
        ClickDialogControl(modal, 1);
        ClickMessageButton(modal, QMessageBox::Ok);
    });
    DispatchCommand(CMD_MOVE_TO_TRASH);
    // Said once for the drive, not once per entry.
    ASSERT_EQ(answers.seen.size(), 2);
    EXPECT_TRUE(answers.seen[1].startsWith("\\docs\\a.txt | No trash can be used on this drive"))
        << answers.seen[1].toStdString();
    for (const char16_t* name : {u"a.txt", u"b.txt"}) {
        EXPECT_TRUE(device.Exists(u"\\docs\\" + std::u16string(name)));
        EXPECT_TRUE(FindChildByName(docs, name)->flags & ITEM_MARKED);
    }
    EXPECT_EQ(markedCount, 2u);
    EXPECT_TRUE(IsCommandEnabled(CMD_MOVE_TO_TRASH));
    EXPECT_EQ(docs->total, 1000u);
    EXPECT_EQ(ShownRowCount(), 4);
}

TEST_F(MarksWindowTest, PalmSizeConfirmsInItsNarrowDialog) {
    UsePlatform("PocketPC");
    ShowDocs();
    SelectRows({u"a.txt"});
    DispatchCommand(CMD_DELETE);
    int width = 0, expected = -1;
    {
        ModalAnswers cancel([&](QWidget* modal) {
            // Dialog 111 is 131 dialog units wide (dialog 110: 251).
            width = modal->width();
            expected = DialogUnitsToPixelsX(modal, 131);
            modal->close();
        });
        DispatchCommand(CMD_EXPUNGE);
    }
    EXPECT_EQ(width, expected);
    EXPECT_TRUE(device.Exists(u"\\docs\\a.txt"));
}

}  // namespace
