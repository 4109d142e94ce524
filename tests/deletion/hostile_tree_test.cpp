// A hostile tree scanned and expunged whole through the real host device:
// link loops and links out of the root, a path longer than any program path,
// a folder of 100,000 entries, special files, a huge sparse file, names of
// every byte and undecodable ones, and files coming and going during the
// scan. Nothing outside the root may change, everything that can go must go,
// and the totals must stay those of a fresh scan.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>
#include <QTreeWidget>

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "deletion/expunge.h"
#include "deletion/marks.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/dialog_builder.h"
#include "platform/host_device.h"
#include "platform/host_names.h"
#include "scan/folder_tree.h"
#include "support/host_files.h"
#include "support/modal_answers.h"
#include "support/scanned_drive.h"

namespace {

constexpr int HOSTILE_WIDE_ENTRIES = 100000;
constexpr int HOSTILE_DEEP_NAME_CHARS = 200;
constexpr int HOSTILE_DEEP_LEVELS = 31;  // a path of over 6,000 characters
constexpr int HOSTILE_CHURN_NAMES = 64;
constexpr off_t HOSTILE_SPARSE_BYTES = off_t(10) << 40;

// Every entry below a folder with its facts, by relative path; times and
// sizes of folders included, so that any change inside shows.
using Snapshot = std::map<std::string, std::string>;

// A listing of folder from its first entry: a descriptor of its own, since
// a copied one would share the read position.
DIR* ListingOf(int folder) {
    int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return nullptr;
    DIR* dir = fdopendir(listed);
    if (!dir) close(listed);
    return dir;
}

void TakeSnapshot(int folder, const std::string& prefix, bool recursive, Snapshot* snapshot) {
    DIR* dir = ListingOf(folder);
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat facts;
        if (fstatat(folder, name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) != 0) continue;
        char text[256];
        std::snprintf(text, sizeof text, "%o %lu %lu %lld %lld.%09ld", unsigned(facts.st_mode), (unsigned long)facts.st_ino,
                      (unsigned long)facts.st_nlink, (long long)facts.st_size, (long long)facts.st_mtim.tv_sec,
                      facts.st_mtim.tv_nsec);
        (*snapshot)[prefix + name] = text;
        if (recursive && S_ISDIR(facts.st_mode)) {
            int sub = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) {
                TakeSnapshot(sub, prefix + name + "/", true, snapshot);
                close(sub);
            }
        }
    }
    closedir(dir);
}

Snapshot SnapshotOf(const std::string& path, bool recursive) {
    Snapshot snapshot;
    int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return snapshot;
    TakeSnapshot(folder, "", recursive, &snapshot);
    close(folder);
    return snapshot;
}

// FNV-1a of a file's bytes.
uint64_t ChecksumOf(const std::string& path) {
    uint64_t hash = 14695981039346656037ull;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    for (int c; (c = std::fgetc(file)) != EOF;) hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    std::fclose(file);
    return hash;
}

// Removes everything below folder through descriptors: no path grows past
// the host's limit, however deep the tree.
void EmptyFolderAt(int folder) {
    DIR* dir = ListingOf(folder);
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        if (unlinkat(folder, name.c_str(), 0) == 0) continue;
        int sub = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) continue;
        EmptyFolderAt(sub);
        close(sub);
        unlinkat(folder, name.c_str(), AT_REMOVEDIR);
    }
}

// An empty file in one call: the wide folder needs 100,000 of them.
void MakeFileAt(int folder, const std::string& name, mode_t mode = 0644) {
    mknodat(folder, name.c_str(), S_IFREG | mode, 0);
}

