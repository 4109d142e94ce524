// Volumetra: shows where the storage of this machine goes.
#include <QApplication>

#include <string>
#include <vector>

#include "model/path_list.h"
#include "resources/version.h"
#include "shell/command_line.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
    // The command line is read before the application object exists, so
    // --help, --version and a bad folder need no display.
    PathList* startPlace = nullptr;
    std::vector<std::string> scanFiles;
    int code = ReadCommandLine(argc, argv, &startPlace, &scanFiles);
    if (code != COMMAND_LINE_RUN) return code;

    // The desktop entry's name: Wayland's application id, and what desktops
    // match the window against to find its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VOLUMETRA_APP_ID));
    QApplication application(argc, argv);
    return RunVolumetra(startPlace, scanFiles);
}
