// A scan of another machine through a pipe: "volumetra --export -" runs as a
// process of its own, its standard output piped into this one, which reads it
// with "--open -" beside a scan file, as a user types
// "ssh HOST volumetra --export - / | volumetra --open - --open FILE".
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "model/file_drives.h"
#include "model/item_tree.h"
#include "scan/navigation.h"
#include "model/path_list.h"
#include "program_environment.h"
#include "running_program.h"
#include "scan/folder_tree.h"
#include "shell/command_line.h"
#include "support/host_files.h"
#include "support/scan_file_trees.h"
#include "views/status_bar.h"

namespace {

class ScanPipe : public RunningProgram {
protected:
    void TearDown() override {
        RunningProgram::TearDown();
        if (savedInput >= 0) {
            dup2(savedInput, STDIN_FILENO);
            close(savedInput);
        }
    }

    // Makes the bytes the standard input of this process, written from a
    // thread as a pipe takes them.
    void PipeIntoStandardInput(const QByteArray& bytes) {
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        savedInput = dup(STDIN_FILENO);
        ASSERT_EQ(dup2(ends[0], STDIN_FILENO), STDIN_FILENO);
        close(ends[0]);
        std::thread writer([bytes, end = ends[1]] {
            const char* at = bytes.constData();
            qsizetype left = bytes.size();
            while (left > 0) {
                const ssize_t written = write(end, at, static_cast<size_t>(left));
                if (written <= 0) break;
                at += written;
                left -= written;
            }
            close(end);
        });
        writer.detach();
    }

    int savedInput = -1;
};

TEST_F(ScanPipe, AnExportPipedInOpensAsADriveBesideAFileAndReadsAgain) {
    FixtureFolder fixture;
    QTemporaryDir home;
    ASSERT_TRUE(fixture.IsValid() && home.isValid());
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(fixture.root.c_str(), resolved), nullptr);
    const std::string root = resolved;
    ASSERT_TRUE(BuildScanFileFixture(root));

    // The other machine: an export to standard output, no display.
    QProcess exporter;
    exporter.setProcessEnvironment(ProgramEnvironment(QString::fromStdString(root), home.path(), false));
    exporter.start(VOLUMETRA_PROGRAM, {"--export", "-"});
    ASSERT_TRUE(exporter.waitForFinished(60000));
    ASSERT_EQ(exporter.exitCode(), 0) << exporter.readAllStandardError().constData();
    PipeIntoStandardInput(exporter.readAllStandardOutput());

    const std::string other = home.filePath("srv.json").toStdString();
    std::ofstream(other) << R"([1,2,{"progname":"ncdu"},[{"name":"/srv"},{"name":"a","asize":3}]])";
    std::vector<std::string> files;
    PathList* place = nullptr;
    std::vector<std::string> arguments = {"volumetra", "--open", "-", "--open", other};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    ASSERT_EQ(ReadCommandLine(static_cast<int>(argv.size()), argv.data(), &place, &files), COMMAND_LINE_RUN);
    ASSERT_EQ(files.size(), 2u);
    // Standard input is read once; a second "-" is refused.
    std::vector<std::string> again = {"volumetra", "--open", "-"};
    std::vector<char*> againArgv = {again[0].data(), again[1].data(), again[2].data()};
    std::vector<std::string> none;
    EXPECT_EQ(ReadCommandLine(3, againArgv.data(), &place, &none), COMMAND_LINE_BAD);

    ASSERT_TRUE(StartUp(nullptr, files));
    // Two drives of their own; the window goes to the last one given.
    auto fileDriveNamed = [](const std::u16string& name) -> ItemNode* {
        ItemNode* drive = FindChildByName(rootItem, name.c_str());
        return drive && (drive->flags & ITEM_FROM_FILE) ? drive : nullptr;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return fileDriveNamed(u"/srv") && fileDriveNamed(QString::fromStdString(root).toStdU16String()); }, 20000));
    ItemNode* piped = fileDriveNamed(QString::fromStdString(root).toStdU16String());
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return treePane->currentItem() && std::u16string(TreeNodeItem(treePane->currentItem())->name) == u"/srv"; },
        20000));

    // Going there reads it; its entries are the fixture's, odd names exact.
    QTreeWidgetItem* node = nullptr;
    for (int i = 0; i < TreeRootNode()->childCount(); ++i) {
        if (TreeNodeItem(TreeRootNode()->child(i)) == piped) node = TreeRootNode()->child(i);
    }
    ASSERT_NE(node, nullptr);
    treePane->setCurrentItem(node);
    ASSERT_TRUE(QTest::qWaitFor([piped] { return (piped->flags & ITEM_SCANNED) && listedPlace == piped; }, 20000));
    HostScan scan(root);
    ExpectSameEntries(piped, &scan.drive, true);
    EXPECT_TRUE(StatusPartText(1).startsWith("Read from standard input of")) << StatusPartText(1).toStdString();
    EXPECT_EQ(FileDriveOf(piped)->failure, "");

    // The spooled copy reads again as often as asked.
    ScanFileContents first = ReadScanFileForTest(files[0]);
    ScanFileContents second = ReadScanFileForTest(files[0]);
    EXPECT_EQ(first.rootPath, root);
    EXPECT_EQ(second.rootPath, root);
    FreeScanFile(&first);
    FreeScanFile(&second);
}

}  // namespace
