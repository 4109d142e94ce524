// The scan engine without a window: a pool of threads builds exactly the tree
// one thread builds, on host fixtures with odd entries and on generated
// trees; it keeps each entry's facts, hides a device's waiting behind many
// threads, keeps few folders open, and a stop leaves nothing behind.
#include "model/scan_engine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_device.h"
#include "platform/memory_device.h"
#include "support/host_files.h"
#include "support/scanned_drive.h"
#include "support/unprivileged.h"

namespace {

// A root with the object store "\" under it, scanned by the engine.
struct ScannedStore {
    ItemNode root{};
    ItemNode drive{};
    ScanOutcome outcome = SCAN_WALKING;
    std::vector<HardLink> links;

    ScannedStore(StorageDevice* device, int threads) {
        root.flags = ITEM_ROOT;
        root.name = u"root";
        drive.parent = &root;
        drive.flags = ITEM_DRIVE;
        drive.name = u"\\";
        ScanEngine engine(device);
        if (!engine.Start(&drive, threads, nullptr)) return;
        engine.WaitUntilEnded();
        outcome = engine.Finish();
        links = engine.HardLinks();
    }
    ~ScannedStore() { FreeItemArray(drive.children, drive.childCount); }
};

// Every record of both subtrees alike, in the same order, each child's
// parent its folder.
void ExpectSameTree(const ItemNode* a, const ItemNode* b, const std::u16string& path) {
    ASSERT_EQ(a->childCount, b->childCount) << std::string(path.begin(), path.end());
    for (uint32_t i = 0; i < a->childCount; ++i) {
        const ItemNode* x = &a->children[i];
        const ItemNode* y = &b->children[i];
        std::u16string name = path + u"\\" + x->name;
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        ASSERT_EQ(std::u16string(x->name), std::u16string(y->name));
        EXPECT_EQ(x->parent, a);
        EXPECT_EQ(y->parent, b);
        EXPECT_EQ(x->flags, y->flags);
        EXPECT_EQ(x->ownSize, y->ownSize);
        EXPECT_EQ(x->diskSize, y->diskSize);
        EXPECT_EQ(x->total, y->total);
        EXPECT_EQ(x->modified, y->modified);
        EXPECT_EQ(x->readError, y->readError);
        ExpectSameTree(x, y, name);
    }
}

// An object store drive as the root lists it, before its scan.
ItemNode UnscannedStore() {
    ItemNode drive{};
    drive.flags = ITEM_DRIVE;
    drive.name = u"\\";
    return drive;
}

// A host fixture of the odd entries a scan meets.
class EngineHostTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root;
        device = std::make_unique<HostDevice>(root);
        const std::string r = root + "/";
        mkdir((r + "docs").c_str(), 0755);
        mkdir((r + "docs/deep").c_str(), 0755);
        WriteFile(r + "docs/deep/a.txt", 5000);
        WriteFile(r + "docs/line\nbreak", 10);
        WriteFile(r + "docs/back\\slash", 20);
        WriteFile(r + "docs/raw\xff\xfe", 30);
        WriteFile(r + "docs/\xc3\xbcnic\xc3\xb8" "de", 40);
        symlink("deep/a.txt", (r + "docs/to-file").c_str());
        symlink("deep", (r + "docs/to-folder").c_str());
        symlink("nowhere", (r + "docs/dangling").c_str());
        symlink("loop", (r + "docs/loop").c_str());
        // 1 GiB that occupies nothing.
        int sparse = open((r + "sparse.img").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(ftruncate(sparse, 1 << 30), 0);
        close(sparse);
        mkdir((r + "snapshots").c_str(), 0755);
        WriteFile(r + "snapshots/one", 8192);
        ASSERT_EQ(link((r + "snapshots/one").c_str(), (r + "docs/same-as-one").c_str()), 0);
        mkdir((r + "locked").c_str(), 0755);
        WriteFile(r + "locked/inside", 1);
        chmod((r + "locked").c_str(), 0);
        // Enough entries that their facts are read by several threads.
        mkdir((r + "many").c_str(), 0755);
        for (int i = 0; i < int(SCAN_SPLIT_ENTRIES) + 900; ++i) WriteFile(r + "many/f" + std::to_string(i), i % 7);
    }
    void TearDown() override {
        chmod((root + "/locked").c_str(), 0755);
    }

