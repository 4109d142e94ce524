// Pictures of the list pane for the README, taken from the real program:
//     volumetra_list_screenshots drives docs/drive-list.png
//         this machine's drives, as the program starts;
//     volumetra_list_screenshots contents docs/contents-list.png
//         a fixture drive (a temporary folder with files of various types,
//         sizes and dates) listed as its scan leaves it, sorted by size;
//     volumetra_list_screenshots pie docs/pie-chart.png
//         the same folder with the pie chart pop-up open over it.
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

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    TemporarySettingsFolder settings;
    QTemporaryDir fixture;
    if (!fixture.isValid()) return 1;
    if (mode == "contents" || mode == "pie") {
        if (!MakeFixture(fixture.path())) return 1;
        setenv("VOLUMETRA_ROOT", fixture.path().toLocal8Bit().constData(), 1);
    }
    if (!StartUp()) return 1;
    // The fixture's files are sparse: they show as View > Sizes > Apparent
    // Size shows them.
    ChooseSizeCount(SIZE_APPARENT);
    mainWindow->resize(900, 440);
    QApplication::processEvents();

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
