// The started program with helpers for browsing tests: finding nodes and
// items by path, selecting, waiting for the scan and the pending selection,
// and checking that the folder tree and the item tree agree.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "support/scanned_drive.h"
#include "views/contents_list.h"
#include "shell/running_program.h"

// Runs the event loop until done() holds or timeoutMs passes; true when it
// held. Timings are never asserted: the timeouts are generous.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(1);
    }
    return true;
}

class BrowseProgram : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        // A window's destruction ends the event loop; when no loop ran, the
        // request stays and would end every modal loop at once (message
        // boxes answering nothing). A loop run to its end clears it.
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }

    void TearDown() override {
        ScanEngine::threadStarter = ScanEngine::StartPosixThread;
        // A test that failed while it held the scan lets it go.
        device.ReleaseListings();
        RunningProgram::TearDown();
    }

    // The item at a path of names from the root ({u"\\", u"Windows"}), or none.
    static ItemNode* Item(std::initializer_list<const char16_t*> path) { return FindEntry(rootItem, path); }

    // The node at a path of names from the root, or none.
    static QTreeWidgetItem* Node(const std::vector<std::u16string>& path) {
        QTreeWidgetItem* node = TreeRootNode();
        for (const std::u16string& name : path) {
            QTreeWidgetItem* next = nullptr;
            FillTreeNode(node);
            for (int i = 0; node && i < node->childCount() && !next; ++i) {
                if (node->child(i)->text(0) == QString::fromStdU16String(name)) next = node->child(i);
            }
            node = next;
        }
        return node;
    }

    static void Select(QTreeWidgetItem* node) { treePane->setCurrentItem(node); }

    // The position in the list of the shown row whose entry is named name;
    // -1 when none is.
    static int ShownRowNamed(const char16_t* name) {
        for (int row = 0; row < ShownRowCount(); ++row) {
            if (std::u16string(ShownRow(row)->item->name) == name) return row;
        }
        return -1;
    }

    // \Windows\System\core.dll (5000 bytes) and \My Documents\letter.doc
    // (3000 bytes) beside the running program's own entries.
    void AddSampleFolders() {
        device.AddFolder(u"\\Windows\\System");
        device.AddFile(u"\\Windows\\System\\core.dll", 5000);
        device.AddFolder(u"\\My Documents");
        device.AddFile(u"\\My Documents\\letter.doc", 3000);
    }

    // No scan, no worker and no pending selection.
    static bool Settled() { return ScanSettled(); }
    static bool WaitSettled() { return WaitUntil(Settled); }

    // Selects the node at path and waits until it is listed; false when it
    // did not settle.
    static bool Show(const std::vector<std::u16string>& path) {
        Select(Node(path));
        return WaitSettled();
    }

    // Selects the drive "\" and waits until it is scanned and listed.
    ItemNode* ScanStore() {
        Select(Node({u"\\"}));
        EXPECT_TRUE(WaitUntil([] { return Settled() && listedPlace && (listedPlace->flags & ITEM_SCANNED); }));
        return Item({u"\\"});
    }

    static bool BusyCursor() {
        return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }

    // Every node shows an item whose parent is its parent node's item; every
    // scanned item's folders have exactly one node each, in name order; an
    // unscanned drive has no nodes below it and no item carries
    // ITEM_SCANNING once no scan runs.
    static void ExpectConsistentTree() {
        QTreeWidgetItem* root = TreeRootNode();
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(TreeNodeItem(root), rootItem);
        ExpectConsistentNode(root, scanState == SCAN_IDLE);
    }

    static void ExpectConsistentNode(QTreeWidgetItem* node, bool idle) {
        ItemNode* item = TreeNodeItem(node);
        ASSERT_NE(item, nullptr);
        if (idle) {
            EXPECT_FALSE(item->flags & ITEM_SCANNING) << QString::fromUtf16(item->name).toStdString();
        }
        if (IsUnscannedDrive(item) && !(idle == false && item == scanItem)) {
            EXPECT_EQ(node->childCount(), 0) << QString::fromUtf16(item->name).toStdString();
            EXPECT_EQ(item->children, nullptr);
            EXPECT_EQ(item->childCount, 0u);
            return;
        }
        if (!(item->flags & (ITEM_SCANNED | ITEM_ROOT))) return;
        int folders = 0;
        for (uint32_t i = 0; i < item->childCount; ++i) {
            ItemNode* child = &item->children[i];
            EXPECT_EQ(child->parent, item);
            if (!(child->flags & ITEM_FOLDER) && !(child->flags & ITEM_DRIVE)) continue;
            ++folders;
            EXPECT_NE(FindTreeChild(node, child), nullptr) << QString::fromUtf16(child->name).toStdString();
        }
        EXPECT_EQ(node->childCount(), folders) << QString::fromUtf16(item->name).toStdString();
        for (int i = 0; i < node->childCount(); ++i) {
            QTreeWidgetItem* child = node->child(i);
            EXPECT_EQ(TreeNodeItem(child)->parent, item);
            if (i > 0) {
                EXPECT_LE(CompareNames(TreeNodeItem(node->child(i - 1))->name, TreeNodeItem(child)->name), 0);
            }
            ExpectConsistentNode(child, idle);
        }
    }

    // total is own size plus the children's totals, all the way down.
    static void ExpectTotalsAddUp(const ItemNode* item) {
        uint64_t sum = item->ownSize;
        for (uint32_t i = 0; i < item->childCount; ++i) {
            ExpectTotalsAddUp(&item->children[i]);
            sum += item->children[i].total;
        }
        EXPECT_EQ(item->total, sum) << QString::fromUtf16(item->name).toStdString();
    }
};
