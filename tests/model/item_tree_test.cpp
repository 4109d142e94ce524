#include "model/item_tree.h"

#include <QString>
#include <QSysInfo>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/path_list.h"
#include "platform/platform_kind.h"
#include "support/item_fixture.h"

using Names = std::vector<std::u16string>;

TEST(Drives, ObjectStoreAloneWhenNoCards) {
    DeviceScope scope;
    scope.device.SetStoreSpace(1000, 400);
    scope.device.AddFolder(u"\\Windows");
    ItemNode* root = CreateRootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root, rootItem);
    EXPECT_EQ(root->flags, ITEM_ROOT);
    // A desktop's root is named after the machine.
    EXPECT_EQ(QString::fromUtf16(root->name), QSysInfo::machineHostName());
    ASSERT_EQ(DriveNames(root).size(), 1u);
    const ItemNode& store = *DriveAt(root, 0);
    EXPECT_EQ(std::u16string(store.name), u"\\");
    EXPECT_EQ(store.flags, ITEM_DRIVE);
    EXPECT_EQ(store.parent, root);
    EXPECT_EQ(store.total, 1000u);
    EXPECT_EQ(store.ownSize, 600u);
}

TEST(Drives, CardsInReverseOrderThenStoreWithTheirOwnSpace) {
    DeviceScope scope;
    const uint64_t TERABYTE = 1ULL << 40;
    scope.device.SetStoreSpace(64ULL << 30, 16ULL << 30);
    scope.device.AddCard(u"Storage Card", 2 * TERABYTE, TERABYTE / 2);
    scope.device.AddFolder(u"\\My Documents");
    scope.device.AddCard(u"CF Card", 8000, 8000);
    scope.device.FailSpaceQuery(u"CF Card");
    platformKind = PLATFORM_PALMSIZE;
    ItemNode* root = CreateRootItem();
    platformKind = PLATFORM_OTHER;
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(std::u16string(root->name), u"My Palm-size PC");
    ASSERT_EQ(DriveNames(root), (Names{u"CF Card", u"Storage Card", u"\\"}));
    // A failed space query leaves both sizes 0; 64-bit sizes stay whole.
    EXPECT_EQ(DriveAt(root, 0)->total, 0u);
    EXPECT_EQ(DriveAt(root, 0)->ownSize, 0u);
    EXPECT_EQ(DriveAt(root, 1)->total, 2 * TERABYTE);
    EXPECT_EQ(DriveAt(root, 1)->ownSize, 2 * TERABYTE - TERABYTE / 2);
    EXPECT_EQ(DriveAt(root, 2)->total, 64ULL << 30);
    EXPECT_EQ(DriveAt(root, 2)->ownSize, 48ULL << 30);
}

TEST(ListFolder, RecordsReverseEnumerationWithNamesPackedInOneBlock) {
    DeviceScope scope;
    scope.device.AddFile(u"\\docs\\first.txt", 10);
    scope.device.AddFolder(u"\\docs\\second");
    scope.device.AddFile(u"\\docs\\third.bin", 5000000000ULL);
    ItemNode parent{};
    ItemNode* items = nullptr;
    uint32_t count = ListFolder(u"\\docs\\*.*", &parent, false, &items);
    ASSERT_EQ(count, 3u);
    // "." and ".." are enumerated by the device and skipped.
    EXPECT_EQ(NamesOf(items, count), (Names{u"third.bin", u"second", u"first.txt"}));
    EXPECT_EQ(items[0].flags, 0u);
    EXPECT_EQ(items[0].ownSize, 5000000000ULL);  // all 64 bits kept
    EXPECT_EQ(items[1].flags, ITEM_FOLDER);
    EXPECT_EQ(items[2].ownSize, 10u);
    // The names follow the records in record order inside the same block.
    const char16_t* tail = reinterpret_cast<const char16_t*>(items + count);
    EXPECT_EQ(items[0].name, tail);
    EXPECT_EQ(items[1].name, tail + 10);
    EXPECT_EQ(items[2].name, tail + 17);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(items[i].parent, &parent);
        EXPECT_EQ(items[i].children, nullptr);
        EXPECT_EQ(items[i].total, 0u);
    }
    FreeItemArray(items, count);
}

