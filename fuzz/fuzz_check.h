// What the fuzz targets share: a failed property aborts, so libFuzzer keeps
// the input, and fuzz input read as UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void FuzzCheck(bool holds, const char* property) {
    if (holds) return;
    std::fprintf(stderr, "property failed: %s\n", property);
    std::abort();
}

// The input as UTF-16 units, two bytes each (little-endian), NUL units left
// out: the program's texts end at their first NUL.
inline std::u16string FuzzText(const uint8_t* data, size_t size) {
    std::u16string text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit != 0) text.push_back(unit);
    }
    return text;
}

// A text the program allocated, as a string; it is freed. None fails the
// property: the fuzz inputs are small, memory never runs out.
inline std::u16string TakeText(char16_t* text, const char* property) {
    FuzzCheck(text != nullptr, property);
    std::u16string result(text);
    std::free(text);
    return result;
}
