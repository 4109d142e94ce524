#include "views/pie_chart.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>

#include "model/format.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

namespace {

// Below this total the quadrant is (4 x v) / total exactly.
constexpr uint64_t PIE_EXACT_QUADRANT_LIMIT = 536870912;  // 2^29

// The widget that holds a chart's record and shows its image. Painting only
// copies the image; the chart is drawn at PCM_REDRAW alone.
class PieChartWindow : public QWidget {
public:
    PieChartWindow(QWidget* parent, PieChart* record) : QWidget(parent), chart(record) {
        setObjectName(QStringLiteral("pieChart"));
        setAccessibleName(StringText(STR_PIE_CHART_NAME));
        QPalette background = palette();
        background.setColor(QPalette::Window, Qt::white);
        setPalette(background);
        setAutoFillBackground(true);
        // A close request destroys the control.
        setAttribute(Qt::WA_DeleteOnClose);
    }

    // The record and its slices go with the widget.
    ~PieChartWindow() override {
        if (!chart) return;
        std::free(chart->slices);
        delete chart;
        chart = nullptr;
    }

    PieChart* chart;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!chart || chart->bitmap.isNull()) return;
        QPainter painter(this);
        if (!painter.isActive()) return;
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), chart->bitmap);
    }

    // The event's sizes are not used; the widget's own size is.
    void resizeEvent(QResizeEvent*) override {
        if (chart) ResizePieChart(chart, size(), devicePixelRatioF());
    }

    // The chart does not hit-test its slices, and a press goes to no one else.
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};

PieChartWindow* ChartWindow(QWidget* widget) {
    return dynamic_cast<PieChartWindow*>(widget);
}

PieChart* ChartOf(QWidget* widget) {
    PieChartWindow* window = ChartWindow(widget);
    return window ? window->chart : nullptr;
}

// Grows the slice array to exactly capacity records, keeping the slices held;
// nothing changes when capacity is not above the current one, cannot be
// counted in 32 bits, or cannot be allocated.
void ReserveSlices(PieChart* chart, uint64_t capacity) {
    if (capacity <= chart->sliceCapacity || capacity > UINT32_MAX) return;
    PieSlice* grown = static_cast<PieSlice*>(std::calloc(capacity, sizeof(PieSlice)));
    if (!grown) return;
    if (chart->sliceCount) std::memcpy(grown, chart->slices, chart->sliceCount * sizeof(PieSlice));
    std::free(chart->slices);
    chart->slices = grown;
    chart->sliceCapacity = static_cast<uint32_t>(capacity);
}

// Appends a copy of slice with its position as sliceIndex; a full array grows
// by exactly one record, and a slice that still does not fit is dropped.
void AddSlice(PieChart* chart, const PieSlice* slice) {
    if (!slice) return;
    if (chart->sliceCount == chart->sliceCapacity) ReserveSlices(chart, uint64_t{chart->sliceCount} + 1);
    if (chart->sliceCount == chart->sliceCapacity) return;
    PieSlice* copy = &chart->slices[chart->sliceCount];
    *copy = *slice;
    copy->sliceIndex = chart->sliceCount;
    ++chart->sliceCount;
}

// Total 0; the slices, their count, capacity and the highlight go only when
// an array exists.
void ResetChart(PieChart* chart) {
    chart->totalValue = 0;
    chart->sliceNames.clear();
    if (!chart->slices) return;
    std::free(chart->slices);
    chart->slices = nullptr;
    chart->sliceCount = 0;
    chart->sliceCapacity = 0;
    chart->highlightIndex = -1;
}

// The running value after adding value to running, held at total: slices
// that add up to more than the total end at twelve o'clock and leave no
// remainder, so the picture never wraps round.
uint64_t Advance(uint64_t running, uint64_t value, uint64_t total) {
    return value > total - running ? total : running + value;
}

// The point of running value v on the circle of radius r around the centre.
QPoint PointOf(const PieChart* chart, uint64_t v, int r) {
    // The share is taken in extended precision first, so that 64-bit values
    // keep their exact ratio and an exact half or quarter gives an exact angle.
    double share = static_cast<double>(static_cast<long double>(v) / static_cast<long double>(chart->totalValue));
    double theta = share * 2 * std::numbers::pi;
    return QPoint(chart->centre.x() + static_cast<int>(std::trunc(r * std::sin(theta))),
                  chart->centre.y() - static_cast<int>(std::trunc(r * std::cos(theta))));
}

