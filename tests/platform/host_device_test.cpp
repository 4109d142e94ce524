#include "platform/host_device.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_names.h"
#include "support/host_files.h"
#include "support/item_fixture.h"
#include "support/unprivileged.h"

namespace {

// A fixture tree on the real file system, with the device root pointed at it.
class HostTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        root = folder.path().toStdString();
        device = std::make_unique<HostDevice>(root);
        SetDevice(device.get());
    }
    void TearDown() override {
        FreeItemTree();
        SetDevice(nullptr);
        chmod((root + "/locked").c_str(), 0755);
    }
    std::vector<std::u16string> Listed(const char16_t* pattern) {
        ItemNode* items = nullptr;
        uint32_t count = ListFolder(pattern, nullptr, false, &items);
        std::vector<std::u16string> names;
        for (uint32_t i = 0; i < count; ++i) names.emplace_back(items[i].name);
        FreeItemArray(items, count);
        return names;
    }
    QTemporaryDir folder;
    std::string root;
    std::unique_ptr<HostDevice> device;
};

const ItemNode* Named(const ItemNode* items, uint32_t count, const std::u16string& name) {
    for (uint32_t i = 0; i < count; ++i) {
        if (name == items[i].name) return &items[i];
    }
    return nullptr;
}

}  // namespace

TEST_F(HostTree, OddNamesListAndDeleteByTheirListedNames) {
    mkdir((root + "/odd").c_str(), 0755);
    WriteFile(root + "/odd/back\\slash.txt", 5);
    WriteFile(root + "/odd/bad\xFF" "byte", 6);
    WriteFile(root + "/odd/caf\xC3\xA9", 7);

    ItemNode* items = nullptr;
    uint32_t count = ListFolder(u"\\odd\\*.*", nullptr, false, &items);
    ASSERT_EQ(count, 3u);
    const ItemNode* slash = Named(items, count, u"back\xDC5Cslash.txt");
    const ItemNode* bad = Named(items, count, u"bad\xDCFF" "byte");
    const ItemNode* cafe = Named(items, count, u"caf\u00e9");
    ASSERT_NE(slash, nullptr);
    ASSERT_NE(bad, nullptr);
    ASSERT_NE(cafe, nullptr);
    EXPECT_EQ(slash->ownSize, 5u);
    EXPECT_EQ(bad->ownSize, 6u);

    // Every listed name leads back to its file: delete each by its program path.
    for (const ItemNode* item : {slash, bad, cafe}) {
        std::u16string path = u"\\odd\\" + std::u16string(item->name);
        EXPECT_EQ(device->GetAttributes(path.c_str()), 0u);
        EXPECT_TRUE(device->DeleteFile(path.c_str()));
    }
    FreeItemArray(items, count);
    EXPECT_TRUE(Listed(u"\\odd\\*.*").empty());
    EXPECT_TRUE(device->RemoveDirectory(u"\\odd"));
    EXPECT_EQ(device->GetAttributes(u"\\odd"), FILE_ATTR_INVALID);
    EXPECT_EQ(device->LastError(), DEVICE_FILE_NOT_FOUND);
}

