// The registry stand-in: keys under the current user as QSettings stores,
// values kept exactly, the registry's result codes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/settings_registry.h"
#include "support/settings_folder.h"

namespace {

constexpr char16_t KEY[] = u"Software\\Korvanta\\Volumetra";

uint32_t Write(const char16_t* path, const char16_t* name, const void* data, uint32_t size, uint32_t type) {
    RegistryKey* key;
    uint32_t result = RegistryOpenKey(REG_CURRENT_USER, path, true, &key);
    if (result != REG_OK) return result;
    result = RegistrySetValue(key, name, type, data, size);
    RegistryCloseKey(key);
    return result;
}

// The stored bytes and type of a value, or the failing result.
uint32_t Read(const char16_t* path, const char16_t* name, std::vector<uint8_t>* bytes, uint32_t* type = nullptr) {
    RegistryKey* key;
    uint32_t result = RegistryOpenKey(REG_CURRENT_USER, path, false, &key);
    if (result != REG_OK) return result;
    uint32_t size = 0;
    result = RegistryQueryValue(key, name, type, nullptr, &size);
    if (result == REG_OK) {
        bytes->assign(size, 0xEE);
        result = RegistryQueryValue(key, name, type, bytes->data(), &size);
    }
    RegistryCloseKey(key);
    return result;
}

std::vector<uint8_t> TextBytes(const std::u16string& text, bool terminated = true) {
    std::vector<uint8_t> bytes((text.size() + (terminated ? 1 : 0)) * 2, 0);
    std::memcpy(bytes.data(), text.data(), text.size() * 2);
    return bytes;
}

class SettingsRegistryTest : public ::testing::Test {
protected:
    TemporarySettingsFolder folder_;
};

TEST_F(SettingsRegistryTest, OnlyTheCurrentUsersSoftwareKeysExist) {
    RegistryKey* key;
    EXPECT_EQ(RegistryOpenKey(u"HKEY_LOCAL_MACHINE", KEY, false, &key), REG_ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegistryOpenKey(REG_CURRENT_USER, KEY, false, &key), REG_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegistryOpenKey(REG_CURRENT_USER, nullptr, true, &key), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryOpenKey(REG_CURRENT_USER, u"Software\\Korvanta", true, &key), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegistryOpenKey(REG_CURRENT_USER, u"Software\\Korvanta\\", true, &key), REG_ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
}

TEST_F(SettingsRegistryTest, TextsAreKeptAsTextWithTheirTerminator) {
    const std::vector<uint8_t> stored = TextBytes(u"\\Windows\\é");
    ASSERT_EQ(Write(KEY, u"Recent Folder", stored.data(), stored.size(), REG_TYPE_TEXT), REG_OK);
    folder_.Restart();
    std::vector<uint8_t> bytes;
    uint32_t type = 0;
    ASSERT_EQ(Read(u"software\\Korvanta\\Volumetra", u"Recent Folder", &bytes, &type), REG_OK);
    EXPECT_EQ(bytes, stored);
    EXPECT_EQ(type, REG_TYPE_TEXT);
    EXPECT_EQ(QSettings(folder_.StoreFile(), QSettings::IniFormat).value("Recent Folder"),
              QVariant(QString::fromUtf16(u"\\Windows\\é")));
}

TEST_F(SettingsRegistryTest, TextsThatTextCannotHoldAreKeptByteForByte) {
    const std::vector<std::vector<uint8_t>> cases = {
        TextBytes(u"no terminator", false),
        TextBytes(u"odd\xDC80name"),  // a lone surrogate, which UTF-8 in the file would lose
        {'o', 0, 'd', 0, 'd'},        // odd size
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(Write(KEY, u"Text", cases[i].data(), cases[i].size(), REG_TYPE_TEXT), REG_OK);
        folder_.Restart();
        std::vector<uint8_t> bytes;
        ASSERT_EQ(Read(KEY, u"Text", &bytes), REG_OK);
        EXPECT_EQ(bytes, cases[i]);
    }
}

TEST_F(SettingsRegistryTest, SubkeysAreGroupsOfTheStore) {
    const uint8_t data[3] = {1, 2, 3};
    ASSERT_EQ(Write(u"Software\\Korvanta\\Volumetra\\Sub", u"Value", data, 3, REG_TYPE_BINARY), REG_OK);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(Read(KEY, u"Value", &bytes), REG_ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Read(u"Software\\Korvanta\\Volumetra\\Sub", u"Value", &bytes), REG_OK);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Read(u"Software\\Korvanta\\Volumetra\\Other", u"Value", &bytes), REG_ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsRegistryTest, HandEditedTextsAndTheSystemStore) {
    QFile user(folder_.StoreFile());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(user).path()));
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("[General]\nRecent%20Folder=\\\\Windows\nFlagged%20Files=a, b\n");
    user.close();
    // The system-wide store lies in "system" beside the user's (see TemporarySettingsFolder).
    QFile system(folder_.StoreFile("system/Korvanta"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(system).path()));
    ASSERT_TRUE(system.open(QIODevice::WriteOnly));
    system.write("[General]\nRegistered%20Info=@ByteArray(x)\n");
    system.close();

    std::vector<uint8_t> bytes;
    ASSERT_EQ(Read(KEY, u"Recent Folder", &bytes), REG_OK);
    EXPECT_EQ(bytes, TextBytes(u"\\Windows"));
    ASSERT_EQ(Read(KEY, u"Flagged Files", &bytes), REG_OK);
    EXPECT_EQ(bytes, TextBytes(u"a, b"));
    EXPECT_EQ(Read(KEY, u"Registered Info", &bytes), REG_ERROR_FILE_NOT_FOUND);
}

}  // namespace
