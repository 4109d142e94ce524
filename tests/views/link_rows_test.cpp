// Symbolic links through the real window on a real fixture: a link's row says
// "link to TARGET" with the target as the link holds it, its image carries the
// link emblem, it counts its own size and is never followed into.
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "model/display_name.h"
#include "platform/host_device.h"
#include "platform/host_names.h"
#include "scan/browse_program.h"
#include "support/host_files.h"
#include "views/list_model.h"

namespace {

class LinkRowsTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        ASSERT_TRUE(fixture.isValid());
        root = fixture.path().toStdString();
        mkdir((root + "/usr").c_str(), 0755);
        mkdir((root + "/usr/bin").c_str(), 0755);
        WriteFile(root + "/usr/bin/tool", 5000);
        WriteFile(root + "/plain", 10);
        WriteFile(root + "/notes.json", 10);
        ASSERT_EQ(symlink("usr/bin", (root + "/bin").c_str()), 0);
        ASSERT_EQ(symlink("notes.json", (root + "/alias.json").c_str()), 0);
        ASSERT_EQ(symlink("gone \xff\n", (root + "/dangling").c_str()), 0);
        host = std::make_unique<HostDevice>(root);
        SetDevice(host.get());
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        host.reset();
    }
    static QVariant Data(int row, int column, int role) { return listModel->data(listModel->index(row, column), role); }
    static QImage Image(int row) {
        return Data(row, 0, Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    }

    QTemporaryDir fixture;
    std::string root;
    std::unique_ptr<HostDevice> host;
};

TEST_F(LinkRowsTest, ALinkRowSaysWhereItPointsWithTheEmblemAndCountsItself) {
    Start(1000, 600);
    ScanStore();
    const int bin = ShownRowNamed(u"bin");
    const int alias = ShownRowNamed(u"alias.json");
    const int dangling = ShownRowNamed(u"dangling");
    const int notes = ShownRowNamed(u"notes.json");
    ASSERT_GE(bin, 0);
    ASSERT_GE(alias, 0);
    ASSERT_GE(dangling, 0);
    ASSERT_GE(notes, 0);

    // The target as the link holds it, shown the way every name is shown.
    EXPECT_EQ(Data(bin, 3, Qt::DisplayRole).toString(), "link to usr/bin");
    EXPECT_EQ(Data(alias, 3, Qt::DisplayRole).toString(), "link to notes.json");
    std::vector<char16_t> odd;
    DecodeHostName("gone \xff\n", 7, &odd);
    odd.push_back(0);
    EXPECT_EQ(Data(dangling, 3, Qt::DisplayRole).toString(), "link to " + DisplayName(odd.data()));
    EXPECT_NE(Data(notes, 3, Qt::DisplayRole).toString(), Data(alias, 3, Qt::DisplayRole).toString());

    // The kind's image with the emblem over it, told to screen readers.
    EXPECT_FALSE(Image(alias).isNull());
    EXPECT_NE(Image(alias), Image(notes));
    EXPECT_EQ(Data(bin, 0, Qt::AccessibleDescriptionRole).toString(), "Symbolic link");
    EXPECT_FALSE(Data(notes, 0, Qt::AccessibleDescriptionRole).isValid());

    // Never followed: a link to a folder is no folder, has no node, and
    // counts its own blocks only.
    ItemNode* link = ShownRow(bin)->item;
    EXPECT_EQ(link->flags & (ITEM_FOLDER | ITEM_LINK), ITEM_LINK);
    EXPECT_EQ(link->children, nullptr);
    EXPECT_EQ(link->total, static_cast<uint64_t>(OwnBlocks(root + "/bin")));
    EXPECT_EQ(Node({u"\\", u"bin"}), nullptr);
    EXPECT_NE(Node({u"\\", u"usr"}), nullptr);

    // Sorting by Type reads the link texts like any other.
    SortListByColumn(3);
    EXPECT_EQ(Data(ShownRowNamed(u"bin"), 3, Qt::DisplayRole).toString(), "link to usr/bin");
}

}  // namespace