TEST_F(HostTree, FactsOfEntries) {
    mkdir((root + "/dir").c_str(), 0755);
    WriteFile(root + "/big.bin", 0);
    // A sparse file of 5,000,000,000 bytes: all 64 bits of the size are kept.
    ASSERT_EQ(truncate((root + "/big.bin").c_str(), 5000000000LL), 0);
    WriteFile(root + "/ro.txt", 3);
    chmod((root + "/ro.txt").c_str(), 0444);
    // A link is a file of its own size, never followed.
    ASSERT_EQ(symlink("big.bin", (root + "/link").c_str()), 0);
    ASSERT_EQ(symlink("dir", (root + "/dirlink").c_str()), 0);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 500}};
    utimensat(AT_FDCWD, (root + "/ro.txt").c_str(), times, 0);

    FolderListing listing;
    ASSERT_TRUE(device->ReadFolder(u"\\", &listing));
    auto find = [&listing](const std::u16string& name) -> const FolderEntry* {
        for (const FolderEntry& entry : listing.entries) {
            if (std::u16string(&listing.names[entry.nameOffset], entry.nameLength) == name) return &entry;
        }
        return nullptr;
    };
    ASSERT_EQ(listing.entries.size(), 5u);  // no "." or ".."
    EXPECT_EQ(find(u"dir")->attributes, FILE_ATTR_DIRECTORY);
    EXPECT_EQ(find(u"big.bin")->size, 5000000000ULL);
    EXPECT_EQ(find(u"ro.txt")->attributes, FILE_ATTR_READONLY);
    // Links say what they are, and no more: a link to a folder is no folder.
    EXPECT_EQ(find(u"link")->attributes, FILE_ATTR_LINK);
    EXPECT_EQ(find(u"link")->size, 7u);  // the length of "big.bin"
    EXPECT_EQ(find(u"dirlink")->attributes, FILE_ATTR_LINK);

    uint64_t fileTime = 0;
    ASSERT_TRUE(device->LastWriteTime(u"\\ro.txt", &fileTime));
    EXPECT_EQ(fileTime, (1000000000ULL + 11644473600ULL) * 10000000ULL + 5);

    // Read-only can be cleared and set again; a link is left alone.
    EXPECT_TRUE(device->SetAttributes(u"\\ro.txt", 0));
    EXPECT_EQ(device->GetAttributes(u"\\ro.txt"), 0u);
    EXPECT_TRUE(device->SetAttributes(u"\\ro.txt", FILE_ATTR_READONLY));
    EXPECT_EQ(device->GetAttributes(u"\\ro.txt"), FILE_ATTR_READONLY);
    EXPECT_TRUE(device->SetAttributes(u"\\link", FILE_ATTR_READONLY));

    // Deleting a link deletes the link, not its target.
    EXPECT_TRUE(device->DeleteFile(u"\\link"));
    EXPECT_EQ(access((root + "/big.bin").c_str(), F_OK), 0);
    EXPECT_FALSE(device->DeleteFile(u"\\link"));
    EXPECT_EQ(device->LastError(), DEVICE_FILE_NOT_FOUND);
    EXPECT_FALSE(device->RemoveDirectory(u"\\dirlink"));
    EXPECT_EQ(access((root + "/dir").c_str(), F_OK), 0);

    uint64_t totalBytes = 0, freeBytes = 0;
    ASSERT_TRUE(device->VolumeSpace(u"\\", &totalBytes, &freeBytes));
    EXPECT_GT(totalBytes, 0u);
    EXPECT_LE(freeBytes, totalBytes);
}

TEST_F(HostTree, LinkTargetsAsTheLinksHoldThemNeverThroughALink) {
    mkdir((root + "/dir").c_str(), 0755);
    WriteFile(root + "/dir/file", 1);
    ASSERT_EQ(symlink("../usr/bin", (root + "/bin").c_str()), 0);
    // A target of any bytes, a dangling one, a "\" and an undecodable byte.
    ASSERT_EQ(symlink("no\\where \xff\n", (root + "/odd").c_str()), 0);
    ASSERT_EQ(symlink("dir", (root + "/dirlink").c_str()), 0);
    ASSERT_EQ(symlink("file", (root + "/dir/inner").c_str()), 0);

    struct Case {
        const char16_t* path;
        bool read;
        std::string target;  // host bytes
    };
    for (const Case& c : {Case{u"\\bin", true, "../usr/bin"}, Case{u"\\odd", true, "no\\where \xff\n"},
                          Case{u"\\dir\\inner", true, "file"}, Case{u"\\dir\\file", false, ""},
                          Case{u"\\dir", false, ""}, Case{u"\\missing", false, ""},
                          // Never reached through a link to a folder.
                          Case{u"\\dirlink\\inner", false, ""}}) {
        std::vector<char16_t> target;
        EXPECT_EQ(device->ReadLinkTarget(c.path, &target), c.read) << QString::fromUtf16(c.path).toStdString();
        std::vector<char16_t> expected;
        DecodeHostName(c.target.data(), c.target.size(), &expected);
        EXPECT_EQ(target, expected) << QString::fromUtf16(c.path).toStdString();
    }
}

