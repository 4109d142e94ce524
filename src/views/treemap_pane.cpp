#include "views/treemap_pane.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QTreeView>

#include <cmath>
#include <vector>

#include "model/display_name.h"
#include "model/format.h"
#include "model/path_list.h"
#include "platform/nested_loops.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "views/contents_list.h"
#include "views/file_kinds.h"
#include "views/size_choice.h"

TreemapPane* treemapPane = nullptr;

// Puts a finished picture on screen.
static void ShowPicture(TreemapPane* pane, TreemapPicture* picture);

namespace {

// PauseTreemap loops waiting for the worker.
int waitingLoops = 0;

constexpr int LEGEND_SWATCH = 10;
constexpr int LEGEND_SPACING = 12;
constexpr int LEGEND_ROW_GAP = 6;
constexpr int LEGEND_MARGIN = 4;

// Where each family's swatch goes in the legend, relative to its top left:
// left to right, a new row when the next name would not fit.
std::vector<QPoint> LegendPlaces(const QWidget* pane) {
    std::vector<QPoint> places;
    const int rowHeight = pane->fontMetrics().height() + LEGEND_ROW_GAP;
    int x = LEGEND_MARGIN, y = 0;
    for (int family = 0; family < TREEMAP_FAMILIES; ++family) {
        const int wide = LEGEND_SWATCH + 4 + pane->fontMetrics().horizontalAdvance(StringText(STR_TREEMAP_IMAGES + family));
        if (x > LEGEND_MARGIN && x + wide > pane->width()) {
            x = LEGEND_MARGIN;
            y += rowHeight;
        }
        places.push_back(QPoint(x, y));
        x += wide + LEGEND_SPACING;
    }
    return places;
}

// Runs on the worker after every request: the interface takes the picture
// on its own turn. A report for a pane gone meanwhile is dropped by Qt.
void ReportToPane(void* context) {
    TreemapPane* pane = static_cast<TreemapPane*>(context);
    QMetaObject::invokeMethod(
        pane,
        [pane] {
            TreemapPicture picture;
            if (TakeTreemapPicture(&pane->view.worker, pane->view.serial, &picture)) ShowPicture(pane, &picture);
        },
        Qt::QueuedConnection);
}

// The listed place's entry that holds item (item itself at the top), or
// none for the place's own tile.
const ItemNode* TopEntryOf(const ItemNode* item, const ItemNode* place) {
    if (!item || item == place) return nullptr;
    while (item && item->parent != place) item = item->parent;
    return item;
}

QString PathText(const ItemNode* item) {
    if (item->flags & ITEM_ROOT) return DisplayName(item->name);
    char16_t path[PATH_CHARS];
    if (!ItemPath(path, PATH_CHARS, item)) return DisplayName(item->name);
    return DisplayName(path);
}

QString ShareText(uint64_t bytes, uint64_t whole) {
    return StringText(STR_TREEMAP_SHARE).arg(QStringLiteral("%1%").arg(Percent(bytes, whole)));
}

// "name 34%" of one entry against the picture's whole.
QString EntryShare(const ItemNode* entry, uint64_t whole) {
    return DisplayName(entry->name) + QStringLiteral(" %1%").arg(Percent(TreemapEntryBytes(entry), whole));
}

QString LegendText() {
    QStringList names;
    for (int family = 0; family < TREEMAP_FAMILIES; ++family) names << StringText(STR_TREEMAP_IMAGES + family);
    return names.join(QStringLiteral(", "));
}

// What a screen reader hears of the picture: the largest tiles with their
// shares, the focused row's tile first when there is one, and the legend.
void Describe(TreemapPane* pane) {
    TreemapView& view = pane->view;
    QString text;
    if (!view.focusText.isEmpty()) text = view.focusText + QStringLiteral(". ");
    if (view.shown.largestCount == 0) {
        text += StringText(STR_TREEMAP_EMPTY);
    } else {
        QStringList shares;
        for (int i = 0; i < view.shown.largestCount; ++i)
            shares << EntryShare(view.shown.largest[i], view.shown.placeBytes);
        text += StringText(STR_TREEMAP_LARGEST) + QLatin1Char(' ') + shares.join(QStringLiteral(", "));
    }
    text += QStringLiteral(". ") + LegendText();
    if (pane->accessibleDescription() == text) return;
    pane->setAccessibleDescription(text);
    QAccessibleEvent changed(pane, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

// Outlines the tiles of the list's focused row and describes it.
void FollowFocusedRow(TreemapPane* pane) {
    TreemapView& view = pane->view;
    const ListRow* row = listPane && listedPlace == view.shown.place ? FocusedListRow() : nullptr;
    const ItemNode* entry = row ? row->item : nullptr;
    QRect outline;
    if (entry) {
        const ItemNode* lastParent = nullptr;
        const ItemNode* lastTop = nullptr;
        for (const TreemapTile& tile : view.shown.tiles) {
            const ItemNode* top;
            if (tile.item->parent == lastParent && tile.item->parent != view.shown.place) {
                top = lastTop;
            } else {
                top = TopEntryOf(tile.item, view.shown.place);
                lastParent = tile.item->parent;
                lastTop = top;
            }
            // An entry's tiles lie together in layout order.
            if (top == entry)
                outline |= QRect(QPoint(tile.left, tile.top), QPoint(tile.right - 1, tile.bottom - 1));
            else if (!outline.isNull())
                break;
        }
    }
    const bool changed = entry != view.outlined || outline != view.outline;
    view.outlined = entry;
    view.outline = outline;
    if (!changed) return;
    view.focusText = entry && view.shown.placeBytes
                         ? DisplayName(entry->name) + QStringLiteral(", ") + SizeText(TreemapEntryBytes(entry)) +
                               QStringLiteral(", ") + ShareText(TreemapEntryBytes(entry), view.shown.placeBytes)
                         : QString();
    Describe(pane);
    pane->update();
}

// Asks the worker for the listed place at the pane's size, unless the pane
// is hidden (no work at all then) or paused.
void RequestPicture(TreemapPane* pane) {
    TreemapView& view = pane->view;
    // A paused pane is drawn when the last pause ends.
    if (view.pauses > 0 || !pane->isVisible()) return;
    ++view.serial;
    const QRect area = pane->PictureRect();
    const qreal ratio = pane->devicePixelRatioF();
    if (!view.place || area.isEmpty()) {
        CancelTreemapWork(&view.worker);
        view.shown = TreemapPicture();
        view.shown.place = view.place;
        FollowFocusedRow(pane);
        Describe(pane);
        pane->update();
        emit pane->PictureShown();
        return;
    }
    RequestTreemap(&view.worker, {view.place, int(std::ceil(area.width() * ratio)), int(std::ceil(area.height() * ratio)),
                                  view.serial});
}

}  // namespace

static void ShowPicture(TreemapPane* pane, TreemapPicture* picture) {
    TreemapView& view = pane->view;
    view.shown = std::move(*picture);
    view.outlined = nullptr;
    view.outline = QRect();
    view.focusText.clear();
    FollowFocusedRow(pane);
    Describe(pane);
    pane->update();
    emit pane->PictureShown();
}

TreemapPane::TreemapPane(QWidget* parent) : QWidget(parent), view() {
    setObjectName(QStringLiteral("treemapPane"));
    setAccessibleName(StringText(STR_TREEMAP_NAME));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(0);
    view.shown.place = nullptr;
    StartTreemapWorker(&view.worker, ReportToPane, this);
}

TreemapPane::~TreemapPane() {
    // The item tree's owner let go of the worker already; this ends its
    // thread, which reads nothing now.
    CancelTreemapWork(&view.worker);
    StopTreemapWorker(&view.worker);
    if (treemapPane == this) treemapPane = nullptr;
}

QRect TreemapPane::PictureRect() const {
    const std::vector<QPoint> places = LegendPlaces(this);
    const int legend = places.back().y() + fontMetrics().height() + LEGEND_ROW_GAP;
    return QRect(0, 0, width(), std::max(0, height() - legend));
}

const TreemapTile* TreemapPane::TileAt(QPoint at) const {
    const QRect area = PictureRect();
    const QImage& image = view.shown.image;
    if (image.isNull() || !area.contains(at) || area.isEmpty()) return nullptr;
    const int x = int((at.x() - area.left()) * qint64(image.width()) / area.width());
    const int y = int((at.y() - area.top()) * qint64(image.height()) / area.height());
    return TreemapTileAt(view.shown, x, y);
}

void TreemapPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = PictureRect();
    if (view.shown.image.isNull())
        painter.fillRect(area, QColor(TREEMAP_PALETTE[TREEMAP_FAMILY_SMALL]));
    else
        painter.drawImage(area, view.shown.image);
    if (!view.outline.isNull() && !view.shown.image.isNull()) {
        const qreal sx = qreal(area.width()) / view.shown.image.width();
        const qreal sy = qreal(area.height()) / view.shown.image.height();
        const QRectF outline(area.left() + view.outline.left() * sx, area.top() + view.outline.top() * sy,
                             (view.outline.width()) * sx, (view.outline.height()) * sy);
        // Black under white: seen on any colour.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 3));
        painter.drawRect(outline.adjusted(1.5, 1.5, -1.5, -1.5));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(outline.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    // The legend: one swatch and name per family, in as many rows as the
    // width needs.
    const QRect legend(0, area.bottom() + 1, width(), height() - area.height());
    painter.fillRect(legend, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    const int rowHeight = fontMetrics().height() + LEGEND_ROW_GAP;
    const std::vector<QPoint> places = LegendPlaces(this);
    for (int family = 0; family < TREEMAP_FAMILIES; ++family) {
        const QPoint at = places[family] + QPoint(0, legend.top());
        const int middle = at.y() + rowHeight / 2;
        const QRect swatch(at.x(), middle - LEGEND_SWATCH / 2, LEGEND_SWATCH, LEGEND_SWATCH);
        painter.fillRect(swatch, QColor(TREEMAP_PALETTE[family]));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.drawText(QRect(at.x() + LEGEND_SWATCH + 4, at.y(), width(), rowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         StringText(STR_TREEMAP_IMAGES + family));
    }
}

void TreemapPane::resizeEvent(QResizeEvent*) { RequestPicture(this); }

void TreemapPane::showEvent(QShowEvent*) { RequestPicture(this); }

void TreemapPane::hideEvent(QHideEvent*) {
    // Hidden, the pane does no work at all.
    CancelTreemapWork(&view.worker);
}

bool TreemapPane::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        QHelpEvent* help = static_cast<QHelpEvent*>(event);
        const TreemapTile* tile = TileAt(help->pos());
        if (tile)
            QToolTip::showText(help->globalPos(), TreemapTileText(view.shown, *tile), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TreemapPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const TreemapTile* tile = TileAt(event->position().toPoint());
    if (!tile || listedPlace != view.shown.place) return;
    const ItemNode* entry = TopEntryOf(tile->item, view.shown.place);
    const int position = entry ? ShownRowPosition(FindListRow(entry)) : -1;
    if (position < 0) return;
    SelectOnlyRow(position);
    // The row's commands (Open, Delete) follow the list's focus.
    if (listPane) listPane->setFocus(Qt::MouseFocusReason);
}

void TreemapPane::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const TreemapTile* tile = TileAt(event->position().toPoint());
    if (!tile || listedPlace != view.shown.place) return;
    const ItemNode* entry = TopEntryOf(tile->item, view.shown.place);
    if (!entry || !OpensAsPlace(entry)) return;
    // As Open goes into a row's folder: at once, through the history.
    openRequested = true;
    SelectItemInTree(entry);
    openRequested = false;
}

TreemapPane* CreateTreemapPane(QWidget* parent) {
    treemapPane = new TreemapPane(parent);
    if (listPane && listPane->selectionModel()) {
        TreemapPane* pane = treemapPane;
        QObject::connect(listPane->selectionModel(), &QItemSelectionModel::currentChanged, pane,
                         [pane] { FollowFocusedRow(pane); });
    }
    return treemapPane;
}

void ShowTreemapPlace(ItemNode* place) {
    if (!treemapPane) return;
    PauseTreemap();
    treemapPane->view.place = place;
    ResumeTreemap();
}

void PauseTreemap() {
    // The windows of the kinds of files read the same tree.
    PauseFileKinds();
    if (!treemapPane) return;
    TreemapView& view = treemapPane->view;
    ++view.pauses;
    // Nothing drawn before the change is shown after it.
    ++view.serial;
    if (!CancelTreemapWork(&view.worker)) return;
    // The worker looks at its cancel word every few hundred entries; its
    // report wakes this loop.
    NestedLoop loop;
    ++waitingLoops;
    while (TreemapWorkerReading(&view.worker))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    --waitingLoops;
}

void ResumeTreemap() {
    ResumeFileKinds();
    if (!treemapPane) return;
    TreemapView& view = treemapPane->view;
    if (view.pauses > 0) --view.pauses;
    if (view.pauses == 0) RequestPicture(treemapPane);
}

void ForgetTreemapItems() {
    if (!treemapPane) return;
    PauseTreemap();
    TreemapView& view = treemapPane->view;
    view.place = nullptr;
    view.shown = TreemapPicture();
    view.shown.place = nullptr;
    view.outlined = nullptr;
    view.outline = QRect();
    view.focusText.clear();
    ResumeTreemap();
}

bool TreemapWaiting() { return waitingLoops > 0; }

QString TreemapTileText(const TreemapPicture& picture, const TreemapTile& tile) {
    const ItemNode* item = tile.item;
    if (item == picture.place) return StringText(STR_TREEMAP_SMALL_OF).arg(PathText(item));
    const bool rest = TreemapLaysOutContent(item);
    const QString path = PathText(item);
    const uint64_t bytes = TreemapEntryBytes(item);
    return (rest ? StringText(STR_TREEMAP_SMALL_OF).arg(path) : path) + QLatin1Char('\n') + SizeText(bytes) +
           QStringLiteral(", ") + ShareText(bytes, picture.placeBytes);
}