TEST(ListFolder, SkipRules) {
    DeviceScope scope;
    scope.device.AddFile(u"\\Windows\\rom.dll", 100, FILE_ATTR_INROM);
    scope.device.AddFolder(u"\\Windows\\Fonts", FILE_ATTR_INROM);
    scope.device.AddFile(u"\\Windows\\gone.txt", 7);
    scope.device.Vanish(u"\\Windows\\gone.txt");
    scope.device.AddFile(u"\\Windows\\kept.txt", 1, FILE_ATTR_READONLY);
    ItemNode* items = nullptr;
    uint32_t count = ListFolder(u"\\Windows\\*.*", nullptr, false, &items);
    // ROM files are not listed, ROM folders are (0x11); vanished entries are
    // left out; read-only files are ordinary files.
    ASSERT_EQ(NamesOf(items, count), (Names{u"kept.txt", u"Fonts"}));
    EXPECT_EQ(items[0].flags, 0u);
    EXPECT_EQ(items[1].flags, ITEM_FOLDER | ITEM_ROM);
    FreeItemArray(items, count);
}

TEST(ListFolder, StoreRootSkipsCardFoldersAndEndsWithDatabaseFolder) {
    DeviceScope scope;
    scope.device.AddCard(u"Storage Card", 100, 50);
    scope.device.AddFolder(u"\\Windows");
    scope.device.AddFile(u"\\readme.txt", 3);
    ASSERT_NE(CreateRootItem(), nullptr);
    ItemNode* store = &rootItem->children[rootItem->childCount - 1];
    ItemNode* items = nullptr;
    uint32_t count = ListFolder(u"\\*.*", store, true, &items);
    ASSERT_EQ(NamesOf(items, count), (Names{u"readme.txt", u"Windows", u"Database"}));
    EXPECT_EQ(items[2].flags, ITEM_FOLDER | ITEM_DATABASE);
    EXPECT_EQ(items[2].ownSize, 0u);

    // With no databases the folder is still there, with a total of 0.
    store->children = items;
    store->childCount = count;
    items[2].childCount = ListDatabases(&items[2], &items[2].children);
    ComputeTotals(store);
    EXPECT_EQ(items[2].total, 0u);
    EXPECT_EQ(store->total, 3u);
}

TEST(ListFolder, EmptyAndUnreadableFolders) {
    DeviceScope scope;
    scope.device.AddFolder(u"\\empty");
    scope.device.AddFile(u"\\locked\\secret.txt", 1);
    scope.device.DenyAccess(u"\\locked");
    ItemNode* items = reinterpret_cast<ItemNode*>(1);
    EXPECT_EQ(ListFolder(u"\\empty\\*.*", nullptr, false, &items), 0u);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(ListFolder(u"\\locked\\*.*", nullptr, false, &items), 0u);
    EXPECT_EQ(items, nullptr);
    EXPECT_EQ(ListFolder(u"\\missing\\*.*", nullptr, false, &items), 0u);
    EXPECT_EQ(items, nullptr);
    // An unreadable store root still has its database folder.
    scope.device.DenyAccess(u"\\");
    ASSERT_EQ(ListFolder(u"\\*.*", nullptr, true, &items), 1u);
    EXPECT_EQ(std::u16string(items[0].name), u"Database");
    FreeItemArray(items, 1);
}