int MakeFolderAt(int folder, const std::string& name) {
    mkdirat(folder, name.c_str(), 0755);
    return openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

std::u16string ProgramName(const std::string& bytes) {
    std::vector<char16_t> name;
    DecodeHostName(bytes.data(), bytes.size(), &name);
    return std::u16string(name.begin(), name.end());
}

class HostileTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        outside = fixture.root;
        root = outside + "/root";
        canary = outside + "/canary";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(canary.c_str(), 0755), 0);
        WriteFile(canary + "/data", 4096);
        WriteFile(canary + "/small", 3);
        device = std::make_unique<HostDevice>(root);
        SetDevice(device.get());
    }
    void TearDown() override {
        EndScannedDrive(tree);
        // The deep chain is past any path the fixture's own removal takes.
        int folder = open(outside.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            EmptyFolderAt(folder);
            close(folder);
        }
    }

    // Builds the hostile tree in root/place; returns the relative paths of
    // the deep chain, which no program path can reach.
    std::set<std::string> BuildTree(int place) {
        // Links that loop, and links that leave the root.
        int links = MakeFolderAt(place, "links");
        symlinkat(".", links, "self");
        symlinkat("..", links, "up");
        symlinkat("loop-b", links, "loop-a");
        symlinkat("loop-a", links, "loop-b");
        symlinkat(canary.c_str(), links, "canary-folder");
        symlinkat((canary + "/data").c_str(), links, "canary-file");
        symlinkat("../../../canary", links, "canary-relative");
        symlinkat("/", links, "host-root");
        close(links);

        // Nested folders past the longest host path, each made from the one above.
        std::set<std::string> chain;
        std::string relative = "deep";
        int level = MakeFolderAt(place, "deep");
        chain.insert(relative);
        for (int i = 0; i < HOSTILE_DEEP_LEVELS; ++i) {
            std::string name(HOSTILE_DEEP_NAME_CHARS, char('a' + i % 26));
            int next = MakeFolderAt(level, name);
            close(level);
            level = next;
            relative += "/" + name;
            chain.insert(relative);
        }
        EXPECT_GT(relative.size(), 6000u);
        MakeFileAt(level, "bottom");
        chain.insert(relative + "/bottom");
        close(level);

        int wide = MakeFolderAt(place, "wide");
        for (int i = 0; i < HOSTILE_WIDE_ENTRIES; ++i) MakeFileAt(wide, "e" + std::to_string(i));
        close(wide);

        int special = MakeFolderAt(place, "special");
        EXPECT_EQ(mkfifoat(special, "fifo", 0644), 0);
        int unixSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        // Through the folder's descriptor: the fixture's path may be too long.
        std::snprintf(address.sun_path, sizeof address.sun_path, "/proc/self/fd/%d/socket", special);
        EXPECT_EQ(bind(unixSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(unixSocket);
        if (mknodat(special, "null-device", S_IFCHR | 0666, makedev(1, 3)) != 0)
            std::printf("[ SKIPPED ] the character device: mknod refused it (%s); it runs as root in CI\n",
                        strerror(errno));
        MakeFileAt(special, "read-only", 0444);
        int sparse = openat(special, "sparse", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        sparseBytes = HOSTILE_SPARSE_BYTES;
        while (sparseBytes > 0 && ftruncate(sparse, sparseBytes) != 0) sparseBytes /= 2;
        if (sparseBytes != HOSTILE_SPARSE_BYTES)
            std::printf("the file system refused a 10 TB sparse file; it holds %lld bytes\n", (long long)sparseBytes);
        close(sparse);
        close(special);

        // A name of every byte but "/" ("." alone names the folder itself),
        // and sequences that are not UTF-8, one of them a folder.
        int names = MakeFolderAt(place, "names");
        for (int byte = 1; byte < 256; ++byte) {
            if (byte == '/') continue;
            std::string name(byte == '.' ? 3 : 1, char(byte));
            MakeFileAt(names, name);
            byteNames.push_back(name);
        }
        for (const char* name : {"\xff\xfe", "\xc0\xaf", "\xed\xa0\x80", "\xe2\x82", "\xf4\x90\x80\x80", "a\\b\x80"})
            byteNames.push_back(name), MakeFileAt(names, name);
        int odd = MakeFolderAt(names, "odd\xff");
        MakeFileAt(odd, "in\xfe");
        close(odd);
        close(names);
        return chain;
    }

    FixtureFolder fixture;
    std::string outside, root, canary;
    std::unique_ptr<HostDevice> device;
    QTreeWidget* tree = nullptr;
    off_t sparseBytes = 0;
    std::vector<std::string> byteNames;
};

TEST_F(HostileTree, ScannedMarkedAndExpungedWhole) {
    int rootFolder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(rootFolder, 0);
    int place = MakeFolderAt(rootFolder, "place");
    ASSERT_GE(place, 0);
    const std::set<std::string> chain = BuildTree(place);
    const uint64_t canaryData = ChecksumOf(canary + "/data");
    Snapshot outsideBefore = SnapshotOf(outside, false);
    outsideBefore.erase("root");
    struct stat rootBefore;
    ASSERT_EQ(stat(root.c_str(), &rootBefore), 0);
    const Snapshot canaryBefore = SnapshotOf(canary, true);

    // Files come and go in "churn" while the scan runs.
    int churn = MakeFolderAt(place, "churn");
    std::atomic<bool> stop{false};
    std::atomic<int> churned{0};
    std::thread churner([&] {
        for (int i = 0; !stop.load() || churned.load() < 2 * HOSTILE_CHURN_NAMES; ++i) {
            MakeFileAt(churn, "c" + std::to_string(i % HOSTILE_CHURN_NAMES));
            unlinkat(churn, ("c" + std::to_string((i + HOSTILE_CHURN_NAMES / 2) % HOSTILE_CHURN_NAMES)).c_str(), 0);
            churned.fetch_add(1);
        }
    });
    tree = new QTreeWidget();
    treePane = tree;
    ItemNode* drive = &CreateRootItem()->children[0];
    ScanDriveForTest(drive);
    stop.store(true);
    churner.join();

    ItemNode* placeItem = FindEntry(drive, {u"place"});
    ASSERT_NE(placeItem, nullptr);
    ItemNode* churnItem = FindChildByName(placeItem, u"churn");
    ASSERT_NE(churnItem, nullptr);
    // What the scan did not see goes now, so that storage holds what the
    // scan listed, less what vanished.
    for (int i = 0; i < HOSTILE_CHURN_NAMES; ++i) {
        std::string name = "c" + std::to_string(i);
        if (!FindChildByName(churnItem, ProgramName(name).c_str())) unlinkat(churn, name.c_str(), 0);
    }
    close(churn);

    // The scan saw everything as it is.
    ItemNode* wide = FindChildByName(placeItem, u"wide");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->childCount, uint32_t(HOSTILE_WIDE_ENTRIES));
    ItemNode* names = FindChildByName(placeItem, u"names");
    ASSERT_NE(names, nullptr);
    for (const std::string& name : byteNames)
        EXPECT_NE(FindChildByName(names, ProgramName(name).c_str()), nullptr) << "byte name " << int(uint8_t(name[0]));
    ItemNode* sparse = FindEntry(placeItem, {u"special", u"sparse"});
    ASSERT_NE(sparse, nullptr);
    EXPECT_EQ(sparse->ownSize, uint64_t(sparseBytes));
    for (const char16_t* link : {u"self", u"up", u"loop-a", u"canary-folder", u"host-root"}) {
        const ItemNode* item = FindEntry(placeItem, {u"links", link});
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->childCount, 0u) << "links are not followed";
    }

    // Everything in place is marked; the expunge confirms, and read-only
    // files are answered "Yes to all".
    QTreeWidgetItem* driveNode = InsertTreeItem(drive, nullptr);
    AddFolderNodes(drive, driveNode);
    tree->setCurrentItem(FindTreeChild(driveNode, placeItem));
    ASSERT_EQ(CurrentFolderItem(), placeItem);
    for (uint32_t i = 0; i < placeItem->childCount; ++i) placeItem->children[i].flags |= ITEM_MARKED;
    markedCount = placeItem->childCount;
    int questions = 0;
    ModalAnswers answers([&](QWidget* modal) {
        if (qobject_cast<QMessageBox*>(modal)) {
            ClickMessageButton(modal, QMessageBox::Ok);
        } else if (DialogControl(qobject_cast<QDialog*>(modal), EXPUNGE_LIST_CONTROL)) {
            ClickDialogControl(modal, 1);
        } else {
            ++questions;
            ClickDialogControl(modal, ANSWER_YES_TO_ALL);
        }
    });
    ExpungeCommand();
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(markedCount, 1u) << "only the deep chain stays marked";

    // Nothing outside the root changed.
    EXPECT_EQ(ChecksumOf(canary + "/data"), canaryData);
    EXPECT_EQ(SnapshotOf(canary, true), canaryBefore);
    // The root's own times change as its content goes; it must stay itself.
    Snapshot outsideAfter = SnapshotOf(outside, false);
    struct stat rootAfter;
    ASSERT_EQ(stat(root.c_str(), &rootAfter), 0);
    EXPECT_EQ(rootAfter.st_ino, rootBefore.st_ino);
    outsideAfter.erase("root");
    EXPECT_EQ(outsideAfter, outsideBefore);

    // What stays is the chain no program path reaches, and nothing else.
    Snapshot left;
    TakeSnapshot(place, "", true, &left);
    std::set<std::string> leftPaths;
    for (const auto& [path, facts] : left) leftPaths.insert(path);
    EXPECT_EQ(leftPaths, chain);
    close(place);
    close(rootFolder);

    // The totals are those of a fresh scan of what is left.
    EXPECT_EQ(placeItem->total, FreshTotal(placeItem));
}

}  // namespace
