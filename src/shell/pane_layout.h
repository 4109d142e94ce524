// Where the tree and list panes lie in the main window: side by side or one
// above the other, divided by a two-pixel splitter bar the user drags, or one
// pane alone in full-screen mode. Coordinates are main window client pixels;
// right and bottom are exclusive.
#pragma once

class QSplitter;
class QWidget;

struct PaneRect {
    int left;
    int top;
    int right;
    int bottom;
};

constexpr int SPLITTER_THICKNESS = 2;
constexpr int SPLITTER_MARGIN = 32;  // nearest the bar may come to either edge
constexpr int SPLITTER_PRESS_SLACK = 2;

// 1 left & right, 0 top & bottom; starts as the stored leftRight.
extern int orientation;
// The client area between the command bands and the status bar.
extern PaneRect paneArea;
// The bar between the panes.
extern PaneRect splitterRect;
// Set when a desktop starts without a stored layout: the first layout puts
// the bar at a fifth of the window's width, then clears it.
extern bool splitAtFifth;

// The right-hand pane: the contents list above the treemap, with a splitter
// between them; none before CreateListArea.
extern QSplitter* listSplitter;
// Whether the treemap is shown (desktop: yes, Palm-size: no, until the user
// says), and its height in pixels as the user last left it (0: half the
// pane). Kept between runs by the settings store.
extern bool treemapShown;
extern int treemapHeight;

// Puts the list pane and a new treemap pane into the splitter of the
// right-hand pane, the treemap shown or hidden as kept.
void CreateListArea(QWidget* window);

// The widget that fills the list's side of the window: the splitter, or the
// list alone before there is one.
QWidget* ListArea();

// CMD_TREEMAP: shows the treemap below the list, or hides it.
void ToggleTreemap();

// Recomputes paneArea and splitterRect from the window and the stored bar
// position of the current orientation.
void ComputeLayout();

// Pushes the bar away from edges it is too close to (for display only: the
// stored position is kept), moves the panes and repaints the window.
void ApplyLayout();

// The pointer on the main window. A press in the bar's press zone starts a
// drag that shows an inverted feedback bar; the panes move once, at the
// release, which stores the new bar position.
void SplitterPressed(int x, int y);
void SplitterMoved(int x, int y);
void SplitterReleased(int x, int y);
bool SplitterDragging();

// The feedback bars drawn now, for painting them and telling them to
// accessibility. Drawing a rectangle twice erases it again.
int FeedbackBarCount();
PaneRect FeedbackBar(int index);

// CMD_LEFT_RIGHT (1) and CMD_TOP_BOTTOM (0): changes the orientation when it
// differs from the current one.
void ChooseOrientation(int leftRight);

// CMD_FULL_SCREEN: shows only the focused pane, or both again; returns the
// other pane (the one it hid or showed again).
QWidget* ToggleFullScreen();