TEST_F(HostTree, FailuresGiveEmptyListingsAndErrorCodes) {
    mkdir((root + "/full").c_str(), 0755);
    WriteFile(root + "/full/f", 1);
    EXPECT_FALSE(device->RemoveDirectory(u"\\full"));
    EXPECT_EQ(device->LastError(), DEVICE_DIR_NOT_EMPTY);
    EXPECT_TRUE(Listed(u"\\missing\\*.*").empty());
    EXPECT_EQ(device->LastError(), DEVICE_FILE_NOT_FOUND);
    // A file is not a folder to list.
    EXPECT_TRUE(Listed(u"\\full\\f\\*.*").empty());

    // A path longer than the host allows lists nothing and breaks nothing.
    std::u16string deep = u"\\" + std::u16string(5000, u'a') + u"\\*.*";
    EXPECT_TRUE(Listed(deep.c_str()).empty());
    EXPECT_EQ(device->LastError(), DEVICE_FILENAME_TOO_LONG);

    mkdir((root + "/locked").c_str(), 0755);
    WriteFile(root + "/locked/inside", 1);
    chmod((root + "/locked").c_str(), 0);
    // As an ordinary user, also where the tests run as root: the folder
    // cannot be read, and the device says why.
    chmod(root.c_str(), 0755);
    int denied = RunUnprivileged([&] {
        FolderListing listing;
        if (device->ReadFolder(u"\\locked", &listing)) return 1;
        return device->LastError() == DEVICE_ACCESS_DENIED && listing.entries.empty() ? 0 : 2;
    });
    EXPECT_EQ(denied, 0);
    // The locked folder itself is still listed in its parent.
    EXPECT_EQ(Listed(u"\\*.*").size(), 2u);
}

