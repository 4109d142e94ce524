#include "deletion/expunge.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "deletion/marks.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/dialog_builder.h"
#include "platform/host_device.h"
#include "platform/memory_device.h"
#include "scan/folder_tree.h"
#include "support/host_files.h"
#include "support/item_fixture.h"
#include "support/modal_answers.h"
#include "support/scanned_drive.h"

namespace {

// A host fixture tree scanned into items: the drive "\" holds the folder
// "place", the current folder of every test.
class ExpungeOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root;
        device = std::make_unique<HostDevice>(root);
        SetDevice(device.get());
        mkdir((root + "/place").c_str(), 0755);
    }
    void TearDown() override {
        EndScannedDrive(tree);
    }
    // Scans the drive and returns the place.
    ItemNode* Scan() {
        delete tree;
        tree = new QTreeWidget();
        treePane = tree;
        FreeItemTree();
        ItemNode* drive = &CreateRootItem()->children[0];
        ScanDriveForTest(drive);
        QTreeWidgetItem* driveNode = InsertTreeItem(drive, nullptr);
        AddFolderNodes(drive, driveNode);
        ItemNode* place = FindEntry(drive, {u"place"});
        placeNode = FindTreeChild(driveNode, place);
        return place;
    }
    ItemNode* Child(ItemNode* folder, const char16_t* name) { return FindChildByName(folder, name); }
    bool Exists(const std::string& relative) {
        struct stat facts;
        return lstat((root + "/" + relative).c_str(), &facts) == 0;
    }

    FixtureFolder fixture;
    std::string root;
    std::unique_ptr<HostDevice> device;
    QTreeWidget* tree = nullptr;
    QTreeWidgetItem* placeNode = nullptr;
};

TEST_F(ExpungeOnHost, FolderGoesDepthFirstAndTotalsMatchAFreshScan) {
    WriteFile(root + "/place/a.txt", 100);
    mkdir((root + "/place/sub").c_str(), 0755);
    WriteFile(root + "/place/sub/c", 300);
    mkdir((root + "/place/sub/deep").c_str(), 0755);
    WriteFile(root + "/place/sub/deep/d", 400);
    ItemNode* place = Scan();
    ItemNode* sub = Child(place, u"sub");
    uint64_t placeBefore = place->total;
    uint64_t subTotal = sub->total;
    QTreeWidgetItem* subNode = FindTreeChild(placeNode, sub);

    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    uint32_t yesToAll = 0;
    ASSERT_TRUE(RemoveFolderTree(nullptr, subNode, sub, &yesToAll));
    EXPECT_TRUE(answers.seen.isEmpty());
    EXPECT_TRUE(sub->flags & ITEM_REMOVED);
    EXPECT_EQ(sub->total, 0u);
    EXPECT_EQ(FindTreeChild(placeNode, sub), nullptr);
    EXPECT_FALSE(Exists("place/sub"));
    EXPECT_TRUE(Exists("place/a.txt"));

    SubtractFromAncestors(place, subTotal);
    EXPECT_EQ(place->total, placeBefore - subTotal);
    EXPECT_EQ(place->total, FreshTotal(place));
    EXPECT_FALSE(HasVisibleSubfolders(place));
}

TEST_F(ExpungeOnHost, NothingOutsideTheMarkedEntriesIsTouched) {
    mkdir((root + "/canary").c_str(), 0755);
    WriteFile(root + "/canary/keep", 7);
    // A link inside a marked folder is removed itself, never followed.
    mkdir((root + "/place/marked").c_str(), 0755);
    ASSERT_EQ(symlink((root + "/canary").c_str(), (root + "/place/marked/link").c_str()), 0);
    WriteFile(root + "/place/marked/f", 5);
    // A second marked folder is swapped for a link to the canary between the
    // scan and the expunge.
    mkdir((root + "/place/swapped").c_str(), 0755);
    WriteFile(root + "/place/swapped/keep", 9);
    ItemNode* place = Scan();

    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    uint32_t yesToAll = 0;
    ItemNode* marked = Child(place, u"marked");
    EXPECT_TRUE(RemoveFolderTree(nullptr, FindTreeChild(placeNode, marked), marked, &yesToAll));
    EXPECT_FALSE(Exists("place/marked"));

    ASSERT_EQ(rename((root + "/place/swapped").c_str(), (root + "/place/moved").c_str()), 0);
    ASSERT_EQ(symlink((root + "/canary").c_str(), (root + "/place/swapped").c_str()), 0);
    ItemNode* swapped = Child(place, u"swapped");
    EXPECT_FALSE(RemoveFolderTree(nullptr, FindTreeChild(placeNode, swapped), swapped, &yesToAll));
    EXPECT_TRUE(Exists("canary/keep"));
    EXPECT_TRUE(Exists("place/swapped"));
    EXPECT_TRUE(Exists("place/moved/keep"));
    EXPECT_FALSE(swapped->flags & ITEM_REMOVED);
}

