// Fills the contents list with one folder of many entries built in memory and
// times what a user waits for: the fill with its default sort by Size, a
// sort by Name, a sort by Modified (counting the time reads it costs), and
// scrolling through the whole list page by page (counting the cells each
// step asks the model for). Prints the memory the rows add.
//
//   list_bench [ENTRIES] [RUNS] [--no-scroll]      (on the offscreen platform)
#include <QApplication>
#include <QScrollBar>
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
#include "platform/settings_blob.h"
#include "platform/storage_device.h"
#include "views/column_layout.h"
#include "views/contents_list.h"
#include "views/image_list.h"
#include "views/list_model.h"
#include "process_memory.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A device that knows nothing: the scan kept every time in its record, and a
// read of the device would be counted.
class TimeDevice : public StorageDevice {
public:
    bool ReadFolder(const char16_t*, FolderListing*) override { return false; }
    bool VolumeSpace(const char16_t*, uint64_t*, uint64_t*) override { return false; }
    uint32_t GetAttributes(const char16_t*) override { return FILE_ATTR_INVALID; }
    bool SetAttributes(const char16_t*, uint32_t) override { return false; }
    bool DeleteFile(const char16_t*) override { return false; }
    bool RemoveDirectory(const char16_t*) override { return false; }
    bool MoveToTrash(const char16_t*, bool) override { return false; }
    bool LastWriteTime(const char16_t*, uint64_t*) override {
        ++reads;
        return false;
    }
    bool ReadDatabases(std::vector<DatabaseInfo>*) override { return false; }
    uint32_t LastError() override { return 0; }
    uint64_t reads = 0;
};

// root > drive "\" > folder "big" with count files in one block, names
// packed after the records as a scan leaves them, in no particular order.
struct Place {
    ItemNode nodes[3];
    ItemNode* entries = nullptr;
    uint32_t count = 0;
};

void BuildPlace(Place* place, uint32_t count) {
    ItemNode* root = &place->nodes[0];
    ItemNode* drive = &place->nodes[1];
    ItemNode* folder = &place->nodes[2];
    *root = {nullptr, drive, 1, ITEM_ROOT, 0, 0, u"root", 0, 0, 0};
    *drive = {root, folder, 1, ITEM_DRIVE | ITEM_SCANNED, 0, 0, u"\\", 0, 0, 0};
    *folder = {drive, nullptr, 0, ITEM_FOLDER | ITEM_SCANNED, 0, 0, u"big", 0, 0, 0};

    const char16_t* extensions[] = {u".txt", u".jpg", u".mp3", u".pdf", u".cpp", u".bin", u".png", u".doc"};
    std::vector<uint32_t> numbers(count);
    std::iota(numbers.begin(), numbers.end(), 0u);
    std::mt19937 random(42);
    std::shuffle(numbers.begin(), numbers.end(), random);
    const size_t nameChars = 16;  // "file" + 7 digits + extension + NUL
    void* block = std::calloc(1, count * (sizeof(ItemNode) + nameChars * sizeof(char16_t)));
    auto* entries = static_cast<ItemNode*>(block);
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
        // Somewhere in 2001 to 2023, as the scan keeps it.
        entries[i].modified = TimeStampOfUnixTime(978307200 + static_cast<int64_t>(random() % 725000000));
    }
    folder->children = entries;
    folder->childCount = count;
    place->entries = entries;
    place->count = count;
}

