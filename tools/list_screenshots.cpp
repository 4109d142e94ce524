// Pictures of the list pane for the README, taken from the real program:
//     volumetra_list_screenshots drives docs/drive-list.png
//         this machine's drives, as the program starts;
//     volumetra_list_screenshots contents docs/contents-list.png
//         a fixture drive (a temporary folder with files of various types,
//         sizes and dates) listed as its scan leaves it, sorted by size;
//     volumetra_list_screenshots pie docs/pie-chart.png
//         the same folder with the pie chart pop-up open over it;
//     volumetra_list_screenshots treemap docs/treemap.png
//         the same folder with more files in more folders, the treemap below
//         the list, the largest video's row selected and outlined;
//     volumetra_list_screenshots kinds docs/file-types.png
//         the File Types window over that folder, largest kinds first.
// Run it on the offscreen platform (QT_QPA_PLATFORM=offscreen). The settings
// live in a temporary folder: the user's own are neither read nor written.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdlib>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "scan/folder_tree.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "support/scanned_drive.h"
#include "support/settings_folder.h"
#include "views/contents_list.h"
#include "views/pie_popup.h"
#include "views/status_bar.h"
#include "views/size_choice.h"
#include "views/file_kinds.h"
#include "views/treemap_pane.h"
#include "scan/navigation.h"

namespace {

struct FixtureFile {
    const char* path;
    qint64 size;
    int daysAgo;
};

// Sizes are apparent sizes: the files are sparse and cost no disk space.
const FixtureFile FIXTURE[] = {
    {"Videos/Holiday 2023.mp4", 1483505664, 400},
    {"Videos/Concert.mkv", 734003200, 380},
    {"backup-2024.tar.gz", 312456789, 120},
    {"Music/Album/01 Opening.flac", 31457280, 900},
    {"Music/Album/02 Theme.flac", 28311552, 900},
    {"Music/podcast.mp3", 7340032, 30},
    {"Documents/thesis-final.pdf", 4823119, 60},
    {"Documents/budget.ods", 48213, 3},
    {"Documents/notes.txt", 2311, 1},
    {"song.mp3", 6291456, 200},
    {"vacation.jpg", 3145728, 420},
    {"logo.svg", 15872, 700},
    {"setup.sh", 1024, 15},
    {"README", 913, 2},
};

bool MakeFixture(const QString& root) {
    const QDateTime now = QDateTime::currentDateTime();
    for (const FixtureFile& entry : FIXTURE) {
        const QString path = root + "/" + entry.path;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(entry.size)) return false;
        const QDateTime modified = now.addDays(-entry.daysAgo).addSecs(-37 * entry.daysAgo * 60);
        file.setFileTime(modified, QFileDevice::FileModificationTime);
    }
    for (int i = 0; i < 24; ++i) {
        QFile photo(root + QStringLiteral("/Pictures/IMG_%1.jpg").arg(2301 + i));
        QDir().mkpath(root + "/Pictures");
        if (!photo.open(QIODevice::WriteOnly) || !photo.resize(2800000 + 91234 * i)) return false;
        photo.setFileTime(now.addDays(-300 + i), QFileDevice::FileModificationTime);
    }
    return true;
}

