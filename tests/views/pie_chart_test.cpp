// The pie chart control through its real widget: the pictures it draws for
// totals, slices and the highlight, 64-bit totals, its geometry and wedges,
// the results of its messages, and what it shows after a size change.
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "views/pie_chart.h"

namespace {

constexpr uint64_t GIB = uint64_t{1} << 30;
constexpr uint64_t NONE = UINT64_MAX;  // -1 as a message word
constexpr QRgb WHITE = qRgb(255, 255, 255);
constexpr QRgb BLACK = qRgb(0, 0, 0);
constexpr QRgb HIGHLIGHT = 0;  // stands for PieHighlightColour(); no opaque colour is 0

std::string Name(QRgb colour) {
    if (colour == HIGHLIGHT) colour = PieHighlightColour().rgb();
    return QColor(colour).name().toStdString();
}

// Whether image holds a pixel of colour anywhere.
bool Contains(const QImage& image, QRgb colour) {
    if (colour == HIGHLIGHT) colour = PieHighlightColour().rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour) return true;
    return false;
}

std::vector<QRgb> AllColours() {
    std::vector<QRgb> colours(PIE_PALETTE, PIE_PALETTE + PIE_PALETTE_SIZE);
    colours.push_back(HIGHLIGHT);
    return colours;
}

struct Load {
    uint64_t total;
    std::vector<uint64_t> values;
    uint64_t highlight = NONE;
};

// A chart of 100 x 80 in a shown host, as the pop-up holds it.
class PieChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(200, 200);
        chart = CreatePieChart(&host, 40024);
        host.show();
        chart->resize(100, 80);
    }

    void Send(const Load& load) {
        SendPieMessage(chart, PCM_RESET);
        SendPieMessage(chart, PCM_SETTOTAL, load.total);
        for (uint64_t value : load.values) {
            PieSlice slice{0, 0, value, 0};
            SendPieMessage(chart, PCM_ADDSLICE, 0, &slice);
        }
        SendPieMessage(chart, PCM_SETHIGHLIGHT, load.highlight);
        SendPieMessage(chart, PCM_REDRAW);
    }

    // What the window shows: its paint event copies the chart's image.
    QImage Shown() { return chart->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QImage Drawn(const Load& load) {
        Send(load);
        return Shown();
    }

    QWidget host;
    QWidget* chart = nullptr;
};

struct PictureCase {
    const char* name;
    Load load;
    std::vector<std::pair<QPoint, QRgb>> pixels;
    std::vector<QRgb> absent;
};

// In 100 x 80 the disc spans x 10 to 89 and y 0 to 79 around (50, 40).
const std::vector<std::pair<QPoint, QRgb>> EMPTY_DISC = {
    {{50, 20}, BLACK}, {{50, 60}, WHITE}, {{70, 40}, WHITE}, {{30, 40}, WHITE},
    {{10, 40}, BLACK}, {{89, 40}, BLACK}, {{5, 40}, WHITE},
};

