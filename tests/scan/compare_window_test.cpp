// Comparing in the window: a host fixture scanned (the scan kept), changed
// and scanned again, then compared with the kept scan, shows exactly its
// changes in the Change column, as gone rows, in the status bar (against
// du for the grown folder) and in the folder tree's tooltips, follows
// navigation, sorts by change both ways and ends with None. A file of
// another place and a damaged kept file are refused with a message and
// change nothing; a state folder that cannot be written leaves a notice.
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "browse_program.h"
#include "model/kept_scans.h"
#include "platform/command_actions.h"
#include "platform/host_device.h"
#include "scan/compare_command.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "shell/command_bands.h"
#include "shell/commands.h"
#include "support/compare_fixture.h"
#include "support/modal_answers.h"
#include "views/list_model.h"
#include "views/place_comparison.h"
#include "views/status_bar.h"

namespace {

class CompareWindowTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        ASSERT_TRUE(folder.isValid());
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(folder.path().toLocal8Bit().constData(), resolved), nullptr);
        root = std::string(resolved) + "/tree";
        state = std::string(resolved) + "/state";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_TRUE(BuildCompareBefore(root));
        const char* before = std::getenv("XDG_STATE_HOME");
        savedState = before ? before : "";
        setenv("XDG_STATE_HOME", state.c_str(), 1);
        host = std::make_unique<HostDevice>(root);
        SetDevice(host.get());
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        EndComparison();
        setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    }

    // The drive scanned and kept; the kept scans of it, newest first.
    std::vector<KeptScan> ScanAndKeep() {
        ItemNode* store = Item({u"\\"});
        if (store && (store->flags & ITEM_SCANNED)) {
            DispatchCommand(CMD_REFRESH);
            EXPECT_TRUE(WaitSettled());
        }
        ScanStore();
        EXPECT_NE(scanKeeper, nullptr);
        if (!scanKeeper) return {};
        scanKeeper->WaitUntilDone();
        return ListKeptScans(scanKeeper->Where(), root);
    }

    // The shown row named name: its Size and Change texts, whether it can be
    // selected.
    struct Shown {
        bool found = false;
        QString size;
        QString change;
        bool enabled = false;
    };
    static Shown Row(const char16_t* name) {
        Shown shown;
        const int row = ShownRowNamed(name);
        if (row < 0) return shown;
        shown.found = true;
        shown.size = listModel->data(listModel->index(row, 1), Qt::DisplayRole).toString();
        shown.change = listModel->data(listModel->index(row, LIST_CHANGE_COLUMN), Qt::DisplayRole).toString();
        shown.enabled = listModel->flags(listModel->index(row, 0)) & Qt::ItemIsEnabled;
        return shown;
    }
    static QString Grouped(long long value) {
        QString digits = QString::number(value < 0 ? -value : value);
        for (int at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u',');
        return (value < 0 ? "-" : "+") + digits;
    }

    QTemporaryDir folder;
    std::string root;
    std::string state;
    std::string savedState;
    std::unique_ptr<HostDevice> host;
};

