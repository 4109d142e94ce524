// Volumetra: shows where the storage of this machine goes.
#include <QApplication>

#include "shell/startup.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return RunVolumetra();
}
