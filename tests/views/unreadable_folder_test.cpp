// A folder the scan could not read, through the real window: its row and its
// tree node keep it with an image of its own and the system's reason, the
// status bar says how many could not be read (and keeps saying it while the
// drive is shown, naming the first), and every total above it reads as a
// lower bound.
#include <QImage>

#include <cerrno>
#include <cstring>

#include "scan/browse_program.h"
#include "scan/scan_control.h"
#include "views/contents_list.h"
#include "views/image_list.h"
#include "views/list_model.h"
#include "views/status_bar.h"

namespace {

class UnreadableFolderTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        device.AddFile(u"\\docs\\open\\a.txt", 100);
        device.AddFile(u"\\docs\\secret\\b.txt", 100);
        device.DenyAccess(u"\\docs\\secret");
    }
    static QVariant Data(int row, int column, int role) { return listModel->data(listModel->index(row, column), role); }
};

TEST_F(UnreadableFolderTest, KeepsItsRowAndNodeWithItsReasonAndTheTotalsAboveReadAsLowerBounds) {
    Start();
    ScanStore();
    // Said once the scan is done, and given back to the parts later.
    EXPECT_EQ(statusBar->accessibleName(), "1 folder(s) could not be read");
    ASSERT_TRUE(StatusRestoreTimer()->isActive());
    OnStatusRestoreTimer();
    // The count stays in sight while the drive's places are shown, its
    // tooltip naming the first folder, for screen readers too.
    const QString first = QStringLiteral("The first that could not be read: \\docs\\secret");
    EXPECT_EQ(StatusPartText(2), "1 folder(s) could not be read");
    EXPECT_EQ(StatusPartToolTip(2), first);
    EXPECT_TRUE(statusBar->accessibleDescription().contains(first)) << statusBar->accessibleDescription().toStdString();
    const QString reason = QStringLiteral("Could not be read: ") + QString::fromLocal8Bit(std::strerror(EACCES));

    int docs = ShownRowNamed(u"docs");
    ASSERT_GE(docs, 0);
    EXPECT_TRUE(Data(docs, 1, Qt::DisplayRole).toString().startsWith(QStringLiteral("\u2265 ")));
    EXPECT_TRUE(StatusPartText(0).contains(QStringLiteral("\u2265 ")));

    ASSERT_TRUE(Show({u"\\", u"docs"}));
    int secret = ShownRowNamed(u"secret");
    int open = ShownRowNamed(u"open");
    ASSERT_GE(secret, 0);
    ASSERT_GE(open, 0);
    EXPECT_EQ(Data(secret, 0, Qt::ToolTipRole).toString(), reason);
    EXPECT_EQ(Data(secret, 0, Qt::AccessibleDescriptionRole).toString(), reason);
    EXPECT_TRUE(Data(open, 0, Qt::ToolTipRole).toString().isEmpty());
    EXPECT_FALSE(Data(open, 1, Qt::DisplayRole).toString().startsWith(QStringLiteral("\u2265")));
    // Its image is the folder's with the sign over it: another picture.
    QImage unreadable = Data(secret, 0, Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    QImage folder = Data(open, 0, Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    EXPECT_FALSE(unreadable.isNull());
    EXPECT_NE(unreadable, folder);
    EXPECT_TRUE(StatusPartText(0).contains(QStringLiteral("\u2265 ")));

    EXPECT_EQ(StatusPartText(2), "1 folder(s) could not be read");
    EXPECT_EQ(StatusPartToolTip(2), first);

    QTreeWidgetItem* node = Node({u"\\", u"docs", u"secret"});
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->data(0, Qt::ToolTipRole).toString(), reason);
    EXPECT_EQ(node->data(0, Qt::AccessibleDescriptionRole).toString(), reason);
    EXPECT_EQ(node->icon(0).pixmap(16, 16).toImage(), unreadable);
    EXPECT_TRUE(Node({u"\\", u"docs", u"open"})->data(0, Qt::ToolTipRole).toString().isEmpty());
    ExpectConsistentTree();
}

}  // namespace
