// Sorting the list pane: the comparisons of drive rows and contents rows, and
// the fetches of a contents row's type text and modification time, which a
// sort by those columns needs and which painting a row needs too.
#pragma once

#include "views/contents_list.h"

// Compares two drive rows by column (0 name, 1 capacity, 2 used bytes,
// 3 usage percentage, 4 free bytes), ascending; negated when the drive sort
// is reversed. 0 for equal keys, a row without item or another column.
int CompareDriveRows(ListRow* a, ListRow* b, int column);

// Compares two contents rows by column: name ascending, Size and Possession
// largest first, type text ascending, modification time oldest first (rows
// without a time before all dated rows); negated when the contents sort is
// reversed. Type and time are fetched first where a row lacks them. 0 for
// equal keys, a missing row or item, or another column.
int CompareContentsRows(ListRow* a, ListRow* b, int column);

// Fills row->typeName: "Database" for a database, else the type cache's text.
// False when the type cache has none (tried again at the next need).
bool FetchTypeName(ListRow* row);

// Fills row->modified with the entry's last-write time (a database's from
// the object store). False, and MODIFIED_NONE kept for good, when there is
// none to read.
bool FetchModifiedTime(ListRow* row);

// Sorts the shown rows by the current set's sort column and direction. With
// announce the view hears of it (a header click); a fill sorts unannounced
// inside its reset. Contents sorts show the wait cursor.
void SortShownRows(bool announce);
