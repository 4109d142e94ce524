// The environment a test hands the built program when it starts it as a
// process of its own.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <grp.h>
#include <unistd.h>

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
    environment.insert("XDG_STATE_HOME", home);
    environment.insert("XDG_RUNTIME_DIR", home);
    environment.insert("TMPDIR", home);
    return environment;
}

// What a run of the built program left: its exit code (-1 unless it exited
// by itself) and what it wrote.
struct ProgramRun {
    int exitCode = -1;
    bool crashed = true;
    QByteArray out, err;
};

// Runs the built program with arguments in environment and folder (none:
// this one) until it ends, at most timeoutMs; killed after that. An
// unprivileged run is the ordinary user "nobody"'s, also where the tests
// run as root.
inline ProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
                             const QString& folder, int timeoutMs, bool unprivileged = false) {
    QProcess process;
    process.setProcessEnvironment(environment);
    if (unprivileged && geteuid() == 0) {
        process.setChildProcessModifier([] {
            if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
        });
    }
    if (!folder.isEmpty()) process.setWorkingDirectory(folder);
    process.start(VOLUMETRA_PROGRAM, arguments);
    ProgramRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    if (!run.crashed) run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
