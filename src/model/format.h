// How sizes, shares and dates read in the lists and the status bar.
#pragma once

#include <cstdint>

// Every caller's buffer; it holds "18,446,744,073,709,551,615".
constexpr int THOUSANDS_CHARS = 32;

// Writes value with "," between groups of three digits, at most capacity - 1
// characters (the most significant part kept), always NUL-terminated.
void FormatThousands(char16_t* buffer, uint32_t capacity, uint64_t value);

// part of whole in whole per cent, rounded to nearest; 0 for a whole of 0;
// not clamped (a part above the whole gives more than 100).
int Percent(uint64_t part, uint64_t whole);

// Writes the Modified text of a time in seconds since 1970 UTC (negative
// before 1970), in local time: "MM/DD hh:mm" in the current year, else
// "MM/DD  YYYY". Leaves the buffer untouched when the time cannot be
// converted. capacity in characters.
void FormatModified(int64_t seconds, char16_t* buffer, uint32_t capacity);

// FormatModified against a given current time (seconds since 1970), so the
// choice between the two forms can be tested.
void FormatModifiedAt(int64_t seconds, int64_t now, char16_t* buffer, uint32_t capacity);
