// The list pane: the drives of the root, or the contents of a folder.
#pragma once

class QTreeView;
class QWidget;

// The list pane (control 904), made by the main window; none before.
extern QTreeView* listPane;

// The pane, tree or list, that last received the focus; none at first.
extern QWidget* focusPane;

// Creates the list pane as a child of parent: report view, full-row
// selection, selection shown without focus, movable headers.
QTreeView* CreateListPane(QWidget* parent);

// CMD_SELECT_ALL: selects every row, then gives the list the focus if it
// did not have it.
void SelectAllRows();

// Empties the list and releases the rows behind it; done before the items
// they point to are freed.
void ClearListPane();
