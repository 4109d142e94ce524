// The type cache: keys by extension, by path for ".EXE" and ".LNK", one for
// all folders; the entry blocks and the shared texts; unnamed types asked
// again; and the desktop's answers by name alone, with theme icons or the
// program's own images.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "support/icon_picture.h"
#include "support/item_fixture.h"
#include "support/scanned_drive.h"
#include "views/image_list.h"
#include "views/type_cache.h"

namespace {

std::u16string KeyOf(const std::u16string& name, int capacity = TYPE_KEY_CHARS) {
    std::vector<char16_t> buffer(static_cast<size_t>(capacity) + 1, u'#');
    TypeKeyOf(name.c_str(), buffer.data(), capacity);
    return std::u16string(buffer.data());
}

TEST(TypeKey, ExtensionUpperCasedOrWholeName) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"report.txt", u".TXT"},
        {u"archive.tar.gz", u".GZ"},
        {u".profile", u".PROFILE"},
        {u"README", u"README"},
        {u"readme", u"README"},
        {u"README.md", u".MD"},
        {u"name.", u"."},
        {u"..", u"."},
        {u".", u"."},
        {u"", u""},
        {u"a\\b.Ext", u".EXT"},
        {u"line\nbreak.txt", u".TXT"},
        // Only a to z change case.
        {u"caf\u00e9.\u00e9t\u00e9", u".\u00e9T\u00e9"},
        // An undecodable host byte stays as its lone surrogate.
        {u"x.d\xdc80t", u".D\xdc80T"},
        {u"\xdc80", u"\xdc80"},
    };
    for (const auto& [name, key] : cases) EXPECT_EQ(KeyOf(name), key);
}

TEST(TypeKey, CutToTheBufferLessOne) {
    std::u16string longExtension = u"file." + std::u16string(100, u'q');
    std::u16string key = KeyOf(longExtension);
    ASSERT_EQ(key.size(), 79u);
    EXPECT_EQ(key, u"." + std::u16string(78, u'Q'));
    EXPECT_EQ(KeyOf(u"report.txt", 3), u".T");
    EXPECT_EQ(KeyOf(u"report.txt", 1), u"");
    // 255 characters without a dot: the whole name, cut to 79.
    EXPECT_EQ(KeyOf(std::u16string(255, u'z')), std::u16string(79, u'Z'));
}

TEST(TypeKey, HashIsTheSumOfCodeUnitsModulo64) {
    EXPECT_EQ(HashTypeKey(u".TXT"), 46);
    EXPECT_EQ(HashTypeKey(u""), 0);
    EXPECT_EQ(HashTypeKey(u"\\"), 92 % 64);
    // Code units count as unsigned 16-bit values.
    EXPECT_EQ(HashTypeKey(u"\xffff\x0001"), 0);
    EXPECT_EQ(HashTypeKey(u"\xdc80"), 0xdc80 % 64);
    std::u16string path(4095, u'\xffff');
    EXPECT_EQ(HashTypeKey(path.c_str()), static_cast<int>((4095u * 0xffffu) % 64));
}

// A stand-in desktop: the type text by extension, counted per asked name, and
// an icon of its own for every answer so entries can be told apart.
struct FakeDesktop {
    std::map<std::u16string, QString> texts;  // by TypeKeyOf key; missing: unnamed
    std::vector<std::u16string> asked;
    int icons = 0;
};
FakeDesktop* fake = nullptr;

// A stand-in type database stamp.
qint64 fakeStamp = 1;
qint64 FakeStamp() { return fakeStamp; }

DesktopFileType FakeAnswer(const ItemNode* item) {
    fake->asked.emplace_back(item->name);
    char16_t key[TYPE_KEY_CHARS];
    TypeKeyOf(item->name, key, TYPE_KEY_CHARS);
    std::u16string kind = (item->flags & ITEM_FOLDER) ? u"\\" : std::u16string(key);
    QPixmap icon(16, 16);
    icon.fill(QColor::fromRgb(++fake->icons, 0, 0));
    auto found = fake->texts.find(kind);
    return {found == fake->texts.end() ? QString() : found->second, QIcon(icon)};
}

class TypeCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateSmallImageList());
        desktop.texts = {{u".TXT", "Text document"},
                         {u".EXE", "Program"},
                         {u".LNK", "Shortcut"},
                         {u"README", "Read-me file"},
                         {u".MD", "Markdown document"},
                         {u"\\", "Folder"}};
        fake = &desktop;
        fileTypeSource = FakeAnswer;
        typeDatabaseStamp = FakeStamp;
        typeStampCheckMs = 0;
        fakeStamp = 1;
    }
    void TearDown() override {
        ClearTypeCache();
        DestroySmallImageList();
        fileTypeSource = AskDesktopFileType;
        typeDatabaseStamp = TypeDatabaseStamp;
        typeStampCheckMs = 5000;
        fake = nullptr;
    }

    static int EntryCount() {
        int count = 0;
        for (TypeCacheEntry* bucket : typeCacheBuckets)
            for (TypeCacheEntry* entry = bucket; entry; entry = entry->next) ++count;
        return count;
    }

    FakeDesktop desktop;
};

TEST_F(TypeCacheTest, FilesOfOneExtensionShareOneEntryAskedOnce) {
    ItemNode files[4] = {};
    const char16_t* names[4] = {u"a.txt", u"B.TXT", u"README", u"readme"};
    for (int i = 0; i < 4; ++i) files[i].name = names[i];
    TypeCacheEntry* text = LookupFileType(&files[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(LookupFileType(&files[1]), text);
    EXPECT_EQ(std::u16string(text->key), u".TXT");
    EXPECT_EQ(QString::fromUtf16(text->typeName), "Text document");
    EXPECT_EQ(text->iconIndex, SMALL_IMAGE_COUNT);
    EXPECT_EQ(typeCacheBuckets[46], text);
    TypeCacheEntry* readme = LookupFileType(&files[2]);
    EXPECT_EQ(LookupFileType(&files[3]), readme);
    EXPECT_EQ(std::u16string(readme->key), u"README");
    EXPECT_EQ(desktop.asked, (std::vector<std::u16string>{u"a.txt", u"README"}));
    EXPECT_EQ(smallImageList.size(), size_t(SMALL_IMAGE_COUNT + 2));

    // The block: the four fields, the key, then the type text.
    auto* keyText = reinterpret_cast<const char16_t*>(text + 1);
    EXPECT_EQ(text->key, keyText);
    EXPECT_EQ(text->typeName, keyText + 5);

    ItemNode markdown{};
    markdown.name = u"README.md";
    TypeCacheEntry* md = LookupFileType(&markdown);
    EXPECT_NE(md, readme);
    EXPECT_EQ(std::u16string(md->key), u".MD");
}

TEST_F(TypeCacheTest, EachProgramAndShortcutIsAKindOfItsOwnWithOneSharedText) {
    DeviceScope scope;
    scope.device.AddFile(u"\\setup.exe", 10);
    scope.device.AddFile(u"\\Games\\game.EXE", 20);
    scope.device.AddFile(u"\\Games\\other.exe", 30);
    scope.device.AddFile(u"\\Games\\Play.lnk", 1);
    scope.device.AddFile(u"\\Games\\Work.LNK", 1);
    ItemNode* root = CreateRootItem();
    ItemNode* store = &root->children[root->childCount - 1];
    ScanDriveForTest(store);
    ItemNode* games = FindEntry(store, {u"Games"});

    TypeCacheEntry* setup = LookupFileType(FindEntry(store, {u"setup.exe"}));
    TypeCacheEntry* game = LookupFileType(FindEntry(games, {u"game.EXE"}));
    TypeCacheEntry* other = LookupFileType(FindEntry(games, {u"other.exe"}));
    ASSERT_TRUE(setup && game && other);
    EXPECT_EQ(std::u16string(setup->key), u"\\setup.exe");
    EXPECT_EQ(std::u16string(game->key), u"\\Games\\game.EXE");
    EXPECT_NE(setup, game);
    EXPECT_NE(game, other);
    // Icons of their own, one type text: the first one's, borrowed by the rest.
    EXPECT_NE(setup->iconIndex, game->iconIndex);
    EXPECT_NE(game->iconIndex, other->iconIndex);
    EXPECT_EQ(sharedExeTypeName, setup->typeName);
    EXPECT_EQ(game->typeName, sharedExeTypeName);
    EXPECT_EQ(other->typeName, sharedExeTypeName);
    EXPECT_EQ(QString::fromUtf16(sharedExeTypeName), "Program");
    // The first one holds the text right after its key.
    EXPECT_EQ(setup->typeName, setup->key + 11);

    TypeCacheEntry* play = LookupFileType(FindEntry(games, {u"Play.lnk"}));
    TypeCacheEntry* work = LookupFileType(FindEntry(games, {u"Work.LNK"}));
    ASSERT_TRUE(play && work);
    EXPECT_NE(play, work);
    EXPECT_EQ(work->typeName, sharedLnkTypeName);
    EXPECT_EQ(play->typeName, sharedLnkTypeName);
    EXPECT_EQ(QString::fromUtf16(sharedLnkTypeName), "Shortcut");
    // Found again by path, never asked twice.
    EXPECT_EQ(LookupFileType(FindEntry(games, {u"game.EXE"})), game);
    EXPECT_EQ(desktop.asked.size(), 5u);
    EXPECT_EQ(EntryCount(), 5);

    ClearTypeCache();
    EXPECT_EQ(sharedExeTypeName, nullptr);
    EXPECT_EQ(sharedLnkTypeName, nullptr);
    EXPECT_EQ(EntryCount(), 0);
}

TEST_F(TypeCacheTest, AllFoldersShareOneTypeOnEveryDrive) {
    DeviceScope scope;
    scope.device.AddFolder(u"\\Windows");
    scope.device.AddCard(u"Storage Card", 1000, 500);
    scope.device.AddFolder(u"Storage Card\\Photos");
    scope.device.AddDatabase(u"Contacts", 100);
    ItemNode* root = CreateRootItem();
    ItemNode* card = DriveAt(root, 0);
    ItemNode* store = DriveAt(root, 1);
    ScanDriveForTest(store);
    ScanDriveForTest(card);
    const ItemNode* folders[] = {FindEntry(store, {u"Windows"}), FindEntry(card, {u"Photos"}),
                                 FindEntry(store, {databaseFolderName})};
    TypeCacheEntry* first = LookupFileType(folders[0]);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::u16string(first->key), u"\\");
    for (const ItemNode* folder : folders) {
        ASSERT_NE(folder, nullptr);
        EXPECT_EQ(LookupFileType(folder), first);
    }
    EXPECT_EQ(QString::fromUtf16(first->typeName), "Folder");
    EXPECT_EQ(desktop.asked.size(), 1u);
}

TEST_F(TypeCacheTest, KeysOfOddNamesAndTheirBuckets) {
    ItemNode files[5] = {};
    std::u16string longName = u"x." + std::u16string(120, u'k');
    std::u16string longer = u"y." + std::u16string(200, u'k');
    const std::u16string names[5] = {u"tail.", u"other..", longName, longer, u"bad\xdc81\n.t\\t"};
    for (int i = 0; i < 5; ++i) files[i].name = names[i].c_str();
    TypeCacheEntry* dot = LookupFileType(&files[0]);
    EXPECT_EQ(LookupFileType(&files[1]), dot);
    EXPECT_EQ(std::u16string(dot->key), u".");
    TypeCacheEntry* cut = LookupFileType(&files[2]);
    EXPECT_EQ(TextLength(cut->key), 79u);
    // Both extensions agree in their first 79 characters: one kind.
    EXPECT_EQ(LookupFileType(&files[3]), cut);
    TypeCacheEntry* odd = LookupFileType(&files[4]);
    EXPECT_EQ(std::u16string(odd->key), u".T\\T");
    for (TypeCacheEntry* entry : {dot, cut, odd}) {
        bool found = false;
        for (TypeCacheEntry* at = typeCacheBuckets[HashTypeKey(entry->key)]; at; at = at->next) found |= at == entry;
        EXPECT_TRUE(found);
        // Unnamed: an empty text, never none.
        ASSERT_NE(entry->typeName, nullptr);
        EXPECT_EQ(entry->typeName[0], 0);
    }
    EXPECT_EQ(EntryCount(), 3);
}

TEST_F(TypeCacheTest, UnnamedTypeKeepsItsIconAndIsAskedAgainLater) {
    ItemNode file{};
    file.name = u"notes.xyz";
    TypeCacheEntry* unnamed = LookupFileType(&file);
    ASSERT_NE(unnamed, nullptr);
    const char16_t* emptyText = unnamed->typeName;
    EXPECT_EQ(emptyText[0], 0);
    int firstIcon = unnamed->iconIndex;
    EXPECT_EQ(firstIcon, SMALL_IMAGE_COUNT);

    // The type database is as it was: the same entry, the desktop not asked.
    EXPECT_EQ(LookupFileType(&file), unnamed);
    EXPECT_EQ(desktop.asked.size(), 1u);

    // It changed, but Qt may not have read it yet: not now.
    fakeStamp = TYPE_STAMP_UNSETTLED;
    EXPECT_EQ(LookupFileType(&file), unnamed);
    EXPECT_EQ(desktop.asked.size(), 1u);

    // Settled, and still unnamed: asked once, the same entry, no new icon.
    fakeStamp = 2;
    EXPECT_EQ(LookupFileType(&file), unnamed);
    EXPECT_EQ(LookupFileType(&file), unnamed);
    EXPECT_EQ(desktop.asked.size(), 2u);
    EXPECT_EQ(smallImageList.size(), size_t(SMALL_IMAGE_COUNT + 1));

    // The desktop learnt the type: a named entry takes the place of the old
    // one, whose empty text stays readable for the rows that borrow it.
    desktop.texts[u".XYZ"] = "Sketch";
    fakeStamp = 3;
    TypeCacheEntry* named = LookupFileType(&file);
    ASSERT_NE(named, unnamed);
    EXPECT_EQ(QString::fromUtf16(named->typeName), "Sketch");
    EXPECT_EQ(std::u16string(named->key), u".XYZ");
    EXPECT_EQ(emptyText[0], 0);
    EXPECT_EQ(EntryCount(), 1);
    EXPECT_EQ(named->iconIndex, SMALL_IMAGE_COUNT + 1);
    fakeStamp = 4;
    EXPECT_EQ(LookupFileType(&file), named);
    EXPECT_EQ(desktop.asked.size(), 3u);
}

TEST(TypeDatabaseStamp, ChangesWithTheDatabaseFilesAndWaitsForThemToSettle) {
    QTemporaryDir folder;
    QStringList files;
    for (const char* name : {"user.cache", "system.cache"}) {
        files << QDir(folder.path()).filePath(QLatin1String(name));
        QFile file(files.back());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    const QDateTime day = QDateTime::fromSecsSinceEpoch(1700000000);
    auto touch = [&](int index, const QDateTime& when) {
        QFile file(files[index]);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    };
    touch(0, day);
    touch(1, day);
    const qint64 later = day.toMSecsSinceEpoch() + 3600000;
    qint64 first = TypeDatabaseStampOf(files, later);
    EXPECT_NE(first, TYPE_STAMP_UNSETTLED);
    EXPECT_EQ(TypeDatabaseStampOf(files, later), first);
    EXPECT_NE(TypeDatabaseStampOf(files.mid(0, 1), later), first);
    touch(1, day.addSecs(60));
    qint64 second = TypeDatabaseStampOf(files, later);
    EXPECT_NE(second, first);
    EXPECT_NE(second, TYPE_STAMP_UNSETTLED);
    // Changed a moment ago: not settled yet.
    EXPECT_EQ(TypeDatabaseStampOf(files, day.addSecs(62).toMSecsSinceEpoch()), TYPE_STAMP_UNSETTLED);
    EXPECT_EQ(TypeDatabaseStampOf({}, later), 0);
    // This machine's database, whatever it holds, gives a stamp.
    qint64 machine = TypeDatabaseStamp();
    EXPECT_TRUE(machine == TYPE_STAMP_UNSETTLED || machine >= 0);
}

TEST_F(TypeCacheTest, UnnamedFirstProgramDoesNotBlankTheOthers) {
    desktop.texts.erase(u".EXE");
    DeviceScope scope;
    scope.device.AddFile(u"\\a.exe", 1);
    scope.device.AddFile(u"\\b.exe", 1);
    scope.device.AddFile(u"\\c.exe", 1);
    ItemNode* root = CreateRootItem();
    ItemNode* store = &root->children[root->childCount - 1];
    ScanDriveForTest(store);
    TypeCacheEntry* a = LookupFileType(FindEntry(store, {u"a.exe"}));
    EXPECT_EQ(a->typeName[0], 0);
    EXPECT_EQ(sharedExeTypeName, nullptr);
    desktop.texts[u".EXE"] = "Program";
    TypeCacheEntry* b = LookupFileType(FindEntry(store, {u"b.exe"}));
    TypeCacheEntry* c = LookupFileType(FindEntry(store, {u"c.exe"}));
    EXPECT_EQ(QString::fromUtf16(b->typeName), "Program");
    EXPECT_EQ(sharedExeTypeName, b->typeName);
    EXPECT_EQ(c->typeName, b->typeName);
}

// A folder whose icon theme has only the plain-text icon, a red square.
class TestIconTheme {
public:
    TestIconTheme() {
        QDir root(folder.path());
        root.mkpath(QStringLiteral("voltest/16x16/mimetypes"));
        QFile index(root.filePath(QStringLiteral("voltest/index.theme")));
        index.open(QIODevice::WriteOnly);
        index.write("[Icon Theme]\nName=voltest\nDirectories=16x16/mimetypes\n\n"
                    "[16x16/mimetypes]\nSize=16\nContext=MimeTypes\nType=Fixed\n");
        index.close();
        QPixmap red(16, 16);
        red.fill(Qt::red);
        red.save(root.filePath(QStringLiteral("voltest/16x16/mimetypes/text-plain.png")));
        searchPaths = QIcon::themeSearchPaths();
        fallbackPaths = QIcon::fallbackSearchPaths();
        themeName = QIcon::themeName();
        fallbackTheme = QIcon::fallbackThemeName();
        QIcon::setThemeSearchPaths({folder.path()});
        QIcon::setFallbackSearchPaths({});
        QIcon::setFallbackThemeName(QStringLiteral("voltest"));
        QIcon::setThemeName(QStringLiteral("voltest"));
    }
    ~TestIconTheme() {
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setFallbackSearchPaths(fallbackPaths);
        QIcon::setFallbackThemeName(fallbackTheme);
        QIcon::setThemeName(themeName);
    }

private:
    QTemporaryDir folder;
    QStringList searchPaths, fallbackPaths;
    QString themeName, fallbackTheme;
};

TEST_F(TypeCacheTest, DesktopNamesByNameAloneWithThemeIconsOrOurOwn) {
    TestIconTheme theme;
    QMimeDatabase mime;
    // A file whose content says PNG but whose name says text: the name wins,
    // and a name without extension stays unnamed whatever the file holds.
    QTemporaryDir folder;
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (const char* name : {"picture.txt", "picture"}) {
        QFile file(QDir(folder.path()).filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(png);
    }
    ASSERT_EQ(mime.mimeTypeForFile(QDir(folder.path()).filePath("picture")).name(), "image/png");
    QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());

    ItemNode text{}, bare{}, unknown{}, folderItem{};
    text.name = u"picture.txt";
    bare.name = u"picture";
    unknown.name = u"data.qqzzyy";
    folderItem.name = u"picture.txt";
    folderItem.flags = ITEM_FOLDER;

    // Asked about the kind: a double extension gives the last one's type.
    ItemNode archive{};
    archive.name = u"backup.tar.gz";
    EXPECT_EQ(AskDesktopFileType(&archive).typeText, mime.mimeTypeForName("application/gzip").comment());
    ItemNode dotted{};
    dotted.name = u"name.";
    EXPECT_EQ(AskDesktopFileType(&dotted).typeText, QString());

    DesktopFileType textType = AskDesktopFileType(&text);
    EXPECT_EQ(textType.typeText, mime.mimeTypeForName("text/plain").comment());
    EXPECT_FALSE(textType.typeText.isEmpty());
    EXPECT_EQ(Picture(textType.icon).pixel(8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(AskDesktopFileType(&bare).typeText, QString());
    DesktopFileType unknownType = AskDesktopFileType(&unknown);
    EXPECT_EQ(unknownType.typeText, QString());
    EXPECT_EQ(Picture(unknownType.icon), Picture(SmallImage(IMAGE_FILE)));
    DesktopFileType folderType = AskDesktopFileType(&folderItem);
    EXPECT_EQ(folderType.typeText, mime.mimeTypeForName("inode/directory").comment());
    EXPECT_FALSE(folderType.typeText.isEmpty());
    EXPECT_EQ(Picture(folderType.icon), Picture(SmallImage(IMAGE_FOLDER)));
    QDir::setCurrent(previous);

    // Through the cache: one entry per kind, the theme's icon in the list.
    fileTypeSource = AskDesktopFileType;
    TypeCacheEntry* entry = LookupFileType(&text);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(QString::fromUtf16(entry->typeName), textType.typeText);
    EXPECT_EQ(Picture(SmallImage(entry->iconIndex)).pixel(8, 8), qRgb(255, 0, 0));
    EXPECT_EQ(ListImageOf(&text), entry->iconIndex);
}

TEST_F(TypeCacheTest, DesktopTakesAnyName) {
    fileTypeSource = AskDesktopFileType;
    std::u16string longest(251, u'n');
    longest += u".txt";
    const std::u16string names[] = {u"\xdc80\xdcff.t\xdc41xt", u"back\\slash.txt", u"new\nline.txt",
                                    longest, u".", u"..", u"", u"\xd800", u"a.\xdfff"};
    for (const std::u16string& name : names) {
        ItemNode file{};
        file.name = name.c_str();
        TypeCacheEntry* entry = LookupFileType(&file);
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(entry->typeName, nullptr);
        EXPECT_GE(entry->iconIndex, SMALL_IMAGE_COUNT);
    }
    ItemNode file{};
    file.name = u"new\nline.txt";
    EXPECT_EQ(QString::fromUtf16(LookupFileType(&file)->typeName),
              QMimeDatabase().mimeTypeForName("text/plain").comment());
}

}  // namespace