    FixtureFolder fixture;
    std::string root;
    std::unique_ptr<HostDevice> device;
};

TEST_F(EngineHostTree, ThreadsBuildTheTreeOneThreadBuildsAndKeepTheFactsTheyRead) {
    ScannedStore serial(device.get(), 1);
    ScannedStore parallel(device.get(), 4);
    ASSERT_EQ(serial.outcome, SCAN_COMPLETE);
    ASSERT_EQ(parallel.outcome, SCAN_COMPLETE);
    ExpectSameTree(&serial.drive, &parallel.drive, u"");
    EXPECT_TRUE(parallel.drive.flags & ITEM_SCANNED);

    // The facts of the one reading: disk bytes, times, links as leaves.
    const ItemNode* sparse = FindEntry(&parallel.drive, {u"sparse.img"});
    ASSERT_NE(sparse, nullptr);
    EXPECT_EQ(sparse->ownSize, 1u << 30);
    struct stat facts;
    ASSERT_EQ(lstat((root + "/sparse.img").c_str(), &facts), 0);
    EXPECT_EQ(sparse->diskSize, uint64_t(facts.st_blocks) * 512);
    EXPECT_LT(sparse->diskSize, sparse->ownSize);
    EXPECT_EQ(sparse->modified, TimeStampOfUnixTime(facts.st_mtim.tv_sec, facts.st_mtim.tv_nsec));
    const ItemNode* toFolder = FindEntry(&parallel.drive, {u"docs", u"to-folder"});
    ASSERT_NE(toFolder, nullptr);
    EXPECT_FALSE(toFolder->flags & ITEM_FOLDER);
    EXPECT_EQ(toFolder->childCount, 0u);
    EXPECT_NE(FindEntry(&parallel.drive, {u"docs", u"raw\xDCFF\xDCFE"}), nullptr);
    EXPECT_NE(FindEntry(&parallel.drive, {u"docs", u"back\xDC5Cslash"}), nullptr);
    const ItemNode* many = FindEntry(&parallel.drive, {u"many"});
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(many->childCount, SCAN_SPLIT_ENTRIES + 900);

    // Both links of the hard-linked file, with one identity.
    ASSERT_EQ(parallel.links.size(), 2u);
    EXPECT_EQ(parallel.links[0].fileId, parallel.links[1].fileId);
    EXPECT_EQ(parallel.links[0].volumeId, parallel.links[1].volumeId);
    const ItemNode* one = FindEntry(&parallel.drive, {u"snapshots", u"one"});
    const ItemNode* same = FindEntry(&parallel.drive, {u"docs", u"same-as-one"});
    EXPECT_TRUE((parallel.links[0].item == one && parallel.links[1].item == same) ||
                (parallel.links[0].item == same && parallel.links[1].item == one));
}

TEST_F(EngineHostTree, AFolderThatCannotBeReadKeepsItsReason) {
    // As an ordinary user, also where the tests run as root.
    int result = RunUnprivileged([&] {
        ScannedStore serial(device.get(), 1);
        ScannedStore parallel(device.get(), 3);
        if (parallel.outcome != SCAN_COMPLETE) return 1;
        const ItemNode* locked = FindEntry(&parallel.drive, {u"locked"});
        if (!locked || !(locked->flags & ITEM_UNREADABLE) || locked->readError != EACCES) return 2;
        if (locked->childCount != 0 || !(locked->flags & ITEM_SCANNED)) return 3;
        if (FindEntry(&parallel.drive, {u"docs"})->flags & ITEM_UNREADABLE) return 4;
        ExpectSameTree(&serial.drive, &parallel.drive, u"");
        return ::testing::Test::HasFailure() ? 5 : 0;
    });
    EXPECT_EQ(result, 0);
}

