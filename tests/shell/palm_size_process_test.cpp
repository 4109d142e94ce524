// A Palm-size device keeps one instance, tested with two real processes: the
// second start finds the first, hands over and ends with 0 while the first
// goes on.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "program_environment.h"

namespace {

// Waits until a socket shows up in folder while process runs; false when the
// process ends first or nothing shows up in time.
bool ListeningSocketAppears(QProcess& process, const QString& folder) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::Hidden)) {
            struct stat info;
            if (lstat(QFile::encodeName(entry.filePath()).constData(), &info) == 0 && S_ISSOCK(info.st_mode))
                return true;
        }
        if (process.waitForFinished(50)) return false;
    }
    return false;
}

TEST(PalmSizeProcess, SecondStartEndsAndTheFirstGoesOn) {
    QTemporaryDir home;
    QTemporaryDir root;
    ASSERT_TRUE(home.isValid() && root.isValid());
    QProcessEnvironment environment = ProgramEnvironment(root.path(), home.path(), true);
    environment.insert("VOLUMETRA_PLATFORM", "PocketPC");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(VOLUMETRA_PROGRAM, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first start listens on a local socket in the temporary folder;
    // the second starts once it is there.
    ASSERT_TRUE(ListeningSocketAppears(first, home.path())) << first.readAllStandardError().constData();

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(VOLUMETRA_PROGRAM, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A handheld opens a window per start.
    environment.insert("VOLUMETRA_PLATFORM", "HPC");
    QProcess handheld;
    handheld.setProcessEnvironment(environment);
    handheld.start(VOLUMETRA_PROGRAM, {});
    EXPECT_FALSE(handheld.waitForFinished(2000));
    handheld.kill();
    handheld.waitForFinished();
    first.kill();
    first.waitForFinished();
}

}  // namespace
