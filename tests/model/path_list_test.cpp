#include "model/path_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "support/item_fixture.h"

using Names = std::vector<std::u16string>;

namespace {

Names Components(const PathList* list) {
    Names names;
    for (; list; list = list->next) names.emplace_back(list->name);
    return names;
}

std::u16string Take(char16_t* text) {
    std::u16string copy(text);
    std::free(text);
    return copy;
}

// A small tree: root, drives "Storage Card" and "\", "\Windows\foo.txt".
class PathTree : public ::testing::Test {
protected:
    void SetUp() override {
        scope.device.AddCard(u"Storage Card", 10, 5);
        scope.device.AddFile(u"Storage Card\\photos\\a.jpg", 1);
        scope.device.AddFile(u"\\Windows\\foo.txt", 1);
        ASSERT_NE(CreateRootItem(), nullptr);
        card = DriveAt(rootItem, 0);
        store = DriveAt(rootItem, 1);
        store->childCount = ListFolder(u"\\*.*", store, true, &store->children);
        windows = FindChildByName(store, u"Windows");
        ASSERT_NE(windows, nullptr);
        windows->childCount = ListFolder(u"\\Windows\\*.*", windows, false, &windows->children);
        foo = FindChildByName(windows, u"foo.txt");
        card->childCount = ListFolder(u"Storage Card\\*.*", card, false, &card->children);
        photos = FindChildByName(card, u"photos");
        ASSERT_NE(foo, nullptr);
        ASSERT_NE(photos, nullptr);
    }
    DeviceScope scope;
    ItemNode* card = nullptr;
    ItemNode* store = nullptr;
    ItemNode* windows = nullptr;
    ItemNode* foo = nullptr;
    ItemNode* photos = nullptr;
};

}  // namespace

TEST(PathListText, ParseForms) {
    struct Case {
        const char16_t* text;
        Names components;
    } cases[] = {
        {u"\\Windows\\foo.txt", {u"\\", u"Windows", u"foo.txt"}},
        {u"\\Windows\\", {u"\\", u"Windows", u""}},
        {u"\\", {u"\\", u""}},
        {u"/", {u"\\"}},
        {u"a/", {u"a/"}},
        {u"Storage Card", {u"Storage Card"}},
        {u"Storage Card\\x", {u"Storage Card", u"x"}},
        {u"", {u""}},
        {u"\\a\\\\b", {u"\\", u"a", u"", u"b"}},
    };
    for (const Case& c : cases) {
        PathList* list = ParsePathList(c.text);
        EXPECT_EQ(Components(list), c.components) << std::string(c.text, c.text + std::u16string(c.text).size());
        FreePathList(list);
    }
}

TEST(PathListText, WrittenFormsRoundTrip) {
    // A last "/" after others reads as "\" and is written as "/" again.
    for (const char16_t* text : {u"\\Windows\\foo.txt", u"\\Windows\\", u"\\", u"Storage Card", u"", u"Card\\/", u"\\/"}) {
        PathList* list = ParsePathList(text);
        EXPECT_EQ(Take(PathListToText(list)), std::u16string(text));
        FreePathList(list);
    }
    // The single component "\" (written by the history as "/") reads back as "\".
    PathList* drive = NewPathNode(u"\\");
    EXPECT_EQ(Take(PathListToText(drive)), u"\\");
    FreePathList(drive);
}

TEST_F(PathTree, FolderPathsAndLengths) {
    char16_t buffer[PATH_CHARS];
    EXPECT_EQ(ItemFolderPath(buffer, PATH_CHARS, rootItem), buffer);
    EXPECT_EQ(std::u16string(buffer), u"");
    EXPECT_EQ(FolderPathLength(rootItem), 0u);

    struct Case {
        const ItemNode* item;
        const char16_t* folderPath;
        const char16_t* fullPath;
        uint32_t depth;
    } cases[] = {
        {store, u"\\", u"\\", 1},
        {card, u"Storage Card\\", u"Storage Card", 1},
        {windows, u"\\Windows\\", u"\\Windows", 2},
        {foo, u"\\Windows\\foo.txt\\", u"\\Windows\\foo.txt", 3},
        {photos, u"Storage Card\\photos\\", u"Storage Card\\photos", 2},
    };
    for (const Case& c : cases) {
        char16_t* end = ItemFolderPath(buffer, PATH_CHARS, c.item);
        EXPECT_EQ(std::u16string(buffer), c.folderPath);
        EXPECT_EQ(end, buffer + std::u16string(c.folderPath).size());
        EXPECT_EQ(FolderPathLength(c.item), std::u16string(c.folderPath).size());
        end = ItemPath(buffer, PATH_CHARS, c.item);
        EXPECT_EQ(std::u16string(buffer), c.fullPath);
        EXPECT_EQ(end, buffer + std::u16string(c.fullPath).size());
        EXPECT_EQ(ItemPathLength(c.item), std::u16string(c.fullPath).size());
        EXPECT_EQ(ItemDepth(c.item), c.depth);
    }
}

