#include "views/list_columns.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionHeaderV2>
#include <QTreeView>

#include <algorithm>

#include "platform/platform_kind.h"
#include "platform/settings_blob.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/image_list.h"
#include "views/list_model.h"

namespace {

// Header texts are read into buffers of this size, as every string is.
constexpr int HEADER_TEXT_CHARS = 32;
// Widths beyond this are not a layout anyone dragged: a damaged record.
constexpr int32_t WIDEST_COLUMN = 10000;
// Room around a cell's text and a header's text and arrow, in pixels.
constexpr int CELL_MARGINS = 12;
constexpr int ARROW_ROOM = 18;

enum ColumnText {
    TEXT_NAME,     // a name: wide enough for its header, else as classic
    TEXT_BYTES,    // a grouped byte count
    TEXT_PERCENT,  // "100%"
    TEXT_OTHER,    // a type text or a date
};

struct ColumnTraits {
    StringId header;
    Qt::Alignment alignment;
    int32_t defaultWidth;
    ColumnText text;
    bool naturalDescending;  // a first click sorts largest first (Size and Possession)
};

const ColumnTraits DRIVE_COLUMNS[LIST_COLUMNS] = {
    {STR_HEADER_STORAGE, Qt::AlignLeft, 110, TEXT_NAME, false},
    {STR_HEADER_DRIVE_SIZE, Qt::AlignRight, 80, TEXT_BYTES, false},
    {STR_HEADER_USAGE, Qt::AlignRight, 80, TEXT_BYTES, false},
    {STR_HEADER_USAGE_PERCENT, Qt::AlignRight, 50, TEXT_PERCENT, false},
    {STR_HEADER_FREE_SPACE, Qt::AlignRight, 80, TEXT_BYTES, false},
};

const ColumnTraits CONTENTS_COLUMNS[LIST_COLUMNS] = {
    {STR_HEADER_NAME, Qt::AlignLeft, 160, TEXT_NAME, false},
    {STR_HEADER_SIZE, Qt::AlignRight, 80, TEXT_BYTES, true},
    {STR_HEADER_POSSESSION, Qt::AlignRight, 50, TEXT_PERCENT, true},
    {STR_HEADER_TYPE, Qt::AlignLeft, 80, TEXT_OTHER, false},
    {STR_HEADER_MODIFIED, Qt::AlignLeft, 84, TEXT_OTHER, false},
};

// The Change column a comparison adds to the contents set; its width is not
// kept (the settings record holds the five columns of each set).
const ColumnTraits CHANGE_COLUMN = {STR_HEADER_CHANGE, Qt::AlignRight, 90, TEXT_BYTES, true};

// The header texts and images of the set shown now, the Change column's last.
QString headerTexts[LIST_COLUMNS + 1];
int headerImages[LIST_COLUMNS + 1] = {IMAGE_NO_ARROW, IMAGE_NO_ARROW, IMAGE_NO_ARROW,
                                      IMAGE_NO_ARROW, IMAGE_NO_ARROW, IMAGE_NO_ARROW};

// The traits of a column of set, the Change column included.
const ColumnTraits& TraitsOf(int set, int column) {
    if (column == LIST_CHANGE_COLUMN && set != LIST_DRIVES) return CHANGE_COLUMN;
    return (set == LIST_DRIVES ? DRIVE_COLUMNS : CONTENTS_COLUMNS)[column];
}

const ColumnTraits* ColumnsOf(ListMode mode) { return mode == LIST_DRIVES ? DRIVE_COLUMNS : CONTENTS_COLUMNS; }

// The settings fields of a set: widths by column, and for each display
// position the column shown there.
int32_t* WidthsOf(ListMode mode) {
    return mode == LIST_DRIVES ? settingsBlob.driveColumnWidths : settingsBlob.contentsColumnWidths;
}
int32_t* OrderOf(ListMode mode) {
    return mode == LIST_DRIVES ? settingsBlob.driveColumnOrder : settingsBlob.contentsColumnOrder;
}

QHeaderView* ListHeader() { return listPane ? listPane->header() : nullptr; }

// Gives the columns of the set shown now their stored widths and order. A
// width or an order that no list could have produced (a damaged record)
// gives way to the default, so every column stays on screen.
void ApplyShownLayout() {
    QHeaderView* header = ListHeader();
    if (!header || header->count() < LIST_COLUMNS) return;
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    const int32_t* widths = WidthsOf(listMode);
    const int32_t* order = OrderOf(listMode);
    for (int column = 0; column < LIST_COLUMNS; ++column) {
        const int32_t width = widths[column];
        const bool sound = width >= 0 && width <= WIDEST_COLUMN;
        header->resizeSection(column, sound ? width : DefaultColumnWidth(listMode, column));
    }
    bool seen[LIST_COLUMNS] = {};
    bool permutation = true;
    for (int position = 0; position < LIST_COLUMNS && permutation; ++position) {
        const int32_t column = order[position];
        permutation = column >= 0 && column < LIST_COLUMNS && !seen[column];
        if (permutation) seen[column] = true;
    }
    for (int position = 0; position < LIST_COLUMNS; ++position) {
        const int column = permutation ? order[position] : position;
        header->moveSection(header->visualIndex(column), position);
    }
    if (header->count() > LIST_CHANGE_COLUMN)
        header->resizeSection(LIST_CHANGE_COLUMN, DefaultColumnWidth(listMode, LIST_CHANGE_COLUMN));
    // On a desktop's wide pane the name takes what the other columns leave,
    // wherever it stands; those keep their widths, dragged ones included.
    header->setSectionResizeMode(0, platformKind == PLATFORM_OTHER ? QHeaderView::Stretch : QHeaderView::Interactive);
}

bool SwitchColumns(ListMode mode) {
    if (listMode == mode) return true;
    if (!listModel || !ListHeader()) return false;
    if (listMode != LIST_NONE) SaveColumnLayout();
    const ColumnTraits* columns = ColumnsOf(mode);
    char16_t text[HEADER_TEXT_CHARS];
    for (int column = 0; column < LIST_COLUMNS; ++column) {
        LoadStringText(columns[column].header, text, HEADER_TEXT_CHARS);
        headerTexts[column] = QString::fromUtf16(text);
        headerImages[column] = IMAGE_NO_ARROW;
    }
    LoadStringText(CHANGE_COLUMN.header, text, HEADER_TEXT_CHARS);
    headerTexts[LIST_CHANGE_COLUMN] = QString::fromUtf16(text);
    headerImages[LIST_CHANGE_COLUMN] = IMAGE_NO_ARROW;
    // The rows of the other set mean nothing under these columns; the fill
    // that follows brings its own.
    listModel->BeginReset();
    listMode = mode;
    shownRows.count = 0;
    shownRows.positionsValid = false;
    listModel->EndReset();
    ApplyShownLayout();
    return true;
}

// Draws a header section's image right of its text: after the text in a
// left-aligned column, at the right edge in a right-aligned one.
class HeaderArrowStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option);
        if (element != CE_HeaderLabel || !header || header->icon.isNull()) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const int size = pixelMetric(PM_SmallIconSize, option, widget);
        const int gap = 2;
        QStyleOptionHeaderV2 label;
        if (const auto* v2 = qstyleoption_cast<const QStyleOptionHeaderV2*>(option))
            label = *v2;
        else
            static_cast<QStyleOptionHeader&>(label) = *header;
        label.icon = QIcon();
        label.rect.setRight(header->rect.right() - size - gap);
        // A header too narrow for its text shows its beginning, never a cut-off start.
        label.text = header->fontMetrics.elidedText(header->text, Qt::ElideRight, label.rect.width());
        QProxyStyle::drawControl(CE_HeaderLabel, &label, painter, widget);

        int left = label.rect.right() + gap;
        if (!(header->textAlignment & Qt::AlignRight))
            left = std::min(left, label.rect.left() + header->fontMetrics.horizontalAdvance(label.text) + gap);
        const QRect place(left, header->rect.center().y() - size / 2, size, size);
        const QIcon::Mode mode = (header->state & State_Enabled) ? QIcon::Normal : QIcon::Disabled;
        header->icon.paint(painter, place, Qt::AlignCenter, mode);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        // The sort arrow is the header's image; the style's own indicator never shows.
        if (element == PE_IndicatorHeaderArrow) return;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

}  // namespace