TEST_F(ExpungeOnHost, TheTrashTakesAFolderWholeAndRefusesOneSwappedForALink) {
    // The trash of a temporary data folder, never the user's own.
    FixtureFolder dataHome;
    ScopedDataHome trashHere(dataHome.root);
    device = std::make_unique<HostDevice>(root);
    SetDevice(device.get());
    mkdir((root + "/canary").c_str(), 0755);
    WriteFile(root + "/canary/keep", 7);
    mkdir((root + "/place/sub").c_str(), 0755);
    mkdir((root + "/place/sub/deep").c_str(), 0755);
    WriteFile(root + "/place/sub/deep/d", 400);
    mkdir((root + "/place/swapped").c_str(), 0755);
    WriteFile(root + "/place/swapped/keep", 9);
    ItemNode* place = Scan();
    ItemNode* sub = Child(place, u"sub");
    const uint64_t subTotal = sub->total;

    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    bool noTrash = false;
    ASSERT_TRUE(TrashEntry(nullptr, FindTreeChild(placeNode, sub), sub, &noTrash));
    EXPECT_TRUE(sub->flags & ITEM_REMOVED);
    EXPECT_EQ(FindTreeChild(placeNode, sub), nullptr);
    EXPECT_FALSE(Exists("place/sub"));
    std::ifstream moved(dataHome.root + "/Trash/files/sub/deep/d");
    EXPECT_TRUE(moved.good());
    SubtractFromAncestors(place, subTotal);
    EXPECT_EQ(place->total, FreshTotal(place));

    ASSERT_EQ(rename((root + "/place/swapped").c_str(), (root + "/place/moved").c_str()), 0);
    ASSERT_EQ(symlink((root + "/canary").c_str(), (root + "/place/swapped").c_str()), 0);
    ItemNode* swapped = Child(place, u"swapped");
    EXPECT_FALSE(TrashEntry(nullptr, FindTreeChild(placeNode, swapped), swapped, &noTrash));
    EXPECT_FALSE(noTrash);
    EXPECT_TRUE(answers.seen.join("\n").contains("This folder could not be moved to the trash."));
    EXPECT_FALSE(swapped->flags & ITEM_REMOVED);
    EXPECT_TRUE(Exists("canary/keep"));
    EXPECT_TRUE(Exists("place/swapped"));
    struct stat facts;
    EXPECT_NE(lstat((dataHome.root + "/Trash/files/swapped").c_str(), &facts), 0);
}

