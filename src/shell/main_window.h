// The program's one top-level window: the command bands on top, the status
// bar at the bottom, the tree and list panes between them.
#pragma once

#include <QWidget>

class MainWindow : public QWidget {
    Q_OBJECT

public:
    // Builds every child, the root with its drives and the first listing.
    MainWindow();
    ~MainWindow() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
};

// The main window while it exists.
extern MainWindow* mainWindow;

// Shows the main window normal, in front and active.
void BringMainWindowToFront();

// Goes to the kept place, if there is one (the navigation takes it over and
// may wait for a scan); true when there was one.
bool ReopenKeptPlace();

// Height of the status bar; 0 without one.
int StatusBarHeight();

struct PaneRect;

// Repaints the splitter's feedback overlay where a bar was drawn or erased.
void UpdateFeedbackOverlay(const PaneRect& bar);

// The pane area's lower-right corner in screen coordinates; the origin
// without a main window.
QPoint PaneCornerOnScreen();