TEST_F(CompareWindowTest, TheChangesOfAChangedTreeShowInListStatusAndTree) {
    Start();
    std::vector<KeptScan> kept = ScanAndKeep();
    ASSERT_EQ(kept.size(), 1u);
    const long long deepBefore = DuBytes(root + "/docs/deep");
    const long long grownBefore = OwnDiskBytes(root + "/" + COMPARE_GROWN);
    const long long removed = OwnDiskBytes(root + "/" + COMPARE_REMOVED);
    const long long oddBefore = OwnDiskBytes(root + "/docs/" + CompareOddName());
    ASSERT_TRUE(ChangeCompareFixture(root));
    kept = ScanAndKeep();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(listModel->columnCount(), LIST_COLUMNS);

    // The earlier scan is offered by date under Compare With.
    QMenu* compareMenu = mainWindow->findChild<QMenu*>("compareMenu");
    ASSERT_NE(compareMenu, nullptr);
    FillCompareMenu(compareMenu);
    QStringList items;
    for (QAction* action : compareMenu->actions()) items << action->text();
    ASSERT_EQ(items.size(), 5) << items.join(" / ").toStdString();
    EXPECT_EQ(items[0], "&None");
    EXPECT_EQ(items[4], "Scan &File...");
    compareMenu->actions()[3]->trigger();  // the older one, listed last
    ASSERT_NE(placeComparison, nullptr);
    EXPECT_EQ(placeComparison->fileName, kept[1].fileName);
    EXPECT_FALSE(CommandAction(CMD_COMPARE_NONE)->isChecked());

    // The drive: what is new, what is gone (greyed, its old size negative).
    ASSERT_EQ(listModel->columnCount(), LIST_COLUMNS + 1);
    EXPECT_EQ(listModel->headerData(LIST_CHANGE_COLUMN, Qt::Horizontal, Qt::DisplayRole).toString(), "Change");
    EXPECT_EQ(Row(u"added").change, "new");
    EXPECT_EQ(Row(u"snaps").change, "new");
    const Shown removedRow = Row(u"top.bin");
    ASSERT_TRUE(removedRow.found);
    EXPECT_EQ(removedRow.size, "gone");
    EXPECT_EQ(removedRow.change, Grouped(-removed));
    EXPECT_FALSE(removedRow.enabled);
    EXPECT_TRUE(Row(u"snapshots").found);
    EXPECT_FALSE(Row(u"snapshots").enabled);
    EXPECT_TRUE(Row(u"docs").enabled);
    EXPECT_EQ(Row(u"empty").change, "0");
    // The database folder is in no scan file: it tells no change.
    EXPECT_EQ(Row(u"Database").change, "");
    EXPECT_TRUE(StatusPartText(2).contains(" since ")) << StatusPartText(2).toStdString();

    // Gone rows are never selected, so never marked.
    FocusPane(listPane);
    SelectAllRows();
    for (ListRow* row : SelectedListRows()) EXPECT_FALSE(IsEarlierRecord(row->item));

    // Sorting by Change: the most grown first, then the most shrunk first.
    SortListByColumn(LIST_CHANGE_COLUMN);
    SizeChange first;
    SizeChange last;
    bool isNew = false;
    ASSERT_TRUE(RowChange(ShownRow(0), &first, &isNew));
    ASSERT_TRUE(RowChange(ShownRow(ShownRowCount() - 1), &last, &isNew));
    EXPECT_FALSE(first.negative);
    EXPECT_TRUE(last.negative);
    SortListByColumn(LIST_CHANGE_COLUMN);
    ASSERT_TRUE(RowChange(ShownRow(0), &first, &isNew));
    EXPECT_TRUE(first.negative);
    EXPECT_TRUE(IsEarlierRecord(ShownRow(0)->item));

    // The grown folder's tooltip in the tree, and its listing against du.
    // The odd name that grew, matched by its bytes.
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    const std::u16string odd = u"raw\xDCFF\xDCFE\xDC80";
    EXPECT_EQ(Row(odd.c_str()).change, Grouped(OwnDiskBytes(root + "/docs/" + CompareOddName()) - oddBefore));
    ASSERT_TRUE(Show({u"\\"}));
    QTreeWidgetItem* docs = Node({u"\\", u"docs"});
    ASSERT_NE(docs, nullptr);
    EXPECT_TRUE(docs->data(0, Qt::ToolTipRole).toString().contains(" since "));
    ASSERT_TRUE(Show({u"\\", u"docs", u"deep"}));
    const long long deepChange = DuBytes(root + "/docs/deep") - deepBefore;
    EXPECT_TRUE(StatusPartText(2).startsWith(Grouped(deepChange) + " since ")) << StatusPartText(2).toStdString();
    EXPECT_EQ(Row(u"a.txt").change, Grouped(OwnDiskBytes(root + "/" + COMPARE_GROWN) - grownBefore));
    EXPECT_EQ(Row(u"keep-link").change, "new");
    // The pair of links counts once, at either link.
    {
        SizeChange linked, link;
        bool linkedNew = true, linkNew = false;
        ASSERT_TRUE(RowChange(ShownRow(ShownRowNamed(u"keep.dat")), &linked, &linkedNew));
        ASSERT_TRUE(RowChange(ShownRow(ShownRowNamed(u"keep-link")), &link, &linkNew));
        EXPECT_FALSE(linkedNew);
        EXPECT_TRUE(linkNew);
        const long long sum = (linked.negative ? -1LL : 1LL) * static_cast<long long>(linked.magnitude) +
                              static_cast<long long>(link.magnitude);
        EXPECT_EQ(sum, 0);
    }
    EXPECT_EQ(Node({u"\\", u"docs", u"deep"})->data(0, Qt::ToolTipRole).toString(),
              StatusPartText(2));

    // None ends it: five columns, no gone rows, sorted by size again.
    SortListByColumn(LIST_CHANGE_COLUMN);
    DispatchCommand(CMD_COMPARE_NONE);
    EXPECT_EQ(contentsSortColumn, 1);
    EXPECT_EQ(placeComparison, nullptr);
    EXPECT_EQ(listModel->columnCount(), LIST_COLUMNS);
    EXPECT_TRUE(CommandAction(CMD_COMPARE_NONE)->isChecked());
    ASSERT_TRUE(Show({u"\\"}));
    EXPECT_FALSE(Row(u"top.bin").found);
    EXPECT_TRUE(StatusPartText(2).isEmpty());
}