TEST_F(ExpungeOnHost, AFileReplacedByAnotherFileDuringTheQuestionIsLeftAsItIs) {
    WriteFile(root + "/place/ro.txt", 10);
    chmod((root + "/place/ro.txt").c_str(), 0444);
    ItemNode* place = Scan();
    ItemNode* file = Child(place, u"ro.txt");
    ModalAnswers answers([&](QWidget* modal) {
        if (qobject_cast<QMessageBox*>(modal)) {
            ClickMessageButton(modal, QMessageBox::Ok);
            return;
        }
        // Another file takes the name; a freed inode number is soon given
        // out again, so only the entry itself can tell them apart.
        unlink((root + "/place/ro.txt").c_str());
        WriteFile(root + "/place/ro.txt", 20);
        chmod((root + "/place/ro.txt").c_str(), 0440);
        ClickDialogControl(modal, ANSWER_YES);
    });
    uint32_t yesToAll = 0;
    EXPECT_FALSE(DeleteEntryFile(nullptr, file, &yesToAll));
    EXPECT_FALSE(file->flags & ITEM_REMOVED);
    struct stat facts;
    ASSERT_EQ(stat((root + "/place/ro.txt").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_size, 20);
    EXPECT_EQ(facts.st_mode & 07777, 0440u);
}

TEST_F(ExpungeOnHost, AFileReplacedDuringTheQuestionIsLeftAsItIs) {
    WriteFile(root + "/place/ro.txt", 10);
    chmod((root + "/place/ro.txt").c_str(), 0444);
    ItemNode* place = Scan();
    ItemNode* file = Child(place, u"ro.txt");
    int asked = 0;
    ModalAnswers answers([&](QWidget* modal) {
        if (qobject_cast<QMessageBox*>(modal)) {
            ClickMessageButton(modal, QMessageBox::Ok);
            return;
        }
        ++asked;
        // While the question is open, a folder takes the file's place.
        unlink((root + "/place/ro.txt").c_str());
        mkdir((root + "/place/ro.txt").c_str(), 0755);
        ClickDialogControl(modal, ANSWER_YES);
    });
    uint32_t yesToAll = 0;
    EXPECT_FALSE(DeleteEntryFile(nullptr, file, &yesToAll));
    // Its attributes cannot be changed: it stays, as such an entry does,
    // without a message.
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(answers.seen.size(), 1);
    EXPECT_FALSE(file->flags & ITEM_REMOVED);
    struct stat facts;
    ASSERT_EQ(stat((root + "/place/ro.txt").c_str(), &facts), 0);
    EXPECT_TRUE(S_ISDIR(facts.st_mode));
    EXPECT_EQ(facts.st_mode & 07777, 0755u);
}

TEST_F(ExpungeOnHost, ReadOnlyFilesAreAskedAbout) {
    mkdir((root + "/place/box").c_str(), 0755);
    for (const char* name : {"r1", "r2", "w"}) WriteFile(root + "/place/box/" + name, 10);
    chmod((root + "/place/box/r1").c_str(), 0444);
    chmod((root + "/place/box/r2").c_str(), 0444);

    struct Case {
        const char* what;
        int firstAnswer;
        bool folderGoes;
        int questions;
    };
    for (const Case& c : {Case{"No keeps the file and its folder", ANSWER_NO, false, 2},
                          Case{"Yes to all asks once", ANSWER_YES_TO_ALL, true, 1}}) {
        ItemNode* place = Scan();
        ItemNode* box = Child(place, u"box");
        int asked = 0;
        QString askedName;
        ModalAnswers answers([&](QWidget* modal) {
            if (++asked == 1) {
                auto* name = qobject_cast<QLineEdit*>(DialogControl(qobject_cast<QDialog*>(modal), READ_ONLY_NAME_CONTROL));
                auto* path = qobject_cast<QLineEdit*>(DialogControl(qobject_cast<QDialog*>(modal), READ_ONLY_PATH_CONTROL));
                askedName = name ? name->text() : QString();
                EXPECT_EQ(path ? path->text() : QString(), "\\place\\box");
            }
            ClickDialogControl(modal, asked == 1 ? c.firstAnswer : ANSWER_YES);
        });
        uint32_t yesToAll = 0;
        uint64_t before = box->total;
        EXPECT_EQ(RemoveFolderTree(nullptr, FindTreeChild(placeNode, box), box, &yesToAll), c.folderGoes)
            << c.what;
        EXPECT_EQ(asked, c.questions) << c.what;
        EXPECT_EQ(Exists("place/box"), !c.folderGoes) << c.what;
        if (!c.folderGoes) {
            // The answered file stays, read-only as before; the rest went.
            ASSERT_TRUE(askedName == "r1" || askedName == "r2") << askedName.toStdString();
            std::string kept = "place/box/" + askedName.toStdString();
            EXPECT_TRUE(Exists(kept)) << c.what;
            struct stat facts;
            stat((root + "/" + kept).c_str(), &facts);
            EXPECT_FALSE(facts.st_mode & S_IWUSR) << c.what;
            // The two other files went: what they counted is gone from
            // the totals, their bytes or their blocks.
            uint64_t gone = 0;
            for (uint32_t i = 0; i < box->childCount; ++i) {
                if (box->children[i].flags & ITEM_REMOVED) gone += CountedSize(&box->children[i]);
            }
            EXPECT_EQ(gone, sizeCount == SIZE_APPARENT ? 20u : 2 * box->children[0].diskSize) << c.what;
            EXPECT_EQ(box->total, before - gone) << c.what;
            SubtractFromAncestors(place, gone);
            EXPECT_EQ(place->total, FreshTotal(place)) << c.what;
        }
    }
}

TEST_F(ExpungeOnHost, AnOkWhileTheExpungeRunsStartsNoSecondOne) {
    mkdir((root + "/place/box").c_str(), 0755);
    WriteFile(root + "/place/box/ro", 10);
    chmod((root + "/place/box/ro").c_str(), 0444);
    WriteFile(root + "/place/box/w", 10);
    ItemNode* place = Scan();
    tree->setCurrentItem(placeNode);
    Child(place, u"box")->flags |= ITEM_MARKED;
    markedCount = 1;
    QDialog* confirmation = nullptr;
    int questions = 0;
    ModalAnswers answers([&](QWidget* modal) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (DialogControl(dialog, EXPUNGE_LIST_CONTROL)) {
            confirmation = dialog;
            ClickDialogControl(modal, 1);
            return;
        }
        // OK again while the question of the first run is open.
        if (++questions == 1) ClickDialogControl(confirmation, 1);
        ClickDialogControl(modal, ANSWER_YES);
    });
    ExpungeCommand();
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(Exists("place/box"));
    EXPECT_EQ(markedCount, 0u);
}

