#include "shell/scan_export.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <condition_variable>
#include <mutex>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "model/scan_file.h"
#include "platform/host_device.h"
#include "resources/version.h"

namespace {

// How often the progress line is drawn.
constexpr auto SCAN_EXPORT_PROGRESS_PERIOD = std::chrono::milliseconds(250);

int Refuse(const std::string& message) {
    std::fprintf(stderr, "volumetra: %s\n", message.c_str());
    return SCAN_EXPORT_FAILED;
}

// A byte count the way a progress line shows it: three figures and a unit.
std::string ShortBytes(uint64_t bytes) {
    static const char* const UNITS[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 6) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, UNITS[unit]);
    return text;
}

// The export's progress on a terminal: one line, redrawn in place.
struct ExportProgress {
    bool shown = isatty(STDERR_FILENO) == 1;
    uint64_t entries = 0;
    std::vector<ScanLevel> levels;

    void Draw(ScanEngine* engine, const ItemNode* top, const std::string& topPath) {
        if (!shown) return;
        levels.clear();
        engine->TakeLevels(&levels);
        for (const ScanLevel& level : levels) entries += level.count;
        std::string line = std::to_string(entries) + " entries, " + ShortBytes(engine->SeenDiskBytes()) + "  ";
        const ItemNode* folder = engine->NewestFolder();
        std::string path = folder ? HostPathBelow(folder, top, topPath) : topPath;
        struct winsize size {};
        size_t width = ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
        // The end of a long path tells most; the line never wraps.
        size_t room = width > line.size() + 4 ? width - line.size() - 1 : 0;
        if (path.size() > room) path = room > 3 ? "..." + path.substr(path.size() - (room - 3)) : "";
        line += path;
        std::fprintf(stderr, "\r\033[K%s", line.c_str());
        std::fflush(stderr);
    }
    void Clear() {
        if (!shown) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
};

// The end of the walk, told from the engine's last thread, so the progress
// line is redrawn on time and not a moment after the walk has ended.
struct WalkEnd {
    std::mutex lock;
    std::condition_variable changed;
    bool ended = false;

    void Signal() {
        std::lock_guard<std::mutex> hold(lock);
        ended = true;
        changed.notify_all();
    }
    bool WaitFor(std::chrono::milliseconds period) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, period, [this] { return ended; });
    }
};

// The folder to scan as an item below its drive: the drive itself, or a
// chain of folder records standing outside the tree whose names give the
// path, as the engine wants it.
struct ExportTop {
    std::vector<ItemNode> chain;
    ItemNode* top = nullptr;

    bool Build(const std::vector<std::u16string>& components) {
        for (uint32_t i = 0; rootItem && i < rootItem->childCount; ++i) {
            if (components[0] == rootItem->children[i].name) top = &rootItem->children[i];
        }
        if (!top) return false;
        // The last component is empty: the place is a folder.
        size_t folders = components.size() > 2 ? components.size() - 2 : 0;
        chain.resize(folders);
        for (size_t i = 0; i < folders; ++i) {
            chain[i].parent = top;
            chain[i].name = components[i + 1].c_str();
            chain[i].flags = ITEM_FOLDER;
            top = &chain[i];
        }
        return true;
    }
    ~ExportTop() {
        if (!chain.empty()) FreeItemArray(chain.back().children, chain.back().childCount);
    }
};

// Tells on standard error, as du does, every folder that could not be
// listed and every entry whose facts could not be read: the file marks them,
// and their sizes are missing from its totals.
void ReportUnreadable(const ItemNode* top, const std::string& topPath) {
    std::vector<const ItemNode*> folders = {top};
    while (!folders.empty()) {
        const ItemNode* folder = folders.back();
        folders.pop_back();
        for (uint32_t i = folder->childCount; i-- > 0;) {
            const ItemNode* item = &folder->children[i];
            if (item->flags & ITEM_UNREADABLE)
                std::fprintf(stderr, "volumetra: %s: %s\n", HostPathBelow(item, top, topPath).c_str(),
                             std::strerror(static_cast<int>(item->readError)));
            if (item->children) folders.push_back(item);
        }
    }
}

}  // namespace

int RunScanExport(const std::string& fileName, const std::string& folder,
                  const std::vector<std::u16string>& components, const ScanExcludes* excludes) {
    char resolved[PATH_MAX];
    struct stat facts;
    if (!realpath(folder.c_str(), resolved) || stat(resolved, &facts) != 0)
        return Refuse(folder + ": " + std::strerror(errno));

    // The file first: an export that cannot be written fails before any scan.
    ScanFileOutput output;
    std::string error;
    if (!BeginScanFile(fileName, &output, &error)) return Refuse(error);
    // A file with a name would be part of the scan of its own folder: where
    // the file system gives no unnamed file, it is made again after the walk.
    if (!output.temporary.empty()) EndScanFile(&output, false, &error);

    HostDevice host;
    StorageDevice* previous = Device();
    SetDevice(&host);
    // The drives, so that the store's listing leaves the cards out as the
    // window's does.
    CreateRootItem();
    int code = 0;
    {
        ExportTop place;
        if (!place.Build(components)) {
            code = Refuse(folder + ": not on a storage drive");
        } else {
            ItemNode* top = place.top;
            if (!(top->flags & ITEM_DRIVE)) {
                top->ownSize = static_cast<uint64_t>(facts.st_size);
                top->diskSize = static_cast<uint64_t>(facts.st_blocks) * 512;
                top->modified = TimeStampOfUnixTime(facts.st_mtim.tv_sec, facts.st_mtim.tv_nsec);
            }
            WalkEnd end;
            ScanEngine engine(&host);
            engine.SetExcludes(excludes);
            ExportProgress progress;
            if (!engine.Start(top, 0, [&end] { end.Signal(); })) {
                code = Refuse(folder + ": no thread could be started to scan it");
            } else {
                if (progress.shown) {
                    while (!end.WaitFor(SCAN_EXPORT_PROGRESS_PERIOD)) progress.Draw(&engine, top, resolved);
                    progress.Clear();
                }
                engine.WaitUntilEnded();
                engine.Finish();
                if (top->flags & ITEM_UNREADABLE)
                    std::fprintf(stderr, "volumetra: %s: %s\n", resolved, std::strerror(int(top->readError)));
                ReportUnreadable(top, resolved);
                ScanFileSource source;
                source.top = top;
                source.rootPath = resolved;
                source.hardLinks = &engine.HardLinks();
                source.hasVolumeId = true;
                source.volumeId = static_cast<uint64_t>(facts.st_dev);
                source.progver = VOLUMETRA_VERSION;
                source.timestamp = static_cast<int64_t>(std::time(nullptr));
                if (!output.file && !BeginScanFile(fileName, &output, &error)) {
                    code = Refuse(error);
                } else if (!WriteScanFile(output.file, source, &error)) {
                    code = Refuse((fileName == "-" ? std::string("standard output") : fileName) + ": " + error);
                }
            }
        }
    }
    if (!EndScanFile(&output, code == 0, &error) && code == 0) code = Refuse(error);
    FreeItemTree();
    SetDevice(previous);
    return code;
}
