// The settings store: what a run restores from the three values, and what it
// writes at shutdown, read back as the next run would.
#include <QSettings>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_kind.h"
#include "shell/settings_store.h"
#include "support/settings_folder.h"
#include "views/contents_list.h"
#include "views/list_columns.h"

namespace {

std::u16string PlaceText(const PathList* place) {
    char16_t* text = PathListToText(place);
    std::u16string result(text);
    std::free(text);
    return result;
}

// The flagged names as one list, "|" between them.
std::u16string FlaggedText() {
    std::u16string result;
    const char16_t* name = flaggedNames;
    for (uint32_t i = 0; i < flaggedCount; ++i) {
        if (i > 0) result += u'|';
        result += name;
        name += std::char_traits<char16_t>::length(name) + 1;
    }
    return result;
}

uint32_t WriteBytes(const char16_t* name, const std::vector<uint8_t>& bytes, uint32_t type = REG_TYPE_BINARY) {
    return RegWriteValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes.data(), static_cast<uint32_t>(bytes.size()),
                         type);
}

// A text's UTF-16 bytes without its terminator.
std::vector<uint8_t> Unterminated(const std::u16string& text) {
    std::vector<uint8_t> bytes(text.size() * 2);
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

std::vector<uint8_t> StoredBytes(const char16_t* name) {
    uint32_t size = 0;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, nullptr, &size) != REG_OK) return {};
    std::vector<uint8_t> bytes(size);
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes.data(), &size), REG_OK);
    return bytes;
}

int32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<int32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

// A record no default resembles: word i holds 1000 + i.
SettingsBlob DistinctBlob() {
    SettingsBlob blob;
    auto* words = reinterpret_cast<int32_t*>(&blob);
    for (int i = 0; i < SETTINGS_BLOB_BYTES / 4; ++i) words[i] = 1000 + i;
    return blob;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        platformKind = PLATFORM_OTHER;
        std::memset(&settingsBlob, 0xAB, sizeof settingsBlob);
    }
    void TearDown() override {
        FreePathList(pendingPlace);
        pendingPlace = nullptr;
        std::free(flaggedNames);
        flaggedNames = nullptr;
        flaggedCount = 0;
        platformKind = PLATFORM_OTHER;
    }
    // Ends this run's memory and starts the next on the stored files.
    void Restart() {
        TearDown();
        std::memset(&settingsBlob, 0xCD, sizeof settingsBlob);
        folder_.Restart();
    }
    void ExpectDefaultBlob(int32_t leftRight) {
        EXPECT_EQ(settingsBlob.splitX, 160);
        EXPECT_EQ(settingsBlob.splitY, 80);
        const std::vector<int32_t> driveWidths(settingsBlob.driveColumnWidths, settingsBlob.driveColumnWidths + 5);
        const std::vector<int32_t> contentsWidths(settingsBlob.contentsColumnWidths,
                                                  settingsBlob.contentsColumnWidths + 5);
        const std::vector<int32_t> driveOrder(settingsBlob.driveColumnOrder, settingsBlob.driveColumnOrder + 5);
        const std::vector<int32_t> contentsOrder(settingsBlob.contentsColumnOrder,
                                                 settingsBlob.contentsColumnOrder + 5);
        std::vector<int32_t> defaultDrive, defaultContents;
        for (int column = 0; column < 5; ++column) {
            defaultDrive.push_back(DefaultColumnWidth(LIST_DRIVES, column));
            defaultContents.push_back(DefaultColumnWidth(LIST_CONTENTS, column));
        }
        EXPECT_EQ(driveWidths, defaultDrive);
        EXPECT_EQ(contentsWidths, defaultContents);
        EXPECT_EQ(driveOrder, (std::vector<int32_t>{0, 1, 2, 3, 4}));
        EXPECT_EQ(contentsOrder, (std::vector<int32_t>{0, 1, 2, 3, 4}));
        EXPECT_EQ(settingsBlob.expungeColumnWidths[0], 80);
        EXPECT_EQ(settingsBlob.expungeColumnWidths[1], 110);
        EXPECT_EQ(settingsBlob.leftRight, leftRight);
        EXPECT_EQ(settingsBlob.bandsValid, 0);
    }

    TemporarySettingsFolder folder_;
};

TEST_F(SettingsStoreTest, FirstRunWithNoKeyGivesTheDefaults) {
    uint32_t size = 0;
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, nullptr, &size),
              REG_ERROR_FILE_NOT_FOUND);
    LoadSettings();
    ExpectDefaultBlob(1);
    EXPECT_EQ(pendingPlace, nullptr);
    EXPECT_EQ(flaggedNames, nullptr);
    EXPECT_EQ(flaggedCount, 0u);
    // The restore records are left as they were; bandsValid 0 says nobody reads them.
    EXPECT_EQ(settingsBlob.menuBandRestore.size, 0xABABABABu);
}

