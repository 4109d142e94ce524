#include "views/place_comparison.h"
#include "views/status_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

#include "model/file_drives.h"
#include "model/item_tree.h"
#include "platform/input_spool.h"
#include "views/image_list.h"
#include "views/list_model.h"
#include "views/size_choice.h"
#include "model/display_name.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

StatusPartInfo statusPart0 = {STATUS_NONE, nullptr, 0};
StatusPartInfo statusPart1 = {STATUS_NONE, nullptr, 0};
StatusPartInfo statusPart2 = {STATUS_NONE, nullptr, 0};
QWidget* statusBar = nullptr;

namespace {

constexpr int IMAGE_SIZE = 16;
constexpr int IMAGE_LEFT = 2;    // the icon's offset from a part's left edge
constexpr int TEXT_OFFSET = 25;  // the text's offset from a part's left edge
constexpr int PART_GAP = 2;      // between the frames of neighbouring parts
constexpr int PADDING = 2;       // between a frame and what it holds
constexpr int PROGRESS_WIDTH = 120;

// What the bar shows, kept apart from the widget so that the records can be
// set and read while no bar exists. A part either paints its record (the
// owner-draw data) or holds a plain text.
struct StatusState {
    const StatusPartInfo* records[STATUS_PART_COUNT];
    QString plainTexts[STATUS_PART_COUNT];
    bool simple;
    QString simpleText;
    int progress;  // thousandths; negative while hidden
};
StatusState state = {{}, {}, false, {}, -1};

// What each drive's last scan could not read.
struct UnreadableNote {
    uint32_t count;
    QString firstPath;
};
std::unordered_map<const ItemNode*, UnreadableNote> unreadableNotes;

const UnreadableNote* NoteOf(const ItemNode* drive) {
    auto found = unreadableNotes.find(drive);
    return found == unreadableNotes.end() ? nullptr : &found->second;
}

// The text a record's kind makes of its item, read from the item now.
QString RecordText(const StatusPartInfo& record) {
    const ItemNode* item = record.item;
    switch (record.kind) {
    case STATUS_FOLDER: {
        uint32_t count = item ? CountVisibleItems(item->children, item->childCount) : 0;
        QString size = SizeWithUnitText(record.value);
        if (item && (item->flags & ITEM_INCOMPLETE)) size = LowerBoundText(size);
        return StringText(STR_STATUS_ITEMS).arg(count).arg(size);
    }
    case STATUS_DRIVE_FREE:
        return StringText(STR_STATUS_FREE).arg(SizeWithUnitText(item ? DriveFreeBytes(item) : 0));
    case STATUS_ROOT:
        return StringText(STR_STATUS_DRIVES).arg(item ? CountVisibleItems(item->children, item->childCount) : 0);
    case STATUS_SCAN_FILE: {
        const FileDrive* file = FileDriveOf(item);
        if (!file) return QString();
        QString date = QLocale().toString(QDateTime::fromSecsSinceEpoch(file->fileTime), QLocale::ShortFormat);
        // A scan piped in has no name of its own.
        const QString source = IsSpooledInput(file->fileName)
                                   ? StringText(STR_STANDARD_INPUT)
                                   : QFileInfo(QString::fromLocal8Bit(file->fileName)).fileName();
        return StringText(STR_READ_FROM_SCAN_FILE).arg(source, date);
    }
    case STATUS_UNREADABLE:
        return StringText(STR_UNREADABLE_COUNT).arg(record.value);
    case STATUS_PENDING:
        return StringText(STR_STATUS_PENDING);
    case STATUS_FILTERED:
        return StringText(STR_FILTER_COUNT).arg(record.value >> 32).arg(record.value & 0xFFFFFFFFu);
    default:
        return QString();
    }
}

QString PartText(int part) {
    if (const StatusPartInfo* record = state.records[part]) return RecordText(*record);
    // The part left empty tells a listed folder's change while a comparison is on.
    if (part == 2 && state.plainTexts[part].isEmpty() && state.records[0] && state.records[0]->kind == STATUS_FOLDER)
        return ComparisonStatusText();
    return state.plainTexts[part];
}

QString PartToolTip(int part) {
    const StatusPartInfo* record = state.records[part];
    if (!record || record->kind != STATUS_UNREADABLE) return QString();
    const UnreadableNote* note = NoteOf(record->item);
    return note ? StringText(STR_STATUS_UNREADABLE_FIRST).arg(note->firstPath) : QString();
}

// Every part's text, made once for a paint or a change: a folder's text
// counts all its entries.
void PartTexts(QString texts[STATUS_PART_COUNT]) {
    for (int part = 0; part < STATUS_PART_COUNT; ++part) texts[part] = PartText(part);
}

// The right edges of the parts as painted: the fixed edges, except that a
// part whose text would be cut grows to hold it and moves the later parts
// along (a free-bytes text of a large drive is wider than its part).
void PartEdges(const QFontMetrics& metrics, const QString texts[STATUS_PART_COUNT], int edges[STATUS_PART_COUNT]) {
    int shift = 0;
    for (int part = 0; part < STATUS_PART_COUNT; ++part) {
        int left = part == 0 ? 0 : edges[part - 1];
        int needed = 0;
        const QString& text = texts[part];
        if (!text.isEmpty())
            needed = left + 1 + TEXT_OFFSET + metrics.horizontalAdvance(text) + PADDING + 1 + PART_GAP;
        edges[part] = std::max(STATUS_PART_EDGES[part] + shift, needed);
        shift = edges[part] - STATUS_PART_EDGES[part];
    }
}

// The frame of a part: from the previous part's right edge to its own.
QRect PartFrame(const int edges[STATUS_PART_COUNT], int part, int height) {
    int left = part == 0 ? 0 : edges[part - 1];
    return QRect(left, 1, edges[part] - left - PART_GAP, height - 2);
}

void DrawSunkenFrame(QPainter& painter, const QRect& frame, const QPalette& palette) {
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(palette.color(QPalette::Light));
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
}

// The status bar: three owner-drawn parts at fixed edges, or one text with
// the scan's progress beside it. Screen readers get what is painted as the
// accessible name and the parts' texts as the description.
class StatusBarWidget : public QWidget {
public:
    explicit StatusBarWidget(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("statusBar"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        progressBar = new QProgressBar(this);
        progressBar->setObjectName(QStringLiteral("scanProgress"));
        progressBar->setAccessibleName(StringText(STR_SCAN_PROGRESS));
        progressBar->setRange(0, 1000);
        progressBar->setTextVisible(true);
        progressBar->hide();
        Announce();
    }

    ~StatusBarWidget() override {
        if (statusBar == this) statusBar = nullptr;
    }

    QSize sizeHint() const override {
        int inner = std::max(IMAGE_SIZE, fontMetrics().height());
        // A margin line, the frame and the padding above and below.
        return QSize(STATUS_PART_EDGES[STATUS_PART_COUNT - 1], inner + 6);
    }
    QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }

    // The texts for screen readers, set again after every change and paint.
    void Announce() {
        QString texts[STATUS_PART_COUNT];
        PartTexts(texts);
        Announce(texts);
    }
    void Announce(const QString texts[STATUS_PART_COUNT]) {
        QStringList parts, described;
        for (int part = 0; part < STATUS_PART_COUNT; ++part) {
            if (texts[part].isEmpty()) continue;
            parts << texts[part];
            QString tip = PartToolTip(part);
            described << (tip.isEmpty() ? texts[part] : texts[part] + QStringLiteral(" (") + tip + QStringLiteral(")"));
        }
        QString partsText = parts.join(QStringLiteral("; "));
        QString description = described.join(QStringLiteral("; "));
        QString shown = state.simple ? state.simpleText : partsText;
        if (accessibleName() != shown) setAccessibleName(shown);
        if (accessibleDescription() != description) setAccessibleDescription(description);
    }

    // Shows or hides the progress bar for the mode and value now set.
    void PlaceProgress() {
        bool shown = state.simple && state.progress >= 0;
        if (shown) {
            QRect content = ContentRect(QRect(0, 1, width(), height() - 2));
            int barWidth = std::min(PROGRESS_WIDTH, content.width() / 2);
            progressBar->setGeometry(content.right() - barWidth + 1, content.top(), barWidth, content.height());
            progressBar->setValue(std::min(state.progress, 1000));
        }
        progressBar->setVisible(shown);
    }

protected:
    void resizeEvent(QResizeEvent*) override { PlaceProgress(); }