// A host device whose big folder changes while it is listed in parts: some
// entries vanish before their facts are read, or entries come in between
// the counting and the listing.
class ChangingHostDevice : public HostDevice {
public:
    using HostDevice::HostDevice;
    std::string folder;  // the host path of the folder that changes
    bool vanish = false;
    int added = 0;       // entries added when the folder is read from its start a second time
    int startsSeen = 0;

    bool ReadFolderPart(FolderHandle handle, FolderListing* listing, bool fromStart, size_t limit,
                        bool* ended) override {
        if (fromStart && IsTheFolder(handle) && ++startsSeen == 2) {
            for (int i = 0; i < added; ++i) WriteFile(folder + "/new" + std::to_string(i), 3);
        }
        return HostDevice::ReadFolderPart(handle, listing, fromStart, limit, ended);
    }
    void ReadEntryFacts(FolderHandle handle, FolderListing* listing, size_t begin, size_t end) override {
        HostDevice::ReadEntryFacts(handle, listing, begin, end);
        if (!vanish || !IsTheFolder(handle)) return;
        for (size_t i = begin; i < end; ++i) {
            FolderEntry& entry = listing->entries[i];
            if (std::atoi(&listing->hostNames[entry.hostNameOffset] + 1) % 5 == 0) entry.attributes = FILE_ATTR_INVALID;
        }
    }

private:
    bool IsTheFolder(FolderHandle handle) {
        struct stat facts, theFolder;
        return fstat(static_cast<int>(handle), &facts) == 0 && stat(folder.c_str(), &theFolder) == 0 &&
               facts.st_ino == theFolder.st_ino && facts.st_dev == theFolder.st_dev;
    }
};

TEST(ScanEngine, AFolderListedInPartsKeepsEveryEntryItHasWhenItsFactsAreRead) {
    constexpr int FILES = int(SCAN_SPLIT_ENTRIES) * 2 + 300;
    struct Case {
        const char* what;
        bool vanish;
        int added;
        int threads;
    };
    const Case cases[] = {
        {"as it stands, one thread", false, 0, 1},
        {"as it stands, several threads", false, 0, 3},
        {"a fifth vanished before their facts were read", true, 0, 3},
        {"grown after it was counted: read again whole", false, 50, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureFolder fixture;
        const std::string many = fixture.root + "/many";
        mkdir(many.c_str(), 0755);
        for (int i = 0; i < FILES; ++i) WriteFile(many + "/f" + std::to_string(i), size_t(i % 13));
        ChangingHostDevice device(fixture.root);
        device.folder = many;
        device.vanish = c.vanish;
        device.added = c.added;
        ScannedStore store(&device, c.threads);
        ASSERT_EQ(store.outcome, SCAN_COMPLETE);
        const ItemNode* folder = FindEntry(&store.drive, {u"many"});
        ASSERT_NE(folder, nullptr);
        std::set<std::u16string> names;
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            const ItemNode& item = folder->children[i];
            EXPECT_EQ(item.parent, folder);
            std::u16string name(item.name);
            names.insert(name);
            std::string narrow(name.begin(), name.end());
            if (narrow.rfind("new", 0) == 0) {
                EXPECT_EQ(item.ownSize, 3u) << narrow;
            } else {
                EXPECT_EQ(item.ownSize, uint64_t(std::atoi(narrow.c_str() + 1) % 13)) << narrow;
            }
        }
        const int kept = c.vanish ? FILES - (FILES + 4) / 5 : FILES + c.added;
        EXPECT_EQ(folder->childCount, uint32_t(kept));
        EXPECT_EQ(names.size(), size_t(kept));
        EXPECT_EQ(names.count(u"f5"), c.vanish ? 0u : 1u);
        // Records in the reverse of the order the host lists, as any folder's.
        if (!c.vanish && !c.added) {
            FolderListing listing;
            FolderHandle handle = NO_FOLDER;
            ASSERT_TRUE(device.OpenFolder(u"\\many", &handle));
            ASSERT_TRUE(device.ReadFolderNames(handle, &listing));
            device.CloseFolder(handle);
            ASSERT_EQ(listing.entries.size(), size_t(FILES));
            const char* first = &listing.hostNames[listing.entries.front().hostNameOffset];
            const char* last = &listing.hostNames[listing.entries.back().hostNameOffset];
            EXPECT_EQ(std::u16string(folder->children[FILES - 1].name), std::u16string(first, first + std::strlen(first)));
            EXPECT_EQ(std::u16string(folder->children[0].name), std::u16string(last, last + std::strlen(last)));
        }
    }
}

