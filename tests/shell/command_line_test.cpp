// The command line: --help and --version answer on the terminal without a
// window or a display, a folder becomes the place the window opens at, and a
// folder the program cannot show is refused with exit code 2 before any
// window exists.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "model/path_list.h"
#include "platform/host_names.h"
#include "program_environment.h"
#include "resources/version.h"
#include "running_program.h"
#include "scan/folder_tree.h"
#include "shell/command_line.h"

namespace {

std::string Canonical(const QString& path) {
    char resolved[PATH_MAX];
    return realpath(path.toLocal8Bit().constData(), resolved) ? resolved : "";
}

std::vector<std::u16string> ComponentsOf(const PathList* place) {
    std::vector<std::u16string> components;
    for (; place; place = place->next) components.emplace_back(place->name);
    return components;
}

// A device root with a few folders and a file, for the program to be started on.
class CommandLineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        root = Canonical(folder.path());
        ASSERT_EQ(mkdir((root + "/photos").c_str(), 0755), 0);
        ASSERT_EQ(mkdir((root + "/photos/summer 2003").c_str(), 0755), 0);
        std::ofstream(root + "/notes.txt") << "x";
    }
    QTemporaryDir folder;
    std::string root;
};

class ProgramProcess : public CommandLineFixture {
protected:
    QProcessEnvironment Environment(bool offscreen) {
        return ProgramEnvironment(QString::fromStdString(root), home.path(), offscreen);
    }

    // Runs the built program in the root with an environment that has no
    // display at all; at most ten seconds.
    ProgramRun Run(const QStringList& arguments) {
        return RunProgram(arguments, Environment(false), QString::fromStdString(root), 10000);
    }

    // Whether the program, started with arguments, is still running (its
    // window open) after a second and a half; it is ended either way.
    bool KeepsRunning(const QStringList& arguments, bool offscreen) {
        QProcess process;
        process.setProcessEnvironment(Environment(offscreen));
        process.start(VOLUMETRA_PROGRAM, arguments);
        if (!process.waitForStarted(10000)) return false;
        bool running = !process.waitForFinished(1500);
        if (!running) ADD_FAILURE() << process.readAllStandardError().constData();
        process.kill();
        process.waitForFinished();
        return running;
    }

    QTemporaryDir home;
};

TEST_F(ProgramProcess, HelpAndVersionAnswerWithoutADisplay) {
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        ProgramRun help = Run({option});
        ASSERT_FALSE(help.crashed) << option.toStdString();
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: volumetra [options] [folder]\n")) << help.out.constData();
        EXPECT_TRUE(help.out.contains("--version"));
        EXPECT_TRUE(help.out.contains("VOLUMETRA_ROOT"));
        EXPECT_FALSE(help.out.contains("-platform"));  // passed to Qt, not the program's own
        EXPECT_EQ(help.err, "");
    }
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
        ProgramRun version = Run({option, QStringLiteral("photos")});
        ASSERT_FALSE(version.crashed);
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, QByteArray("volumetra ") + VOLUMETRA_VERSION + "\n");
        EXPECT_EQ(version.out, "volumetra 3.1.3\n");
        EXPECT_EQ(version.err, "");
    }
}

TEST_F(ProgramProcess, CommandLinesItCannotFollowExitWithTwoAndAMessage) {
    const std::string missing = root + "/missing";
    struct Case {
        QStringList arguments;
        std::string message;
    };
    const Case cases[] = {
        {{QString::fromStdString(missing)}, "volumetra: " + missing + ": no such folder\n"},
        {{"photos/nope"}, "volumetra: photos/nope: no such folder\n"},
        {{"notes.txt"}, "volumetra: notes.txt: not a folder\n"},
        {{"/"}, "volumetra: /: outside the device root " + root + "\n"},
        {{".."}, "volumetra: ..: outside the device root " + root + "\n"},
        {{"photos", "."}, "volumetra: only one folder can be opened\n"},
        {{"--open", "gone.json"}, "volumetra: gone.json: No such file or directory\n"},
        {{"--open", "notes.txt", "photos"}, "volumetra: --open takes no folder and no --export\n"},
        {{"--bogus"}, "volumetra: Unknown option 'bogus'.\nTry 'volumetra --help' for more information.\n"},
    };
    for (const Case& c : cases) {
        ProgramRun run = Run(c.arguments);
        const std::string what = c.arguments.join(' ').toStdString();
        ASSERT_FALSE(run.crashed) << what;
        EXPECT_EQ(run.exitCode, 2) << what;
        EXPECT_EQ(run.err.toStdString(), c.message) << what;
        EXPECT_EQ(run.out, "") << what;
    }
}

TEST_F(ProgramProcess, AFolderInsideTheRootOpensTheWindow) {
    // The window needs a display: offscreen through the environment, or
    // through Qt's own option, which the command line lets through.
    const QString photos = QString::fromStdString(root + "/photos/summer 2003");
    EXPECT_TRUE(KeepsRunning({photos}, true));
    EXPECT_TRUE(KeepsRunning({"-platform", "offscreen", photos}, false));
}

