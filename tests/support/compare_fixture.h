// A tree scanned, changed and scanned again, for the comparison of scans:
// the scan file fixture, then a file grown, one removed, a folder added, a
// folder renamed, a file with an odd name grown and a hard link added.
#pragma once

#include <string>
#include <vector>

// The changed entries, relative to the fixture's folder.
constexpr char COMPARE_GROWN[] = "docs/deep/a.txt";
constexpr char COMPARE_REMOVED[] = "top.bin";
constexpr char COMPARE_ADDED[] = "added";
constexpr char COMPARE_RENAMED_FROM[] = "snapshots";
constexpr char COMPARE_RENAMED_TO[] = "snaps";
constexpr char COMPARE_LINKED[] = "docs/deep/keep.dat";   // there before
constexpr char COMPARE_LINK[] = "docs/deep/keep-link";    // its new link
// The odd name that grows, in docs/.
std::string CompareOddName();

// The tree as first scanned: BuildScanFileFixture and the file the link
// will point at. False when it could not be built.
bool BuildCompareBefore(const std::string& folder);
// Makes the changes. False when one failed.
bool ChangeCompareFixture(const std::string& folder);

// What `du -sx -B1` reports for path (the disk usage Volumetra counts), or -1.
long long DuBytes(const std::string& path);
// The bytes path itself occupies (st_blocks x 512), or -1.
long long OwnDiskBytes(const std::string& path);