// Paints the list now, as the screen would.
void Paint() {
    listPane->viewport()->repaint();
    QCoreApplication::processEvents();
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
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    TimeDevice device;
    SetDevice(&device);
    SetDefaultColumnLayout(&settingsBlob);
    CreateSmallImageList();
    // A list pane of normal size, wide enough to show every column.
    QWidget window;
    window.resize(900, 600);
    listPane = CreateListPane(&window);
    listPane->setGeometry(0, 0, 900, 600);
    window.show();
    QCoreApplication::processEvents();

    Place place;
    BuildPlace(&place, count);
    std::printf("entries: %u, list pane %dx%d, %d runs (median)\n", count, listPane->viewport()->width(),
                listPane->viewport()->height(), runs);

    std::vector<double> fills, paints, nameSorts, modifiedSorts, sizeSorts;
    long rowKilobytes = 0;
    uint64_t sortReads = 0, readsAfterSort = 0;
    for (int run = 0; run < runs; ++run) {
        ClearListPane();
        QCoreApplication::processEvents();
        contentsSortColumn = 1;
        contentsSortReversed = false;
        device.reads = 0;
        const long before = StatusKilobytes("VmRSS:");

        Clock::time_point start = Clock::now();
        FillContentsList(place.entries, place.count);
        fills.push_back(MillisecondsSince(start));
        start = Clock::now();
        Paint();
        paints.push_back(MillisecondsSince(start));
        // Later runs refill memory the first one freed: only the first tells.
        if (run == 0) rowKilobytes = StatusKilobytes("VmRSS:") - before;

        start = Clock::now();
        SortListByColumn(0);
        Paint();
        nameSorts.push_back(MillisecondsSince(start));

        const uint64_t readsBefore = device.reads;
        start = Clock::now();
        SortListByColumn(4);
        Paint();
        modifiedSorts.push_back(MillisecondsSince(start));
        sortReads = device.reads - readsBefore;
        readsAfterSort = device.reads;

        start = Clock::now();
        SortListByColumn(1);
        Paint();
        sizeSorts.push_back(MillisecondsSince(start));
    }
    std::printf("fill + default sort by Size:  %8.1f ms\n", Median(fills));
    std::printf("first paint:                  %8.1f ms\n", Median(paints));
    std::printf("sort by Name (+ paint):       %8.1f ms\n", Median(nameSorts));
    std::printf("sort by Modified (+ paint):   %8.1f ms, time reads %llu during the sort, %llu in all for %u rows\n",
                Median(modifiedSorts), static_cast<unsigned long long>(sortReads),
                static_cast<unsigned long long>(readsAfterSort), count);
    std::printf("sort by Size again (+ paint): %8.1f ms\n", Median(sizeSorts));
    std::printf("memory the rows add (RSS, first fill and paint): %ld KB (%.1f bytes per row; the row records\n"
                "  and display arrays are %zu bytes per row, the rest is the view's own per-row layout)\n",
                rowKilobytes, rowKilobytes * 1024.0 / count, sizeof(ListRow) + 3 * sizeof(uint32_t));

    // An expunge of every other entry (the worst case: each row leaves on
    // its own), then the list is painted.
    {
        FillContentsList(place.entries, place.count);
        Paint();
        const Clock::time_point start = Clock::now();
        listPane->setUpdatesEnabled(false);
        for (uint32_t i = 0; i < place.count; i += 2) place.entries[i].flags |= ITEM_REMOVED;
        RemoveExpungedRows();
        listPane->setUpdatesEnabled(true);
        Paint();
        std::printf("expunge of every other entry (+ paint): %8.1f ms, %d of %u rows left\n",
                    MillisecondsSince(start), ShownRowCount(), place.count);
        for (uint32_t i = 0; i < place.count; i += 2) place.entries[i].flags &= ~ITEM_REMOVED;
    }

    if (argc > 3 && std::string(argv[3]) == "--no-scroll") {
        ClearListPane();
        std::free(place.entries);
        return 0;
    }

    // Scroll from top to bottom a page at a time, painting each page.
    QScrollBar* bar = listPane->verticalScrollBar();
    const int rowHeight = listPane->visualRect(listModel->index(0, 0)).height();
    const int rowsOnScreen = (listPane->viewport()->height() + rowHeight - 1) / std::max(1, rowHeight);
    uint64_t minimum = UINT64_MAX, maximum = 0, sum = 0;
    uint64_t mostReads = 0;
    int steps = 0;
    // A fresh fill, so each page's rows read their times as they show.
    device.reads = 0;
    FillContentsList(place.entries, place.count);
    Paint();
    std::vector<double> stepTimes;
    while (bar->value() < bar->maximum()) {
        const uint64_t requests = listDataRequests;
        const uint64_t reads = device.reads;
        const Clock::time_point start = Clock::now();
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        Paint();
        stepTimes.push_back(MillisecondsSince(start));
        mostReads = std::max(mostReads, device.reads - reads);
        const uint64_t asked = listDataRequests - requests;
        minimum = std::min(minimum, asked);
        maximum = std::max(maximum, asked);
        sum += asked;
        ++steps;
    }
    std::printf("scrolling: %d page steps, %d rows of %d px on screen, median %.2f ms and max %.2f ms per step\n",
                steps, rowsOnScreen, rowHeight, Median(stepTimes),
                *std::max_element(stepTimes.begin(), stepTimes.end()));
    std::printf("data() requests per step: min %llu, mean %.0f, max %llu (%.1f per row on screen, %d columns)\n",
                static_cast<unsigned long long>(minimum), steps ? static_cast<double>(sum) / steps : 0.0,
                static_cast<unsigned long long>(maximum), steps ? static_cast<double>(sum) / steps / rowsOnScreen : 0.0,
                5);
    std::printf("time reads while scrolling: at most %llu per step, %llu in all for %u rows\n",
                static_cast<unsigned long long>(mostReads), static_cast<unsigned long long>(device.reads), count);

    ClearListPane();
    std::free(place.entries);
    return 0;
}
