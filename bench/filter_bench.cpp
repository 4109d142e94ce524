// Times the contents list's filter the way a user meets it: one folder of
// many entries listed (sorted by Size), the filter opened, and each
// keystroke of a typed text, of its erasure and of a glob timed from the
// text's change to the repainted list.
//
//   filter_bench [ENTRIES] [RUNS]      (on the offscreen platform)
#include <QApplication>
#include <QLineEdit>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/text.h"
#include "platform/memory_device.h"
#include "platform/settings_blob.h"
#include "views/column_layout.h"
#include "views/contents_list.h"
#include "views/image_list.h"
#include "views/list_filter.h"
#include "views/list_model.h"
#include "views/status_bar.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// count files named "fileNNNNNNN.ext" in one block, in no particular order,
// sizes spread as on a real disk.
ItemNode* BuildEntries(ItemNode* folder, uint32_t count) {
    const char16_t* extensions[] = {u".txt", u".jpg", u".mp3", u".pdf", u".cpp", u".bin", u".png", u".doc"};
    std::vector<uint32_t> numbers(count);
    std::iota(numbers.begin(), numbers.end(), 0u);
    std::mt19937 random(42);
    std::shuffle(numbers.begin(), numbers.end(), random);
    const size_t nameChars = 16;
    auto* entries = static_cast<ItemNode*>(std::calloc(1, count * (sizeof(ItemNode) + nameChars * sizeof(char16_t))));
    auto* tail = reinterpret_cast<char16_t*>(entries + count);
    std::lognormal_distribution<double> sizes(9.0, 3.0);
    char ascii[16];
    for (uint32_t i = 0; i < count; ++i) {
        std::snprintf(ascii, sizeof ascii, "file%07u", numbers[i]);
        char16_t name[32];
        size_t length = 0;
        for (const char* c = ascii; *c; ++c) name[length++] = static_cast<char16_t>(*c);
        for (const char16_t* c = extensions[numbers[i] % 8]; *c; ++c) name[length++] = *c;
        entries[i].parent = folder;
        entries[i].name = tail;
        tail = CopyText(tail, name, length);
        entries[i].ownSize = static_cast<uint64_t>(std::min(sizes(random), 1e12));
        entries[i].total = entries[i].ownSize;
    }
    return entries;
}

// The text's change as the field reports it, and the list painted as the
// screen would.
double Keystroke(const QString& text) {
    const Clock::time_point start = Clock::now();
    ApplyListFilter(text);
    listPane->viewport()->repaint();
    statusBar->repaint();
    QCoreApplication::processEvents();
    return MillisecondsSince(start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const uint32_t count = argc > 1 ? static_cast<uint32_t>(std::max(1, std::atoi(argv[1]))) : 200000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    MemoryDevice device;
    SetDevice(&device);
    SetDefaultColumnLayout(&settingsBlob);
    CreateSmallImageList();
    QWidget window;
    window.resize(900, 640);
    statusBar = CreateStatusBar(&window);
    statusBar->setGeometry(0, 616, 900, 24);
    SetupStatusParts();
    listPane = CreateListPane(&window);
    PlaceListPane(0, 0, 900, 600);
    window.show();
    QCoreApplication::processEvents();

    ItemNode nodes[3] = {};
    nodes[0] = {nullptr, &nodes[1], 1, ITEM_ROOT, 0, 0, u"root", 0, 0, 0};
    nodes[1] = {&nodes[0], &nodes[2], 1, ITEM_DRIVE | ITEM_SCANNED, 0, 0, u"\\", 0, 0, 0};
    nodes[2] = {&nodes[1], nullptr, 0, ITEM_FOLDER | ITEM_SCANNED, 0, 0, u"big", 0, 0, 0};
    ItemNode* entries = BuildEntries(&nodes[2], count);
    nodes[2].children = entries;
    nodes[2].childCount = count;

    const QString typed = QStringLiteral("file01");
    std::vector<std::vector<double>> typing(static_cast<size_t>(typed.size()));
    std::vector<std::vector<double>> erasing(static_cast<size_t>(typed.size()));
    std::vector<double> globs, ends;
    int lastShown = 0;
    for (int run = 0; run < runs; ++run) {
        const uint64_t total = FillContentsList(entries, count);
        ShowFolderStatus(&nodes[2], total);
        listPane->viewport()->repaint();
        OpenListFilter();
        for (qsizetype k = 1; k <= typed.size(); ++k) typing[static_cast<size_t>(k - 1)].push_back(Keystroke(typed.left(k)));
        lastShown = ShownRowCount();
        for (qsizetype k = typed.size() - 1; k >= 1; --k) erasing[static_cast<size_t>(k)].push_back(Keystroke(typed.left(k)));
        globs.push_back(Keystroke(QStringLiteral("*7?.jpg")));
        const Clock::time_point start = Clock::now();
        CloseListFilter();
        listPane->viewport()->repaint();
        QCoreApplication::processEvents();
        ends.push_back(MillisecondsSince(start));
    }
    std::printf("entries: %u, sorted by Size, %d runs (median per keystroke, text change to repainted list)\n",
                count, runs);
    for (qsizetype k = 1; k <= typed.size(); ++k)
        std::printf("  typing \"%s\":%*s %6.1f ms\n", typed.left(k).toUtf8().constData(),
                    static_cast<int>(typed.size() - k), "", Median(typing[static_cast<size_t>(k - 1)]));
    std::printf("  (\"%s\" leaves %d rows)\n", typed.toUtf8().constData(), lastShown);
    for (qsizetype k = typed.size() - 1; k >= 1; --k)
        std::printf("  erasing to \"%s\":%*s %6.1f ms\n", typed.left(k).toUtf8().constData(),
                    static_cast<int>(typed.size() - k), "", Median(erasing[static_cast<size_t>(k)]));
    std::printf("  glob \"*7?.jpg\":     %6.1f ms\n", Median(globs));
    std::printf("  Esc (all rows back): %5.1f ms\n", Median(ends));
    ClearListPane();
    std::free(entries);
    return 0;
}
