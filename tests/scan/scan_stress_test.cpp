// Stop, Refresh, rebuilds, closing, history moves, selections, expansions
// and choices coming due in random order while scans by several listing
// threads are under way: afterwards the folder tree and the item tree agree,
// no folder is left open and no thread is left. The operations and how many
// listings the gate lets through after each of them come from one seed,
// shown with every failure; VOLUMETRA_STRESS_SEED=N replays that run (the
// threads' interleaving aside). Run in the sanitizer build, a node or item
// freed under a listing thread shows as an error.
#include <QAction>

#include <atomic>
#include <random>

#include "browse_program.h"
#include "platform/command_actions.h"

namespace {

uint32_t StressSeed() {
    bool given = false;
    uint32_t seed = qEnvironmentVariable("VOLUMETRA_STRESS_SEED").toUInt(&given);
    return given ? seed : 20240611u;
}

// The fixture's device as the program sees it, counting the listings that
// have come back, so that a step can wait until the listings it let through
// the gate have been read.
class CountingDevice : public StorageDevice {
public:
    explicit CountingDevice(MemoryDevice* device) : inner(device) {}

    std::atomic<int> listed{0};

    bool OpenFolder(const char16_t* path, FolderHandle* folder) override { return inner->OpenFolder(path, folder); }
    bool OpenSubfolder(FolderHandle parent, const char16_t* name, FolderHandle* folder) override {
        return inner->OpenSubfolder(parent, name, folder);
    }
    bool ReadFolderNames(FolderHandle folder, FolderListing* listing) override {
        return Counted(inner->ReadFolderNames(folder, listing));
    }
    void ReadEntryFacts(FolderHandle folder, FolderListing* listing, size_t begin, size_t end) override {
        inner->ReadEntryFacts(folder, listing, begin, end);
    }
    void CloseFolder(FolderHandle folder) override { inner->CloseFolder(folder); }
    int ListingThreads(const char16_t* path) override { return inner->ListingThreads(path); }
    bool ReadFolder(const char16_t* path, FolderListing* listing) override {
        return Counted(inner->ReadFolder(path, listing));
    }
    bool VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) override {
        return inner->VolumeSpace(path, totalBytes, freeBytes);
    }
    uint32_t GetAttributes(const char16_t* path) override { return inner->GetAttributes(path); }
    bool SetAttributes(const char16_t* path, uint32_t attributes) override {
        return inner->SetAttributes(path, attributes);
    }
    bool DeleteFile(const char16_t* path) override { return inner->DeleteFile(path); }
    bool RemoveDirectory(const char16_t* path) override { return inner->RemoveDirectory(path); }
    bool MoveToTrash(const char16_t* path, bool folder) override { return inner->MoveToTrash(path, folder); }
    bool LastWriteTime(const char16_t* path, uint64_t* fileTime) override {
        return inner->LastWriteTime(path, fileTime);
    }
    bool ReadDatabases(std::vector<DatabaseInfo>* databases) override { return inner->ReadDatabases(databases); }
    uint32_t LastError() override { return inner->LastError(); }
    int LastSystemError() override { return inner->LastSystemError(); }

private:
    bool Counted(bool read) {
        ++listed;
        return read;
    }

    MemoryDevice* inner;
};

