// The comparison the window shows: an earlier scan of a place (a kept scan
// or any scan file), read into a tree of its own, against what the window
// lists now. While it is on, the contents list has a Change column and rows
// for the entries the earlier scan had that are gone; the status bar tells
// the listed place's change and the earlier scan's date; the folder tree's
// tooltips tell each folder's. Places are found in the earlier tree by their
// host path, so the comparison follows navigation, Refresh and scans.
#pragma once

#include <cstdint>
#include <string>

#include <QString>

#include "model/scan_compare.h"
#include "model/scan_file.h"

struct ListRow;

// The comparison's state, one object while a comparison is on.
struct PlaceComparison {
    ScanFileContents earlier;  // owned; its root's name is rootPath
    std::string fileName;      // the scan file it was read from
    int64_t time = 0;          // the earlier scan's date, Unix seconds
    // The folder listed now, as matched at its last fill.
    const ItemNode* listed = nullptr;
    const ItemNode* earlierListed = nullptr;  // none: the earlier scan has no such place
    FolderMatch match;
};

// The comparison on now; none when it is off.
extern PlaceComparison* placeComparison;

// Takes contents (read from fileName, made at time) as the comparison,
// ending the one before; flags every earlier record ITEM_EARLIER, so that a
// gone row is never marked, opened or removed. The caller
// lists the place again.
void StartComparison(ScanFileContents* contents, const std::string& fileName, int64_t time);
// Ends the comparison and frees its tree. The caller lists the place again
// (the rows point into that tree).
void EndComparison();

// The earlier record that stands where place (a drive or folder of the
// shown tree, host path placePath) stands; none outside the earlier scan.
const ItemNode* EarlierPlaceOf(const std::string& placePath);

// Matches the entries of folder (listed now) to the earlier scan's; the
// number of gone rows the fill adds after its entries.
uint32_t MatchListedFolder(const ItemNode* folder);
// The earlier records of the gone rows, in order.
const ItemNode* GoneRecord(uint32_t k);

// Whether the list shows the Change column now.
bool ChangeColumnShown();

// A row's change: false when it has none to show (no comparison, or a
// place outside the earlier scan). *isNew for an entry the earlier scan did
// not have; a gone row's change is its old size, negative.
bool RowChange(const ListRow* row, SizeChange* change, bool* isNew);
// The Change cell of a row: "+1,234" (or in units), "new", or empty.
QString ChangeCellText(const ListRow* row);
// A change in the views' size form, signed: "+1,234,567", "-2.1 GB".
QString SignedSizeText(const SizeChange& change);

// The status bar's text for the listed folder: "+2.1 GB since 12/03 04:10",
// or empty.
QString ComparisonStatusText();
// The change of a folder of the tree for its tooltip, or empty.
QString FolderChangeText(const ItemNode* folder);

// The totals of the earlier tree counted again, after the size count changed.
void RecountComparison();

// Whether a record is one of an earlier scan (a gone row's).
inline bool IsEarlierRecord(const ItemNode* item) { return item && (item->flags & ITEM_EARLIER); }
