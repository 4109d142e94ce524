// The pie chart control: a child widget that draws a list of slices against a
// total, clockwise from twelve o'clock in the order they were added, with the
// part of the total that no slice covers as a white wedge after the last one.
// It knows nothing of files: its host sets the total, adds slices and asks for
// a redraw through SendPieMessage, and the control never notifies anyone.
// The picture is drawn into an offscreen image only at PCM_REDRAW; painting
// only copies that image.
#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>

class QWidget;

// The control's messages. wParam and results are 64-bit words; an index of
// -1 ("none", "before the first") is the word with all bits set.
enum PieMessage : uint32_t {
    PCM_RESET = 0x500,         // total 0; slices released when there are any
    PCM_SETTOTAL = 0x501,      // wParam: the new total
    PCM_GETTOTAL = 0x502,      // result: the total (read it back as uint64_t)
    PCM_RESERVE = 0x503,       // wParam: room for that many slices
    PCM_GETCOUNT = 0x504,      // result: the number of slices
    PCM_ADDSLICE = 0x505,      // lParam: the PieSlice to append
    PCM_NEXTSLICE = 0x510,     // wParam: an index; result: the next index or -1
    PCM_SETHIGHLIGHT = 0x511,  // wParam: index or -1; result: wParam
    PCM_GETHIGHLIGHT = 0x512,  // result: the highlighted index or -1
    PCM_REDRAW = 0x513,        // draws the chart offscreen and repaints at once
};

constexpr int PIE_PALETTE_SIZE = 8;

// Slice i is filled with colour i mod 8 unless it is highlighted.
inline constexpr QRgb PIE_PALETTE[PIE_PALETTE_SIZE] = {
    qRgb(255, 204, 0), qRgb(255, 204, 204), qRgb(204, 204, 0), qRgb(204, 255, 51),
    qRgb(51, 204, 51), qRgb(204, 255, 204), qRgb(51, 153, 255), qRgb(204, 204, 255),
};

// One slice, copied by value into the chart. The two user words are kept
// unchanged and never read.
struct PieSlice {
    uint32_t userData;
    uint32_t sliceIndex;  // set by the chart to the slice's position
    uint64_t sliceValue;  // in the unit of the total
    uint32_t userExtra;
};

// The state of one chart widget, owned by it and freed with it.
struct PieChart {
    QWidget* window;
    QWidget* parentWindow;  // stored, not used
    uint16_t controlId;     // stored, not used
    QImage bitmap;          // client-sized, at the screen's pixel ratio; null until the first size change
    uint64_t totalValue;    // fills the whole circle
    int32_t highlightIndex;  // -1 for none
    uint32_t sliceCount;
    uint32_t sliceCapacity;
    PieSlice* slices;  // sliceCapacity zero-filled records (calloc); none while the capacity is 0
    QBrush paletteBrushes[PIE_PALETTE_SIZE];
    QBrush highlightBrush;  // follows the application palette's Highlight
    QPoint centre;
    QPoint corners[4];      // of the disc's square: top-right, bottom-right, bottom-left, top-left
    QStringList sliceNames;  // the host's names for the slices, for the accessible description
    QString description;     // the accessible description the chart set last
};

// Creates the chart as a child of parent (accessible name "Pie Chart", white
// background). When its record cannot be allocated the widget still exists,
// answers every message with 0 and shows white.
QWidget* CreatePieChart(QWidget* parent, int controlId);

// Sends message to chart and returns its result; 0 (and no effect) for a
// null widget, a widget that is no pie chart, or a chart without a record.
int64_t SendPieMessage(QWidget* chart, uint32_t message, uint64_t wParam = 0, const void* lParam = nullptr);

// The host's names of the slices in order; the accessible description set at
// the next PCM_REDRAW reads "name share" for each named slice. PCM_RESET
// forgets them.
void SetPieSliceNames(QWidget* chart, const QStringList& names);

// The chart's record, for tests; none for a widget that is no pie chart or
// has no record.
const PieChart* PieChartRecord(QWidget* chart);

// The colour of a highlighted slice: the application palette's Highlight now.
QColor PieHighlightColour();

// The size change: a new, undrawn image of width x height logical pixels at
// pixelRatio, and the geometry for that size.
void ResizePieChart(PieChart* chart, QSize size, double pixelRatio);

// The largest square centred in a width x height area, its centre and its
// corners.
void ComputePieGeometry(PieChart* chart, int width, int height);

// The quadrant (0 to 4) of running value v of total, without overflow for any
// 64-bit values; a value above the total counts as the total.
uint32_t PieQuadrant(uint64_t v, uint64_t total);

// Writes the polygon of the wedge from running value a to b into points: the
// point of b, the centre, the point of a, then the square's corners that the
// wedge passes; returns the count (0 when b < a, at most 7). Values above the
// total count as the total.
int BuildWedge(const PieChart* chart, uint64_t a, uint64_t b, QPoint points[8]);

// Draws the chart of the current total and slices into the image; nothing
// when there is no image.
void RenderPieChart(PieChart* chart);