TEST_F(ExpungeOnHost, ChangesAfterTheScanKeepEntriesInPlace) {
    WriteFile(root + "/place/became-folder", 3);
    WriteFile(root + "/place/vanishes", 4);
    mkdir((root + "/place/grows").c_str(), 0755);
    ItemNode* place = Scan();
    unlink((root + "/place/became-folder").c_str());
    mkdir((root + "/place/became-folder").c_str(), 0755);
    unlink((root + "/place/vanishes").c_str());
    WriteFile(root + "/place/grows/new", 1);

    ModalAnswers answers([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Ok); });
    uint32_t yesToAll = 0;
    EXPECT_TRUE(DeleteEntryFile(nullptr, Child(place, u"vanishes"), &yesToAll));
    EXPECT_TRUE(answers.seen.isEmpty());
    EXPECT_FALSE(DeleteEntryFile(nullptr, Child(place, u"became-folder"), &yesToAll));
    ItemNode* grows = Child(place, u"grows");
    EXPECT_FALSE(RemoveFolderTree(nullptr, FindTreeChild(placeNode, grows), grows, &yesToAll));
    EXPECT_TRUE(Exists("place/became-folder"));
    EXPECT_TRUE(Exists("place/grows/new"));
    ASSERT_EQ(answers.seen.size(), 2);
    EXPECT_TRUE(answers.seen[0].endsWith("This file could not be removed by some reason.")) << answers.seen[0].toStdString();
    EXPECT_TRUE(answers.seen[0].startsWith("\\place\\became-folder")) << answers.seen[0].toStdString();
    EXPECT_TRUE(answers.seen[1].endsWith("This folder could not be removed by some reason."));
}

TEST(ExpungeRefused, ReadOnlyFileRefusedGetsItsAttributeBackAndAMessage) {
    DeviceScope scope;
    MemoryDevice& device = scope.device;
    device.AddFile(u"\\p\\locked", 10, FILE_ATTR_READONLY);
    device.RefuseDelete(u"\\p\\locked");
    ItemNode* drive = &CreateRootItem()->children[0];
    ScanDriveForTest(drive);
    ItemNode* locked = FindEntry(drive, {u"p", u"locked"});

    ModalAnswers answers([](QWidget* modal) {
        ClickDialogControl(modal, ANSWER_YES);
        ClickMessageButton(modal, QMessageBox::Ok);
    });
    uint32_t yesToAll = 0;
    EXPECT_FALSE(DeleteEntryFile(nullptr, locked, &yesToAll));
    EXPECT_FALSE(locked->flags & ITEM_REMOVED);
    EXPECT_EQ(device.GetAttributes(u"\\p\\locked"), uint32_t(FILE_ATTR_READONLY));
    ASSERT_EQ(answers.seen.size(), 2);
    EXPECT_EQ(answers.seen[1], "\\p\\locked | This file could not be removed by some reason.");
}

}  // namespace
