// Times the count behind the File Types and Largest Files windows on 420,000
// entries in 20,000 folders (the tree of treemap_bench), side by side with
// a walk that only adds up the totals (ComputeTotals) on the same tree:
//   - the count alone on this thread, median of RUNS;
//   - the real windows: from View > File Types and View > Largest Files to
//     both lists filled, and the longest time the interface thread spent
//     without returning to its event loop meanwhile (a timer ticks whenever
//     the loop is free).
//
//   file_kinds_bench [RUNS]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/owner_window.h"
#include "scan/navigation.h"
#include "synthetic_items.h"
#include "views/file_kinds.h"
#include "views/file_kinds_tally.h"
#include "views/image_list.h"
#include "views/type_cache.h"

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double MedianMs(int runs, Work work) {
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(times);
}

// The windows opened on place, RUNS times: from the commands to both lists
// filled, and the longest gap of the interface thread.
void TimeWindows(ItemNode* place, int runs) {
    QWidget owner;
    SetOwnerWindow(&owner);
    listedPlace = place;
    std::vector<double> filled;
    qint64 longest = 0;
    qint64 firstLongest = 0;
    for (int r = 0; r < runs; ++r) {
        // The first run also builds the windows and asks the MIME database
        // about each kind; it is reported apart.
        if (r == 1) {
            firstLongest = longest;
            longest = 0;
        }
        QElapsedTimer clock;
        clock.start();
        qint64 last = clock.nsecsElapsed();
        QTimer ticker;
        ticker.setInterval(0);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        ticker.start();
        bool shown = false;
        const qint64 start = clock.nsecsElapsed();
        ShowFileTypesWindow();
        QMetaObject::Connection done = QObject::connect(fileKindsHub, &FileKindsHub::TallyShown, [&] { shown = true; });
        ShowLargestFilesWindow();
        while (!shown) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        filled.push_back((clock.nsecsElapsed() - start) / 1e6);
        QObject::disconnect(done);
        ticker.stop();
    }
    std::printf("  the windows: from the commands to both lists filled, median %.1f ms of %d, longest gap of the "
                "interface thread %.1f ms (the first opening %.1f ms; %d kinds, %d largest files shown)\n",
                Median(filled), runs, longest / 1e6, firstLongest / 1e6, FileTypesList()->model()->rowCount(),
                LargestFilesList()->model()->rowCount());
    ForgetFileKindsItems();
    delete fileKindsHub;
    listedPlace = nullptr;
    SetOwnerWindow(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CreateSmallImageList();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ItemNode* mixed = BuildMixed();
    uint64_t folders = 0;
    const uint64_t entries = CountEntries(mixed, &folders);
    FileKindsTally tally;
    const double count = MedianMs(runs, [&] { TallyFileKinds(mixed, nullptr, &tally); });
    const double totals = MedianMs(runs, [&] { ComputeTotals(mixed); });
    std::printf("%llu entries in %llu folders: the count of kinds and largest files %.1f ms (median of %d; %zu "
                "kinds, %llu files), goal at most 150 ms off the interface thread; ComputeTotals on the same tree "
                "%.1f ms\n",
                (unsigned long long)entries, (unsigned long long)folders, count, runs, tally.kinds.size(),
                (unsigned long long)tally.files, totals);
    tally = FileKindsTally();
    TimeWindows(mixed, runs);
    FreeItemArray(mixed, 1);
    ClearTypeCache();
    return 0;
}
