// Times the real program's scan of a drive: the main window (offscreen)
// opens "\" and the scan runs until the list is filled. Prints the wall
// time, the peak memory per entry and the longest time the user-interface
// thread went without processing events (a 1 ms timer measures the gaps),
// then starts the scan once more and times a Stop from the moment it is
// asked until everything has settled. The first run is the first scan after
// start, what a user waits for.
//
//   VOLUMETRA_ROOT=FOLDER scan_bench [RUNS]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "offscreen_program.h"
#include "model/item_tree.h"
#include "platform/host_device.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_keeper.h"
#include "scan/scan_control.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "process_memory.h"

namespace {

// Lowers the peak figure to the present, so the next peak is the scan's own.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

uint64_t CountEntries(const ItemNode* item) {
    uint64_t count = item->childCount;
    for (uint32_t i = 0; i < item->childCount; ++i) count += CountEntries(&item->children[i]);
    return count;
}

int CountNodes(const QTreeWidgetItem* node) {
    int count = 1;
    for (int i = 0; i < node->childCount(); ++i) count += CountNodes(node->child(i));
    return count;
}

QTreeWidgetItem* StoreNode() {
    QTreeWidgetItem* root = TreeRootNode();
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == QStringLiteral("\\")) return root->child(i);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("VOLUMETRA_ROOT")) {
        std::fprintf(stderr, "usage: VOLUMETRA_ROOT=FOLDER scan_bench [RUNS]\n");
        return 2;
    }
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    QTemporaryDir settings;
    IsolateProgram(settings);
    QApplication application(argc, argv);
    HostDevice device;
    SetDevice(&device);
    if (!StartUp()) return 1;
    mainWindow->resize(800, 600);
    QApplication::processEvents();

    // The longest gap between two ticks of a 1 ms timer: how long the
    // user-interface thread went without processing events.
    QElapsedTimer tick;
    qint64 longestGap = 0;
    QTimer gauge;
    gauge.setTimerType(Qt::PreciseTimer);
    QObject::connect(&gauge, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, tick.restart());
    });

    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        if (run > 0) RebuildAll();
        QApplication::processEvents();
        QTreeWidgetItem* store = StoreNode();
        if (!store) return 1;
        ItemNode* drive = TreeNodeItem(store);
        long before = StatusKilobytes("VmRSS:");
        ResetPeak();

        longestGap = 0;
        tick.start();
        gauge.start(1);
        QElapsedTimer clock;
        clock.start();
        // What Open does on the drive's row: shown without the selection delay.
        openRequested = true;
        treePane->setCurrentItem(store);
        while (!(ScanSettled() && listedPlace == drive))
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        double elapsed = clock.nsecsElapsed() / 1e9;
        gauge.stop();
        seconds.push_back(elapsed);

        long peak = StatusKilobytes("VmHWM:");
        // The scan is kept in the background once shown: its writing is part
        // of what the scan costs, so the peak is read again once it is done.
        QElapsedTimer keeping;
        keeping.start();
        while (scanKeeper && scanKeeper->Busy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        double keptSeconds = keeping.nsecsElapsed() / 1e9;
        long peakKept = StatusKilobytes("VmHWM:");
        uint64_t entries = CountEntries(drive);
        std::printf("run %d: entries %llu, folder nodes %d, wall %.3f s, longest event gap %lld ms\n", run + 1,
                    static_cast<unsigned long long>(entries), CountNodes(store), elapsed,
                    static_cast<long long>(longestGap));
        if (run == 0) {
            std::printf("peak memory of the scan: %.1f MB over the %.1f MB before, %.1f bytes per entry\n",
                        (peak - before) / 1e3, before / 1e3, (peak - before) * 1024.0 / entries);
            std::printf("with the scan kept (%.2f s more): %.1f MB, %.1f bytes per entry\n", keptSeconds,
                        (peakKept - before) / 1e3, (peakKept - before) * 1024.0 / entries);
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("median wall %.3f s over %d runs\n", seconds[seconds.size() / 2], runs);

    // Stop in mid-scan: asked once a good part of the tree is in.
    RebuildAll();
    QApplication::processEvents();
    QTreeWidgetItem* store = StoreNode();
    if (!store) return 1;
    openRequested = true;
    treePane->setCurrentItem(store);
    QElapsedTimer sinceStart;
    sinceStart.start();
    while (store->childCount() == 0 && !ScanSettled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    // A little later, so the walk is in full stride.
    while (sinceStart.elapsed() < 150 && !ScanSettled()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (ScanSettled()) {
        std::printf("stop to settled: the scan ended before the stop\n");
    } else {
        QElapsedTimer stopping;
        stopping.start();
        StopCommand();
        while (!ScanSettled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        std::printf("stop to settled %.1f ms\n", stopping.nsecsElapsed() / 1e6);
    }
    mainWindow->close();
    while (mainWindow) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ReleaseAfterLoop();
    return 0;
}