TEST_F(SettingsStoreTest, PalmSizeDefaultsToTopAndBottom) {
    platformKind = PLATFORM_PALMSIZE;
    LoadSettings();
    ExpectDefaultBlob(0);
}

TEST_F(SettingsStoreTest, RecordOfAnyOtherSizeGivesTheDefaults) {
    SettingsBlob stored = DistinctBlob();
    stored.bandsValid = 1;
    std::vector<uint8_t> whole(SETTINGS_BLOB_BYTES);
    std::memcpy(whole.data(), &stored, whole.size());
    for (size_t size : {size_t(143), size_t(145), size_t(0)}) {
        SCOPED_TRACE(size);
        std::vector<uint8_t> bytes = whole;
        bytes.resize(size, 0x01);
        ASSERT_EQ(WriteBytes(SETTINGS_VALUE_BLOB, bytes), REG_OK);
        LoadSettings();
        ExpectDefaultBlob(1);
    }
}

TEST_F(SettingsStoreTest, NamesWithoutAPlaceAreNotRestored) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"a.txt,b.txt"), REG_OK);
    LoadSettings();
    EXPECT_EQ(pendingPlace, nullptr);
    EXPECT_EQ(flaggedNames, nullptr);
    EXPECT_EQ(flaggedCount, 0u);
}

TEST_F(SettingsStoreTest, EmptyPlaceRestoresNoPlaceButTheNames) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u""), REG_OK);
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"a.txt,,b"), REG_OK);
    LoadSettings();
    EXPECT_EQ(pendingPlace, nullptr);
    EXPECT_EQ(flaggedCount, 3u);
    EXPECT_EQ(FlaggedText(), u"a.txt||b");
}

TEST_F(SettingsStoreTest, TextsWithoutTerminatorAreTerminatedBeforeUse) {
    ASSERT_EQ(WriteBytes(SETTINGS_VALUE_PLACE, Unterminated(u"\\Windows\\foo.txt"), REG_TYPE_TEXT), REG_OK);
    std::vector<uint8_t> names = Unterminated(u"a,b");
    names.push_back('c');  // a stray odd byte
    ASSERT_EQ(WriteBytes(SETTINGS_VALUE_FLAGGED, names, REG_TYPE_TEXT), REG_OK);
    LoadSettings();
    ASSERT_NE(pendingPlace, nullptr);
    EXPECT_EQ(PlaceText(pendingPlace), u"\\Windows\\foo.txt");
    EXPECT_EQ(flaggedCount, 2u);
    // The odd byte is the low half of one more unit, terminated after it.
    EXPECT_EQ(FlaggedText(), u"a|bc");
}

TEST_F(SettingsStoreTest, GarbageTextsEndAtTheirFirstTerminator) {
    // "A\", a NUL, then "B": the place is "A\" (an empty last component).
    ASSERT_EQ(WriteBytes(SETTINGS_VALUE_PLACE, {'A', 0, '\\', 0, 0, 0, 'B', 0, 0xFF}), REG_OK);
    // A value that starts with its terminator holds no names.
    ASSERT_EQ(WriteBytes(SETTINGS_VALUE_FLAGGED, {0, 0, 'x', 0}), REG_OK);
    LoadSettings();
    ASSERT_NE(pendingPlace, nullptr);
    EXPECT_EQ(std::u16string(pendingPlace->name), u"A");
    ASSERT_NE(pendingPlace->next, nullptr);
    EXPECT_EQ(std::u16string(pendingPlace->next->name), u"");
    EXPECT_EQ(flaggedNames, nullptr);
    EXPECT_EQ(flaggedCount, 0u);
}

TEST_F(SettingsStoreTest, NextRunRestoresExactlyWhatThisOneWrote) {
    settingsBlob = DistinctBlob();
    pendingPlace = ParsePathList(u"\\Windows\\odd\xDC80name");  // a name from undecodable host bytes
    const char16_t names[] = u"a.txt\0\0b.txt";
    flaggedNames = static_cast<char16_t*>(std::malloc(sizeof names));
    std::memcpy(flaggedNames, names, sizeof names);
    flaggedCount = 3;
    SaveSettings();
    SettingsBlob expected = DistinctBlob();
    expected.bandsValid = 1;
    EXPECT_EQ(std::memcmp(&settingsBlob, &expected, sizeof expected), 0);

    Restart();
    LoadSettings();
    EXPECT_EQ(std::memcmp(&settingsBlob, &expected, sizeof expected), 0);
    ASSERT_NE(pendingPlace, nullptr);
    EXPECT_EQ(PlaceText(pendingPlace), u"\\Windows\\odd\xDC80name");
    EXPECT_EQ(flaggedCount, 3u);
    EXPECT_EQ(FlaggedText(), u"a.txt||b.txt");

    // A run that changes nothing writes the same bytes again.
    const std::vector<uint8_t> first = StoredBytes(SETTINGS_VALUE_BLOB);
    SaveSettings();
    Restart();
    EXPECT_EQ(StoredBytes(SETTINGS_VALUE_BLOB), first);
}