const PictureCase PICTURES[] = {
    {"total 0", {0, {}}, EMPTY_DISC, AllColours()},
    {"total 0 ignores slices", {0, {30, 20}}, EMPTY_DISC, AllColours()},
    {"total without slices", {100, {}}, EMPTY_DISC, AllColours()},
    {"one full slice",
     {100, {100}},
     {{{50, 20}, BLACK}, {{30, 40}, PIE_PALETTE[0]}, {{70, 40}, PIE_PALETTE[0]}, {{50, 60}, PIE_PALETTE[0]},
      {{10, 40}, BLACK}, {{12, 2}, WHITE}},
     {}},
    {"two quarters",
     {100, {25, 25}},
     {{{70, 20}, PIE_PALETTE[0]}, {{70, 60}, PIE_PALETTE[1]}, {{30, 40}, WHITE}, {{30, 20}, WHITE},
      {{50, 20}, BLACK}, {{70, 40}, BLACK}, {{50, 60}, BLACK}, {{10, 40}, BLACK}},
     {HIGHLIGHT}},
    {"zero slice uses up its colour only",
     {100, {25, 0, 25}},
     {{{70, 20}, PIE_PALETTE[0]}, {{70, 60}, PIE_PALETTE[2]}, {{30, 40}, WHITE}},
     {PIE_PALETTE[1]}},
    {"ninth slice takes the first colour",
     {100, {10, 10, 10, 10, 10, 10, 10, 10, 10}},
     {{{20, 40}, PIE_PALETTE[7]}, {{26, 22}, PIE_PALETTE[0]}, {{41, 12}, WHITE}},
     {}},
    {"highlighted slice",
     {100, {25, 25}, 1},
     {{{70, 20}, PIE_PALETTE[0]}, {{70, 60}, HIGHLIGHT}, {{30, 40}, WHITE}},
     {PIE_PALETTE[1]}},
    {"highlight at the count is none",
     {100, {25, 25}, 2},
     {{{70, 60}, PIE_PALETTE[1]}, {{30, 40}, WHITE}},
     {HIGHLIGHT}},
    {"highlight far out is none", {100, {25, 25}, 70000}, {{{70, 60}, PIE_PALETTE[1]}}, {HIGHLIGHT}},
};

TEST_F(PieChartTest, Pictures) {
    for (const PictureCase& c : PICTURES) {
        SCOPED_TRACE(c.name);
        QImage shown = Drawn(c.load);
        for (const auto& [point, colour] : c.pixels)
            EXPECT_EQ(Name(shown.pixel(point)), Name(colour)) << "at " << point.x() << "," << point.y();
        for (QRgb colour : c.absent) EXPECT_FALSE(Contains(shown, colour)) << Name(colour);
    }
}

// Each load must draw exactly the picture of its small counterpart.
struct SamePicture {
    const char* name;
    Load load;
    Load same;
};

const SamePicture SAME_PICTURES[] = {
    {"halves of 6 GiB", {6 * GIB, {3 * GIB, 3 * GIB}}, {100, {50, 50}}},
    {"quarters of 2^40", {uint64_t{1} << 40, {uint64_t{1} << 38, uint64_t{1} << 38}}, {100, {25, 25}}},
    {"halves of the largest total", {UINT64_MAX, {UINT64_MAX / 2, UINT64_MAX - UINT64_MAX / 2}}, {100, {50, 50}}},
    {"slices beyond the total end at the total", {100, {75, 75}}, {100, {75, 25}}},
    {"a sum beyond 64 bits does not wrap", {UINT64_MAX, {UINT64_MAX, 5}}, {100, {100, 0}}},
};

TEST_F(PieChartTest, LargeAndOverfullTotalsDrawTheirShares) {
    for (const SamePicture& c : SAME_PICTURES) {
        SCOPED_TRACE(c.name);
        QImage large = Drawn(c.load);
        EXPECT_EQ(large, Drawn(c.same));
    }
}

TEST_F(PieChartTest, SizeChangeShowsNoChartUntilRedraw) {
    Drawn({100, {25, 25}});
    chart->resize(120, 90);
    QImage undrawn = Shown();
    ASSERT_EQ(undrawn.size(), QSize(120, 90));
    EXPECT_FALSE(Contains(undrawn, BLACK));
    EXPECT_FALSE(Contains(undrawn, PIE_PALETTE[0]));

    SendPieMessage(chart, PCM_REDRAW);
    QImage drawn = Shown();
    // Centre (60, 45), radius 45.
    EXPECT_EQ(Name(drawn.pixel(80, 25)), Name(PIE_PALETTE[0]));
    EXPECT_EQ(Name(drawn.pixel(80, 65)), Name(PIE_PALETTE[1]));
    EXPECT_EQ(Name(drawn.pixel(60, 25)), Name(BLACK));
}

