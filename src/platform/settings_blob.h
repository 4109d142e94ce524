// The layout record the program keeps between runs ("Registered Info"): one
// record in memory, read at start-up and written at shutdown; the lists, the
// expunge dialog, the bands and the splitter update its fields as they go.
#pragma once

#include <cstddef>
#include <cstdint>

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