TEST_F(CompareWindowTest, AFileOfAnotherPlaceAndADamagedKeptFileAreRefused) {
    Start();
    std::vector<KeptScan> kept = ScanAndKeep();
    ASSERT_EQ(kept.size(), 1u);
    // A scan of another folder.
    const std::string other = folder.path().toStdString() + "/other.json";
    {
        std::ofstream file(other);
        file << "[1,2,{\"progname\":\"ncdu\"},\n[{\"name\":\"/srv/elsewhere\"},\n{\"name\":\"a\",\"asize\":3}]]\n";
    }
    QString detail;
    {
        ModalAnswers ok([&detail](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) detail = box->informativeText();
            ClickMessageButton(modal, QMessageBox::Ok);
        });
        EXPECT_FALSE(CompareWithFile(QString::fromStdString(other), 0));
        ASSERT_EQ(ok.seen.size(), 1);
        EXPECT_TRUE(ok.seen[0].contains("another place")) << ok.seen[0].toStdString();
    }
    EXPECT_TRUE(detail.contains("/srv/elsewhere")) << detail.toStdString();
    EXPECT_TRUE(detail.contains(QString::fromStdString(root))) << detail.toStdString();
    EXPECT_EQ(placeComparison, nullptr);

    // The kept file cut short: told when chosen, and the window goes on.
    {
        std::ifstream in(kept[0].fileName, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream out(kept[0].fileName, std::ios::binary | std::ios::trunc);
        out << bytes.substr(0, bytes.size() / 2);
    }
    {
        ModalAnswers ok([&detail](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) detail = box->informativeText();
            ClickMessageButton(modal, QMessageBox::Ok);
        });
        QMenu* compareMenu = mainWindow->findChild<QMenu*>("compareMenu");
        ASSERT_NE(compareMenu, nullptr);
        FillCompareMenu(compareMenu);
        compareMenu->actions()[2]->trigger();
        ASSERT_EQ(ok.seen.size(), 1);
        EXPECT_TRUE(ok.seen[0].contains("could not be compared")) << ok.seen[0].toStdString();
    }
    EXPECT_TRUE(detail.contains("compressed data")) << detail.toStdString();
    EXPECT_EQ(placeComparison, nullptr);
    EXPECT_EQ(listModel->columnCount(), LIST_COLUMNS);
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    EXPECT_GT(ShownRowCount(), 0);
}

TEST_F(CompareWindowTest, AStateFolderThatCannotBeWrittenLeavesANotice) {
    // The state folder's place is a file: nothing can be made below it, even as root.
    { std::ofstream(state) << "not a folder"; }
    Start();
    ScanStore();
    ASSERT_NE(scanKeeper, nullptr);
    scanKeeper->WaitUntilDone();
    EXPECT_EQ(scanKeeper->KeptCount(), 0u);
    EXPECT_FALSE(scanKeeper->LastFailure().empty());
    EXPECT_TRUE(StatusPartText(STATUS_SIMPLE_PART).startsWith("The scan could not be kept: "))
        << StatusPartText(STATUS_SIMPLE_PART).toStdString();
    // The window goes on as ever.
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    EXPECT_GT(ShownRowCount(), 0);
}

}  // namespace