TEST_F(PieChartTest, ChangesShowOnlyAtRedraw) {
    QImage quarters = Drawn({100, {25, 25}});
    SendPieMessage(chart, PCM_SETHIGHLIGHT, 0);
    SendPieMessage(chart, PCM_SETTOTAL, 50);
    chart->update();
    EXPECT_EQ(Shown(), quarters);
}

TEST_F(PieChartTest, LeftPressChangesNothingAndReachesNoOne) {
    struct PressCount : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonPress) ++presses;
            return false;
        }
    } hostPresses;
    host.installEventFilter(&hostPresses);
    QImage before = Drawn({100, {25, 25}});
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, QPoint(70, 20));
    EXPECT_EQ(Shown(), before);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETHIGHLIGHT), -1);
    EXPECT_EQ(hostPresses.presses, 0);
}

TEST_F(PieChartTest, CloseDestroysTheControl) {
    QPointer<QWidget> watched = chart;
    chart->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
}

TEST_F(PieChartTest, GeometryFollowsTheWidgetSize) {
    struct GeometryCase {
        QSize size;
        QPoint centre;
        QPoint corners[4];
    };
    const GeometryCase cases[] = {
        {{100, 80}, {50, 40}, {{90, 0}, {90, 80}, {10, 80}, {10, 0}}},
        {{80, 100}, {40, 50}, {{80, 10}, {80, 90}, {0, 90}, {0, 10}}},
        {{101, 80}, {50, 40}, {{90, 0}, {90, 80}, {10, 80}, {10, 0}}},
        {{7, 7}, {3, 3}, {{7, 0}, {7, 7}, {0, 7}, {0, 0}}},
    };
    for (const GeometryCase& c : cases) {
        chart->resize(c.size);
        const PieChart* record = PieChartRecord(chart);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->bitmap.size(), c.size);
        EXPECT_EQ(record->centre, c.centre) << c.size.width() << "x" << c.size.height();
        for (int i = 0; i < 4; ++i) EXPECT_EQ(record->corners[i], c.corners[i]) << i;
    }
}

TEST(PieQuadrant, ExactBelow2To29AndWithoutOverflowAbove) {
    struct QuadrantCase {
        uint64_t total;
        uint64_t value;
        uint32_t quadrant;
    };
    const QuadrantCase cases[] = {
        {uint64_t{1} << 30, uint64_t{1} << 28, 1},
        {uint64_t{1} << 29, 3 * (uint64_t{1} << 27), 3},
        {(uint64_t{1} << 29) - 1, (uint64_t{1} << 29) - 1, 4},
        {100, 24, 0},
        {100, 25, 1},
        {100, 100, 4},
        {100, 250, 4},
        {UINT64_MAX, UINT64_MAX / 2, 1},
        {UINT64_MAX, UINT64_MAX - UINT64_MAX / 4, 3},
        {UINT64_MAX, UINT64_MAX, 4},
        {0, 5, 0},
    };
    for (const QuadrantCase& c : cases)
        EXPECT_EQ(PieQuadrant(c.value, c.total), c.quadrant) << c.value << " of " << c.total;
}

TEST(PieWedge, PointsAndCornersIn100By80) {
    struct WedgeCase {
        uint64_t total;
        uint64_t a;
        uint64_t b;
        std::vector<QPoint> points;
    };
    const WedgeCase cases[] = {
        {100, 0, 25, {{90, 40}, {50, 40}, {50, 0}, {90, 0}, {90, 80}}},
        {100, 25, 50, {{50, 80}, {50, 40}, {90, 40}, {90, 80}, {10, 80}}},
        {100, 0, 100, {{50, 0}, {50, 40}, {50, 0}, {90, 0}, {90, 80}, {10, 80}, {10, 0}}},
        {100, 100, 100, {{50, 0}, {50, 40}, {50, 0}}},
        {100, 30, 20, {}},
        {uint64_t{1} << 30, uint64_t{1} << 28, uint64_t{1} << 28, {{90, 40}, {50, 40}, {90, 40}, {90, 80}}},
        {0, 0, 0, {}},
    };
    PieChart chart{};
    ComputePieGeometry(&chart, 100, 80);
    for (const WedgeCase& c : cases) {
        chart.totalValue = c.total;
        QPoint points[8];
        int count = BuildWedge(&chart, c.a, c.b, points);
        EXPECT_EQ(std::vector<QPoint>(points, points + count), c.points) << c.a << " to " << c.b << " of " << c.total;
    }
}