    bool event(QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return QWidget::event(event);
        auto* help = static_cast<QHelpEvent*>(event);
        QString tip;
        for (int part = 0; !state.simple && part < STATUS_PART_COUNT; ++part) {
            if (StatusPartRect(part).contains(help->pos())) tip = PartToolTip(part);
        }
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }

    void paintEvent(QPaintEvent*) override {
        QString texts[STATUS_PART_COUNT];
        PartTexts(texts);
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(0, 0, width() - 1, 0);
        if (state.simple) {
            QRect frame(0, 1, width() - 1, height() - 2);
            DrawSunkenFrame(painter, frame, palette());
            QRect text = ContentRect(frame).adjusted(PADDING, 0, 0, 0);
            if (progressBar->isVisible()) text.setRight(progressBar->geometry().left() - 2 * PADDING);
            painter.setPen(palette().color(QPalette::WindowText));
            QString shown = fontMetrics().elidedText(state.simpleText, Qt::ElideMiddle, std::max(0, text.width()));
            painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        } else {
            int edges[STATUS_PART_COUNT];
            PartEdges(fontMetrics(), texts, edges);
            for (int part = 0; part < STATUS_PART_COUNT; ++part)
                DrawPart(painter, PartFrame(edges, part, height()), part, texts[part]);
        }
        Announce(texts);
    }

private:
    // Inside a frame: its line, then the padding above and below.
    static QRect ContentRect(const QRect& frame) { return frame.adjusted(1, PADDING, -1, -PADDING); }

    // One part: its frame, then, unless it draws nothing, the item's image
    // at the top left and the text after a 25-pixel gap, vertically centred.
    void DrawPart(QPainter& painter, const QRect& frame, int part, const QString& text) {
        DrawSunkenFrame(painter, frame, palette());
        const StatusPartInfo* record = state.records[part];
        if (record && record->kind == STATUS_NONE) return;
        QRect content = ContentRect(frame);
        painter.save();
        painter.setClipRect(content);
        if (record && record->item) {
            QIcon image = SmallImage(TreeImagesOf(record->item));
            if (!image.isNull())
                image.paint(&painter, QRect(content.left() + IMAGE_LEFT, content.top(), IMAGE_SIZE, IMAGE_SIZE));
        }
        QRect textRect = content.adjusted(TEXT_OFFSET, 0, 0, 0);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.restore();
    }

    QProgressBar* progressBar;
};

StatusBarWidget* Bar() { return static_cast<StatusBarWidget*>(statusBar); }

// Something the bar shows changed: paint it later and tell screen readers now.
void Changed() {
    if (StatusBarWidget* bar = Bar()) {
        bar->update();
        bar->Announce();
    }
}

// Gives the bar the status bar role, so that screen readers present it as one.
QAccessibleInterface* StatusBarAccessible(const QString&, QObject* object) {
    if (auto* bar = dynamic_cast<StatusBarWidget*>(object)) return new QAccessibleWidget(bar, QAccessible::StatusBar);
    return nullptr;
}

}  // namespace

QWidget* CreateStatusBar(QWidget* parent) {
    static bool factoryInstalled = false;
    if (!factoryInstalled) {
        QAccessible::installFactory(StatusBarAccessible);
        factoryInstalled = true;
    }
    state = StatusState{{}, {}, false, {}, -1};
    return new StatusBarWidget(parent);
}

