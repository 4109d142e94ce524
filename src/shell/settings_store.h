// What the program remembers between runs: the layout record, the place to
// reopen and the names marked there. Read once at start-up, written once at
// shutdown; in between the record is ordinary memory the other parts update.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/path_list.h"
#include "platform/settings_registry.h"

// Where the values live, under REG_CURRENT_USER, and their names.
inline constexpr char16_t SETTINGS_KEY_PATH[] = u"Software\\Korvanta\\Volumetra";
inline constexpr char16_t SETTINGS_VALUE_BLOB[] = u"Registered Info";    // binary, the SettingsBlob
inline constexpr char16_t SETTINGS_VALUE_PLACE[] = u"Recent Folder";     // text, a place's path text
inline constexpr char16_t SETTINGS_VALUE_FLAGGED[] = u"Flagged Files";   // text, names joined with ","

// The platform's command-bands restore record, kept as filled.
struct BandRestore {
    uint32_t size;           // 20
    uint32_t bandId;         // 905 or 906
    uint32_t style;
    uint32_t restoredWidth;
    int32_t maximized;
};

// Stored byte for byte as "Registered Info": 144 bytes, little-endian.
struct SettingsBlob {
    int32_t splitX;                   // 0: splitter left edge, left & right
    int32_t splitY;                   // 4: splitter top edge, top & bottom
    int32_t driveColumnWidths[5];     // 8
    int32_t contentsColumnWidths[5];  // 28
    int32_t expungeColumnWidths[2];   // 48
    int32_t driveColumnOrder[5];      // 56
    int32_t contentsColumnOrder[5];   // 76
    BandRestore menuBandRestore;      // 96
    BandRestore toolBandRestore;      // 116
    int32_t leftRight;                // 136: 1 left & right, 0 top & bottom
    int32_t bandsValid;               // 140: 1 when the restore records hold saved values
};
static_assert(sizeof(SettingsBlob) == 144, "the stored layout record is 144 bytes");
static_assert(offsetof(SettingsBlob, driveColumnWidths) == 8 && offsetof(SettingsBlob, expungeColumnWidths) == 48 &&
                  offsetof(SettingsBlob, driveColumnOrder) == 56 && offsetof(SettingsBlob, menuBandRestore) == 96 &&
                  offsetof(SettingsBlob, toolBandRestore) == 116 && offsetof(SettingsBlob, leftRight) == 136,
              "the fields lie at their stored offsets");

constexpr int SETTINGS_BLOB_BYTES = 144;

extern SettingsBlob settingsBlob;

// The place to reopen and the names to mark again there (packed, NUL-separated,
// from SplitNameList); the owner frees them with FreePathList and std::free.
extern PathList* pendingPlace;
extern char16_t* flaggedNames;
extern uint32_t flaggedCount;

// Registry access, each on its own open and close of the key; results are 0
// on success, a registry error code otherwise. path none means the root key
// itself. RegReadValue with no buffer only reports the stored size in bytes;
// with a buffer *size is its size in, the stored size out (REG_ERROR_MORE_DATA
// and nothing copied when the buffer is too small). RegWriteValue creates the
// key when absent; RegWriteText stores the terminator too:
// (characters + 1) x 2 bytes.
uint32_t RegReadValue(const char16_t* root, const char16_t* path, const char16_t* name, void* buffer,
                      uint32_t* size);
uint32_t RegWriteValue(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                       uint32_t size, uint32_t type);
uint32_t RegWriteBinary(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                        uint32_t size);
uint32_t RegWriteText(const char16_t* root, const char16_t* path, const char16_t* name, const char16_t* text);

// Start-up restore, once the platform kind is known: frees and clears
// pendingPlace and the flagged names, restores them from "Recent Folder" and
// "Flagged Files" (names only when "Recent Folder" is present), and reads
// "Registered Info" into settingsBlob, or applies the defaults (bandsValid 0)
// when that value is missing or not exactly 144 bytes.
void LoadSettings();

// Shutdown write, the only one: sets bandsValid to 1, writes settingsBlob,
// then the text of pendingPlace and the joined flagged names (both texts empty
// without a pending place). Write failures are ignored. pendingPlace and the
// names stay with their owner.
void SaveSettings();
