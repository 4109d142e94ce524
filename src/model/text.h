// NUL-terminated wide (UTF-16) texts as the storage model holds them.
#pragma once

#include <cstddef>
#include <cstring>

inline size_t TextLength(const char16_t* text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

// Copies text with its NUL to destination; returns the position after the NUL.
inline char16_t* CopyText(char16_t* destination, const char16_t* text, size_t length) {
    std::memcpy(destination, text, length * sizeof(char16_t));
    destination[length] = 0;
    return destination + length + 1;
}
