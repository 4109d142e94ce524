#include "shell/pane_layout.h"
#include "resources/resource_module.h"
#include "resources/resource_ids.h"

#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>

#include "scan/folder_tree.h"
#include "shell/command_bands.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "views/contents_list.h"
#include "views/treemap_pane.h"
#include "views/list_filter.h"

int orientation = 1;
PaneRect paneArea = {0, 0, 0, 0};
PaneRect splitterRect = {0, 0, 0, 0};
QSplitter* listSplitter = nullptr;
bool treemapShown = true;
int treemapHeight = 0;
bool splitAtFifth = false;

namespace {

bool dragging = false;
// The kept treemap height is given to the splitter once it has a size.
bool treemapHeightApplied = false;

// At most the bar of the press and the bar under the pointer are shown.
constexpr int MAX_FEEDBACK_BARS = 2;
PaneRect feedbackBars[MAX_FEEDBACK_BARS];
int feedbackBarCount = 0;

bool SameRect(const PaneRect& a, const PaneRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Inverts the screen over rect: drawn once it shows, drawn again it is gone.
void DrawFeedbackBar(const PaneRect& rect) {
    for (int i = 0; i < feedbackBarCount; ++i) {
        if (SameRect(feedbackBars[i], rect)) {
            feedbackBars[i] = feedbackBars[--feedbackBarCount];
            UpdateFeedbackOverlay(rect);
            return;
        }
    }
    if (feedbackBarCount == MAX_FEEDBACK_BARS) return;
    feedbackBars[feedbackBarCount++] = rect;
    UpdateFeedbackOverlay(rect);
}

void SetBarFromPointer(int x, int y) {
    if (orientation) {
        splitterRect.left = x - 1;
        splitterRect.right = x + 1;
    } else {
        splitterRect.top = y - 1;
        splitterRect.bottom = y + 1;
    }
}

void MovePane(QWidget* pane, int x, int y, int width, int height) {
    // The list shares its place with its filter field while that is open.
    if (pane && pane == listPane)
        PlaceListPane(x, y, width, height);
    else if (pane)
        pane->setGeometry(x, y, width, height);
}

// The pane that fills the area in full-screen mode: the tree when it has the
// focus, otherwise the list (also when no pane has had the focus yet).
QWidget* FullScreenPane() {
    return (focusPane && focusPane == treePane) ? static_cast<QWidget*>(treePane) : ListArea();
}

// The kept height, or half the pane, goes to the treemap; the list keeps the
// rest.
void ApplyTreemapHeight() {
    if (!listSplitter || !treemapPane || treemapHeightApplied || listSplitter->height() <= 0 ||
        treemapPane->isHidden())
        return;
    // The handle of a pane just shown counts only once the splitter has
    // taken it into account.
    listSplitter->refresh();
    const int whole = listSplitter->height() - listSplitter->handleWidth();
    const int height = treemapHeight > 0 ? std::min(treemapHeight, whole) : whole / 2;
    listSplitter->setSizes({whole - height, height});
    treemapHeightApplied = true;
}

}  // namespace

void CreateListArea(QWidget* window) {
    listSplitter = new QSplitter(Qt::Vertical, window);
    listSplitter->setObjectName(QStringLiteral("listSplitter"));
    listSplitter->setAccessibleName(StringText(STR_LIST_AND_TREEMAP));
    listSplitter->setChildrenCollapsible(false);
    listSplitter->setOpaqueResize(true);
    treemapHeightApplied = false;
    if (listPane) listSplitter->addWidget(listPane);
    TreemapPane* treemap = CreateTreemapPane(listSplitter);
    listSplitter->addWidget(treemap);
    listSplitter->setStretchFactor(0, 1);
    listSplitter->setStretchFactor(1, 1);
    treemap->setVisible(treemapShown);
    CheckCommand(CMD_TREEMAP, treemapShown);
    QObject::connect(listSplitter, &QSplitter::splitterMoved, listSplitter, [] {
        if (treemapPane && treemapPane->isVisible()) treemapHeight = treemapPane->height();
    });
    QObject::connect(listSplitter, &QObject::destroyed, [] { listSplitter = nullptr; });
}

QWidget* ListArea() { return listSplitter ? static_cast<QWidget*>(listSplitter) : listPane; }

void ToggleTreemap() {
    treemapShown = !treemapShown;
    CheckCommand(CMD_TREEMAP, treemapShown);
    if (!treemapPane) return;
    treemapPane->setVisible(treemapShown);
    if (treemapShown) {
        treemapHeightApplied = false;
        ApplyTreemapHeight();
    }
}

void ComputeLayout() {
    if (!mainWindow) return;
    paneArea = {0, CommandBandsHeight(), mainWindow->width(), mainWindow->height() - StatusBarHeight()};
    // Only a window with its first real size decides the desktop's first bar.
    if (splitAtFifth && mainWindow->testAttribute(Qt::WA_WState_Created)) {
        settingsBlob.splitX = std::max(SPLITTER_MARGIN, paneArea.right / 5);
        splitAtFifth = false;
    }
    splitterRect = paneArea;
    if (orientation) {
        splitterRect.left = settingsBlob.splitX;
        splitterRect.right = settingsBlob.splitX + SPLITTER_THICKNESS;
    } else {
        splitterRect.top = settingsBlob.splitY;
        splitterRect.bottom = settingsBlob.splitY + SPLITTER_THICKNESS;
    }
}

void ApplyLayout() {
    if (!mainWindow) return;
    const int areaHeight = paneArea.bottom - paneArea.top;
    if (appFlags & APP_FULLSCREEN) {
        MovePane(FullScreenPane(), 0, paneArea.top, paneArea.right, areaHeight);
    } else if (orientation) {
        if (splitterRect.left < SPLITTER_MARGIN) {
            splitterRect.left = SPLITTER_MARGIN;
            splitterRect.right = SPLITTER_MARGIN + SPLITTER_THICKNESS;
        } else if (paneArea.right - splitterRect.right < SPLITTER_MARGIN &&
                   paneArea.right - SPLITTER_MARGIN - SPLITTER_THICKNESS > 0) {
            splitterRect.left = paneArea.right - SPLITTER_MARGIN - SPLITTER_THICKNESS;
            splitterRect.right = paneArea.right - SPLITTER_MARGIN;
        }
        MovePane(treePane, 0, paneArea.top, splitterRect.left, areaHeight);
        MovePane(ListArea(), splitterRect.right, paneArea.top, paneArea.right - splitterRect.right, areaHeight);
    } else {
        if (splitterRect.top - paneArea.top < SPLITTER_MARGIN) {
            splitterRect.top = paneArea.top + SPLITTER_MARGIN;
            splitterRect.bottom = paneArea.top + SPLITTER_MARGIN + SPLITTER_THICKNESS;
        } else if (paneArea.bottom - splitterRect.bottom < SPLITTER_MARGIN &&
                   paneArea.bottom - SPLITTER_MARGIN - SPLITTER_THICKNESS > 0) {
            splitterRect.top = paneArea.bottom - SPLITTER_MARGIN - SPLITTER_THICKNESS;
            splitterRect.bottom = paneArea.bottom - SPLITTER_MARGIN;
        }
        MovePane(treePane, 0, paneArea.top, paneArea.right, splitterRect.top - paneArea.top);
        MovePane(ListArea(), 0, splitterRect.bottom, paneArea.right, paneArea.bottom - splitterRect.bottom);
    }
    ApplyTreemapHeight();
    mainWindow->update();
}

void SplitterPressed(int x, int y) {
    PaneRect zone = splitterRect;
    if (orientation) {
        zone.left -= SPLITTER_PRESS_SLACK;
        zone.right += SPLITTER_PRESS_SLACK;
    } else {
        zone.top -= SPLITTER_PRESS_SLACK;
        zone.bottom += SPLITTER_PRESS_SLACK;
    }
    if (x < zone.left || x >= zone.right || y < zone.top || y >= zone.bottom) return;
    dragging = true;
    DrawFeedbackBar(splitterRect);
}

void SplitterMoved(int x, int y) {
    if (!dragging) return;
    DrawFeedbackBar(splitterRect);
    SetBarFromPointer(x, y);
    DrawFeedbackBar(splitterRect);
}

void SplitterReleased(int x, int y) {
    if (!dragging) return;
    dragging = false;
    DrawFeedbackBar(splitterRect);
    // Coordinates are signed: a release left of or above the window lands
    // below the near-edge margin and is pushed back to it.
    SetBarFromPointer(x, y);
    ApplyLayout();
    if (orientation)
        settingsBlob.splitX = splitterRect.left;
    else
        settingsBlob.splitY = splitterRect.top;
}

bool SplitterDragging() { return dragging; }

int FeedbackBarCount() { return feedbackBarCount; }

PaneRect FeedbackBar(int index) { return feedbackBars[index]; }

void ChooseOrientation(int leftRight) {
    if (leftRight == orientation) return;
    orientation = leftRight;
    SetOrientationMark(leftRight ? CMD_LEFT_RIGHT : CMD_TOP_BOTTOM);
    ComputeLayout();
    ApplyLayout();
    settingsBlob.leftRight = leftRight;
}

QWidget* ToggleFullScreen() {
    QWidget* other = (focusPane && focusPane == treePane) ? ListArea() : treePane;
    if (appFlags & APP_FULLSCREEN) {
        appFlags &= ~APP_FULLSCREEN;
        CheckCommand(CMD_FULL_SCREEN, false);
        if (other) other->show();
    } else {
        appFlags |= APP_FULLSCREEN;
        CheckCommand(CMD_FULL_SCREEN, true);
        if (other) other->hide();
    }
    ApplyLayout();
    return other;
}
