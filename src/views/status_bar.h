// The status bar (control 902): part 0 tells the place (entries and bytes,
// drives, or "- -" while its drive waits for a scan), part 1 the free bytes
// of its drive, part 2 stays empty. During a scan one text covers the parts.
#pragma once

#include <cstdint>

#include <QRect>
#include <QString>

#include "model/item_node.h"

class QWidget;

enum StatusKind {
    STATUS_NONE = 0,
    STATUS_FOLDER = 1,      // "%d item(s)  %s byte(s)"
    STATUS_DRIVE_FREE = 2,  // "%s byte(s) free"
    STATUS_ROOT = 3,        // "%d drive(s)"
    STATUS_PENDING = 4,     // "- -"
    STATUS_SCAN_FILE = 5,   // "Read from %s of %s": a drive opened from a scan file
    STATUS_UNREADABLE = 6,  // "%d folder(s) could not be read": the last scan of the place's drive
    STATUS_FILTERED = 7,    // "%1 of %2 items": the rows the filter shows (high word) of the place's (low word)
};

// What an owner-drawn part shows; the text is made from it at each paint.
struct StatusPartInfo {
    int kind;
    ItemNode* item;
    uint64_t value;  // the listed total for STATUS_FOLDER
};

constexpr int STATUS_PART_COUNT = 3;
constexpr int STATUS_PART_EDGES[STATUS_PART_COUNT] = {240, 420, 640};
// StatusPartText's part number of the single text.
constexpr int STATUS_SIMPLE_PART = 255;

extern StatusPartInfo statusPart0;
extern StatusPartInfo statusPart1;
extern StatusPartInfo statusPart2;

// The bar while it exists.
extern QWidget* statusBar;

// Creates the bar as a child of parent, its parts empty and the single-text
// mode off; SetupStatusParts divides it. Its accessible name is the text it
// paints now, its description the three parts' texts.
QWidget* CreateStatusBar(QWidget* parent);
void SetupStatusParts();

// Part 0 paints statusPart0, now (kind, item, value); part 1 paints the free
// bytes of the item's drive, or stays as it was when the item has no drive.
void ShowPlaceStatus(int kind, ItemNode* item, uint64_t value);
void ShowFolderStatus(ItemNode* item, uint64_t listedTotal);
void ShowPendingStatus(ItemNode* item);
// Part 0 counts the drives of rootItem; part 1 becomes an empty plain text.
void ShowRootStatus();

// Keeps what the last scan of drive could not read: how many folders, and
// the path of the first one in the tree's order. While a place of the drive
// is shown, part 2 tells the count and its tooltip the path, until the
// drive is scanned again (a count of 0 forgets it).
void NoteUnreadable(const ItemNode* drive, uint32_t count, const QString& firstPath);
// Forgets every drive's note; done before the items they name are freed.
void DropUnreadableNotes();

// The place parts draw nothing; done before the items they name are freed.
void ClearStatusParts();

// The item itself when it is a drive, else its nearest drive ancestor; none
// for the root or a missing item.
ItemNode* DriveOf(ItemNode* item);

// The single-text mode: on hides the parts behind one text; off shows them
// as they were. Called on the user-interface thread (the scan worker reaches
// them through blocking queued calls).
void SetStatusSimple(bool on);
// Sets the single text and repaints the bar before returning.
void SetStatusSimpleText(const char16_t* text);

// The scan's progress beside the single text, in thousandths of the drive's
// used bytes; a negative value hides it.
void SetStatusProgress(int permille);

// The frame of part 0, 1 or 2 as the bar paints it now: the fixed edges,
// moved right where an earlier part's text needs more room.
QRect StatusPartRect(int part);

// The text of part 0, 1 or 2 as it is painted (also while the single text
// covers it), or with STATUS_SIMPLE_PART the single text.
QString StatusPartText(int part);
// The tooltip of part 0, 1 or 2; empty where it has none.
QString StatusPartToolTip(int part);
