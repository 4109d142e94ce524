// The environment a test hands the built program when it starts it as a
// process of its own.
#pragma once

#include <QProcessEnvironment>
#include <QString>

// This process' environment without any display (the offscreen one when
// asked) or platform kind, with the device at root and the settings, the
// runtime files and the single instance's socket inside home, so a run never
// meets the user's session or another test's program.
inline QProcessEnvironment ProgramEnvironment(const QString& root, const QString& home, bool offscreen) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VOLUMETRA_PLATFORM"})
        environment.remove(name);
    if (offscreen) environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("VOLUMETRA_ROOT", root);
    environment.insert("XDG_CONFIG_HOME", home);
    environment.insert("XDG_RUNTIME_DIR", home);
    environment.insert("TMPDIR", home);
    return environment;
}