int32_t DefaultColumnWidth(int set, int column) {
    if (column < 0 || column > LIST_CHANGE_COLUMN || (column == LIST_CHANGE_COLUMN && set == LIST_DRIVES)) return 0;
    const ColumnTraits& traits = TraitsOf(set, column);
    const QFontMetrics metrics(QApplication::font());
    char16_t text[HEADER_TEXT_CHARS];
    LoadStringText(traits.header, text, HEADER_TEXT_CHARS);
    int needed = metrics.horizontalAdvance(QString::fromUtf16(text)) + ARROW_ROOM + CELL_MARGINS;
    if (traits.text == TEXT_BYTES)
        needed = std::max(needed, metrics.horizontalAdvance(QStringLiteral("000,000,000,000,000")) + CELL_MARGINS);
    if (traits.text == TEXT_PERCENT)
        needed = std::max(needed, metrics.horizontalAdvance(QStringLiteral("100%")) + CELL_MARGINS);
    // A desktop's type texts are its MIME types' comments, longer than a
    // handheld's: the Type column holds the commonest one whole.
    if (set == LIST_CONTENTS && column == 3 && platformKind == PLATFORM_OTHER)
        needed = std::max(needed, metrics.horizontalAdvance(QStringLiteral("plain text document")) + CELL_MARGINS);
    return std::max(traits.defaultWidth, static_cast<int32_t>(needed));
}