// The accessible description of what the chart holds now, for example
// "2 slices: Windows 25%, 25%, remainder 50%".
QString DescribeChart(const PieChart* chart) {
    if (chart->totalValue == 0) return StringText(STR_PIE_NO_TOTAL);
    QString text = chart->sliceCount == 1 ? StringText(STR_PIE_ONE_SLICE)
                                          : StringText(STR_PIE_SLICES).arg(chart->sliceCount);
    const QString share = StringText(STR_PIE_SLICE_SHARE);
    uint64_t running = 0;
    for (uint32_t i = 0; i < chart->sliceCount; ++i) {
        uint64_t next = Advance(running, chart->slices[i].sliceValue, chart->totalValue);
        if (i < static_cast<uint32_t>(chart->sliceNames.size()) && !chart->sliceNames[i].isEmpty())
            text += chart->sliceNames[i] + QLatin1Char(' ');
        text += share.arg(Percent(next - running, chart->totalValue));
        running = next;
    }
    if (running < chart->totalValue)
        text += StringText(STR_PIE_REMAINDER).arg(Percent(chart->totalValue - running, chart->totalValue));
    else
        text.chop(2);
    return text;
}

// Draws the chart, sets the chart's own description unless the host set
// another, and repaints the widget at once.
void RedrawChart(PieChart* chart) {
    RenderPieChart(chart);
    QWidget* window = chart->window;
    if (!window) return;
    QString current = window->accessibleDescription();
    if (current.isEmpty() || current == chart->description) {
        chart->description = DescribeChart(chart);
        window->setAccessibleDescription(chart->description);
    }
    window->repaint();
}

}  // namespace

QWidget* CreatePieChart(QWidget* parent, int controlId) {
    // Without a record the widget is a plain white area that answers 0.
    PieChart* chart = new (std::nothrow) PieChart{};
    if (chart) {
        chart->highlightIndex = -1;
        for (int i = 0; i < PIE_PALETTE_SIZE; ++i) chart->paletteBrushes[i] = QBrush(QColor(PIE_PALETTE[i]));
        chart->highlightBrush = QBrush(PieHighlightColour());
    }
    PieChartWindow* window = new PieChartWindow(parent, chart);
    if (chart) {
        chart->window = window;
        chart->parentWindow = parent;
        chart->controlId = static_cast<uint16_t>(controlId);
    }
    return window;
}

int64_t SendPieMessage(QWidget* widget, uint32_t message, uint64_t wParam, const void* lParam) {
    PieChart* chart = ChartOf(widget);
    if (!chart) return 0;
    switch (message) {
    case PCM_RESET:
        ResetChart(chart);
        return 0;
    case PCM_SETTOTAL:
        chart->totalValue = wParam;
        return 0;
    case PCM_GETTOTAL:
        return static_cast<int64_t>(chart->totalValue);
    case PCM_RESERVE:
        ReserveSlices(chart, wParam);
        return 0;
    case PCM_GETCOUNT:
        return chart->sliceCount;
    case PCM_ADDSLICE:
        AddSlice(chart, static_cast<const PieSlice*>(lParam));
        return 0;
    case PCM_NEXTSLICE:
        // -1 (all bits set) wraps to 0 and starts an iteration.
        return wParam + 1 < chart->sliceCount ? static_cast<int64_t>(wParam + 1) : -1;
    case PCM_SETHIGHLIGHT: {
        // No range check; but a word that is no 32-bit index could only name
        // a slice by its truncated bits, so it means none.
        int64_t index = static_cast<int64_t>(wParam);
        chart->highlightIndex = index >= -1 && index <= INT32_MAX ? static_cast<int32_t>(index) : -1;
        return index;
    }
    case PCM_GETHIGHLIGHT:
        return chart->highlightIndex;
    case PCM_REDRAW:
        RedrawChart(chart);
        return 0;
    default:
        return 0;
    }
}

void SetPieSliceNames(QWidget* widget, const QStringList& names) {
    if (PieChart* chart = ChartOf(widget)) chart->sliceNames = names;
}

const PieChart* PieChartRecord(QWidget* widget) {
    return ChartOf(widget);
}

QColor PieHighlightColour() {
    return QGuiApplication::palette().color(QPalette::Highlight);
}

void ResizePieChart(PieChart* chart, QSize size, double pixelRatio) {
    // The image is made in device pixels so that a scaled screen shows it
    // sharp; it is filled white, which is the background and not the chart.
    if (!(pixelRatio > 0)) pixelRatio = 1;
    QSize pixels(static_cast<int>(std::ceil(size.width() * pixelRatio)),
                 static_cast<int>(std::ceil(size.height() * pixelRatio)));
    chart->bitmap = QImage();
    if (!pixels.isEmpty()) {
        chart->bitmap = QImage(pixels, QImage::Format_RGB32);
        if (!chart->bitmap.isNull()) {
            chart->bitmap.setDevicePixelRatio(pixelRatio);
            chart->bitmap.fill(Qt::white);
        }
    }
    ComputePieGeometry(chart, size.width(), size.height());
}

