// The settings store as a start-up reads it: stored values of any type, size
// and content never crash the restore; a layout record of the wrong size
// gives the defaults; and what a run restores is what the next run restores
// after it has been written back.
//
// Input: up to five values in the order "Registered Info", "Recent Folder",
// "Flagged Files", "Sizes", "Sizes In Units", each a kind byte, a 16-bit
// little-endian length and that many bytes. Kinds: absent, binary, raw bytes
// stored as text, a text (UTF-16 units), a list of texts and a number, the
// last two as a hand-edited store file reads back.
#include <QGuiApplication>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "deletion/kept_place.h"
#include "fuzz_check.h"
#include "model/item_tree.h"
#include "shell/settings_store.h"
#include "views/size_choice.h"

namespace {

enum StoredKind { STORED_ABSENT, STORED_BINARY, STORED_RAW_TEXT, STORED_TEXT, STORED_LIST, STORED_NUMBER, STORED_KINDS };

const char16_t* const FUZZ_VALUE_NAMES[] = {SETTINGS_VALUE_BLOB, SETTINGS_VALUE_PLACE, SETTINGS_VALUE_FLAGGED,
                                            SETTINGS_VALUE_SIZES, SETTINGS_VALUE_UNITS};

// The user's store, in a temporary folder for the life of the process.
QSettings* Store() {
    static std::unique_ptr<QTemporaryDir> folder = [] {
        // Every write of the store is flushed to disk: in memory (tmpfs)
        // where there is one, that costs nothing.
        auto made = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/volumetra-fuzz-XXXXXX"));
        if (!made->isValid()) made = std::make_unique<QTemporaryDir>();
        FuzzCheck(made->isValid(), "a temporary settings folder");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, made->path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, made->path() + "/system");
        return made;
    }();
    static QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Korvanta", "Volumetra");
    return &store;
}

void Store(const char16_t* name, int kind, const uint8_t* bytes, uint32_t size) {
    const QString key = QString::fromUtf16(name);
    const std::u16string text = FuzzText(bytes, size);
    switch (kind) {
    case STORED_BINARY:
        RegWriteBinary(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes, size);
        break;
    case STORED_RAW_TEXT:
        RegWriteValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes, size, REG_TYPE_TEXT);
        break;
    case STORED_TEXT:
        RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, text.c_str());
        break;
    case STORED_LIST:
        Store()->setValue(key, QString::fromStdU16String(text).split(u','));
        break;
    case STORED_NUMBER: {
        int32_t number = 0;
        std::memcpy(&number, bytes, std::min<size_t>(size, sizeof(number)));
        Store()->setValue(key, number);
        break;
    }
    default:
        break;
    }
    Store()->sync();
}

std::u16string PlaceText() {
    if (!pendingPlace) return u"(none)";
    return TakeText(PathListToText(pendingPlace), "a restored place has a text");
}

std::vector<std::u16string> FlaggedList() {
    FuzzCheck(flaggedCount == 0 || flaggedNames, "restored names have their block");
    std::vector<std::u16string> names;
    const char16_t* name = flaggedNames;
    for (uint32_t i = 0; i < flaggedCount; ++i) {
        names.emplace_back(name);
        name += names.back().size() + 1;
    }
    return names;
}

// The stored layout record when it is exactly as large as one.
bool StoredRecord(SettingsBlob* record) {
    uint32_t size = 0;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_BLOB, nullptr, &size) != REG_OK ||
        size != SETTINGS_BLOB_BYTES)
        return false;
    return RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_BLOB, record, &size) == REG_OK;
}

}  // namespace

// The default layout measures texts: fonts need a GUI application. The
// fonts are set up here, by a restore of the defaults, before the first
// input (what the font library keeps for good is in fuzz/lsan.supp).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication* application = new QGuiApplication(*argc, *argv);
    (void)application;
    Store()->clear();
    LoadSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Store()->clear();
    Store()->sync();
    size_t position = 0;
    bool placeStored = false;
    for (int value = 0; value < 5 && position + 3 <= size; ++value) {
        const int kind = data[position] % STORED_KINDS;
        uint32_t length = data[position + 1] | (data[position + 2] << 8);
        position += 3;
        length = static_cast<uint32_t>(std::min<size_t>(length, size - position));
        Store(FUZZ_VALUE_NAMES[value], kind, data + position, length);
        if (value == 1) placeStored = kind != STORED_ABSENT;
        position += length;
    }

    LoadSettings();
    SettingsBlob stored;
    if (StoredRecord(&stored)) {
        FuzzCheck(std::memcmp(&stored, &settingsBlob, sizeof stored) == 0, "a record of 144 bytes is restored as stored");
    } else {
        FuzzCheck(settingsBlob.bandsValid == 0 && settingsBlob.splitX == 160 && settingsBlob.splitY == 80 &&
                      settingsBlob.expungeColumnWidths[0] == 80 && settingsBlob.expungeColumnWidths[1] == 110,
                  "any other record gives the defaults");
    }
    if (!placeStored) FuzzCheck(!pendingPlace && flaggedCount == 0, "no place, no names");

    // What was restored survives a shutdown and the next start-up.
    SettingsBlob layout = settingsBlob;
    layout.bandsValid = 1;
    const std::u16string place = PlaceText();
    const std::vector<std::u16string> names = FlaggedList();
    const SizeCount count = sizeCount;
    const bool units = sizeUnits;
    SaveSettings();
    LoadSettings();
    FuzzCheck(std::memcmp(&layout, &settingsBlob, sizeof layout) == 0, "the layout record survives a restart");
    FuzzCheck(PlaceText() == place, "the place survives a restart");
    if (pendingPlace) FuzzCheck(FlaggedList() == names, "the flagged names survive a restart");
    FuzzCheck(sizeCount == count && sizeUnits == units, "the size choices survive a restart");
    DiscardKeptPlace();
    return 0;
}