TEST(ListFolder, HugeFolderInOneBlock) {
    DeviceScope scope;
    const uint32_t COUNT = 200000;
    for (uint32_t i = 0; i < COUNT; ++i) {
        std::string name = "f" + std::to_string(i);
        scope.device.AddFile(u"\\big\\" + std::u16string(name.begin(), name.end()), i);
    }
    ItemNode* items = nullptr;
    ASSERT_EQ(ListFolder(u"\\big\\*.*", nullptr, false, &items), COUNT);
    EXPECT_EQ(std::u16string(items[0].name), u"f199999");
    EXPECT_EQ(std::u16string(items[COUNT - 1].name), u"f0");
    EXPECT_EQ(items[0].ownSize, COUNT - 1);
    FreeItemArray(items, COUNT);
}

TEST(ListDatabases, ListsEveryDatabaseOrNoneWithoutAStore) {
    DeviceScope scope;
    scope.device.AddDatabase(u"Contacts Database", 4096);
    scope.device.AddDatabase(u"A name longer than thirty-one characters", 10);
    ItemNode folder{};
    folder.flags = ITEM_FOLDER | ITEM_DATABASE;
    ItemNode* items = nullptr;
    uint32_t count = ListDatabases(&folder, &items);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(NamesOf(items, count), (Names{u"Contacts Database", u"A name longer than thirty-one c"}));
    EXPECT_EQ(items[0].flags, ITEM_DATABASE);
    EXPECT_EQ(items[0].ownSize, 4096u);
    EXPECT_EQ(items[1].parent, &folder);
    folder.children = items;
    folder.childCount = count;
    ComputeTotals(&folder);
    EXPECT_EQ(folder.total, 4106u);
    FreeItemArray(items, count);

    scope.device.RemoveObjectStore();
    EXPECT_EQ(ListDatabases(&folder, &items), 0u);
    EXPECT_EQ(items, nullptr);
}

TEST(Totals, RemovedRecordsAreLeftOutEverywhere) {
    DeviceScope scope;
    scope.device.AddFile(u"\\a\\x.bin", 3000000000ULL);
    scope.device.AddFile(u"\\a\\y.bin", 3000000000ULL);
    scope.device.AddFile(u"\\a\\sub\\z.bin", 7);
    scope.device.AddFile(u"\\b.txt", 11);
    ItemNode top{};
    top.childCount = ListFolder(u"\\*.*", &top, false, &top.children);
    ASSERT_EQ(NamesOf(top.children, top.childCount), (Names{u"b.txt", u"a"}));
    ItemNode* a = &top.children[1];
    a->childCount = ListFolder(u"\\a\\*.*", a, false, &a->children);
    ItemNode* sub = FindChildByName(a, u"sub");
    ASSERT_NE(sub, nullptr);
    sub->childCount = ListFolder(u"\\a\\sub\\*.*", sub, false, &sub->children);

    ComputeTotals(&top);
    EXPECT_EQ(a->total, 6000000007ULL);  // beyond 32 bits, no wrap
    EXPECT_EQ(top.total, 6000000018ULL);
    EXPECT_EQ(SumVisibleTotals(a->children, a->childCount), 6000000007ULL);
    EXPECT_EQ(CountVisibleItems(a->children, a->childCount), 3u);

    // A removed folder keeps its subtree (freed with the array) but counts
    // nowhere.
    sub->flags |= ITEM_REMOVED;
    FindChildByName(a, u"x.bin")->flags |= ITEM_REMOVED;
    EXPECT_EQ(CountVisibleItems(a->children, a->childCount), 1u);
    EXPECT_EQ(SumVisibleTotals(a->children, a->childCount), 3000000000ULL);
    ComputeTotals(&top);
    EXPECT_EQ(a->total, 3000000000ULL);
    EXPECT_EQ(top.total, 3000000011ULL);
    FreeItemArray(top.children, top.childCount);
}

TEST(Tree, FreeItemTreeClearsTheRoot) {
    DeviceScope scope;
    ASSERT_NE(CreateRootItem(), nullptr);
    FreeItemTree();
    EXPECT_EQ(rootItem, nullptr);
    FreeItemTree();  // freeing nothing is harmless
}
