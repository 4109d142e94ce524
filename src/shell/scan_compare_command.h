// The headless comparison: `volumetra --compare OLD NEW [--top N]` reads two
// scan files (plain or compressed with zstd, "-" for standard input) and
// prints the entries that grew most and those that shrank most between
// them, then the totals, with no window and no display.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// How many entries of each direction are printed without --top.
constexpr size_t COMPARE_TOP_DEFAULT = 20;
// Exit code when a file cannot be read or is no scan file.
constexpr int COMPARE_FAILED = 2;

// Compares the scan in earlierFile with the one in laterFile and prints the
// report to out: a heading, then one line per entry ("+1,234,567  PATH",
// with "(new)" or "(gone)" after an entry only one scan has; control
// characters and backslashes of a path written as C escapes, so that every
// entry is one line), for those that
// grew and those that shrank, then the totals. Sizes are counted as the
// window counts them by default (disk usage). Returns 0, or COMPARE_FAILED
// after a one-line message on standard error.
int RunScanCompare(const std::string& earlierFile, const std::string& laterFile, size_t top, FILE* out);
