// Scan files in the window: File > Open Scan shows a scan made elsewhere (by
// Volumetra or by ncdu) as a drive of its own under the root, and File >
// Export Scan writes the scanned place shown to a file that both read.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "model/item_node.h"
#include "model/scan_engine.h"

struct ScanFileContents;

// Keeps the files with several links that the scan of drive met, so that an
// export writes them as links; a drive scanned again replaces its own. All
// are dropped with the item tree.
void KeepHardLinks(const ItemNode* drive, const std::vector<HardLink>& links);
void DropKeptHardLinks();
// The links kept for drive, or none.
const std::vector<HardLink>* KeptHardLinks(const ItemNode* drive);

// The host path a scan file records for place: below the path its file
// named for a place read from a scan file, else the place's host path.
std::string ScannedHostPath(const ItemNode* place);

// A scan file's drive has been read (failure empty) or could not be: a
// file that could not be read leaves its drive unreadable with the reader's
// words for why; one read gives the drive its size and the file's date.
void FileDriveRead(ItemNode* drive, const std::string& failure);

// Reads the scan file fileName on a thread of its own while the window
// keeps painting; what the user does meanwhile waits, as under any message.
bool ReadWhilePainting(const std::string& fileName, ScanFileContents* contents, std::string* error);

// How a file is chosen for opening or exporting (empty: none chosen).
// Replaceable, so that tests show no file dialog.
using ScanFileChooser = QString (*)(bool forExport, const QString& suggested);
extern ScanFileChooser scanFileChooser;
QString ChooseScanFileWithDialog(bool forExport, const QString& suggested);

// File > Open Scan...: a file chosen, opened as a drive.
void OpenScanCommand();

// Reads fileName and shows it as a drive under the root, then goes there
// (unless go is false: several files opened at once go to the last only).
// The window keeps painting while the file is read. A file that cannot be
// read gets a message naming where reading stopped, and nothing changes.
// True when the drive was added.
bool OpenScanAsDrive(const QString& fileName, bool go = true);

// File > Export Scan...: the place shown written to a chosen file.
void ExportScanCommand();

// Whether the place can be exported: a scanned drive or folder.
bool CanExportPlace(const ItemNode* place);

// Writes place to fileName as a scan file; false, after a message, when it
// cannot be written (nothing is left under the name then).
bool ExportPlace(const ItemNode* place, const QString& fileName);
