#include "shell/settings_store.h"

#include <QString>

#include <bit>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/text.h"
#include "platform/command_actions.h"
#include "scan/change_follow.h"
#include "scan/exclusions.h"
#include "platform/platform_kind.h"
#include "shell/pane_layout.h"
#include "views/column_layout.h"
#include "views/size_choice.h"


uint32_t RegReadValue(const char16_t* root, const char16_t* path, const char16_t* name, void* buffer,
                      uint32_t* size) {
    RegistryKey* key;
    uint32_t result = RegistryOpenKey(root, path, false, &key);
    if (result != REG_OK) return result;
    result = RegistryQueryValue(key, name, nullptr, buffer, size);
    RegistryCloseKey(key);
    return result;
}

uint32_t RegWriteValue(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                       uint32_t size, uint32_t type) {
    RegistryKey* key;
    uint32_t result = RegistryOpenKey(root, path, true, &key);
    if (result != REG_OK) return result;
    result = RegistrySetValue(key, name, type, data, size);
    RegistryCloseKey(key);
    return result;
}

uint32_t RegWriteBinary(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                        uint32_t size) {
    return RegWriteValue(root, path, name, data, size, REG_TYPE_BINARY);
}

uint32_t RegWriteText(const char16_t* root, const char16_t* path, const char16_t* name, const char16_t* text) {
    return RegWriteValue(root, path, name, text, static_cast<uint32_t>((TextLength(text) + 1) * sizeof(char16_t)),
                         REG_TYPE_TEXT);
}

namespace {

// The record is stored little-endian; every field is a 32-bit word, so a
// big-endian machine swaps each word on the way in and out.
void SwapToOrFromStored(SettingsBlob* blob) {
    if constexpr (std::endian::native == std::endian::big) {
        auto* words = reinterpret_cast<uint32_t*>(blob);
        for (size_t i = 0; i < sizeof(SettingsBlob) / sizeof(uint32_t); ++i) {
            const uint32_t w = words[i];
            words[i] = (w >> 24) | ((w >> 8) & 0xFF00) | ((w << 8) & 0xFF0000) | (w << 24);
        }
    }
}

void ApplyDefaultSettings(SettingsBlob* blob) {
    blob->splitX = 160;
    // A desktop window is far wider than a handheld's screen: its tree takes
    // a fifth of it instead, once the window has its size.
    splitAtFifth = platformKind == PLATFORM_OTHER;
    blob->splitY = 80;
    blob->leftRight = platformKind == PLATFORM_PALMSIZE ? 0 : 1;
    SetDefaultColumnLayout(blob);
    blob->expungeColumnWidths[0] = 80;
    blob->expungeColumnWidths[1] = 110;
    blob->bandsValid = 0;
}

// Reads text value name of storedSize bytes into a new zero-filled block that
// always ends in a terminator, even when the stored text has none or an odd
// size. None on no memory; an empty text when the read fails.
char16_t* ReadStoredText(const char16_t* name, uint32_t storedSize) {
    auto* text = static_cast<char16_t*>(std::calloc(storedSize / sizeof(char16_t) + 2, sizeof(char16_t)));
    if (!text) return nullptr;
    uint32_t size = storedSize;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, text, &size) != REG_OK) text[0] = 0;
    return text;
}

// Whether stored text value name is exactly text.
bool StoredTextIs(const char16_t* name, const char16_t* text) {
    uint32_t size = 0;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, nullptr, &size) != REG_OK) return false;
    char16_t* stored = ReadStoredText(name, size);
    if (!stored) return false;
    bool same = std::u16string_view(stored) == std::u16string_view(text);
    std::free(stored);
    return same;
}

}  // namespace

