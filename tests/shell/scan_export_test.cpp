// volumetra --export FILE [FOLDER] as a process with no display: it writes
// the scan of the device root or a folder as a scan file that ncdu reads
// with its links, to a file or standard output, and refuses a folder or a
// file it cannot use with exit code 2, one line, and no file left behind.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "program_environment.h"
#include "support/host_files.h"
#include "support/scan_file_trees.h"

namespace {

class ScanExportProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid() && home.isValid());
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(fixture.root.c_str(), resolved), nullptr);
        root = resolved;
        ASSERT_TRUE(BuildScanFileFixture(root));
        ASSERT_NE(realpath(home.path().toLocal8Bit().constData(), resolved), nullptr);
        files = resolved;
    }

    // Runs the built program without any display; at most a minute.
    ProgramRun Run(const std::vector<std::string>& arguments) {
        QStringList list;
        for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument.c_str());
        return RunProgram(list, ProgramEnvironment(QString::fromStdString(root), home.path(), false), QString(), 60000);
    }

    FixtureFolder fixture;
    QTemporaryDir home;
    std::string root;
    std::string files;
};

TEST_F(ScanExportProcess, ExportsTheDeviceRootThatNcduReadsBackWithItsLinks) {
    std::string ours = files + "/ours.json";
    std::string back = files + "/back.json";
    ProgramRun exported = Run({"--export", ours});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.constData();
    // Standard error is no terminal here: no progress line.
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(exported.out, "");
    HostScan scan(root);
    ASSERT_EQ(scan.outcome, SCAN_COMPLETE);

    ScanFileContents written = ReadScanFileForTest(ours);
    ASSERT_NE(written.root, nullptr);
    EXPECT_EQ(written.rootPath, root);
    EXPECT_EQ(written.progname, "volumetra");
    ExpectSameEntries(&scan.drive, written.root, true);

    ASSERT_EQ(RunNcdu({"-f", ours, "-o", back}), 0);
    ScanFileContents again = ReadScanFileForTest(back);
    ASSERT_NE(again.root, nullptr);
    EXPECT_EQ(again.rootPath, root);
    ExpectSameEntries(&scan.drive, again.root, false);
    ASSERT_EQ(again.hardLinks.size(), 2u);
    EXPECT_EQ(again.hardLinks[0].fileId, again.hardLinks[1].fileId);
    EXPECT_EQ(again.hardLinks[0].links, 2u);
    struct stat facts;
    ASSERT_EQ(stat((root + "/snapshots/one").c_str(), &facts), 0);
    EXPECT_EQ(again.hardLinks[0].fileId, facts.st_ino);
    EXPECT_EQ(again.hardLinks[0].volumeId, facts.st_dev);
    FreeScanFile(&written);
    FreeScanFile(&again);
}

TEST_F(ScanExportProcess, StandardOutputGetsWhatAFileGets) {
    std::string folder = root + "/docs";
    std::string file = files + "/docs.json";
    ASSERT_EQ(Run({"--export", file, folder}).exitCode, 0);
    ProgramRun piped = Run({"--export", "-", folder});
    ASSERT_EQ(piped.exitCode, 0) << piped.err.constData();
    std::string copy = files + "/piped.json";
    std::ofstream(copy, std::ios::binary).write(piped.out.constData(), piped.out.size());
    ScanFileContents fromFile = ReadScanFileForTest(file);
    ScanFileContents fromPipe = ReadScanFileForTest(copy);
    ASSERT_TRUE(fromFile.root && fromPipe.root);
    EXPECT_EQ(fromPipe.rootPath, folder);
    EXPECT_EQ(fromPipe.root->ownSize, fromFile.root->ownSize);
    EXPECT_NE(fromPipe.root->ownSize, 0u);  // the folder's own size, unlike a drive's
    ExpectSameEntries(fromFile.root, fromPipe.root, true);
    FreeScanFile(&fromFile);
    FreeScanFile(&fromPipe);
}

TEST_F(ScanExportProcess, WhatCannotBeExportedExitsWithTwoAndLeavesNoFile) {
    std::string taken = files + "/taken";
    ASSERT_EQ(mkdir(taken.c_str(), 0755), 0);
    struct Case {
        std::string file;
        std::string folder;
        std::string message;
    };
    const Case cases[] = {
        {files + "/a.json", root + "/missing", root + "/missing: no such folder"},
        {files + "/b.json", root + "/top.bin", root + "/top.bin: not a folder"},
        {files + "/missing/c.json", root, files + "/missing/c.json: No such file or directory"},
        {taken, root + "/docs", taken + ": Is a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.folder);
        ProgramRun exported = Run({"--export", c.file, c.folder});
        EXPECT_EQ(exported.exitCode, 2);
        EXPECT_EQ(exported.err.toStdString(), "volumetra: " + c.message + "\n");
        EXPECT_EQ(exported.out, "");
    }
    // No file and no temporary file: only the folder made above is there.
    EXPECT_TRUE(std::filesystem::is_directory(taken));
    EXPECT_TRUE(std::filesystem::is_empty(taken));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files), {}), 1);
}

}  // namespace
