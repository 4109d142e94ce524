#include "model/format.h"

#include <cstdio>
#include <ctime>

void FormatThousands(char16_t* buffer, uint32_t capacity, uint64_t value) {
    if (capacity == 0) return;
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);

    uint32_t written = 0;
    for (int remaining = count; remaining > 0; --remaining) {
        if (written >= capacity - 1) break;
        buffer[written++] = static_cast<char16_t>(digits[remaining - 1]);
        // A comma after the digit that begins a group of three to its right.
        if (remaining > 1 && (remaining - 1) % 3 == 0) {
            if (written >= capacity - 1) break;
            buffer[written++] = u',';
        }
    }
    buffer[written] = 0;
}

int Percent(uint64_t part, uint64_t whole) {
    if (whole == 0) return 0;
    // 128-bit arithmetic: part x 100 cannot overflow, and adding half the
    // whole rounds to the nearest whole per cent.
    unsigned __int128 scaled = static_cast<unsigned __int128>(part) * 100 + whole / 2;
    unsigned __int128 result = scaled / whole;
    return result > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(result);
}

void FormatModifiedAt(int64_t seconds, int64_t now, char16_t* buffer, uint32_t capacity) {
    if (capacity == 0) return;
    time_t time = static_cast<time_t>(seconds);
    struct tm file;
    if (!localtime_r(&time, &file)) return;
    time_t current = static_cast<time_t>(now);
    struct tm today;
    if (!localtime_r(&current, &today)) return;

    char text[40];
    if (file.tm_year == today.tm_year)
        std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", file.tm_mon + 1, file.tm_mday, file.tm_hour,
                      file.tm_min);
    else
        std::snprintf(text, sizeof text, "%02d/%02d  %04d", file.tm_mon + 1, file.tm_mday,
                      file.tm_year + 1900);
    uint32_t i = 0;
    for (; text[i] && i + 1 < capacity; ++i) buffer[i] = static_cast<char16_t>(text[i]);
    buffer[i] = 0;
}

void FormatModified(int64_t seconds, char16_t* buffer, uint32_t capacity) {
    FormatModifiedAt(seconds, static_cast<int64_t>(std::time(nullptr)), buffer, capacity);
}