void LoadSettings() {
    DiscardKeptPlace();
    splitAtFifth = false;
    SetSizeCount(StoredTextIs(SETTINGS_VALUE_SIZES, SIZES_APPARENT_TEXT) ? SIZE_APPARENT : SIZE_DISK_USAGE);
    sizeUnits = StoredTextIs(SETTINGS_VALUE_UNITS, u"On");
    treemapShown = StoredTextIs(SETTINGS_VALUE_TREEMAP, u"On") ||
                   (platformKind != PLATFORM_PALMSIZE && !StoredTextIs(SETTINGS_VALUE_TREEMAP, u"Off"));
    treemapHeight = 0;
    followChanges = !StoredTextIs(SETTINGS_VALUE_FOLLOW_CHANGES, u"Off");
    CheckCommand(CMD_FOLLOW_CHANGES, followChanges);
    uint32_t heightSize = 0;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_TREEMAP_HEIGHT, nullptr, &heightSize) == REG_OK) {
        if (char16_t* height = ReadStoredText(SETTINGS_VALUE_TREEMAP_HEIGHT, heightSize)) {
            bool number = false;
            const int value = QString::fromUtf16(height).toInt(&number);
            if (number && value > 0) treemapHeight = value;
            std::free(height);
        }
    }

    uint32_t size = 0;
    // The exclusions, unless the command line gave this run's own.
    if (!windowExcludesGiven) {
        ScanExcludes& excludes = WindowExcludes();
        excludes.Clear();
        excludes.SetCaches(StoredTextIs(SETTINGS_VALUE_EXCLUDE_CACHES, u"On"));
        if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_EXCLUSIONS, nullptr, &size) == REG_OK) {
            if (char16_t* patterns = ReadStoredText(SETTINGS_VALUE_EXCLUSIONS, size)) {
                SetExcludePatternsText(&excludes, QString::fromUtf16(patterns));
                std::free(patterns);
            }
        }
    }

    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, nullptr, &size) == REG_OK) {
        if (char16_t* place = ReadStoredText(SETTINGS_VALUE_PLACE, size)) {
            if (place[0]) pendingPlace = ParsePathList(place);
            std::free(place);
        }
        if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, nullptr, &size) == REG_OK) {
            if (char16_t* names = ReadStoredText(SETTINGS_VALUE_FLAGGED, size)) {
                if (names[0]) flaggedCount = SplitNameList(names, &flaggedNames);
                std::free(names);
            }
        }
    }

    size = SETTINGS_BLOB_BYTES;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_BLOB, &settingsBlob, &size) == REG_OK &&
        size == SETTINGS_BLOB_BYTES)
        SwapToOrFromStored(&settingsBlob);
    else
        ApplyDefaultSettings(&settingsBlob);
}

void SaveSettings() {
    settingsBlob.bandsValid = 1;
    SettingsBlob stored = settingsBlob;
    SwapToOrFromStored(&stored);
    RegWriteBinary(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_BLOB, &stored, SETTINGS_BLOB_BYTES);
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_SIZES,
                 sizeCount == SIZE_APPARENT ? SIZES_APPARENT_TEXT : SIZES_DISK_USAGE_TEXT);
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_UNITS, sizeUnits ? u"On" : u"Off");
    if (!windowExcludesGiven || windowExcludesEdited) {
        const std::u16string patterns = ExcludePatternsText(WindowExcludes()).toStdU16String();
        RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_EXCLUSIONS, patterns.c_str());
        RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_EXCLUDE_CACHES,
                     WindowExcludes().Caches() ? u"On" : u"Off");
    }
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_TREEMAP, treemapShown ? u"On" : u"Off");
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FOLLOW_CHANGES, followChanges ? u"On" : u"Off");
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_TREEMAP_HEIGHT,
                 QString::number(treemapHeight).toStdU16String().c_str());

    if (!pendingPlace) {
        RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"");
        RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"");
        return;
    }
    char16_t* place = PathListToText(pendingPlace);
    if (!place) return;
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, place);
    std::free(place);
    // A name holding "," is not stored: it would come back as other names
    // and mark entries the user never marked.
    char16_t* names = JoinNameList(flaggedNames, flaggedCount);
    if (!names) return;
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, names);
    std::free(names);
}
