// The treemap pane below the contents list: the whole subtree of the listed
// place at a glance, every file a tile whose area is its size, folders
// nested. The pane only shows finished pictures and answers hit tests; the
// layout and the drawing run on its worker thread. The pane holds item
// pointers as the list does (the place being drawn, the tiles of the picture
// shown) and lets go of them before anything changes or frees the items.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include "views/treemap_render.h"
#include "views/treemap_worker.h"

// What the pane holds: one object, handed to the functions below.
struct TreemapView {
    TreemapWorker worker;
    ItemNode* place;       // the listed place to draw; none when nothing is listed
    uint64_t serial;       // of the newest request
    int pauses;            // PauseTreemap calls not yet resumed: nothing is drawn
    TreemapPicture shown;  // the picture on screen and its tiles
    QRect outline;         // the tile of the list's focused row, in image pixels; empty for none
    const ItemNode* outlined;
    QString overview;      // the description of the picture shown
    QString focusText;     // the description of the focused row's tile
};

class TreemapPane : public QWidget {
    Q_OBJECT

public:
    explicit TreemapPane(QWidget* parent);
    ~TreemapPane() override;

    TreemapView view;

    // The rectangle of the picture in the pane (the legend lies below it).
    QRect PictureRect() const;
    // The tile under a point of the pane, or none.
    const TreemapTile* TileAt(QPoint at) const;

signals:
    // A finished picture is on screen.
    void PictureShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The pane, made by the main window; none before and after.
extern TreemapPane* treemapPane;

// Creates the pane as a child of parent and starts its worker. The pane
// follows the list's focused row from then on.
TreemapPane* CreateTreemapPane(QWidget* parent);

// The listed place changed (none: nothing is listed); drawn when the pane is
// shown.
void ShowTreemapPlace(ItemNode* place);

// Before items change (marks, removal, sizes counted again, a scan's end):
// the worker is cancelled and the interface waits, running the event loop,
// until it reads no item. Until the last ResumeTreemap nothing is drawn;
// then the listed place is drawn again.
void PauseTreemap();
void ResumeTreemap();

// PauseTreemap for the life of one scope.
class TreemapHold {
public:
    TreemapHold() { PauseTreemap(); }
    ~TreemapHold() { ResumeTreemap(); }
    TreemapHold(const TreemapHold&) = delete;
    TreemapHold& operator=(const TreemapHold&) = delete;
};

// The item tree goes: the worker is cancelled and waited for, and the place,
// the picture and its tiles are dropped.
void ForgetTreemapItems();

// Whether PauseTreemap is waiting for the worker now: a report that would
// change the tree waits for the next turn of the loop.
bool TreemapWaiting();

// The path, size and share of a tile's entry, as its tooltip says it.
QString TreemapTileText(const TreemapPicture& picture, const TreemapTile& tile);