bool NaturalDescending(int set, int column) {
    if (column < 0 || column > LIST_CHANGE_COLUMN || (column == LIST_CHANGE_COLUMN && set == LIST_DRIVES)) return false;
    return TraitsOf(set, column).naturalDescending;
}

bool SwitchToDriveColumns() { return SwitchColumns(LIST_DRIVES); }
bool SwitchToContentsColumns() { return SwitchColumns(LIST_CONTENTS); }

QString ColumnHeaderText(int column) {
    return column >= 0 && column < ShownColumnCount() ? headerTexts[column] : QString();
}

int ColumnHeaderImage(int column) {
    return column >= 0 && column < ShownColumnCount() ? headerImages[column] : IMAGE_NONE;
}

Qt::Alignment ColumnAlignment(int column) {
    if (column < 0 || column >= ShownColumnCount() || listMode == LIST_NONE) return Qt::AlignLeft;
    return TraitsOf(listMode, column).alignment;
}

void UpdateHeaderArrows() {
    if (listMode == LIST_NONE) return;
    const bool drives = listMode == LIST_DRIVES;
    const int sortColumn = drives ? driveSortColumn : contentsSortColumn;
    const bool reversed = drives ? driveSortReversed : contentsSortReversed;
    for (int column = 0; column <= LIST_CHANGE_COLUMN; ++column) {
        const int natural = NaturalDescending(listMode, column) ? 1 : 0;
        if (column != sortColumn)
            headerImages[column] = IMAGE_NO_ARROW;
        else
            headerImages[column] = reversed ? IMAGE_ARROW_DOWN - natural : IMAGE_ARROW_UP + natural;
    }
    if (listModel) listModel->HeaderChanged();
}

void SaveColumnLayout() {
    QHeaderView* header = ListHeader();
    if (!header || listMode == LIST_NONE || header->count() < LIST_COLUMNS) return;
    int32_t* widths = WidthsOf(listMode);
    int32_t* order = OrderOf(listMode);
    for (int column = 0; column < LIST_COLUMNS; ++column) widths[column] = header->sectionSize(column);
    // The order of the five kept columns, wherever the Change column stands.
    int position = 0;
    for (int visual = 0; visual < header->count() && position < LIST_COLUMNS; ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < LIST_COLUMNS) order[position++] = column;
    }
}

void InstallHeaderArrowStyle(QHeaderView* header) {
    auto* style = new HeaderArrowStyle();
    style->setParent(header);
    header->setStyle(style);
    header->setSortIndicatorShown(false);
}
