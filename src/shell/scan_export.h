// The headless export: `volumetra --export FILE [FOLDER]` scans a folder
// with the scan engine and writes what it found as a scan file, with no
// window and no display.
#pragma once

#include <string>
#include <vector>

class ScanExcludes;

// Exit code of an export that could not be done: missing folder, not a
// folder, file that cannot be written.
constexpr int SCAN_EXPORT_FAILED = 2;

// Scans the host folder whose place components are (as HostFolderPlace gives
// them, the drive first, an empty last one) and writes the scan to fileName
// ("-": standard output). folder is the host path as given, for messages and
// the root's name. While the scan runs, a line on standard error tells its
// progress when standard error is a terminal. Returns 0, or
// SCAN_EXPORT_FAILED after a one-line message on standard error.
int RunScanExport(const std::string& fileName, const std::string& folder,
                  const std::vector<std::u16string>& components, const ScanExcludes* excludes = nullptr);
