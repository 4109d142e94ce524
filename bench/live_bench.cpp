// Times what following the disk costs, in the real program (the main window,
// offscreen) on a drive rooted at TREE:
//
//   live_bench TREE write [ROUNDS]     a file of 1 GB written in the listed
//       folder: from its close to the list and the drive's total showing it
//   live_bench TREE tar|tar-plain ARCHIVE   `tar x` of ARCHIVE into the
//       drive: the interface thread's longest gap, and the processor time the
//       watch and its rescans cost against one rescan of the folder extracted
//       into; plain without the treemap
//   live_bench TREE rescan|rescan-plain [ROUNDS] [ENTRIES]
//       Rescan Folder on the folder whose subtree is nearest ENTRIES (50,000)
//       entries, against a scan of it alone; plain without the treemap
#include <sys/resource.h>
#include <unistd.h>
#include <fcntl.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "offscreen_program.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/host_device.h"
#include "scan/change_follow.h"
#include "scan/folder_rescan.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "platform/command_actions.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/startup.h"

namespace {

double ProcessorSeconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool WaitFor(bool (*done)(), int timeoutMs = 600000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

ItemNode* Drive() {
    for (uint32_t i = 0; rootItem && i < rootItem->childCount; ++i) {
        if (std::u16string(rootItem->children[i].name) == u"\\") return &rootItem->children[i];
    }
    return nullptr;
}

// Scans the drive and lists it.
bool ScanDrive() {
    ItemNode* drive = Drive();
    QTreeWidgetItem* node = TreeRootNode();
    for (int i = 0; node && i < node->childCount(); ++i) {
        if (TreeNodeItem(node->child(i)) == drive) treePane->setCurrentItem(node->child(i));
    }
    return WaitFor([] { return ScanSettled() && listedPlace && (listedPlace->flags & ITEM_SCANNED); });
}

ItemNode* ChildNamed(ItemNode* folder, const char16_t* name) {
    for (uint32_t i = 0; folder && i < folder->childCount; ++i) {
        if (std::u16string(folder->children[i].name) == name && !(folder->children[i].flags & ITEM_REMOVED))
            return &folder->children[i];
    }
    return nullptr;
}

uint64_t Entries(const ItemNode* folder) {
    uint64_t count = folder->childCount;
    for (uint32_t i = 0; i < folder->childCount; ++i) count += Entries(&folder->children[i]);
    return count;
}

// Runs the event loop for a second and a half, so that work a change set
// going on other threads (the treemap's drawing) is done and counted.
void Linger() {
    QEventLoop loop;
    QTimer::singleShot(1500, &loop, &QEventLoop::quit);
    loop.exec();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

int WriteRounds(const std::string& tree, int rounds) {
    std::vector<double> latencies;
    for (int round = 0; round < rounds; ++round) {
        const std::string name = "written" + std::to_string(round) + ".bin";
        const std::u16string wide(name.begin(), name.end());
        const uint64_t driveBefore = SumVisibleTotals(Drive()->children, Drive()->childCount);
        std::atomic<int64_t> closedAt{0};
        QElapsedTimer clock;
        clock.start();
        std::thread writer([&] {
            int file = open((tree + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            std::vector<char> chunk(8 << 20, 'v');
            for (int i = 0; i < 128; ++i) {
                if (write(file, chunk.data(), chunk.size()) < 0) break;
            }
            close(file);
            closedAt = clock.nsecsElapsed();
        });
        // The list shows the drive; its row and the drive's total follow.
        int64_t shownAt = 0;
        while (!shownAt) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            ItemNode* row = ChildNamed(Drive(), wide.c_str());
            if (closedAt && row && row->diskSize >= (1u << 30) && listedPlace == Drive() &&
                SumVisibleTotals(Drive()->children, Drive()->childCount) >= driveBefore + (1u << 30))
                shownAt = clock.nsecsElapsed();
            if (clock.elapsed() > 120000) break;
        }
        writer.join();
        if (!shownAt) {
            std::printf("round %d: not shown within 120 s\n", round);
            return 1;
        }
        latencies.push_back((shownAt - closedAt) / 1e6);
        std::printf("round %d: shown %.0f ms after the close\n", round, latencies.back());
        std::remove((tree + "/" + name).c_str());
        WaitFor([] { return ChangesSettled(); });
    }
    std::printf("1 GB written: close to shown, median %.0f ms, max %.0f ms\n", Median(latencies),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}

struct TarFigures {
    double tarSeconds;
    double settledSeconds;
    double processor;
    double longestGapMs;
    uint64_t rescans;
};

// Extracts the archive into TREE/extracted while the interface thread runs
// a timer of 1 ms whose longest gap is kept; with following on, waits until
// the program says it has followed.
TarFigures ExtractOnce(const std::string& tree, const std::string& archive, bool timed) {
    const std::string target = tree + "/extracted";
    QDir().mkpath(QString::fromStdString(target));
    // The new folder is in the tree before the extraction starts.
    if (followChanges) WaitFor([] { return ChangesSettled() && ChildNamed(Drive(), u"extracted") != nullptr; });
    TarFigures figures{};
    const uint64_t rescansBefore = AppliedRescanCount();
    QElapsedTimer gapClock;
    gapClock.start();
    int64_t last = gapClock.nsecsElapsed();
    int64_t longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const int64_t now = gapClock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    if (timed) ticker.start();
    const double processorBefore = ProcessorSeconds();
    QElapsedTimer wall;
    wall.start();
    QProcess tar;
    tar.start(QStringLiteral("tar"), {QStringLiteral("xf"), QString::fromStdString(archive), QStringLiteral("-C"),
                                      QString::fromStdString(target)});
    while (tar.state() != QProcess::NotRunning) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.tarSeconds = wall.elapsed() / 1000.0;
    while (followChanges && !ChangesSettled()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.settledSeconds = wall.elapsed() / 1000.0;
    ticker.stop();
    // What the last rescan set going (the treemap drawn again) ends too.
    Linger();
    figures.processor = ProcessorSeconds() - processorBefore;
    figures.longestGapMs = longest / 1e6;
    figures.rescans = AppliedRescanCount() - rescansBefore;
    return figures;
}

// Extracts, removes the extraction and waits until the tree has followed.
void Clean(const std::string& tree) {
    QDir(QString::fromStdString(tree + "/extracted")).removeRecursively();
    while (followChanges && !ChangesSettled()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

int TarRound(const std::string& tree, const std::string& archive) {
    // The processor time is taken without the timer, whose waking every
    // millisecond would cost more than what is measured: unfollowed first,
    // then followed. The gaps come from a third, followed run with the timer.
    ToggleFollowChanges();
    const TarFigures alone = ExtractOnce(tree, archive, false);
    Clean(tree);
    ToggleFollowChanges();
    // Following again starts from a scan that knows the drive as it is.
    Refresh();
    WaitFor([] { return ScanSettled() && listedPlace && (listedPlace->flags & ITEM_SCANNED) && ChangesSettled(); });
    const TarFigures followed = ExtractOnce(tree, archive, false);

    // One rescan of the folder the archive went into, for comparison.
    ItemNode* extracted = ChildNamed(Drive(), u"extracted");
    const uint64_t entries = Entries(extracted);
    const double rescanBefore = ProcessorSeconds();
    StartFolderRescan(extracted, false);
    while (RescanningFolder()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Linger();
    const double oneRescan = ProcessorSeconds() - rescanBefore;
    Clean(tree);
    const TarFigures timed = ExtractOnce(tree, archive, true);
    const double extra = followed.processor - alone.processor;
    std::printf("tar x unfollowed: %.2f s, processor %.3f s\n", alone.tarSeconds, alone.processor);
    std::printf("tar x followed: %.2f s, settled %.2f s after its start, %llu rescans, %llu entries; processor %.3f s\n",
                followed.tarSeconds, followed.settledSeconds, static_cast<unsigned long long>(followed.rescans),
                static_cast<unsigned long long>(entries), followed.processor);
    std::printf("extra processor time of the watch and its rescans: %.3f s; one rescan of the folder: %.3f s; "
                "ratio %.2f\n",
                extra, oneRescan, extra / oneRescan);
    std::printf("followed again with a timer of 1 ms: tar %.2f s, %llu rescans, longest gap of the interface "
                "thread %.1f ms\n",
                timed.tarSeconds, static_cast<unsigned long long>(timed.rescans), timed.longestGapMs);
    Clean(tree);
    return 0;
}

int RescanRounds(const std::string& tree, int rounds, uint64_t wanted) {
    // The folder whose subtree is nearest 50,000 entries.
    ItemNode* chosen = nullptr;
    uint64_t chosenEntries = 0;
    std::vector<ItemNode*> waiting = {Drive()};
    while (!waiting.empty()) {
        ItemNode* folder = waiting.back();
        waiting.pop_back();
        const uint64_t entries = Entries(folder);
        if (folder != Drive() && (!chosen || std::llabs(int64_t(entries - wanted)) < std::llabs(int64_t(chosenEntries - wanted)))) {
            chosen = folder;
            chosenEntries = entries;
        }
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            if (folder->children[i].flags & ITEM_FOLDER) waiting.push_back(&folder->children[i]);
        }
    }
    char16_t path[PATH_CHARS];
    ItemPath(path, PATH_CHARS, chosen);
    std::string below;
    for (const char16_t* at = path + 1; *at; ++at) below.push_back(*at == u'\\' ? '/' : char(*at));
    const std::string folderPath = tree + "/" + below;
    std::printf("folder %s: %llu entries in a drive of %llu\n", below.c_str(),
                static_cast<unsigned long long>(chosenEntries), static_cast<unsigned long long>(Entries(Drive())));
    std::vector<double> rescans, alone;
    // Taking turns, so neither walk finds the cache warmed by the other.
    auto rescanOnce = [&] {
        QElapsedTimer clock;
        clock.start();
        const uint64_t applied = AppliedRescanCount();
        if (!StartFolderRescan(chosen, true)) return false;
        while (RescanningFolder()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        rescans.push_back(clock.nsecsElapsed() / 1e6);
        return AppliedRescanCount() > applied;
    };
    auto scanAlone = [&] {
        // The rescan freed nothing above the folder: its record stays.
        HostDevice single(folderPath);
        ItemNode top{};
        top.name = u"\\";
        top.flags = ITEM_DRIVE;
        QElapsedTimer clock;
        clock.start();
        ScanAndWait(&single, &top, 0);
        alone.push_back(clock.nsecsElapsed() / 1e6);
        FreeItemArray(top.children, top.childCount);
    };
    for (int round = 0; round < rounds; ++round) {
        if (round % 2) scanAlone();
        if (!rescanOnce()) return 1;
        if (!(round % 2)) scanAlone();
    }
    std::printf("Rescan Folder: median %.0f ms; a scan of the folder alone: median %.0f ms; ratio %.2f\n",
                Median(rescans), Median(alone), Median(rescans) / Median(alone));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: live_bench TREE write|tar|rescan [ROUNDS|ARCHIVE]\n");
        return 2;
    }
    const std::string tree = argv[1];
    const std::string mode = argv[2];
    QTemporaryDir settings;
    IsolateProgram(settings);
    QApplication application(argc, argv);
    HostDevice device(tree);
    SetDevice(&device);
    if (!StartUp()) return 1;
    mainWindow->resize(1000, 700);
    QApplication::processEvents();
    if (!ScanDrive()) return 1;
    WaitFor([] { return ChangesSettled(); });
    if (mode == "write") return WriteRounds(tree, argc > 3 ? std::atoi(argv[3]) : 3);
    if ((mode == "tar" || mode == "tar-plain") && argc > 3) {
        if (mode == "tar-plain") DispatchCommand(CMD_TREEMAP);
        return TarRound(tree, argv[3]);
    }
    if (mode == "rescan" || mode == "rescan-plain") {
        // Plain: without the treemap, whose drawing of the drive after each
        // rescan shares the processor with the next walk.
        if (mode == "rescan-plain") DispatchCommand(CMD_TREEMAP);
        // The disk's other changes (this machine's other work) stay out of it.
        ToggleFollowChanges();
        return RescanRounds(tree, argc > 3 ? std::atoi(argv[3]) : 5, argc > 4 ? std::atoll(argv[4]) : 50000);
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
