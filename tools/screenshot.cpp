// Starts Volumetra as the program does and saves a picture of its window:
//     volumetra_screenshot docs/screenshot.png [PLACE]
//     volumetra_screenshot docs/scan-file.png --open FILE
//     volumetra_screenshot --size 1300x850 window.png [PLACE]
//     volumetra_screenshot --filter TEXT window.png PLACE
// With a place ("\Pictures\"), the window first goes there the way a
// restored place is reopened: it waits until the drive is scanned and the
// folder listed, and shows the folders on the way open. Run it on the
// offscreen platform (QT_QPA_PLATFORM=offscreen) or under xvfb-run. The
// settings are those of the user running it.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QTreeWidget>

#include "model/path_list.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_files.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "views/list_filter.h"
#include "views/size_choice.h"

namespace {

// Goes to place and waits (at most a minute) until it is listed.
bool ShowPlace(const QString& text) {
    PathList* place = ParsePathList(reinterpret_cast<const char16_t*>(text.utf16()));
    if (!place) return false;
    NavigateTo(place);
    QElapsedTimer clock;
    clock.start();
    while (!ScanSettled() || !listedPlace) {
        if (clock.elapsed() > 60000) return false;
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    for (QTreeWidgetItem* node = treePane->currentItem(); node; node = node->parent()) node->setExpanded(true);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // --size WIDTHxHEIGHT takes the picture at that window size.
    // --filter TEXT types TEXT into the list's filter once the place shows.
    QSize size(640, 420);
    QString filterText;
    while (argc > 2 && (QByteArray(argv[1]) == "--size" || QByteArray(argv[1]) == "--filter")) {
        if (QByteArray(argv[1]) == "--filter") {
            filterText = QString::fromLocal8Bit(argv[2]);
        } else {
            const QList<QByteArray> parts = QByteArray(argv[2]).split('x');
            if (parts.size() != 2) return 1;
            size = QSize(parts[0].toInt(), parts[1].toInt());
        }
        argv += 2;
        argc -= 2;
    }
    if (argc < 2 || !StartUp()) return 1;
    // The fixture's files are sparse: they show as View > Sizes > Apparent
    // Size shows them.
    ChooseSizeCount(SIZE_APPARENT);
    mainWindow->resize(size);
    if (argc > 3 && QByteArray(argv[2]) == "--open") {
        // A scan file opened as a drive, listed, its folders shown.
        if (!OpenScanAsDrive(QString::fromLocal8Bit(argv[3]))) return 1;
        QElapsedTimer clock;
        clock.start();
        while (!ScanSettled() || !listedPlace || !(listedPlace->flags & ITEM_SCANNED)) {
            if (clock.elapsed() > 60000) return 1;
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        treePane->currentItem()->setExpanded(true);
    } else if (argc > 2) {
        if (!ShowPlace(QString::fromLocal8Bit(argv[2]))) return 1;
    } else if (treePane && treePane->topLevelItem(0)) {
        treePane->setCurrentItem(treePane->topLevelItem(0));
    }
    if (!filterText.isEmpty()) {
        OpenListFilter();
        if (QLineEdit* field = ListFilterField()) field->setText(filterText);
        ApplyListFilter(filterText);
    }
    QApplication::processEvents();
    bool saved = mainWindow->grab().save(QString::fromLocal8Bit(argv[1]));
    // The picture only: close without writing anything back.
    return saved ? 0 : 1;
}
