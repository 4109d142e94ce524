// Scan files in tests: ncdu as the peer that reads and writes them, a host
// fixture of the entries that are hard to carry, and the comparison of two
// item trees entry by entry.
#pragma once

#include <string>
#include <vector>

#include "model/item_node.h"
#include "model/scan_engine.h"
#include "model/scan_file.h"

// Runs ncdu with arguments; its exit code, or -1 when it could not be
// started (which fails the test that needs it: it is never skipped).
int RunNcdu(const std::vector<std::string>& arguments);

// Fills folder with what a scan file must carry: nested folders, an empty
// one, a hard-link pair in two folders, a sparse file, and names with a
// newline, quotes, backslashes, control characters, DEL, bytes that are no
// UTF-8 and UTF-8 that is. Returns false when it could not be built.
bool BuildScanFileFixture(const std::string& folder);

// The names of BuildScanFileFixture that are hard to carry, as host bytes.
std::vector<std::string> OddFixtureNames();

// The subtree below a host folder as the engine scans it: the object store
// of a HostDevice rooted there.
struct HostScan {
    explicit HostScan(const std::string& folder);
    ~HostScan();
    HostScan(const HostScan&) = delete;
    HostScan& operator=(const HostScan&) = delete;
    ItemNode root{};
    ItemNode drive{};
    ScanOutcome outcome = SCAN_WALKING;
    std::vector<HardLink> links;
};

// The file read with ReadScanFile; fails the test when it cannot be.
ScanFileContents ReadScanFileForTest(const std::string& fileName);

// Compares the entries below a and b by name, whatever their order: the
// same names (exact), folders, sizes, with compareTimes the times to the
// second (a scan file holds no finer), the unreadable and incomplete marks,
// and totals under both size counts.
// Records for the object store's databases are no entries and are left out.
void ExpectSameEntries(const ItemNode* a, const ItemNode* b, bool compareTimes);