// ReadCommandLine in this process: the place it makes, from the raw bytes.
class ReadingTheCommandLine : public CommandLineFixture {
protected:
    void SetUp() override {
        CommandLineFixture::SetUp();
        setenv("VOLUMETRA_ROOT", root.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VOLUMETRA_ROOT");
        FreePathList(place);
    }
    // Reads a command line; the place of the one before is freed first.
    int Read(std::vector<std::string> arguments) {
        FreePathList(place);
        place = nullptr;
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        return ReadCommandLine(static_cast<int>(argv.size()), argv.data(), &place);
    }
    PathList* place = nullptr;
};

TEST_F(ReadingTheCommandLine, AFolderBecomesThePlaceFromTheDriveDown) {
    ASSERT_EQ(Read({"volumetra", root + "/photos/summer 2003/"}), COMMAND_LINE_RUN);
    EXPECT_EQ(ComponentsOf(place), (std::vector<std::u16string>{u"\\", u"photos", u"summer 2003", u""}));
    ASSERT_EQ(Read({"volumetra", root}), COMMAND_LINE_RUN);
    EXPECT_EQ(ComponentsOf(place), (std::vector<std::u16string>{u"\\", u""}));
    // A name that looks like an option follows "--".
    ASSERT_EQ(mkdir((root + "/-x").c_str(), 0755), 0);
    ASSERT_EQ(Read({"volumetra", "--", root + "/-x"}), COMMAND_LINE_RUN);
    EXPECT_EQ(ComponentsOf(place), (std::vector<std::u16string>{u"\\", u"-x", u""}));
    ASSERT_EQ(Read({"volumetra"}), COMMAND_LINE_RUN);
    EXPECT_EQ(place, nullptr);
}

TEST_F(ReadingTheCommandLine, NamesThatAreNotUtf8ReachTheHostUnchanged) {
    // A space, an undecodable byte and a literal backslash.
    const std::string odd = "odd \xfe\\ name";
    ASSERT_EQ(mkdir((root + "/" + odd).c_str(), 0755), 0);
    ASSERT_EQ(Read({"volumetra", root + "/" + odd}), COMMAND_LINE_RUN);
    const std::u16string text = std::u16string(u"odd ") + char16_t(0xDCFE) + HOST_BACKSLASH + u" name";
    EXPECT_EQ(ComponentsOf(place), (std::vector<std::u16string>{u"\\", text, u""}));
    EXPECT_EQ(Read({"volumetra", root + "/" + odd + "/missing \xfe"}), COMMAND_LINE_BAD);
    EXPECT_EQ(place, nullptr);
    rmdir((root + "/" + odd).c_str());  // Qt cannot name it to remove it
}

// The folder's place replaces the restored one, whose flagged names go too.
using StartingAtAFolder = RunningProgram;

TEST_F(StartingAtAFolder, ThePlaceGivenReplacesTheRecentFolderAndItsFlaggedNames) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"\\Windows\\"), REG_OK);
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"a.txt"), REG_OK);
    ASSERT_TRUE(StartUp(PathListFromNames({u"Storage Card", u""})));
    EXPECT_EQ(pendingPlace, nullptr);  // the window took it
    EXPECT_EQ(flaggedNames, nullptr);
    EXPECT_EQ(flaggedCount, 0u);
    // The card is scanned first; the window lands there when its scan is done.
    ASSERT_TRUE(QTest::qWaitFor([] { return treePane->currentItem() != nullptr; }, 20000));
    const ItemNode* current = TreeNodeItem(treePane->currentItem());
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(std::u16string(current->name), u"Storage Card");
}

TEST_F(StartingAtAFolder, AScanFileGivenOpensAsADriveInsteadOfTheRecentFolder) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"Storage Card\\"), REG_OK);
    QTemporaryDir files;
    const std::string scan = files.filePath("srv.json").toStdString();
    std::ofstream(scan) << R"([1,2,{"progname":"ncdu"},[{"name":"/srv"},{"name":"a","asize":3}]])";
    ASSERT_TRUE(StartUp(nullptr, {scan}));
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return treePane->currentItem() && (TreeNodeItem(treePane->currentItem())->flags & ITEM_FROM_FILE); },
        20000));
    EXPECT_EQ(std::u16string(TreeNodeItem(treePane->currentItem())->name), u"/srv");
}

TEST_F(StartingAtAFolder, WithoutAFolderTheRecentFolderStands) {
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"Storage Card\\"), REG_OK);
    ASSERT_EQ(RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_FLAGGED, u"a.txt"), REG_OK);
    ASSERT_TRUE(StartUp(nullptr));
    ASSERT_TRUE(QTest::qWaitFor([] { return treePane->currentItem() != nullptr; }, 20000));
    const ItemNode* current = TreeNodeItem(treePane->currentItem());
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(std::u16string(current->name), u"Storage Card");
}

}  // namespace
