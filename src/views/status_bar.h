// The status bar (control 902): part 0 tells the place (entries and bytes,
// drives, or "- -" while its drive waits for a scan), part 1 the free bytes
// of its drive, part 2 stays empty. During a scan one text covers the parts.
#pragma once

#include <cstdint>

#include <QString>

#include "model/item_node.h"

class QWidget;

enum StatusKind {
    STATUS_NONE = 0,
    STATUS_FOLDER = 1,      // "%d item(s)  %s byte(s)"
    STATUS_DRIVE_FREE = 2,  // "%s byte(s) free"
    STATUS_ROOT = 3,        // "%d drive(s)"
    STATUS_PENDING = 4,     // "- -"
};

// What an owner-drawn part shows; the text is made from it at each paint.
struct StatusPartInfo {
    int kind;
    ItemNode* item;
    uint64_t value;  // the listed total for STATUS_FOLDER
};

constexpr int STATUS_PART_COUNT = 3;
constexpr int STATUS_PART_EDGES[STATUS_PART_COUNT] = {240, 420, 640};

extern StatusPartInfo statusPart0;
extern StatusPartInfo statusPart1;

// The bar while it exists.
extern QWidget* statusBar;

// Creates the bar as a child of parent; SetupStatusParts divides it.
QWidget* CreateStatusBar(QWidget* parent);
void SetupStatusParts();

void ShowPlaceStatus(int kind, ItemNode* item, uint64_t value);
void ShowFolderStatus(ItemNode* item, uint64_t listedTotal);
void ShowPendingStatus(ItemNode* item);
void ShowRootStatus();

// Both place parts draw nothing; done before the items they name are freed.
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

// The text a part or the single text shows now, as screen readers read it.
QString StatusPartText(int part);