TEST(PieRender, ImageAtPixelRatioTwoIsDrawnInDevicePixels) {
    PieSlice slices[2] = {{0, 0, 25, 0}, {0, 1, 25, 0}};
    PieChart chart{};
    chart.highlightIndex = -1;
    for (int i = 0; i < PIE_PALETTE_SIZE; ++i) chart.paletteBrushes[i] = QBrush(QColor(PIE_PALETTE[i]));
    chart.totalValue = 100;
    chart.slices = slices;
    chart.sliceCount = chart.sliceCapacity = 2;
    ResizePieChart(&chart, QSize(100, 80), 2.0);
    ASSERT_EQ(chart.bitmap.size(), QSize(200, 160));
    EXPECT_EQ(chart.centre, QPoint(50, 40));
    RenderPieChart(&chart);
    EXPECT_EQ(Name(chart.bitmap.pixel(140, 40)), Name(PIE_PALETTE[0]));
    EXPECT_EQ(Name(chart.bitmap.pixel(140, 120)), Name(PIE_PALETTE[1]));
    EXPECT_EQ(Name(chart.bitmap.pixel(60, 80)), Name(WHITE));
    EXPECT_EQ(Name(chart.bitmap.pixel(100, 40)), Name(BLACK));
    // The outline is at the disc's edge in device pixels, not doubled blur.
    EXPECT_EQ(Name(chart.bitmap.pixel(2, 80)), Name(WHITE));
    EXPECT_EQ(Name(chart.bitmap.pixel(178, 80)), Name(BLACK));
}

TEST_F(PieChartTest, NextSliceIteratesOverTheSlices) {
    const std::pair<uint64_t, int64_t> withThree[] = {{NONE, 0}, {0, 1}, {1, 2}, {2, -1}, {uint64_t{1} << 32, -1}};
    Send({100, {10, 20, 30}});
    for (const auto& [index, next] : withThree) EXPECT_EQ(SendPieMessage(chart, PCM_NEXTSLICE, index), next) << index;
    SendPieMessage(chart, PCM_RESET);
    EXPECT_EQ(SendPieMessage(chart, PCM_NEXTSLICE, NONE), -1);
}

TEST_F(PieChartTest, ResetReleasesSlicesOnlyWhenThereAreAny) {
    Send({100, {10, 20}, 1});
    EXPECT_EQ(SendPieMessage(chart, PCM_RESET), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETCOUNT), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETTOTAL), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETHIGHLIGHT), -1);
    EXPECT_EQ(PieChartRecord(chart)->sliceCapacity, 0u);
    EXPECT_EQ(PieChartRecord(chart)->slices, nullptr);

    // Without an array only the total goes.
    SendPieMessage(chart, PCM_SETTOTAL, 7);
    SendPieMessage(chart, PCM_SETHIGHLIGHT, 5);
    SendPieMessage(chart, PCM_RESET);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETTOTAL), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETHIGHLIGHT), 5);
}

TEST_F(PieChartTest, AddSliceGrowsByOneAndNumbersTheSlices) {
    for (uint64_t value : {11, 22, 33}) {
        PieSlice slice{7, 99, value, 8};
        EXPECT_EQ(SendPieMessage(chart, PCM_ADDSLICE, 0, &slice), 0);
        EXPECT_EQ(PieChartRecord(chart)->sliceCapacity, PieChartRecord(chart)->sliceCount);
    }
    const PieChart* record = PieChartRecord(chart);
    ASSERT_EQ(record->sliceCount, 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(record->slices[i].sliceIndex, i);
        EXPECT_EQ(record->slices[i].sliceValue, 11u * (i + 1));
        EXPECT_EQ(record->slices[i].userData, 7u);
        EXPECT_EQ(record->slices[i].userExtra, 8u);
    }
    EXPECT_EQ(SendPieMessage(chart, PCM_ADDSLICE, 0, nullptr), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETCOUNT), 3);
}