void ComputePieGeometry(PieChart* chart, int width, int height) {
    int left, top, right, bottom;
    if (height < width) {
        left = (width - height) / 2;
        right = left + height;
        top = 0;
        bottom = height;
    } else {
        top = (height - width) / 2;
        bottom = top + width;
        left = 0;
        right = width;
    }
    chart->centre = QPoint((left + right) / 2, (top + bottom) / 2);
    chart->corners[0] = QPoint(right, top);
    chart->corners[1] = QPoint(right, bottom);
    chart->corners[2] = QPoint(left, bottom);
    chart->corners[3] = QPoint(left, top);
}

uint32_t PieQuadrant(uint64_t v, uint64_t total) {
    if (total == 0) return 0;
    if (v > total) v = total;
    // Below 2^29, 4 x v stays below 2^31. From 2^29 on, (v / 4) x 4 cannot
    // exceed v and total / 4 is at least 2^27, so nothing overflows for any
    // 64-bit values; the result can be one above the exact quadrant only
    // within 3 of a quadrant's end, where the extra corner lies outside the
    // disc and changes no pixel.
    if (total < PIE_EXACT_QUADRANT_LIMIT) return static_cast<uint32_t>((4 * v) / total);
    return static_cast<uint32_t>(((v / 4) * 4) / (total / 4));
}

int BuildWedge(const PieChart* chart, uint64_t a, uint64_t b, QPoint points[8]) {
    if (b < a || chart->totalValue == 0) return 0;
    if (a > chart->totalValue) a = chart->totalValue;
    if (b > chart->totalValue) b = chart->totalValue;
    int r = (chart->corners[0].x() - chart->corners[3].x()) / 2;
    int count = 0;
    points[count++] = PointOf(chart, b, r);
    points[count++] = chart->centre;
    points[count++] = PointOf(chart, a, r);
    // Corner k (1 top-right to 4 top-left) is passed by the wedges that
    // reach quadrant k - 1.
    uint32_t first = PieQuadrant(a, chart->totalValue) + 1;
    uint32_t last = PieQuadrant(b, chart->totalValue) + 1;
    if (first < 1) first = 1;
    if (last > 4) last = 4;
    for (uint32_t corner = first; corner <= last && count < 8; ++corner)
        points[count++] = chart->corners[corner - 1];
    return count;
}

void RenderPieChart(PieChart* chart) {
    if (chart->bitmap.isNull()) return;
    QPainter painter(&chart->bitmap);
    if (!painter.isActive()) return;
    // Pixels are exact: no smoothing anywhere, and the painter works in
    // logical pixels, scaled by the image's pixel ratio.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const qreal ratio = chart->bitmap.devicePixelRatio();
    painter.fillRect(QRectF(0, 0, chart->bitmap.width() / ratio, chart->bitmap.height() / ratio), Qt::white);

    const QPoint topLeft = chart->corners[3];
    const QPoint bottomRight = chart->corners[1];
    // The disc fills the square's pixels from left and top up to, but not
    // including, right and bottom.
    const QRect square(topLeft, QSize(bottomRight.x() - topLeft.x() - 1, bottomRight.y() - topLeft.y() - 1));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);

    if (chart->totalValue == 0) {
        painter.setBrush(Qt::white);
        painter.drawEllipse(square);
        painter.drawLine(chart->centre, QPoint(chart->centre.x(), topLeft.y()));
        return;
    }

    painter.drawEllipse(square);
    // Each wedge is merged into the black disc: the fill shows inside the
    // disc only (white OR a colour is white) and the black outline leaves
    // everything as it is. Its two radii are drawn plainly afterwards.
    chart->highlightBrush = QBrush(PieHighlightColour());
    QPoint points[8];
    uint64_t running = 0;
    auto drawWedge = [&](uint64_t next, const QBrush& brush) {
        int count = BuildWedge(chart, running, next, points);
        if (count < 3) return;
        painter.setBrush(brush);
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.drawPolygon(points, count);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawPolyline(points, 3);
    };
    for (uint32_t i = 0; i < chart->sliceCount; ++i) {
        uint64_t next = Advance(running, chart->slices[i].sliceValue, chart->totalValue);
        bool highlighted = chart->highlightIndex >= 0 && i == static_cast<uint32_t>(chart->highlightIndex);
        drawWedge(next, highlighted ? chart->highlightBrush : chart->paletteBrushes[i % PIE_PALETTE_SIZE]);
        running = next;
    }
    drawWedge(chart->totalValue, QBrush(Qt::white));

    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(square);
}
