// What the program remembers between runs: the layout record, the place to
// reopen and the names marked there. Read once at start-up, written once at
// shutdown; in between the record is ordinary memory the other parts update.
#pragma once

#include <cstdint>

#include "deletion/kept_place.h"
#include "platform/settings_blob.h"
#include "platform/settings_registry.h"

// Where the values live, under REG_CURRENT_USER, and their names.
inline constexpr char16_t SETTINGS_KEY_PATH[] = u"Software\\Korvanta\\Volumetra";
inline constexpr char16_t SETTINGS_VALUE_BLOB[] = u"Registered Info";    // binary, the SettingsBlob
inline constexpr char16_t SETTINGS_VALUE_PLACE[] = u"Recent Folder";     // text, a place's path text
inline constexpr char16_t SETTINGS_VALUE_FLAGGED[] = u"Flagged Files";   // text, names joined with ","
inline constexpr char16_t SETTINGS_VALUE_SIZES[] = u"Sizes";             // text, "Disk Usage" or "Apparent Size"
inline constexpr char16_t SETTINGS_VALUE_UNITS[] = u"Sizes In Units";    // text, "On" or "Off"
inline constexpr char16_t SETTINGS_VALUE_EXCLUSIONS[] = u"Exclusions";  // text, patterns one a line
inline constexpr char16_t SETTINGS_VALUE_EXCLUDE_CACHES[] = u"Exclude Caches";  // text, "On" or "Off"
inline constexpr char16_t SETTINGS_VALUE_FOLLOW_CHANGES[] = u"Follow Changes";  // text, "On" or "Off"
inline constexpr char16_t SETTINGS_VALUE_TREEMAP[] = u"Treemap";           // text, "On" or "Off"
inline constexpr char16_t SETTINGS_VALUE_TREEMAP_HEIGHT[] = u"Treemap Height";  // text, pixels in decimal
inline constexpr char16_t SIZES_DISK_USAGE_TEXT[] = u"Disk Usage";
inline constexpr char16_t SIZES_APPARENT_TEXT[] = u"Apparent Size";

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
// when that value is missing or not exactly 144 bytes. The size choices come
// from "Sizes" and "Sizes In Units"; anything but their known texts gives
// the defaults (Disk Usage, bytes). "Treemap" says whether the treemap is
// shown (else: on the desktop, not on a Palm-size device) and "Treemap
// Height" how high (else half the pane).
void LoadSettings();

// Shutdown write, the only one: sets bandsValid to 1, writes settingsBlob and
// the size choices, then the text of pendingPlace and the joined flagged names (both texts empty
// without a pending place). Write failures are ignored. pendingPlace and the
// names stay with their owner.
void SaveSettings();
