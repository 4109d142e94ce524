// Starts Volumetra as the program does and saves a picture of its window:
//     volumetra_screenshot docs/screenshot.png
// Run it on the offscreen platform (QT_QPA_PLATFORM=offscreen) or under
// xvfb-run. The settings are those of the user running it.
#include <QApplication>
#include <QPixmap>
#include <QTreeWidget>

#include "scan/folder_tree.h"
#include "shell/main_window.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2 || !StartUp()) return 1;
    mainWindow->resize(640, 420);
    if (treePane && treePane->topLevelItem(0)) treePane->setCurrentItem(treePane->topLevelItem(0));
    QApplication::processEvents();
    bool saved = mainWindow->grab().save(QString::fromLocal8Bit(argv[1]));
    // The picture only: close without writing anything back.
    return saved ? 0 : 1;
}