TEST_F(PieChartTest, ReserveGrowsOnlyToALargerCountableCapacity) {
    Send({100, {11, 22}});
    const PieChart* record = PieChartRecord(chart);
    SendPieMessage(chart, PCM_RESERVE, 10);
    ASSERT_EQ(record->sliceCapacity, 10u);
    EXPECT_EQ(record->slices[1].sliceValue, 22u);
    EXPECT_EQ(record->slices[9].sliceValue, 0u);
    const PieSlice* kept = record->slices;
    for (uint64_t smallerOrTooLarge : {uint64_t{4}, uint64_t{10}, uint64_t{1} << 40}) {
        EXPECT_EQ(SendPieMessage(chart, PCM_RESERVE, smallerOrTooLarge), 0);
        EXPECT_EQ(record->sliceCapacity, 10u);
        EXPECT_EQ(record->slices, kept);
    }
    PieSlice slice{0, 0, 5, 0};
    SendPieMessage(chart, PCM_ADDSLICE, 0, &slice);
    EXPECT_EQ(record->sliceCapacity, 10u);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETCOUNT), 3);
}

TEST_F(PieChartTest, TotalAndHighlightRoundTrip) {
    const uint64_t huge = (uint64_t{1} << 63) + 5;
    SendPieMessage(chart, PCM_SETTOTAL, huge);
    EXPECT_EQ(static_cast<uint64_t>(SendPieMessage(chart, PCM_GETTOTAL)), huge);

    const std::pair<uint64_t, int64_t> highlights[] = {{7, 7}, {NONE, -1}, {(uint64_t{1} << 32) + 1, -1}};
    for (const auto& [index, stored] : highlights) {
        EXPECT_EQ(SendPieMessage(chart, PCM_SETHIGHLIGHT, index), static_cast<int64_t>(index));
        EXPECT_EQ(SendPieMessage(chart, PCM_GETHIGHLIGHT), stored) << index;
    }
}

TEST_F(PieChartTest, OtherWidgetsAndMessagesAnswerZero) {
    QWidget plain;
    EXPECT_EQ(SendPieMessage(&plain, PCM_NEXTSLICE, NONE), 0);
    EXPECT_EQ(SendPieMessage(&plain, PCM_GETHIGHLIGHT), 0);
    EXPECT_EQ(SendPieMessage(nullptr, PCM_GETHIGHLIGHT), 0);
    EXPECT_EQ(PieChartRecord(&plain), nullptr);
    EXPECT_EQ(SendPieMessage(chart, 0x506, 1), 0);
    EXPECT_EQ(SendPieMessage(chart, PCM_GETHIGHLIGHT), -1);
}

TEST_F(PieChartTest, AccessibleTextDescribesTheShares) {
    EXPECT_EQ(chart->accessibleName(), QStringLiteral("Pie Chart"));
    Send({0, {}});
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("No total"));
    Send({100, {25, 25}});
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("2 slices: 25%, 25%, remainder 50%"));
    SetPieSliceNames(chart, {QStringLiteral("Windows"), QStringLiteral("Temp")});
    SendPieMessage(chart, PCM_REDRAW);
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("2 slices: Windows 25%, Temp 25%, remainder 50%"));
    Send({100, {100}});
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("1 slice: 100%"));

    chart->setAccessibleDescription(QStringLiteral("The host's own words"));
    Send({100, {25, 25}});
    EXPECT_EQ(chart->accessibleDescription(), QStringLiteral("The host's own words"));
}

}  // namespace
