// Every text the window shows comes from the resource module: a replacement
// strings file (tests/shell/fixtures/module_strings.json) changes the status
// texts, a tooltip, a status notice and the scan file dialogs' titles and
// filters, and without it the program's own texts come back.
#include <QDialog>
#include <QFileDialog>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/browse_program.h"
#include "scan/scan_control.h"
#include "scan/scan_files.h"
#include "scan/shell_open.h"
#include "support/modal_answers.h"
#include "views/list_model.h"
#include "views/status_bar.h"

namespace {

class ResourceTextsTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        device.AddFile(u"\\docs\\open\\a.txt", 100);
        device.AddFile(u"\\docs\\secret\\b.txt", 100);
        device.DenyAccess(u"\\docs\\secret");
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        ReleaseResourceModule();
    }

    static QString ToolTip(int row) { return listModel->index(row, 0).data(Qt::ToolTipRole).toString(); }

    // The title and the filters of the scan file dialog, cancelled.
    static QStringList ScanFileDialog(bool forExport) {
        QStringList shown;
        ModalAnswers cancel([&shown](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                shown << dialog->windowTitle();
                shown << dialog->nameFilters();
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
        EXPECT_TRUE(ChooseScanFileWithDialog(forExport, QString()).isEmpty());
        return shown;
    }

    // What the window shows of the folder \docs: the free bytes of its
    // drive, the unreadable folder's tooltip, and both scan file dialogs.
    struct Shown {
        QString freePart;
        QString tooltip;
        QStringList openDialog;
        QStringList exportDialog;
    };
    static Shown ShowDocs() {
        Shown shown;
        EXPECT_TRUE(Show({u"\\", u"docs"}));
        shown.freePart = StatusPartText(1);
        const int secret = ShownRowNamed(u"secret");
        EXPECT_GE(secret, 0);
        shown.tooltip = ToolTip(secret);
        shown.openDialog = ScanFileDialog(false);
        shown.exportDialog = ScanFileDialog(true);
        return shown;
    }
};

TEST_F(ResourceTextsTest, AReplacementStringsFileChangesTheWindowsTexts) {
    const QString reason = QString::fromLocal8Bit(std::strerror(EACCES));
    Start(800, 480);
    EXPECT_EQ(StatusPartText(0), "2 drive(s)");
    ASSERT_TRUE(LoadResourceModule(TEST_RESOURCE_MODULE));
    EXPECT_EQ(StatusPartText(0), "Drives: 2");
    ScanStore();
    EXPECT_EQ(statusBar->accessibleName(), "Unreadable folders: 1");
    OnStatusRestoreTimer();

    const Shown replaced = ShowDocs();
    EXPECT_TRUE(replaced.freePart.startsWith("Free: ")) << replaced.freePart.toStdString();
    EXPECT_TRUE(replaced.freePart.endsWith(" B")) << replaced.freePart.toStdString();
    EXPECT_EQ(replaced.tooltip, "Unreadable (" + reason + ")");
    EXPECT_EQ(replaced.openDialog, QStringList({"Choose a Scan", "Volumetra scans (*.json)"}));
    EXPECT_EQ(replaced.exportDialog, QStringList({"Write a Scan", "Volumetra scans (*.json)"}));
    // The texts of a scan file's drive as well: its status part and the
    // notice when one of its files is to be opened.
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString scan = files.filePath("server.json");
    std::ofstream(scan.toStdString()) << R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":1700000000},
[{"name":"/srv","asize":4096,"dsize":4096},{"name":"a.txt","asize":100,"dsize":4096}]])";
    ASSERT_TRUE(OpenScanAsDrive(scan));
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace && (listedPlace->flags & ITEM_FROM_FILE); }));
    EXPECT_TRUE(StatusPartText(1).startsWith("From server.json, written ")) << StatusPartText(1).toStdString();
    OpenWithShell(Item({u"/srv", u"a.txt"}));
    EXPECT_EQ(StatusPartText(STATUS_SIMPLE_PART), "Not on this machine: read from a scan file");
    OnStatusRestoreTimer();
    ASSERT_TRUE(Show({u"\\", u"docs"}));

    // Without the module the program's own texts come back.
    ReleaseResourceModule();
    const Shown own = ShowDocs();
    EXPECT_TRUE(own.freePart.endsWith(" byte(s) free")) << own.freePart.toStdString();
    EXPECT_EQ(own.tooltip, "Could not be read: " + reason);
    EXPECT_EQ(own.openDialog, QStringList({"Open Scan", "Scan files (*.json *.zst)", "All files (*)"}));
    EXPECT_EQ(own.exportDialog, QStringList({"Export Scan", "Scan files (*.json *.zst)", "All files (*)"}));
}

}  // namespace
