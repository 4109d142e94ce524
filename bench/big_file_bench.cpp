// Opens a big scan file in the real program (the main window, offscreen) as
// File > Open Scan does and times what a user waits for: from the command to
// the drive's list shown, the peak memory of the process, then in the folder
// of most entries the list's fill (with its default sort) and paint, a sort
// by Name and one page of scrolling.
//
//   big_file_bench FILE [SCROLL_STEPS]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "offscreen_program.h"
#include "model/item_tree.h"
#include "platform/host_device.h"
#include "scan/navigation.h"
#include "scan/scan_files.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "views/contents_list.h"
#include "process_memory.h"

namespace {

const ItemNode* LargestFolder(const ItemNode* item, uint64_t* entries) {
    const ItemNode* largest = item;
    std::vector<const ItemNode*> waiting = {item};
    while (!waiting.empty()) {
        const ItemNode* folder = waiting.back();
        waiting.pop_back();
        *entries += folder->childCount;
        if (folder->childCount > largest->childCount) largest = folder;
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            if (folder->children[i].childCount) waiting.push_back(&folder->children[i]);
        }
    }
    return largest;
}

void Paint() {
    listPane->viewport()->repaint();
    QCoreApplication::processEvents();
}

double Milliseconds(const QElapsedTimer& clock) { return clock.nsecsElapsed() / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: big_file_bench FILE [SCROLL_STEPS]\n");
        return 2;
    }
    const int steps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    QTemporaryDir settings;
    IsolateProgram(settings);
    QApplication application(argc, argv);
    HostDevice device;
    SetDevice(&device);
    if (!StartUp()) return 1;
    mainWindow->resize(900, 600);
    QApplication::processEvents();
    const long before = StatusKilobytes("VmRSS:");

    QElapsedTimer clock;
    clock.start();
    if (!OpenScanAsDrive(QString::fromLocal8Bit(argv[1]))) return 1;
    while (!(ScanSettled() && listedPlace && (listedPlace->flags & ITEM_FROM_FILE)))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    Paint();
    const double opened = clock.nsecsElapsed() / 1e9;
    const long afterOpen = StatusKilobytes("VmRSS:");

    uint64_t entries = 0;
    const ItemNode* largest = LargestFolder(listedPlace, &entries);
    std::printf("entries %llu, largest folder %u entries\n", static_cast<unsigned long long>(entries),
                largest->childCount);
    std::printf("open to the drive's list: %.2f s\n", opened);

    clock.restart();
    ListPlace(const_cast<ItemNode*>(largest));
    Paint();
    std::printf("largest folder's list fill + paint: %.1f ms\n", Milliseconds(clock));
    clock.restart();
    SortListByColumn(0);
    Paint();
    std::printf("sort by Name + paint: %.1f ms\n", Milliseconds(clock));

    QScrollBar* bar = listPane->verticalScrollBar();
    std::vector<double> times;
    for (int i = 0; i < steps && bar->value() < bar->maximum(); ++i) {
        clock.restart();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        Paint();
        times.push_back(Milliseconds(clock));
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        std::printf("scroll a page: median %.2f ms, max %.2f ms over %zu steps\n", times[times.size() / 2],
                    times.back(), times.size());
    const long peak = StatusKilobytes("VmHWM:");
    std::printf("memory: %.0f MB before, %.0f MB once open, peak %.0f MB (%.1f bytes per entry over before)\n",
                before / 1e3, afterOpen / 1e3, peak / 1e3, (peak - before) * 1024.0 / double(entries ? entries : 1));
    // The tree is large: the process ends without freeing it piece by piece.
    std::fflush(stdout);
    std::_Exit(0);
}