TEST_F(HostTree, ReadOnlyComesBackExactlyAndOnlyOnTheEntryThatWasRead) {
    // A read-only file of an ordinary user, in a folder that refuses its
    // deletion: the user's own change and restore, bit for bit.
    const std::string folder = root + "/ro";
    const std::string file = folder + "/f";
    mkdir(folder.c_str(), 0755);
    WriteFile(file, 10);
    chmod(file.c_str(), 0464);
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    chmod(folder.c_str(), 0555);
    chmod(root.c_str(), 0755);
    int result = RunUnprivileged([&] {
        uint32_t attributes = device->GetAttributes(u"\\ro\\f");
        if (attributes == FILE_ATTR_INVALID || !(attributes & FILE_ATTR_READONLY)) return 1;
        if (!device->SetAttributes(u"\\ro\\f", attributes & ~FILE_ATTR_READONLY)) return 2;
        if (device->DeleteFile(u"\\ro\\f")) return 3;
        return device->SetAttributes(u"\\ro\\f", attributes) ? 0 : 4;
    });
    EXPECT_EQ(result, 0);
    struct stat facts;
    ASSERT_EQ(stat(file.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0464u);

    // A folder now standing where the file was read is no entry to change
    // or delete.
    chmod(folder.c_str(), 0755);
    ASSERT_NE(device->GetAttributes(u"\\ro\\f"), FILE_ATTR_INVALID);
    ASSERT_EQ(unlink(file.c_str()), 0);
    ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
    EXPECT_FALSE(device->SetAttributes(u"\\ro\\f", 0));
    EXPECT_FALSE(device->SetAttributes(u"\\ro\\f", FILE_ATTR_READONLY));
    EXPECT_FALSE(device->DeleteFile(u"\\ro\\f"));
    EXPECT_EQ(device->LastError(), DEVICE_ACCESS_DENIED);
    ASSERT_EQ(stat(file.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0755u);
}

TEST_F(HostTree, TheWalkOnADriveFollowsNoLinkAndLeavesNoFileSystem) {
    mkdir((root + "/a").c_str(), 0755);
    mkdir((root + "/a/b").c_str(), 0755);
    symlink("b", (root + "/a/link").c_str());
    struct stat rootFacts;
    ASSERT_EQ(stat(root.c_str(), &rootFacts), 0);
    struct Case {
        std::string start;
        std::string relative;
        dev_t device;
        int error;  // 0: the walk ends in the folder
    };
    const Case cases[] = {
        {root, "a/b", rootFacts.st_dev, 0},
        {root, "", rootFacts.st_dev, 0},
        {root, "a/link", rootFacts.st_dev, ENOTDIR},
        {root, "a/../a", rootFacts.st_dev, EINVAL},
        {root, "a/missing", rootFacts.st_dev, ENOENT},
        {root, "a/b", rootFacts.st_dev + 1, EXDEV},
        // /proc is a file system of its own on every Linux machine.
        {"/", "proc", [] { struct stat facts; stat("/", &facts); return facts.st_dev; }(), EXDEV},
        {"/", "proc/sys", ANY_DRIVE, 0},
    };
    for (const Case& c : cases) {
        int error = 0;
        int folder = OpenFoldersOnDrive(open(c.start.c_str(), O_RDONLY | O_DIRECTORY), c.relative, c.device, &error);
        EXPECT_EQ(folder >= 0, c.error == 0) << c.relative;
        if (folder >= 0) close(folder);
        if (c.error) {
            EXPECT_EQ(error, c.error) << c.relative;
        }
    }
}

TEST_F(HostTree, ObjectStoreWithoutCardsOrDatabases) {
    WriteFile(root + "/a.txt", 4);
    ASSERT_NE(CreateRootItem(), nullptr);
    ASSERT_EQ(DriveNames(rootItem).size(), 1u);
    ItemNode* store = DriveAt(rootItem, 0);
    EXPECT_EQ(std::u16string(store->name), u"\\");
    EXPECT_GT(store->total, 0u);
    store->childCount = ListFolder(u"\\*.*", store, true, &store->children);
    ASSERT_EQ(store->childCount, 2u);
    EXPECT_EQ(std::u16string(store->children[1].name), u"Database");
    ItemNode* databases = &store->children[1];
    EXPECT_EQ(ListDatabases(databases, &databases->children), 0u);
}

TEST(HostDeviceMounts, ListingNeverCrossesIntoAnotherFileSystem) {
    // /proc is a file system of its own on every Linux machine, and no drive.
    HostDevice device("/");
    FolderListing listing;
    ASSERT_TRUE(device.ReadFolder(u"\\", &listing));
    for (const FolderEntry& entry : listing.entries) {
        std::u16string name(&listing.names[entry.nameOffset], entry.nameLength);
        EXPECT_NE(name, u"proc");
        EXPECT_NE(name, u"sys");
    }
}

// A machine described by its mount points: device numbers by path, every
// other path a plain file on the root's device.
int FixtureFacts(const char* path, struct stat* facts) {
    static const std::map<std::string, dev_t> FOLDERS = {
        {"/m", 1},          {"/m/home", 2},     {"/m/media", 1},  {"/m/media/usb", 3},
        {"/m/u", 3}, {"/m/same", 1},    {"/m/my disk", 4}, {"/m/bound", 5},
        {"/m/bound/inner", 5},
    };
    *facts = {};
    auto found = FOLDERS.find(path);
    if (found == FOLDERS.end()) {
        if (std::string(path) == "/m/file") {
            facts->st_mode = S_IFREG;
            facts->st_dev = 6;
            return 0;
        }
        return -1;
    }
    facts->st_mode = S_IFDIR;
    facts->st_dev = found->second;
    return 0;
}

TEST(HostDeviceMounts, ListingsThatWaitOnANetworkAreKnownFromTheMountTable) {
    const std::string mountInfo =
        "28 1 254:0 / / rw - ext4 /dev/vda rw\n"
        "30 28 0:30 / /srv/share rw - nfs4 server:/export rw\n"
        "31 28 0:31 / /home/u/remote rw - fuse.sshfs u@host: rw\n"
        "32 31 0:32 / /home/u/remote/inner rw - ext4 /dev/sdb1 rw\n"
        "33 28 0:33 / /mnt/my\\040disk rw - cifs //nas/disk rw\n";
    struct Case {
        const char* path;
        const char* type;
        bool network;
    };
    const Case cases[] = {
        {"/", "ext4", false},
        {"/srv/share/a/b", "nfs4", true},
        {"/srv/shared", "ext4", false},  // a longer name is no mount below
        {"/home/u/remote", "fuse.sshfs", true},
        {"/home/u/remote/inner/x", "ext4", false},  // the deeper mount wins
        {"/mnt/my disk", "cifs", true},
    };
    for (const Case& c : cases) {
        std::string type = MountTypeAt(mountInfo, c.path);
        EXPECT_EQ(type, c.type) << c.path;
        EXPECT_EQ(IsNetworkFileSystem(type), c.network) << c.path;
    }
}

TEST(HostDeviceMounts, CardsFromMountInfo) {
    HostDevice device("/m");
    std::string mountInfo =
        "28 1 254:0 / /m rw - ext4 /dev/vda rw\n"
        "30 28 0:30 / /m/home rw,relatime shared:7 - ext4 /dev/sdb1 rw\n"
        "31 28 0:31 / /m/media/usb rw - vfat /dev/sdc1 rw\n"
        "32 28 0:31 / /m/u rw - vfat /dev/sdc1 rw\n"                   // the same device, shorter
        "33 28 0:21 / /m/proc rw - proc proc rw\n"                      // no storage
        "34 28 0:32 / /m/same rw - ext4 /dev/vda rw\n"                  // the root's own file system
        "35 28 0:33 / /m/gone rw - ext4 /dev/sdd1 rw\n"                 // covered or vanished
        "36 28 0:34 / /m/file rw - ext4 /dev/sde1 rw\n"                 // a file mounted over a file
        "37 28 0:35 / /m/my\\040disk rw - fuse.sshfs host:/ rw\n"       // an escaped blank
        "38 28 0:36 / /m/bound/inner rw - ext4 /dev/sdf1 rw\n"          // inside a mount of its own
        "39 28 0:37 / /elsewhere rw - ext4 /dev/sdg1 rw\n"              // outside the device root
        "garbage line\n";
    std::vector<HostCard> cards = device.CardsFromMountInfo(mountInfo, FixtureFacts);
    std::vector<std::string> names;
    for (const HostCard& card : cards) names.push_back(card.relativePath);
    EXPECT_EQ(names, (std::vector<std::string>{"home", "u", "my disk"}));
    EXPECT_EQ(cards[1].device, 3u);

    // Nothing is a card of a root that cannot be read.
    HostDevice missing("/nowhere");
    EXPECT_TRUE(missing.CardsFromMountInfo(mountInfo, FixtureFacts).empty());
}

TEST(HostDeviceMounts, PseudoFileSystems) {
    for (const char* type : {"proc", "sysfs", "tmpfs", "devtmpfs", "cgroup2", "overlay", "squashfs"})
        EXPECT_TRUE(IsPseudoFileSystem(type)) << type;
    for (const char* type : {"ext4", "btrfs", "xfs", "vfat", "nfs4", "fuse.sshfs", "exfat"})
        EXPECT_FALSE(IsPseudoFileSystem(type)) << type;
}

// Changes reach exactly the entry named, never through a link and never
// anything beside it.
TEST_F(HostTree, ChangesNeverFollowLinks) {
    std::string canary = root + "/canary";
    mkdir(canary.c_str(), 0755);
    WriteFile(canary + "/keep", 3);
    mkdir((root + "/marked").c_str(), 0755);
    WriteFile(root + "/marked/f", 1);

    // A folder replaced by a link to the canary after the scan.
    ASSERT_EQ(rename((root + "/marked").c_str(), (root + "/moved").c_str()), 0);
    ASSERT_EQ(symlink(canary.c_str(), (root + "/marked").c_str()), 0);
    EXPECT_FALSE(device->DeleteFile(u"\\marked\\keep"));
    EXPECT_EQ(device->GetAttributes(u"\\marked\\keep"), FILE_ATTR_INVALID);
    EXPECT_FALSE(device->SetAttributes(u"\\marked\\keep", FILE_ATTR_READONLY));
    EXPECT_FALSE(device->RemoveDirectory(u"\\marked"));
    struct stat facts;
    ASSERT_EQ(stat((canary + "/keep").c_str(), &facts), 0);
    EXPECT_TRUE(facts.st_mode & S_IWUSR);

    // The link itself is a file: deleting it removes the link only.
    EXPECT_TRUE(device->DeleteFile(u"\\marked"));
    EXPECT_EQ(lstat((root + "/marked").c_str(), &facts), -1);
    EXPECT_EQ(stat((canary + "/keep").c_str(), &facts), 0);

    // A file that became a folder is not deleted as a file, and a folder
    // that became a file is not removed as a folder.
    mkdir((root + "/was-file").c_str(), 0755);
    EXPECT_FALSE(device->DeleteFile(u"\\was-file"));
    EXPECT_EQ(device->LastError(), DEVICE_ACCESS_DENIED);
    WriteFile(root + "/was-folder", 1);
    EXPECT_FALSE(device->RemoveDirectory(u"\\was-folder"));
    // Something added to a folder after the scan keeps it in place.
    EXPECT_FALSE(device->RemoveDirectory(u"\\moved"));
    EXPECT_EQ(device->LastError(), DEVICE_DIR_NOT_EMPTY);
    // A vanished entry says so.
    EXPECT_FALSE(device->DeleteFile(u"\\gone"));
    EXPECT_EQ(device->LastError(), DEVICE_FILE_NOT_FOUND);

    // A card's folder on the store's own file system (the card went away
    // after the scan) holds nothing of the card: nothing there is changed.
    mkdir((root + "/media").c_str(), 0755);
    mkdir((root + "/media/usb").c_str(), 0755);
    WriteFile(root + "/media/usb/f", 1);
    EXPECT_FALSE(device->DeleteFile(u"media/usb\\f"));
    EXPECT_EQ(device->LastError(), DEVICE_PATH_NOT_FOUND);
    EXPECT_FALSE(device->SetAttributes(u"media/usb\\f", FILE_ATTR_READONLY));
    EXPECT_EQ(stat((root + "/media/usb/f").c_str(), &facts), 0);
    EXPECT_TRUE(facts.st_mode & S_IWUSR);
}

TEST_F(HostTree, OddNamesAreChangedByExactlyTheirOwnName) {
    // Host names with a newline, a comma, a leading "-", a backslash byte and
    // a byte that is not UTF-8, each beside decoys it could be confused with.
    const std::vector<std::string> names = {"a\nb", "x,y", "-rf", "back\\slash", "bad\xff"};
    const std::vector<std::string> decoys = {"a", "b", "x", "y", "rf", "back", "slash", "bad"};
    for (const std::string& name : names) WriteFile(root + "/" + name, 2);
    for (const std::string& decoy : decoys) WriteFile(root + "/" + decoy, 1);
    for (const std::string& name : names) {
        std::vector<char16_t> decoded;
        DecodeHostName(name.data(), name.size(), &decoded);
        std::u16string path = u"\\" + std::u16string(decoded.begin(), decoded.end());
        EXPECT_TRUE(device->SetAttributes(path.c_str(), FILE_ATTR_READONLY)) << name;
        EXPECT_EQ(device->GetAttributes(path.c_str()), uint32_t(FILE_ATTR_READONLY)) << name;
        EXPECT_TRUE(device->DeleteFile(path.c_str())) << name;
    }
    struct stat facts;
    for (const std::string& name : names) EXPECT_NE(lstat((root + "/" + name).c_str(), &facts), 0) << name;
    for (const std::string& decoy : decoys) {
        ASSERT_EQ(lstat((root + "/" + decoy).c_str(), &facts), 0) << decoy;
        EXPECT_TRUE(facts.st_mode & S_IWUSR) << decoy;
    }
}
