// volumetra --export FILE [FOLDER] as a process with no display: it writes
// the scan of the device root or a folder as a scan file that ncdu reads
// with its links, to a file or standard output, and refuses a folder or a
// file it cannot use with exit code 2, one line, and no file left behind.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Whether any entry of the tree below folder is named name, or starts with
// prefix.
bool HoldsName(const ItemNode* folder, const std::u16string& name, const std::u16string& prefix) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        std::u16string entry = folder->children[i].name;
        if (entry == name || entry.rfind(prefix, 0) == 0) return true;
        if (HoldsName(&folder->children[i], name, prefix)) return true;
    }
    return false;
}

TEST_F(ScanExportProcess, TheFileIsWrittenAsAShellRedirectionWouldAndOnlyWhole) {
    const std::string docs = root + "/docs";
    struct stat facts;
    // Into the folder being scanned: the scan holds neither the file nor
    // its temporary (which no longer exists once the export has ended).
    std::string inside = docs + "/scan.json";
    ASSERT_EQ(Run({"--export", inside, docs}).exitCode, 0);
    ScanFileContents read = ReadScanFileForTest(inside);
    ASSERT_NE(read.root, nullptr);
    EXPECT_FALSE(HoldsName(read.root, u"scan.json", u".volumetra-"));
    EXPECT_FALSE(HoldsName(read.root, u"scan.json", u".scan.json"));
    FreeScanFile(&read);
    ASSERT_EQ(unlink(inside.c_str()), 0);

    // A name as long as a name may be.
    std::string longName = files + "/" + std::string(250, 'n');
    ProgramRun longRun = Run({"--export", longName, docs});
    EXPECT_EQ(longRun.exitCode, 0) << longRun.err.constData();
    EXPECT_EQ(stat(longName.c_str(), &facts), 0);

    // A file replaced keeps its mode and owner; a new one gets 0666 less
    // the umask.
    std::string privateFile = files + "/private.json";
    WriteFile(privateFile, 10);
    ASSERT_EQ(chmod(privateFile.c_str(), 0600), 0);
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(chown(privateFile.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(Run({"--export", privateFile, docs}).exitCode, 0);
    ASSERT_EQ(stat(privateFile.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0600u);
    if (asRoot) {
        EXPECT_EQ(facts.st_uid, 65534u);
    }
    EXPECT_GT(facts.st_size, 10);
    for (mode_t mask : {mode_t(022), mode_t(077)}) {
        std::string fresh = files + "/fresh" + std::to_string(mask) + ".json";
        mode_t before = umask(mask);
        int code = Run({"--export", fresh, docs}).exitCode;
        umask(before);
        EXPECT_EQ(code, 0);
        ASSERT_EQ(stat(fresh.c_str(), &facts), 0);
        EXPECT_EQ(facts.st_mode & 07777, 0666u & ~mask) << mask;
    }

    // Through a link to its target, and through a dangling one to the file
    // it names; the links stay links.
    std::string target = files + "/target.json";
    WriteFile(target, 10);
    std::string link = files + "/link.json";
    ASSERT_EQ(symlink("target.json", link.c_str()), 0);
    std::string dangling = files + "/dangling.json";
    ASSERT_EQ(symlink("made.json", dangling.c_str()), 0);
    for (const std::string& name : {link, dangling}) {
        ProgramRun linked = Run({"--export", name, docs});
        EXPECT_EQ(linked.exitCode, 0) << linked.err.constData();
        ASSERT_EQ(lstat(name.c_str(), &facts), 0);
        EXPECT_TRUE(S_ISLNK(facts.st_mode)) << name;
    }
    for (const std::string& written : {target, files + "/made.json"}) {
        ScanFileContents through = ReadScanFileForTest(written);
        EXPECT_NE(through.root, nullptr) << written;
        FreeScanFile(&through);
    }
    // Nothing else was left behind.
    for (const auto& entry : std::filesystem::directory_iterator(files))
        EXPECT_NE(entry.path().filename().string().rfind(".volumetra-", 0), 0u) << entry.path();
}

TEST_F(ScanExportProcess, EntriesThatCouldNotBeReadAreMarkedAndToldOnStandardError) {
    // Listed, not entered: its file's facts cannot be read by an ordinary user.
    const std::string big = root + "/docs/big";
    ASSERT_EQ(mkdir(big.c_str(), 0755), 0);
    WriteFile(big + "/file", 500000);
    ASSERT_EQ(chmod(big.c_str(), 0644), 0);
    std::string out = files + "/unreadable.json";
    ASSERT_EQ(chmod(files.c_str(), 0777), 0);
    QStringList arguments = {QStringLiteral("--export"), QString::fromStdString(out),
                             QString::fromStdString(root + "/docs")};
    QProcessEnvironment environment = ProgramEnvironment(QString::fromStdString(root), home.path(), false);
    ProgramRun run = RunProgram(arguments, environment, QString(), 60000, /*unprivileged=*/true);
    chmod(big.c_str(), 0755);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.toStdString().find("volumetra: " + big + "/file: " + std::strerror(EACCES) + "\n"),
              std::string::npos)
        << run.err.constData();
    ScanFileContents read = ReadScanFileForTest(out);
    ASSERT_NE(read.root, nullptr);
    const ItemNode* folder = nullptr;
    for (uint32_t i = 0; i < read.root->childCount; ++i) {
        if (std::u16string(read.root->children[i].name) == u"big") folder = &read.root->children[i];
    }
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->flags & ITEM_UNREADABLE);
    ASSERT_EQ(folder->childCount, 1u);
    EXPECT_TRUE(folder->children[0].flags & ITEM_UNREADABLE);
    EXPECT_TRUE(read.root->flags & ITEM_INCOMPLETE);
    FreeScanFile(&read);
}

TEST_F(ScanExportProcess, ExcludesFromTheCommandLineAreLeftOutAndWrittenAsNcduWritesThem) {
    const std::string patterns = files + "/patterns";
    std::ofstream(patterns) << "*.bin\n\nsnapshots\n";
    const std::string out = files + "/excluded.json";
    ProgramRun run = Run({"--export", out, "--exclude", "top*", "--exclude-from", patterns, "--exclude-caches", root});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ScanFileContents read = ReadScanFileForTest(out);
    ASSERT_NE(read.root, nullptr);
    int leftOut = 0;
    for (uint32_t i = 0; i < read.root->childCount; ++i) {
        const ItemNode& entry = read.root->children[i];
        std::u16string name = entry.name;
        bool wanted = name == u"top.bin" || name == u"snapshots";
        EXPECT_EQ(bool(entry.flags & ITEM_EXCLUDED), wanted) << std::string(name.begin(), name.end());
        if (wanted) {
            ++leftOut;
            EXPECT_EQ(entry.total, 0u);
        }
    }
    EXPECT_EQ(leftOut, 2);
    FreeScanFile(&read);
    ProgramRun missing = Run({"--export", out, "--exclude-from", files + "/none", root});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.toStdString(), "volumetra: " + files + "/none: " + std::strerror(ENOENT) + "\n");
}

}  // namespace