// More of what a home folder holds, for the treemap: sources, libraries,
// packages and documents in folders of their own.
bool AddTreemapFixture(const QString& root) {
    uint32_t state = 2024;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    struct Group {
        const char* folder;
        const char* pattern;
        int count;
        qint64 smallest;
        qint64 spread;
    };
    const Group groups[] = {
        {"Projects/engine/src", "module_%1.cpp", 60, 4000, 90000},
        {"Projects/engine/include", "module_%1.h", 60, 1000, 20000},
        {"Projects/engine/build", "lib%1.so", 12, 2000000, 30000000},
        {"Projects/engine/build/objects", "unit_%1.o", 80, 50000, 900000},
        {"Projects/site/assets", "photo_%1.png", 30, 300000, 3000000},
        {"Downloads", "package-%1.deb", 14, 5000000, 80000000},
        {"Downloads/iso", "disk-%1.iso", 2, 700000000, 300000000},
        {"Music/Live", "track %1.ogg", 40, 3000000, 9000000},
        {"Documents/Papers", "paper-%1.pdf", 45, 200000, 6000000},
        {"Documents/Letters", "letter-%1.odt", 30, 20000, 200000},
        {".cache/thumbnails", "thumb-%1.png", 400, 2000, 40000},
        {".local/bin", "tool-%1", 25, 100000, 9000000},
    };
    for (const Group& group : groups) {
        QDir().mkpath(root + "/" + group.folder);
        for (int i = 0; i < group.count; ++i) {
            QFile file(root + "/" + group.folder + "/" + QString::fromLatin1(group.pattern).arg(i + 1));
            if (!file.open(QIODevice::WriteOnly) || !file.resize(group.smallest + qint64(next()) % group.spread))
                return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    TemporarySettingsFolder settings;
    QTemporaryDir fixture;
    if (!fixture.isValid()) return 1;
    const bool more = mode == "treemap" || mode == "kinds";
    if (mode == "contents" || mode == "pie" || more) {
        if (!MakeFixture(fixture.path())) return 1;
        if (more && !AddTreemapFixture(fixture.path())) return 1;
        setenv("VOLUMETRA_ROOT", fixture.path().toLocal8Bit().constData(), 1);
    }
    if (!StartUp()) return 1;
    // The fixture's files are sparse: they show as View > Sizes > Apparent
    // Size shows them.
    ChooseSizeCount(SIZE_APPARENT);
    mainWindow->resize(900, mode == "treemap" ? 680 : 440);
    QApplication::processEvents();

    if (mode == "kinds") {
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        ListPlace(store);
        // The counted kinds show once the worker's count reached the window.
        ShowFileTypesWindow();
        bool shown = false;
        QObject::connect(fileKindsHub, &FileKindsHub::TallyShown, [&shown] { shown = true; });
        while (!shown) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QWidget* window = FileTypesWindow();
        window->resize(window->width(), 460);
        QApplication::processEvents();
        return window->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }

    if (mode == "treemap") {
        // Listed as navigation lists a place: the treemap follows, and the
        // picture is taken once it shows.
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        QTreeWidgetItem* root = treePane->topLevelItem(0);
        QTreeWidgetItem* storeNode = root->child(root->childCount() - 1);
        AddFolderNodes(store, storeNode);
        SelectTreeNodeSilently(storeNode);
        storeNode->setExpanded(true);
        bool shown = false;
        QObject::connect(treemapPane, &TreemapPane::PictureShown, [&shown] { shown = true; });
        ListPlace(store);
        SelectOnlyRow(0);
        listPane->setFocus();
        while (!shown) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();
        return mainWindow->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }

    if (mode == "contents" || mode == "pie") {
        // The object store "\" is the last drive: its scan done, its entries listed.
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        QTreeWidgetItem* root = treePane->topLevelItem(0);
        treePane->setCurrentItem(root->child(root->childCount() - 1));
        ShowFolderStatus(store, FillContentsList(store->children, store->childCount));
        listPane->setFocus();
    }
    QApplication::processEvents();
    QPixmap shot = mainWindow->grab();
    if (mode == "pie") {
        // The pop-up is a window of its own: drawn where it stands over the
        // main window.
        PieChartCommand(mainWindow, PaneCornerOnScreen());
        QApplication::processEvents();
        if (!piePopup) return 1;
        QPainter painter(&shot);
        QPoint at = piePopup->geometry().topLeft() - mainWindow->geometry().topLeft();
        QPixmap popup = piePopup->grab();
        painter.fillRect(QRect(at - QPoint(1, 1), popup.size() + QSize(2, 2)), Qt::darkGray);
        painter.drawPixmap(at, popup);
    }
    const bool saved = shot.save(QString::fromLocal8Bit(argv[2]));
    // The picture only: close without writing anything back.
    return saved ? 0 : 1;
}