TEST_F(PathTree, ExactAndShortBuffers) {
    // FolderPathLength + 1 characters hold the whole path, NUL in the last one.
    std::vector<char16_t> exact(FolderPathLength(windows) + 1, u'#');
    char16_t* end = ItemFolderPath(exact.data(), exact.size(), windows);
    EXPECT_EQ(end, &exact.back());
    EXPECT_EQ(std::u16string(exact.data()), u"\\Windows\\");

    // Too short: cut after the last whole component.
    char16_t shortBuffer[8];
    ItemFolderPath(shortBuffer, 8, windows);
    EXPECT_EQ(std::u16string(shortBuffer), u"\\");
    // ItemPath always keeps the name, after what fits of the folder path.
    char16_t pathBuffer[12];
    ItemPath(pathBuffer, 12, foo);
    EXPECT_EQ(std::u16string(pathBuffer), u"\\foo.txt");
    // Exact buffer for a full path, as the expunge allocates it.
    std::vector<char16_t> full(ItemPathLength(foo) + 1);
    ItemPath(full.data(), full.size(), foo);
    EXPECT_EQ(std::u16string(full.data()), u"\\Windows\\foo.txt");
}

TEST(Names, CompareNamesIsOneOrderThatTellsCaseApart) {
    EXPECT_EQ(CompareNames(u"abc", u"abc"), 0);
    EXPECT_LT(CompareNames(u"abc", u"abd"), 0);
    EXPECT_LT(CompareNames(u"ab", u"abc"), 0);
    EXPECT_GT(CompareNames(u"b", u"ABC"), 0);    // letter case folded for order
    EXPECT_LT(CompareNames(u"apple", u"Banana"), 0);
    EXPECT_NE(CompareNames(u"Readme", u"readme"), 0);  // distinct names on the host
    EXPECT_EQ(CompareNames(u"Readme", u"readme"), -CompareNames(u"readme", u"Readme"));
    EXPECT_LT(CompareNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9S"), 0);
}

TEST_F(PathTree, FindChildByNameIncludesRemovedRecords) {
    EXPECT_EQ(FindChildByName(windows, u"foo.txt"), foo);
    EXPECT_EQ(FindChildByName(windows, u"FOO.TXT"), nullptr);
    EXPECT_EQ(FindChildByName(windows, u"missing"), nullptr);
    foo->flags |= ITEM_REMOVED;
    EXPECT_EQ(FindChildByName(windows, u"foo.txt"), foo);
}

TEST(NameLists, SplitAndJoin) {
    struct Case {
        const char16_t* text;
        Names names;
    } cases[] = {
        {u"", {}},
        {u"x", {u"x"}},
        {u"a.txt,b.txt", {u"a.txt", u"b.txt"}},
        {u"a.txt,", {u"a.txt", u""}},
        {u",", {u"", u""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitNameList(c.text, nullptr), c.names.size());
        char16_t* packed = nullptr;
        uint32_t count = SplitNameList(c.text, &packed);
        ASSERT_EQ(count, c.names.size());
        Names split;
        const char16_t* name = packed;
        for (uint32_t i = 0; i < count; ++i) {
            split.emplace_back(name);
            name += split.back().size() + 1;
        }
        EXPECT_EQ(split, c.names);
        EXPECT_EQ(Take(JoinNameList(packed, count)), std::u16string(c.text));
        std::free(packed);
    }
    EXPECT_EQ(Take(JoinNameList(nullptr, 0)), u"");
    // A name holding the separator is left out, wherever it stands.
    const char16_t packed[] = u"a\0x,y\0b\0,";
    EXPECT_EQ(Take(JoinNameList(packed, 4)), u"a,b");
    EXPECT_EQ(Take(JoinNameList(packed + 2, 3)), u"b");
}
