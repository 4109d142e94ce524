// What the program remembers between runs: the layout record, the place to
// reopen and the names marked there. Read once at start-up, written once at
// shutdown; in between the record is ordinary memory the other parts update.
#pragma once

#include <cstdint>

#include "model/path_list.h"

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

constexpr int SETTINGS_BLOB_BYTES = 144;

extern SettingsBlob settingsBlob;

// The place to reopen and the names to mark again there (packed, NUL-separated).
extern PathList* pendingPlace;
extern char16_t* flaggedNames;
extern uint32_t flaggedCount;

// Registry-style access on the settings store; results are 0 on success,
// a platform error code otherwise. path none means the root key itself.
enum RegistryType : uint32_t { REG_TYPE_TEXT = 1, REG_TYPE_BINARY = 3 };
uint32_t RegReadValue(const char16_t* root, const char16_t* path, const char16_t* name, void* buffer,
                      uint32_t* size);
uint32_t RegWriteValue(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                       uint32_t size, uint32_t type);
uint32_t RegWriteBinary(const char16_t* root, const char16_t* path, const char16_t* name, const void* data,
                        uint32_t size);
uint32_t RegWriteText(const char16_t* root, const char16_t* path, const char16_t* name, const char16_t* text);

// Start-up restore (after the platform kind is known) and shutdown write.
void LoadSettings();
void SaveSettings();