// A folder of 200,000 entries scanned with the address space limited to what
// the process held, its block and a few megabytes: its listing is never held
// whole beside the block, as it was before (some 14 MB more).
TEST(ScanEngine, AFolderOfManyEntriesIsScannedWithinLittleMoreThanItsBlock) {
    constexpr int ENTRIES = 200000;
    FixtureFolder fixture;
    const std::string all = fixture.root + "/all";
    mkdir(all.c_str(), 0755);
    size_t nameChars = 0;
    for (int i = 0; i < ENTRIES; ++i) {
        std::string name = "file_" + std::to_string(i) + ".dat";
        nameChars += name.size() + 1;
        int file = open((all + "/" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(file, 0);
        close(file);
    }
    HostDevice device(fixture.root);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // One arena and a fixed threshold for mapping blocks of their own,
        // so the limit counts the scan's memory, not address space reserved
        // per thread or freed memory kept in the heap.
        mallopt(M_ARENA_MAX, 1);
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        {
            // The threads' stacks are mapped by a walk of an empty folder and
            // kept for the next.
            mkdir((fixture.root + "/empty").c_str(), 0755);
            HostDevice emptyDevice(fixture.root + "/empty");
            ScannedStore warmUp(&emptyDevice, 2);
        }
        std::ifstream status("/proc/self/status");
        std::string line;
        size_t held = 0;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) held = size_t(std::atol(line.c_str() + 7)) * 1024;
        }
        const size_t block = ENTRIES * sizeof(ItemNode) + nameChars * sizeof(char16_t);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = held + block + 6 * 1024 * 1024;
        if (held == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
        ScannedStore store(&device, 2);
        const ItemNode* folder = FindEntry(&store.drive, {u"all"});
        if (store.outcome != SCAN_COMPLETE || !folder) _exit(1);
        _exit(folder->childCount == ENTRIES && !(folder->flags & ITEM_UNREADABLE) ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the scan died under the limit";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A generated tree: folders of every width, a big folder among them.
void AddGeneratedTree(MemoryDevice* device) {
    for (int top = 0; top < 12; ++top) {
        std::u16string a = u"\\t" + std::u16string(1, u'A' + top);
        for (int middle = 0; middle < top * 3; ++middle) {
            std::u16string b = a + u"\\m" + std::u16string(1, u'a' + middle % 26) + std::u16string(middle / 26, u'x');
            device->AddFolder(b);
            for (int file = 0; file < middle % 9; ++file)
                device->AddFile(b + u"\\f" + std::u16string(1, u'0' + file), 100 * file + middle,
                                0, UnixTimeToFileTime(1500000000 + file, 0));
            if (middle % 4 == 0) device->AddFolder(b + u"\\leaf\\deeper");
        }
    }
    for (int i = 0; i < int(SCAN_SPLIT_ENTRIES) * 2; ++i) {
        std::string name = "\\big\\n" + std::to_string(i);
        device->AddFile(std::u16string(name.begin(), name.end()), i);
    }
}

TEST(ScanEngine, ThreadsBuildTheTreeOneThreadBuildsOnAGeneratedTree) {
    MemoryDevice device;
    AddGeneratedTree(&device);
    device.AddDatabase(u"Contacts", 300);
    device.DenyAccess(u"\\tC\\ma");
    ScannedStore serial(&device, 1);
    ScannedStore parallel(&device, 5);
    ASSERT_EQ(parallel.outcome, SCAN_COMPLETE);
    ExpectSameTree(&serial.drive, &parallel.drive, u"");
    // More threads than cores, the extra ones listing while others wait.
    ScannedStore waiting(&device, 0);
    ASSERT_EQ(waiting.outcome, SCAN_COMPLETE);
    ExpectSameTree(&serial.drive, &waiting.drive, u"");
    // The database folder comes last, with its databases.
    const ItemNode& databases = parallel.drive.children[parallel.drive.childCount - 1];
    EXPECT_EQ(databases.flags, uint32_t(ITEM_FOLDER | ITEM_DATABASE | ITEM_SCANNED));
    EXPECT_EQ(databases.total, 300u);
    const ItemNode* denied = FindEntry(&parallel.drive, {u"tC", u"ma"});
    ASSERT_NE(denied, nullptr);
    EXPECT_EQ(denied->readError, uint32_t(EACCES));
    EXPECT_EQ(device.openFolders, 0);
}

TEST(ScanEngine, ManyThreadsListAtOnceWhereListingsWait) {
    const int cores = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
    struct Case {
        const char* what;
        int asked;    // the threads Start is given
        int threads;  // the threads that list
    };
    const Case cases[] = {
        {"as many as asked, all listing at once", 16, 16},
        // The cores' threads wait on their listings, so the others join them.
        {"the device's choice: beyond the cores, listing while the others wait", 0, 4 * cores},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryDevice device;
        for (int i = 0; i < 1000; ++i)
            device.AddFolder(u"\\f" + std::u16string(1, u'a' + i % 26) + std::u16string(i / 26, u'z'));
        ItemNode drive = UnscannedStore();
        device.HoldListings();
        ScanEngine engine(&device);
        ASSERT_TRUE(engine.Start(&drive, c.asked, nullptr));
        EXPECT_EQ(engine.ThreadCount(), c.threads);
        device.PassListings(1);
        // Every thread waits on a listing of its own at the same moment.
        EXPECT_TRUE(device.WaitForHeldListings(c.threads));
        device.ReleaseListings();
        engine.WaitUntilEnded();
        EXPECT_EQ(engine.Finish(), SCAN_COMPLETE);
        EXPECT_EQ(drive.childCount, 1001u);
        FreeItemArray(drive.children, drive.childCount);
    }
}

TEST(ScanEngine, OnlyTheFoldersAlongTheWalkStayOpen) {
    // Wide at every level: a walk that opened every folder it found before
    // listing it would hold hundreds.
    MemoryDevice device;
    for (int a = 0; a < 12; ++a)
        for (int b = 0; b < 12; ++b)
            for (int c = 0; c < 6; ++c)
                device.AddFolder(u"\\" + std::u16string(1, u'a' + a) + u"\\" + std::u16string(1, u'a' + b) + u"\\" +
                                 std::u16string(1, u'a' + c) + u"\\leaf");
    ScannedStore store(&device, 4);
    ASSERT_EQ(store.outcome, SCAN_COMPLETE);
    EXPECT_EQ(device.openFolders, 0);
    // Four threads, a depth of five: a few per thread and the depth.
    EXPECT_LE(device.MostOpenFolders(), 4 * 3 + 5);
}

TEST(ScanEngine, AStopLeavesTheFolderAsBeforeAndEveryFolderClosed) {
    MemoryDevice device;
    AddGeneratedTree(&device);
    for (int passed : {1, 3, 20}) {
        SCOPED_TRACE(passed);
        ItemNode drive = UnscannedStore();
        device.HoldListings();
        ScanEngine engine(&device);
        std::atomic<int> ends{0};
        ASSERT_TRUE(engine.Start(&drive, 3, [&ends] { ++ends; }));
        device.PassListings(passed);
        ASSERT_TRUE(device.WaitForHeldListings(1));
        engine.RequestStop();
        device.ReleaseListings();
        engine.WaitUntilEnded();
        EXPECT_EQ(engine.Finish(), SCAN_STOPPED);
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(drive.children, nullptr);
        EXPECT_EQ(drive.childCount, 0u);
        EXPECT_EQ(drive.flags, uint32_t(ITEM_DRIVE));
        EXPECT_EQ(device.openFolders, 0);
    }
}

TEST(ScanEngine, AnEngineGoneMidWalkStopsAndFreesWhatItBuilt) {
    MemoryDevice device;
    AddGeneratedTree(&device);
    ItemNode drive = UnscannedStore();
    device.HoldListings();
    {
        ScanEngine engine(&device);
        ASSERT_TRUE(engine.Start(&drive, 2, nullptr));
        device.PassListings(5);
        ASSERT_TRUE(device.WaitForHeldListings(1));
        device.ReleaseListings();
    }
    EXPECT_EQ(drive.children, nullptr);
    EXPECT_EQ(device.openFolders, 0);
}

// Starts each listing thread only after asking the engine to stop, so the
// stop is there before any thread takes the first task.
bool StopThenStart(pthread_t* thread, void* (*body)(void*), void* argument) {
    static_cast<ScanEngine*>(argument)->RequestStop();
    return ScanEngine::StartPosixThread(thread, body, argument);
}

// The files (records without ITEM_FOLDER) among a drive's children.
uint32_t FilesOf(const ItemNode* drive) {
    uint32_t files = 0;
    for (uint32_t i = 0; i < drive->childCount; ++i) files += !(drive->children[i].flags & ITEM_FOLDER);
    return files;
}

TEST(ScanEngine, AStopBeforeTheFirstListingStillListsADriveWithoutSubfolders) {
    // A few files, and more than one thread reads the facts of.
    for (uint32_t files : {3u, uint32_t(SCAN_SPLIT_ENTRIES) + 500}) {
        SCOPED_TRACE(files);
        MemoryDevice device;
        for (uint32_t i = 0; i < files; ++i) {
            std::string name = "\\f" + std::to_string(i);
            device.AddFile(std::u16string(name.begin(), name.end()), i + 1);
        }
        ItemNode drive = UnscannedStore();
        ScanEngine::ThreadStarter was = ScanEngine::threadStarter;
        ScanEngine::threadStarter = StopThenStart;
        ScanOutcome outcome = ScanAndWait(&device, &drive, 3);
        ScanEngine::threadStarter = was;
        EXPECT_EQ(outcome, SCAN_COMPLETE);
        EXPECT_TRUE(drive.flags & ITEM_SCANNED);
        EXPECT_EQ(FilesOf(&drive), files);
        EXPECT_EQ(device.openFolders, 0);
        FreeItemArray(drive.children, drive.childCount);
    }
    // With a subfolder the stop is read when the subfolder is entered.
    MemoryDevice device;
    device.AddFile(u"\\f", 1);
    device.AddFolder(u"\\sub");
    device.AddFile(u"\\sub\\g", 2);
    ItemNode drive = UnscannedStore();
    ScanEngine::ThreadStarter was = ScanEngine::threadStarter;
    ScanEngine::threadStarter = StopThenStart;
    ScanOutcome outcome = ScanAndWait(&device, &drive, 3);
    ScanEngine::threadStarter = was;
    EXPECT_EQ(outcome, SCAN_STOPPED);
    EXPECT_EQ(drive.children, nullptr);
    EXPECT_EQ(drive.flags, uint32_t(ITEM_DRIVE));
    EXPECT_EQ(device.openFolders, 0);
}

TEST(ScanEngine, NoThreadNoWalk) {
    MemoryDevice device;
    device.AddFolder(u"\\a");
    ItemNode drive = UnscannedStore();
    ScanEngine::ThreadStarter was = ScanEngine::threadStarter;
    ScanEngine::threadStarter = [](pthread_t*, void* (*)(void*), void*) { return false; };
    {
        ScanEngine engine(&device);
        EXPECT_FALSE(engine.Start(&drive, 2, nullptr));
    }
    // One thread of several is enough to walk.
    static int started;
    started = 0;
    ScanEngine::threadStarter = [](pthread_t* thread, void* (*body)(void*), void* argument) {
        return started++ == 0 && ScanEngine::StartPosixThread(thread, body, argument);
    };
    EXPECT_EQ(ScanAndWait(&device, &drive, 3), SCAN_COMPLETE);
    ScanEngine::threadStarter = was;
    EXPECT_EQ(drive.childCount, 2u);
    FreeItemArray(drive.children, drive.childCount);
}

TEST(ScanTimeStamp, KeepsMillisecondsEitherSideOf1970AndMarksTheUnknown) {
    struct Case {
        int64_t seconds;
        int64_t nanoseconds;
        int64_t stamp;
        int64_t wholeSeconds;  // UnixSecondsOfTimeStamp of the stamp
    };
    const Case cases[] = {
        {0, 0, 1, 0},                                  // 1970-01-01 itself is a time, not the unknown
        {0, 999999999, 1000, 0},
        {1700000000, 300000000, 1700000000301, 1700000000},
        {-1, 999000000, -1, -1},                       // the last millisecond before 1970
        {-1, 0, -1000, -1},
        {-315619200, 0, -315619200000, -315619200},    // 1960-01-01
        {4294967296, 0, 4294967296001, 4294967296},    // past 2106-02-07
        {7258118400, 0, 7258118400001, 7258118400},    // 2200-01-01
        {int64_t(1) << 40, 0, 0, 0},                   // beyond the stamp's reach: unknown
        {-(int64_t(1) << 40), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        const int64_t stamp = TimeStampOfUnixTime(c.seconds, c.nanoseconds);
        EXPECT_EQ(stamp, c.stamp);
        if (stamp == 0) continue;
        EXPECT_EQ(UnixSecondsOfTimeStamp(stamp), c.wholeSeconds);
        // The record holds every stamp as it is.
        ItemNode record{};
        record.modified = stamp;
        record.readError = 65535;
        EXPECT_EQ(record.modified, stamp);
        EXPECT_EQ(record.readError, 65535u);
    }
    // Two times within one second stay apart, in their order.
    EXPECT_LT(TimeStampOfUnixTime(1700000000, 100000000), TimeStampOfUnixTime(1700000000, 400000000));
    EXPECT_LT(TimeStampOfUnixTime(-2, 100000000), TimeStampOfUnixTime(-2, 400000000));
    EXPECT_EQ(FileTimeOfTimeStamp(0), 0u);
    EXPECT_EQ(TimeStampOfFileTime(0), 0);
    for (int64_t seconds : {int64_t(1700000000), int64_t(-315619200), int64_t(7258118400)}) {
        const uint64_t fileTime = UnixTimeToFileTime(seconds, 0);
        EXPECT_EQ(TimeStampOfFileTime(fileTime), TimeStampOfUnixTime(seconds, 0)) << seconds;
        EXPECT_EQ(FileTimeOfTimeStamp(TimeStampOfFileTime(fileTime)), fileTime) << seconds;
    }
    // A file time cannot hold a time before 1601.
    EXPECT_EQ(FileTimeOfTimeStamp(TimeStampOfUnixTime(-11644473601LL, 0)), 0u);
}

}  // namespace
