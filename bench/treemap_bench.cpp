// Times the treemap: layout and drawing of a big subtree into a
// 1,920 x 1,080 picture on one thread, the memory a picture holds beyond its
// image, and the longest gap of the interface thread while the real pane
// redraws during a resize.
//
//   treemap_bench [RUNS]
//
// Two trees are built in memory as a scan leaves them: 1,000,000 files in
// 11,010 folders (10 folders of 100 folders of 10 folders of 100 files) and
// 420,000 entries in 20,000 folders (20 folders of 20 files and 999 folders
// of 20 files). Sizes are log-normal, names carry 24 kinds of extension.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "synthetic_items.h"
#include "model/text.h"
#include "views/treemap_pane.h"
#include "views/treemap_render.h"

namespace {

// 1,000,000 files: 10 folders of 100 folders of 10 folders of 100 files.
ItemNode* BuildMillion() {
    ItemNode* place = NewPlace();
    ItemNode* top = Fill(place, 0, 10);
    for (int a = 0; a < 10; ++a) {
        ItemNode* middle = Fill(&top[a], 0, 100);
        for (int b = 0; b < 100; ++b) {
            ItemNode* low = Fill(&middle[b], 0, 10);
            for (int c = 0; c < 10; ++c) Fill(&low[c], 100, 0);
        }
    }
    ComputeTotals(place);
    return place;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Layout and drawing on this thread, RUNS times after one first run that
// also asks the MIME database about each kind.
void TimeDrawing(const char* name, ItemNode* place, int runs, double goalMs) {
    uint64_t folders = 0;
    const uint64_t entries = CountEntries(place, &folders);
    TreemapCanvas canvas;
    TreemapPicture picture;
    auto time = [&] {
        auto start = std::chrono::steady_clock::now();
        RenderTreemap(place, 1920, 1080, &canvas, nullptr, &picture);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    const double first = time();
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) times.push_back(time());
    const size_t tiles = picture.tiles.size();
    // Held beyond the image: the tiles, and the kinds the drawing thread
    // knows (the layout's working memory goes after each picture).
    const double tileBytes = double(picture.tiles.capacity() * sizeof(TreemapTile));
    const double kindBytes = double(canvas.families.families.size() * (sizeof(std::u16string) + 16 + 32));
    std::printf("%s: %llu entries in %llu folders, 1920 x 1080: median %.1f ms of %d (first %.1f ms, %u MIME lookups), "
                "goal at most %.0f ms\n",
                name, (unsigned long long)entries, (unsigned long long)folders, Median(times), runs, first,
                canvas.families.lookups, goalMs);
    std::printf("  %zu tiles drawn; held beyond the image: %.1f bytes per tile (tiles %.0f KB, kinds %.1f KB), "
                "goal at most 16\n",
                tiles, (tileBytes + kindBytes) / double(tiles), tileBytes / 1024, kindBytes / 1024);
}

// The real pane with its worker showing place while it is resized a step
// at a time, as a drag does, 60 steps a second; the longest time the
// interface thread spent without returning to its event loop is measured
// by a timer that ticks whenever the loop is free.
void TimeResizing(ItemNode* place) {
    TreemapPane* pane = CreateTreemapPane(nullptr);
    pane->resize(1920, 1080);
    pane->show();
    ShowTreemapPlace(place);
    int pictures = 0;
    QObject::connect(pane, &TreemapPane::PictureShown, [&pictures] { ++pictures; });
    while (pictures == 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The pane has painted its first picture before anyone resizes it, and
    // has been resized once (as the window is while it starts).
    pane->repaint();
    pane->resize(1919, 1079);
    pane->repaint();
    pictures = 0;
    while (pictures == 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    pane->repaint();
    QCoreApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    const int steps = 120;
    qint64 longestStep = 0;
    int step = 0;
    QTimer dragger;
    dragger.setInterval(16);
    QObject::connect(&dragger, &QTimer::timeout, [&] {
        ++step;
        const int width = 1920 - (step % 60) * 12;
        const int height = 1080 - (step % 60) * 7;
        QElapsedTimer handling;
        handling.start();
        pane->resize(width, height);
        const qint64 resized = handling.nsecsElapsed();
        // A drag repaints what it resized at once.
        pane->repaint();
        if (getenv("TREEMAP_BENCH_STEPS")) std::printf("step %d: resize %.1f ms, repaint %.1f ms\n", step, resized / 1e6, (handling.nsecsElapsed() - resized) / 1e6);
        longestStep = std::max(longestStep, handling.nsecsElapsed());
    });
    pictures = 0;
    dragger.start();
    while (step < steps) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    dragger.stop();
    const qint64 dragEnd = clock.nsecsElapsed();
    while (pictures == 0 || TreemapWorkerReading(&pane->view.worker))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ticker.stop();
    std::printf("resizing the pane %d times at 60 a second over the million files: longest gap of the interface "
                "thread %.1f ms, goal at most 30 ms (a resize with its repaint at most %.1f ms; %d pictures shown, the "
                "last %.0f ms after the drag)\n",
                steps, longest / 1e6, longestStep / 1e6, pictures, (clock.nsecsElapsed() - dragEnd) / 1e6);
    ForgetTreemapItems();
    delete pane;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ItemNode* million = BuildMillion();
    ItemNode* mixed = BuildMixed();
    TimeDrawing("a million files", million, runs, 150);
    TimeDrawing("420,000 entries", mixed, runs, 80);
    TimeResizing(million);
    FreeItemArray(million, 1);
    FreeItemArray(mixed, 1);
    return 0;
}
