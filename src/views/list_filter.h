// The filter of the contents list: a field above the list (Ctrl+F, Edit >
// Filter...) that, while the user types, keeps only the rows whose name
// contains the text, letter case aside, or matches it as a glob when it holds
// "*" or "?". The status bar says "N of M items"; sorting, marking and the
// pie chart work on the rows shown. Esc, an empty field, or showing another
// place ends it.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// CMD_FILTER: opens the field over a contents list and gives it the focus;
// on the drive list it does nothing.
void OpenListFilter();

// Ends the filter: every row shown again, the field hidden, the status back
// to the place's. Nothing when no filter is open.
void CloseListFilter();

// The list is filled anew (another place): the filter ends without touching
// the rows.
void ForgetListFilter();

// Shows the rows that text lets through (all of them for an empty text) in
// the current sort order, with the status and the pie chart following.
void ApplyListFilter(const QString& text);

// Whether name passes text: contained, letter case aside; a glob over the
// whole name when text holds "*" or "?".
bool NameMatchesFilter(const char16_t* name, const QString& text);

// Whether the field is open now.
bool ListFilterOpen();

// The field, made on first need as a sibling of the list pane; none before.
QLineEdit* ListFilterField();

// Places the list pane in the rectangle the pane layout gives it, with the
// field across its top while the filter is open.
void PlaceListPane(int x, int y, int width, int height);
