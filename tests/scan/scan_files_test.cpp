// Scan files in the window: a file opened as a drive of its own browses like
// any drive and changes nothing, a broken file changes nothing at all, and
// Export Scan writes the place shown so that it reads back the same.
#include <QDialog>
#include <QMessageBox>
#include <QTemporaryDir>

#include <fstream>

#include "browse_program.h"
#include "deletion/marks.h"
#include "model/file_drives.h"
#include "model/scan_file.h"
#include "platform/command_actions.h"
#include "scan/scan_files.h"
#include "shell/commands.h"
#include "support/item_fixture.h"
#include "support/modal_answers.h"
#include "support/scan_file_trees.h"
#include "views/list_model.h"
#include "views/status_bar.h"

namespace {

QString chosenFile;
QString ChooseForTest(bool, const QString&) { return chosenFile; }

void WriteText(const QString& path, const std::string& text) {
    std::ofstream file(path.toStdString(), std::ios::binary);
    file << text;
}

// A scan of "/srv" as ncdu writes it: a file, a folder with a file, and a
// hard-link pair that counts once in disk usage.
const std::string SERVER_SCAN = R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":1700000000},
[{"name":"/srv","asize":4096,"dsize":4096},
{"name":"a.txt","asize":100,"dsize":4096},
[{"name":"sub","asize":4096,"dsize":4096},
{"name":"b.bin","asize":300,"dsize":8192,"ino":7,"nlink":2,"hlnkc":true},
{"name":"c.bin","asize":300,"dsize":8192,"ino":7,"nlink":2,"hlnkc":true}]]]
)";

class ScanFilesTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        device.AddFile(u"\\docs\\a.txt", 100);
        device.AddFile(u"\\docs\\sub\\d.bin", 400);
        scanFileChooser = ChooseForTest;
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override {
        scanFileChooser = ChooseScanFileWithDialog;
        BrowseProgram::TearDown();
    }
    ItemNode* OpenServerScan() {
        chosenFile = folder.filePath("server.json");
        WriteText(chosenFile, SERVER_SCAN);
        DispatchCommand(CMD_OPEN_SCAN);
        EXPECT_TRUE(WaitUntil([] { return Settled() && listedPlace && (listedPlace->flags & ITEM_FROM_FILE); }));
        return Item({u"/srv"});
    }
    static QStringList ListedNames() {
        QStringList names;
        for (int p = 0; p < ShownRowCount(); ++p) names << QString::fromUtf16(ShownRow(p)->item->name);
        names.sort();
        return names;
    }
    QTemporaryDir folder;
};

TEST_F(ScanFilesTest, AnOpenedScanIsADriveThatBrowsesKeepsTheOtherScansAndRefreshReadsItAgain) {
    Start();
    ItemNode* store = ScanStore();
    const uint64_t storeListed = SumVisibleTotals(store->children, store->childCount);

    ItemNode* server = OpenServerScan();
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(server->flags & ITEM_SCANNED);
    // Nothing scanned before was dropped: the machine's drive is as it was.
    EXPECT_EQ(Item({u"\\"}), store);
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
    EXPECT_EQ(SumVisibleTotals(store->children, store->childCount), storeListed);
    EXPECT_EQ(ListedNames(), QStringList({"a.txt", "sub"}));
    // Disk usage counts the linked file once; the drive is what it holds.
    EXPECT_EQ(Item({u"/srv", u"sub"})->total, 4096u + 8192u);
    EXPECT_EQ(server->total, 4096u + 4096u + 8192u);
    EXPECT_TRUE(StatusPartText(1).startsWith("Read from server.json of ")) << StatusPartText(1).toStdString();
    EXPECT_TRUE(IsCommandEnabled(CMD_EXPORT_SCAN));
    ExpectConsistentTree();

    // Nothing on it can be marked: its entries are not on this machine.
    FocusPane(listPane);
    listPane->selectAll();
    {
        ModalAnswers ok([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
        DispatchCommand(CMD_DELETE);
        ASSERT_FALSE(ok.seen.isEmpty());
        EXPECT_TRUE(ok.seen[0].contains("read from a scan file")) << ok.seen[0].toStdString();
    }
    EXPECT_EQ(markedCount, 0u);
    EXPECT_FALSE(IsCommandEnabled(CMD_MOVE_TO_TRASH));

    // Refresh reads the file again, as it is now.
    std::string grown = SERVER_SCAN;
    grown.insert(grown.find("{\"name\":\"a.txt\""), "{\"name\":\"new.log\",\"asize\":5,\"dsize\":4096},\n");
    WriteText(chosenFile, grown);
    DispatchCommand(CMD_REFRESH);
    ASSERT_TRUE(WaitSettled());
    Select(Node({u"/srv"}));
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace && (listedPlace->flags & ITEM_SCANNED); }));
    EXPECT_EQ(ListedNames(), QStringList({"a.txt", "new.log", "sub"}));
}

TEST_F(ScanFilesTest, ABrokenFileNamesWhereReadingStoppedAndChangesNothing) {
    Start();
    ItemNode* store = ScanStore();
    const std::vector<std::u16string> drivesBefore = DriveNames(rootItem);
    chosenFile = folder.filePath("broken.json");
    WriteText(chosenFile, "[1,2,{\"progname\":\"ncdu\"},\n[{\"name\":\"/x\"},\n{\"name\":\"a\",\"asize\":-3}]]\n");
    ModalAnswers ok([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    DispatchCommand(CMD_OPEN_SCAN);
    ASSERT_EQ(ok.seen.size(), 1);
    EXPECT_TRUE(ok.seen[0].contains("The scan file could not be opened.")) << ok.seen[0].toStdString();
    EXPECT_EQ(DriveNames(rootItem), drivesBefore);
    EXPECT_EQ(listedPlace, store);
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
    EXPECT_TRUE(fileDrives.empty());
}

TEST_F(ScanFilesTest, AnExportedPlaceReadsBackTheSameAndAnOpenedScanExportsAgain) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    ItemNode* docs = Item({u"\\", u"docs"});
    chosenFile = folder.filePath("docs.json");
    DispatchCommand(CMD_EXPORT_SCAN);
    ScanFileContents contents;
    std::string error;
    ASSERT_TRUE(OpenScanFile(chosenFile.toStdString(), &contents, &error)) << error;
    EXPECT_EQ(contents.rootPath, "/docs");
    EXPECT_EQ(contents.progname, "volumetra");
    ExpectSameEntries(docs, contents.root, true);
    FreeScanFile(&contents);

    // A scan opened from a file is a place like any other to export.
    ItemNode* server = OpenServerScan();
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(Show({u"/srv", u"sub"}));
    const QString again = folder.filePath("again.json");
    chosenFile = again;
    DispatchCommand(CMD_EXPORT_SCAN);
    ASSERT_TRUE(OpenScanFile(again.toStdString(), &contents, &error)) << error;
    EXPECT_EQ(contents.rootPath, "/srv/sub");
    ExpectSameEntries(Item({u"/srv", u"sub"}), contents.root, true);
    // The links are written as links: the copy counts the file once too.
    EXPECT_EQ(contents.hardLinks.size(), 2u);
    FreeScanFile(&contents);
}

}  // namespace
