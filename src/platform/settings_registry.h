// The registry of the current user, stood in for by QSettings: the key
// "Software\<organisation>\<application>" is the QSettings store of that
// organisation and application (on Linux a file under the user's config
// folder, on Windows that very registry key). Binary values are kept as bytes,
// text values as text. Results are the registry's codes: 0 on success.
#pragma once

#include <cstdint>

// The one root key there is.
inline constexpr char16_t REG_CURRENT_USER[] = u"HKEY_CURRENT_USER";

enum RegistryType : uint32_t { REG_TYPE_TEXT = 1, REG_TYPE_BINARY = 3 };

enum RegistryResult : uint32_t {
    REG_OK = 0,
    REG_ERROR_FILE_NOT_FOUND = 2,  // no such key or value
    REG_ERROR_ACCESS_DENIED = 5,   // the key lies outside any store, or the store cannot be written
    REG_ERROR_INVALID_HANDLE = 6,  // a root other than REG_CURRENT_USER
    REG_ERROR_INVALID_PARAMETER = 87,
    REG_ERROR_MORE_DATA = 234,  // the buffer is smaller than the stored value
};

struct RegistryKey;

// Opens the key path under root (none: the root itself, which holds no values
// here). With create, the key is made when absent. A key is present while it
// holds a value or a subkey.
uint32_t RegistryOpenKey(const char16_t* root, const char16_t* path, bool create, RegistryKey** key);

// Copies the stored bytes of value name into data and sets *size to the
// stored size in bytes. With no data only the size is reported; when *size is
// smaller than the stored size nothing is copied and REG_ERROR_MORE_DATA comes
// back. type, when given, receives the stored type.
uint32_t RegistryQueryValue(RegistryKey* key, const char16_t* name, uint32_t* type, void* data, uint32_t* size);

// Stores size bytes of data as value name. A text (type REG_TYPE_TEXT) that
// ends in its terminating NUL and is well-formed UTF-16 is kept as text and
// reads back with its terminator; any other text is kept byte for byte (and
// reads back as binary), so that nothing is lost.
uint32_t RegistrySetValue(RegistryKey* key, const char16_t* name, uint32_t type, const void* data, uint32_t size);

void RegistryCloseKey(RegistryKey* key);