void SetupStatusParts() {
    for (int part = 0; part < STATUS_PART_COUNT; ++part) {
        state.records[part] = nullptr;
        state.plainTexts[part].clear();
    }
    Changed();
}

void ShowPlaceStatus(int kind, ItemNode* item, uint64_t value) {
    statusPart0 = {kind, item, value};
    state.records[0] = &statusPart0;
    if (ItemNode* drive = DriveOf(item)) {
        // A scan file's drive has no free space: where it came from instead.
        statusPart1 = {(drive->flags & ITEM_FROM_FILE) ? STATUS_SCAN_FILE : STATUS_DRIVE_FREE, drive, 0};
        state.records[1] = &statusPart1;
        // What the drive's scan could not read stays in sight while it is shown.
        const UnreadableNote* note = NoteOf(drive);
        statusPart2 = {note ? STATUS_UNREADABLE : STATUS_NONE, drive, note ? note->count : 0};
        state.records[2] = note ? &statusPart2 : nullptr;
    }
    Changed();
}

void ShowFolderStatus(ItemNode* item, uint64_t listedTotal) { ShowPlaceStatus(STATUS_FOLDER, item, listedTotal); }

void ShowPendingStatus(ItemNode* item) { ShowPlaceStatus(STATUS_PENDING, item, 0); }

void ShowRootStatus() {
    statusPart0 = {STATUS_ROOT, rootItem, 0};
    state.records[0] = &statusPart0;
    state.records[1] = nullptr;
    state.plainTexts[1].clear();
    state.records[2] = nullptr;
    Changed();
}

void NoteUnreadable(const ItemNode* drive, uint32_t count, const QString& firstPath) {
    if (count == 0)
        unreadableNotes.erase(drive);
    else
        unreadableNotes[drive] = {count, firstPath};
}

void DropUnreadableNotes() {
    unreadableNotes.clear();
    state.records[2] = nullptr;
    statusPart2.kind = STATUS_NONE;
}

void ClearStatusParts() {
    statusPart0.kind = STATUS_NONE;
    statusPart1.kind = STATUS_NONE;
    statusPart2.kind = STATUS_NONE;
    // A later paint draws nothing; the place shown next usually comes first.
    Changed();
}

ItemNode* DriveOf(ItemNode* item) {
    for (ItemNode* at = item; at && at != rootItem; at = at->parent) {
        if (at->flags & ITEM_DRIVE) return at;
    }
    return nullptr;
}

void SetStatusSimple(bool on) {
    state.simple = on;
    if (StatusBarWidget* bar = Bar()) bar->PlaceProgress();
    Changed();
}

void SetStatusSimpleText(const char16_t* text) {
    state.simpleText = text ? DisplayName(text) : QString();
    if (StatusBarWidget* bar = Bar()) {
        bar->Announce();
        // At once: the scan worker waits in this call and goes on only when
        // the path it reported is on the screen.
        bar->repaint();
    }
}

void SetStatusProgress(int permille) {
    state.progress = permille < 0 ? -1 : permille;
    if (StatusBarWidget* bar = Bar()) bar->PlaceProgress();
}

QRect StatusPartRect(int part) {
    if (!statusBar || part < 0 || part >= STATUS_PART_COUNT) return QRect();
    QString texts[STATUS_PART_COUNT];
    PartTexts(texts);
    int edges[STATUS_PART_COUNT];
    PartEdges(statusBar->fontMetrics(), texts, edges);
    return PartFrame(edges, part, statusBar->height());
}

QString StatusPartToolTip(int part) {
    if (part < 0 || part >= STATUS_PART_COUNT) return QString();
    return PartToolTip(part);
}

QString StatusPartText(int part) {
    if (part == STATUS_SIMPLE_PART) return state.simpleText;
    if (part < 0 || part >= STATUS_PART_COUNT) return QString();
    return PartText(part);
}
