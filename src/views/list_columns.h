// The two column sets of the list pane (drives and contents): header texts,
// alignments and default widths, switching between them with each set's
// widths and display order kept in the settings record, and the sort arrow
// each header shows right of its text.
#pragma once

#include <cstdint>

#include <Qt>
#include <QString>

class QHeaderView;

// Whether a column of set (LIST_DRIVES or LIST_CONTENTS) runs descending in
// its natural order, the one a first click gives (Size and Possession).
bool NaturalDescending(int set, int column);

// The width a column of set (LIST_DRIVES or LIST_CONTENTS) starts with: the
// list's classic width, widened where the program's font needs more room for
// the header with its arrow or for a byte count of up to hundreds of
// terabytes, which every desktop drive reaches.
int32_t DefaultColumnWidth(int set, int column);

// Stores the widths and display order of the column set shown now in the
// settings record.
void SaveColumnLayout();

// Makes the list carry the drive (or contents) columns. Leaving the other
// set first stores its widths and order in the settings record; the new set
// takes its own from there. True when the columns stand; a switch to the set
// already shown succeeds at once.
bool SwitchToDriveColumns();
bool SwitchToContentsColumns();

// What the header of column shows in the current set.
QString ColumnHeaderText(int column);
int ColumnHeaderImage(int column);
Qt::Alignment ColumnAlignment(int column);

// Sets the header images: no arrow except on the sort column, which shows up
// when its rows run ascending and down when they run descending.
void UpdateHeaderArrows();

// Makes header draw each section's image right of its text, as the sort
// arrow stands, and Qt's own sort indicator never.
void InstallHeaderArrowStyle(QHeaderView* header);
