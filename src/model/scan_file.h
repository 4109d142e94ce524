// Scan files: a scanned subtree saved as the JSON export that ncdu writes and
// reads (format 1.2), and such a file opened as a subtree of its own.
//
//   [1, 2, {"progname":..., "progver":..., "timestamp":...}, ROOT]
//
// A folder is an array whose first element is its info object and the rest
// its entries; a file is an info object. The root's name is the full host
// path that was scanned. Names are the host's bytes: quote, backslash and
// control characters escaped, every other byte written as it is, so a name
// that is no valid UTF-8 comes back byte for byte.
//
// Both directions stream: the writer walks the tree into a buffered file,
// the reader builds each folder's block when its array ends, so neither
// holds the document.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "model/item_node.h"
#include "model/scan_engine.h"

// The deepest folder nesting a file may hold: beyond what a path text can
// name (a scan walks deeper than that), within what the tree's walks take.
constexpr uint32_t SCANFILE_DEPTH_MAX = 16384;
// The longest name of an entry and of the root's path, in bytes: the host's
// own limits (NAME_MAX, PATH_MAX).
constexpr size_t SCANFILE_NAME_BYTES_MAX = 255;
constexpr size_t SCANFILE_PATH_BYTES_MAX = 4096;
// The longest string the reader takes in, escapes included; a longer one is
// refused before it is held whole.
constexpr size_t SCANFILE_STRING_BYTES_MAX = 64 * 1024;
// What readError an entry marked read_error gets: the file does not say
// why, and permission is by far the usual reason.
constexpr uint32_t SCANFILE_READ_ERROR = 13;  // EACCES

// What a scan file is written from.
struct ScanFileSource {
    const ItemNode* top = nullptr;  // a scanned drive or folder (ITEM_SCANNED)
    std::string rootPath;           // host bytes of top's path: the root's name in the file
    // Files with several links, as the scan's HardLinks(): their entries get
    // ino, nlink and hlnkc. None: no link is written.
    const std::vector<HardLink>* hardLinks = nullptr;
    // The root's device number, written as its dev when known.
    bool hasVolumeId = false;
    uint64_t volumeId = 0;
    std::string progver;            // the version written beside "volumetra"
    int64_t timestamp = 0;          // Unix seconds of the scan
};

// The host path of item below top, whose own host path is topPath: the path
// a scan file records for a place, and the path a progress line shows.
std::string HostPathBelow(const ItemNode* item, const ItemNode* top, const std::string& topPath);

// Writes source as a scan file to file (left open). Removed records are
// left out, and so are database records, which no host file stands for. A
// drive's own sizes (its volume's) are not written as the root's. False with
// *error set when a write fails.
bool WriteScanFile(FILE* file, const ScanFileSource& source, std::string* error);

// A scan file being written: the file, open unnamed (or under a short
// temporary name) beside its target until EndScanFile; standard output for
// "-". The target is fileName, or what fileName links to.
struct ScanFileOutput {
    FILE* file = nullptr;
    std::string fileName;
    std::string target;     // empty for standard output
    std::string temporary;  // the temporary name, where the file has one
};

// Opens the new file beside fileName's target, with the mode (and, where
// permitted, the owner) of a file it replaces, else 0666 less the umask.
// *error names the file.
bool BeginScanFile(const std::string& fileName, ScanFileOutput* output, std::string* error);
// Closes the output; when keep, syncs it and puts it in place of the
// target in one rename, then syncs the folder; else (and whenever that
// fails) removes it.
bool EndScanFile(ScanFileOutput* output, bool keep, std::string* error);

// Writes source to the file named fileName ("-": standard output). The file
// is written under a temporary name in its folder and renamed over fileName
// only once complete, so a failed export never leaves part of a file under
// that name. *error names the file and the reason.
bool ExportScanFile(const std::string& fileName, const ScanFileSource& source, std::string* error);

// Writes source to fileName as ExportScanFile does, the same JSON compressed
// with zstd (so `zstd -dc FILE` gives the plain export back).
bool ExportCompressedScanFile(const std::string& fileName, const ScanFileSource& source, std::string* error);

// A scan file opened: a root record that belongs to no tree, with its
// entries' blocks built as a scan builds them: records in reverse file
// order, names decoded as listings decode host names, every folder
// ITEM_SCANNED, totals computed under the current size count. Every link
// of a file (same dev and ino) but the first is ITEM_LINK_REPEAT; a folder
// marked read_error is ITEM_UNREADABLE and the folders above it
// ITEM_INCOMPLETE. Entries marked excluded are ITEM_EXCLUDED (folders among
// them ITEM_SCANNED and empty), their sizes not counted, and their folder
// ITEM_HOLDS_EXCLUDED; entries marked notreg are kept as files.
// Entries of one folder that share a name are all kept, as the file has them.
struct ScanFileContents {
    ItemNode* root = nullptr;  // owned; freed by FreeScanFile, or FreeItemArray(root, 1) by who takes it
    std::string rootPath;      // the root's name in the file: the host path scanned
    std::string progname;
    std::string progver;
    int64_t timestamp = 0;     // 0 when the file does not say
    // The files with several links: their device and inode numbers, nlink
    // and record, as a scan's HardLinks() gives them; for writing the tree
    // again.
    std::vector<HardLink> hardLinks;
};

// Reads the scan file open as file into *contents. On a file that is no scan
// file, returns false with *error "line L, column C: what was wrong" naming
// where reading stopped; nothing read is kept and *contents is left empty.
bool ReadScanFile(FILE* file, ScanFileContents* contents, std::string* error);

// Opens fileName ("-": standard input) and reads it as ReadScanFile does,
// plain or compressed with zstd; *error names the file.
bool OpenScanFile(const std::string& fileName, ScanFileContents* contents, std::string* error);

// Frees the tree of contents and empties it.
void FreeScanFile(ScanFileContents* contents);