TEST_F(SettingsStoreTest, ANameWithACommaIsNotStoredAsOtherNames) {
    // "x,y" would come back as the names "x" and "y" and mark entries the
    // user never marked; it is left out, the names around it are kept.
    pendingPlace = ParsePathList(u"\\docs\\");
    const char16_t names[] = u"a.txt\0x,y\0b.txt";
    flaggedNames = static_cast<char16_t*>(std::malloc(sizeof names));
    std::memcpy(flaggedNames, names, sizeof names);
    flaggedCount = 3;
    SaveSettings();
    Restart();
    LoadSettings();
    EXPECT_EQ(flaggedCount, 2u);
    EXPECT_EQ(FlaggedText(), u"a.txt|b.txt");
}

TEST_F(SettingsStoreTest, DefaultsSavedAndRestoredHaveValidBands) {
    LoadSettings();
    SaveSettings();
    Restart();
    LoadSettings();
    EXPECT_EQ(settingsBlob.splitX, 160);
    EXPECT_EQ(settingsBlob.bandsValid, 1);
}

TEST_F(SettingsStoreTest, SaveWithoutAPlaceStoresOnlyTerminators) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"\\Windows"), REG_OK);
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"x"), REG_OK);
    LoadSettings();
    FreePathList(pendingPlace);
    pendingPlace = nullptr;
    SaveSettings();
    Restart();
    EXPECT_EQ(StoredBytes(SETTINGS_VALUE_PLACE), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(StoredBytes(SETTINGS_VALUE_FLAGGED), (std::vector<uint8_t>{0, 0}));
    LoadSettings();
    EXPECT_EQ(pendingPlace, nullptr);
    EXPECT_EQ(flaggedCount, 0u);
}

TEST_F(SettingsStoreTest, RecordIsStoredAsLittleEndianBytesAndTextsAsText) {
    settingsBlob = DistinctBlob();
    settingsBlob.splitX = 0x01020304;
    settingsBlob.leftRight = 1;
    settingsBlob.menuBandRestore = {20, 905, 0x80, 300, 1};
    pendingPlace = ParsePathList(u"Storage Card\\photos");
    SaveSettings();
    Restart();

    const std::vector<uint8_t> bytes = StoredBytes(SETTINGS_VALUE_BLOB);
    ASSERT_EQ(bytes.size(), 144u);
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4)), (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(WordAt(bytes, 4), 1001);    // splitY
    EXPECT_EQ(WordAt(bytes, 8), 1002);    // driveColumnWidths[0]
    EXPECT_EQ(WordAt(bytes, 48), 1012);   // expungeColumnWidths[0]
    EXPECT_EQ(WordAt(bytes, 96), 20);     // menuBandRestore.size
    EXPECT_EQ(WordAt(bytes, 100), 905);   // menuBandRestore.bandId
    EXPECT_EQ(WordAt(bytes, 112), 1);     // menuBandRestore.maximized
    EXPECT_EQ(WordAt(bytes, 116), 1029);  // toolBandRestore.size
    EXPECT_EQ(WordAt(bytes, 136), 1);     // leftRight
    EXPECT_EQ(WordAt(bytes, 140), 1);     // bandsValid
    EXPECT_EQ(StoredBytes(SETTINGS_VALUE_PLACE).size(), (std::u16string(u"Storage Card\\photos").size() + 1) * 2);

    QSettings stored(folder_.StoreFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Registered Info").typeId(), QMetaType::QByteArray);
    EXPECT_EQ(stored.value("Recent Folder"), QVariant(QString("Storage Card\\photos")));
    EXPECT_EQ(stored.value("Flagged Files"), QVariant(QString("")));
}

TEST_F(SettingsStoreTest, ReadReportsTheStoredSizeAndRefusesASmallBuffer) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"abc"), REG_OK);
    uint32_t size = 0;
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, nullptr, &size), REG_OK);
    EXPECT_EQ(size, 8u);
    char16_t buffer[4] = {u'z', u'z', u'z', u'z'};
    size = 6;
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, buffer, &size),
              REG_ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(buffer[0], u'z');
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, buffer, &size), REG_OK);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, u"Missing", nullptr, &size),
              REG_ERROR_FILE_NOT_FOUND);
    // No path: the root key itself, which holds no values.
    EXPECT_EQ(RegReadValue(REG_CURRENT_USER, nullptr, SETTINGS_VALUE_PLACE, nullptr, &size),
              REG_ERROR_FILE_NOT_FOUND);
}

}  // namespace
