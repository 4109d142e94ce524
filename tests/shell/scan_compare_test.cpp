// volumetra --compare OLD NEW [--top N] as a process with no display: two
// exports of a fixture, before and after its changes, compressed or plain or
// on standard input, give exactly those changes and the totals du gives;
// an unreadable file or one that is no scan file exits 2 with one line.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "program_environment.h"
#include "support/compare_fixture.h"
#include "support/host_files.h"

namespace {

class ScanCompareProcess : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid() && home.isValid());
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(fixture.root.c_str(), resolved), nullptr);
        device = resolved;
        // A folder below the device root, so that its own blocks count as du counts them.
        root = device + "/tree";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_TRUE(BuildCompareBefore(root));
        files = home.path().toStdString();
    }

    QProcessEnvironment Environment() {
        return ProgramEnvironment(QString::fromStdString(device), home.path(), false);
    }

    ProgramRun Run(const std::vector<std::string>& arguments) {
        QStringList list;
        for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument.c_str());
        return RunProgram(list, Environment(), QString(), 60000);
    }

    // The exports before and after the changes: old compressed with zstd's
    // own tool, new plain.
    void ExportBoth() {
        ASSERT_EQ(Run({"--export", files + "/old.json", root}).exitCode, 0);
        ASSERT_EQ(std::system(("zstd -q --rm '" + files + "/old.json'").c_str()), 0);
        duBefore = DuBytes(root);
        deepBefore = DuBytes(root + "/docs/deep");
        ASSERT_TRUE(ChangeCompareFixture(root));
        ASSERT_EQ(Run({"--export", files + "/new.json", root}).exitCode, 0);
    }

    FixtureFolder fixture;
    QTemporaryDir home;
    std::string device;
    std::string root;
    std::string files;
    long long duBefore = 0;
    long long deepBefore = 0;
};

// The report's entry lines as path (below root) -> "change[ kind]".
std::map<std::string, std::string> Entries(const std::string& report, const std::string& root, std::string* totals) {
    std::map<std::string, std::string> entries;
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Total: ", 0) == 0) *totals = line;
        if (line.rfind("  +", 0) != 0 && line.rfind("  -", 0) != 0) continue;
        const size_t gap = line.find("  ", 2);
        std::string change = line.substr(2, gap - 2);
        std::string path = line.substr(gap + 2);
        for (const char* kind : {"  (new)", "  (gone)"}) {
            const std::string tag = kind;
            if (path.size() > tag.size() && path.compare(path.size() - tag.size(), tag.size(), tag) == 0) {
                path.resize(path.size() - tag.size());
                change += " " + tag.substr(2);
            }
        }
        if (path.rfind(root + "/", 0) == 0) path = path.substr(root.size() + 1);
        entries[path] = change;
    }
    return entries;
}

std::string Grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return (value < 0 ? "-" : "+") + text;
}

TEST_F(ScanCompareProcess, TellsTheChangesAndTotalsOfTwoExports) {
    ExportBoth();
    ProgramRun run = Run({"--compare", files + "/old.json.zst", files + "/new.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.err, "");
    std::string totals;
    std::map<std::string, std::string> entries = Entries(run.out.toStdString(), root, &totals);
    const long long duAfter = DuBytes(root);
    EXPECT_EQ(totals, "Total: " + Grouped(duBefore).substr(1) + " -> " + Grouped(duAfter).substr(1) + " (" +
                          Grouped(duAfter - duBefore) + ")");
    EXPECT_EQ(entries["docs/deep"], Grouped(DuBytes(root + "/docs/deep") - deepBefore));
    EXPECT_EQ(entries[COMPARE_ADDED], Grouped(DuBytes(root + "/" + COMPARE_ADDED)) + " (new)");
    EXPECT_EQ(entries[COMPARE_RENAMED_TO].substr(entries[COMPARE_RENAMED_TO].size() - 5), "(new)");
    EXPECT_EQ(entries[COMPARE_RENAMED_FROM].substr(entries[COMPARE_RENAMED_FROM].size() - 6), "(gone)");
    EXPECT_EQ(entries[COMPARE_REMOVED].substr(entries[COMPARE_REMOVED].size() - 6), "(gone)");
    EXPECT_EQ(entries.count("docs/" + CompareOddName()), 1u);
    EXPECT_EQ(entries.count(COMPARE_LINK), 1u);
    EXPECT_EQ(entries.count(COMPARE_GROWN), 1u);
    // Nothing else; the fixture's older pair of links (one in docs, one in
    // the renamed folder) counts at the link met first, which the rename may
    // move to docs.
    for (const auto& entry : entries) {
        const std::set<std::string> told = {"docs", "docs/deep", COMPARE_GROWN, "docs/" + CompareOddName(),
                                            COMPARE_REMOVED, COMPARE_ADDED, COMPARE_RENAMED_FROM,
                                            COMPARE_RENAMED_TO, COMPARE_LINK, COMPARE_LINKED, "docs/same-as-one"};
        EXPECT_TRUE(told.count(entry.first)) << entry.first;
    }

    // --top 1: the one that grew most and the one that shrank most.
    ProgramRun one = Run({"--compare", files + "/old.json.zst", files + "/new.json", "--top", "1"});
    ASSERT_EQ(one.exitCode, 0);
    EXPECT_EQ(Entries(one.out.toStdString(), root, &totals).size(), 2u);
}

TEST_F(ScanCompareProcess, ReadsEitherFileFromStandardInput) {
    ExportBoth();
    // The same report whichever file comes on standard input.
    const std::string expected = Run({"--compare", files + "/old.json.zst", files + "/new.json"}).out.toStdString();
    for (bool oldOnInput : {true, false}) {
        SCOPED_TRACE(oldOnInput ? "old on standard input" : "new on standard input");
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setStandardInputFile(QString::fromStdString(files + (oldOnInput ? "/old.json.zst" : "/new.json")));
        QStringList arguments = {"--compare"};
        arguments << (oldOnInput ? QString("-") : QString::fromStdString(files + "/old.json.zst"));
        arguments << (oldOnInput ? QString::fromStdString(files + "/new.json") : QString("-"));
        process.start(VOLUMETRA_PROGRAM, arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
        EXPECT_EQ(process.readAllStandardOutput().toStdString(), expected);
    }
}

TEST_F(ScanCompareProcess, RefusesWhatItCannotReadWithExitCodeTwo) {
    ExportBoth();
    const std::string broken = files + "/broken.json";
    {
        std::ofstream file(broken);
        file << "[1, 2, {}, [{\"name\": \"/x\"}";
    }
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--compare", files + "/missing.json", files + "/new.json"}, files + "/missing.json: No such file or directory"},
        {{"--compare", files + "/new.json", broken}, broken + ": line 1, column"},
        {{"--compare", "-", "-"}, "only one of the two scan files can be standard input"},
        {{"--compare", files + "/new.json"}, "--compare takes two scan files"},
        {{"--compare", files + "/new.json", files + "/new.json", "--top", "many"}, "--top takes a whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ProgramRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.toStdString().rfind("volumetra: " + c.message, 0), 0u) << run.err.constData();
        EXPECT_EQ(run.err.count('\n'), 1);
    }
}

}  // namespace