// The parameter is the number of listing threads.
class ScanStressTest : public BrowseProgram, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        for (const char16_t* top : {u"\\Alpha", u"\\Beta", u"\\Gamma", u"Storage Card\\Music"}) {
            for (const char16_t* middle : {u"one", u"two", u"three"}) {
                for (const char16_t* leaf : {u"x", u"y"}) {
                    std::u16string folder = std::u16string(top) + u"\\" + middle + u"\\" + leaf;
                    device.AddFolder(folder);
                    device.AddFile(folder + u"\\file.bin", 100);
                }
            }
        }
        device.AddDatabase(u"Tasks", 50);
        device.SetListingThreads(GetParam());
        SetDevice(&counting);
    }

    // Every node of the tree, depth first.
    static void Nodes(QTreeWidgetItem* node, std::vector<QTreeWidgetItem*>* all) {
        if (!node) return;
        all->push_back(node);
        for (int i = 0; i < node->childCount(); ++i) Nodes(node->child(i), all);
    }

    // Holds every listing but the drive list, which a rebuild or a start
    // reads on this thread before any scan starts.
    void HoldAllButTheDriveList() {
        device.HoldListings();
        device.PassListings(1);
    }

    // Runs an operation that may rebuild the item tree: a walk under way
    // must end first, so its held listings go on.
    void Rebuilding(void (*operation)()) {
        bool walking = ScanWorkerAlive();
        if (walking)
            device.ReleaseListings();
        else
            HoldAllButTheDriveList();
        operation();
        if (walking) device.HoldListings();
    }

    void Restart() {
        // The walk under way ends before the window goes.
        device.ReleaseListings();
        mainWindow->close();
        ASSERT_TRUE(WaitUntil([] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return mainWindow == nullptr;
        }));
        EXPECT_FALSE(ScanWorkerAlive());
        EXPECT_EQ(device.openFolders, 0);
        ReleaseAfterLoop();
        HoldAllButTheDriveList();
        Start();
    }

    // Lets count listings through the gate and waits until they have been
    // read, or the walk has ended with fewer.
    void PassAndWait(int count) {
        int target = counting.listed + count;
        device.PassListings(count);
        ASSERT_TRUE(WaitUntil([&] { return counting.listed >= target || !ScanWorkerAlive(); }));
    }

    void ExpectSettledAndConsistent() {
        device.ReleaseListings();
        ASSERT_TRUE(WaitSettled());
        ExpectConsistentTree();
        EXPECT_TRUE(treePane->updatesEnabled());
        EXPECT_FALSE(BusyCursor());
        EXPECT_EQ(device.openFolders, 0);
    }

    CountingDevice counting{&device};
};

TEST_P(ScanStressTest, RandomOperationsDuringScansLeaveAConsistentTree) {
    const uint32_t seed = StressSeed();
    SCOPED_TRACE(testing::Message() << "VOLUMETRA_STRESS_SEED=" << seed << ", " << GetParam() << " listing threads");
    std::mt19937 random(seed);
    Start();
    int duringScan = 0;
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        // Passes a walk that ended did not take go with it.
        if (!ScanWorkerAlive()) device.HoldListings();
        if (scanState != SCAN_IDLE) ++duringScan;
        // Every step draws the same numbers, whatever the tree holds.
        const uint32_t nodeDraw = random();
        const uint32_t operation = random() % 13;
        const bool backward = random() % 2;
        const int passes = static_cast<int>(random() % 4);

        std::vector<QTreeWidgetItem*> nodes;
        Nodes(TreeRootNode(), &nodes);
        ASSERT_FALSE(nodes.empty());
        QTreeWidgetItem* node = nodes[nodeDraw % nodes.size()];
        switch (operation) {
        case 0:
        case 1:
        case 2:
        case 3: Select(node); break;
        case 4: node->setExpanded(!node->isExpanded()); break;
        case 5: CommandAction(CMD_STOP)->trigger(); break;
        case 6: Rebuilding([] { CommandAction(CMD_REFRESH)->trigger(); }); break;
        case 7: Rebuilding(RebuildAll); break;
        case 8: CommandAction(backward ? CMD_GO_BACKWARD : CMD_GO_FORWARD)->trigger(); break;
        case 9: CommandAction(CMD_UP)->trigger(); break;
        case 10:
            if (step % 5 == 0) {
                ASSERT_NO_FATAL_FAILURE(Restart());
            }
            break;
        case 11:
            // The choice made last comes due.
            ASSERT_TRUE(WaitUntil([] { return !PendingSelectionArmed(); }));
            break;
        default: break;
        }
        QCoreApplication::processEvents();
        if (passes > 0 && ScanWorkerAlive()) {
            ASSERT_NO_FATAL_FAILURE(PassAndWait(passes));
        }
        if (step % 40 == 39) {
            // Now and then everything settles and is checked.
            ASSERT_NO_FATAL_FAILURE(ExpectSettledAndConsistent());
            device.HoldListings();
        }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectSettledAndConsistent());
    // The run proves something only when scans were under way.
    RecordProperty("operationsDuringScans", duringScan);
    EXPECT_GT(duringScan, 0);
    Stop();
    EXPECT_FALSE(ScanWorkerAlive());
    EXPECT_EQ(device.openFolders, 0);
}

// Two threads are the fewest a scan uses by default, sixteen what a network
// file system gets.
INSTANTIATE_TEST_SUITE_P(Threads, ScanStressTest, ::testing::Values(2, 4, 16));

}  // namespace
