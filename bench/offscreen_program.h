// What the benchmarks that run the real window set up before it starts.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Settings (and kept scans) go to folder: the user's stay untouched. The
// window is drawn offscreen.
inline void IsolateProgram(const QTemporaryDir& folder) {
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", folder.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QDir(folder.path()).mkdir(QStringLiteral("runtime"));
        QFile::setPermissions(folder.path() + QStringLiteral("/runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", (folder.path() + QStringLiteral("/runtime")).toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
}
