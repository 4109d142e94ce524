// Kept scans: every complete scan of a drive of this machine is kept as its
// scan file compressed with zstd, in the user's state folder, one folder per
// drive, each file named by the scan's date (UTC):
//
//   $XDG_STATE_HOME/volumetra/scans/<drive>/2026-12-03T04-10-00Z.json.zst
//
// The drive's folder name is the drive's host path with "%" and "/" written
// as %25 and %2F. The newest KEPT_SCANS_MAX of each drive are kept, and
// KEPT_SCANS_BYTES_MAX in all, the oldest dropped first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScanFileSource;

constexpr uint32_t KEPT_SCANS_MAX = 12;
constexpr uint64_t KEPT_SCANS_BYTES_MAX = 500ull * 1000 * 1000;

// Where the kept scans live and how many may stay; tests lower the limits.
struct KeptScans {
    std::string folder;  // .../volumetra/scans; empty: no state folder known
    uint32_t countMax = KEPT_SCANS_MAX;
    uint64_t bytesMax = KEPT_SCANS_BYTES_MAX;
};

// One kept scan file.
struct KeptScan {
    std::string fileName;  // the whole path
    int64_t time = 0;      // the scan's date, Unix seconds, as its name tells
    uint32_t sequence = 0; // told apart from another of the same second
    uint64_t bytes = 0;
};

// The folder from the environment: $XDG_STATE_HOME/volumetra/scans, else
// $HOME/.local/state/volumetra/scans; empty when neither is set.
std::string KeptScansFolder();

// The name of a drive's folder for its host path.
std::string KeptDriveFolderName(const std::string& drivePath);

// The kept scans of the drive at drivePath, newest first; none when its
// folder does not exist. Files not named as kept scans are not listed.
std::vector<KeptScan> ListKeptScans(const KeptScans& kept, const std::string& drivePath);

// Writes source as the drive's kept scan of time, then prunes. *keptFile
// gets the new file's name. False with *error naming the file (or folder)
// and the reason when it cannot be written; nothing is left then.
bool KeepScan(const KeptScans& kept, const std::string& drivePath, const ScanFileSource& source, int64_t time,
              std::string* keptFile, std::string* error);

// Drops, over every drive, all but the newest countMax of each drive and
// then the oldest until bytesMax holds them all.
void PruneKeptScans(const KeptScans& kept);

// Removes every kept scan and the drives' folders. False with *error when
// something could not be removed.
bool ForgetKeptScans(const KeptScans& kept, std::string* error);

// The UTC date a kept scan's name gives, and the name for a date.
bool ParseKeptScanName(const std::string& name, int64_t* time, uint32_t* sequence);
std::string KeptScanName(int64_t time, uint32_t sequence);
