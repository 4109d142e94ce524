// Scan files: ncdu's own export of a host fixture opens to the tree and the
// totals a scan of it gives, a written scan reads back the same in ncdu and
// here, every odd name comes back byte for byte, and every broken or
// hostile file is refused with the place reading stopped, nothing kept.
#include "model/scan_file.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_names.h"
#include "support/host_files.h"
#include "support/modified_times.h"
#include "support/scan_file_trees.h"
#include "support/unprivileged.h"

namespace {

// The export of a scan, as --export writes it.
bool ExportScan(const HostScan& scan, const std::string& root, const std::string& fileName, std::string* error) {
    struct stat facts;
    stat(root.c_str(), &facts);
    ScanFileSource source;
    source.top = &scan.drive;
    source.rootPath = root;
    source.hardLinks = &scan.links;
    source.hasVolumeId = true;
    source.volumeId = facts.st_dev;
    source.progver = "test";
    source.timestamp = 1700000000;
    return ExportScanFile(fileName, source, error);
}

// The host bytes of every name below item, whole paths, sorted.
void CollectNames(const ItemNode* item, const std::string& path, std::vector<std::string>* names) {
    for (uint32_t i = 0; i < item->childCount; ++i) {
        const ItemNode* child = &item->children[i];
        if (child->flags & ITEM_DATABASE) continue;
        std::string name = path + "/";
        EncodeHostPath(child->name, std::char_traits<char16_t>::length(child->name), &name);
        names->push_back(name);
        CollectNames(child, name, names);
    }
}

std::vector<std::string> SortedNames(const ItemNode* item) {
    std::vector<std::string> names;
    CollectNames(item, "", &names);
    std::sort(names.begin(), names.end());
    return names;
}

// Every entry of the host folder by walking it, as bytes.
std::vector<std::string> HostNames(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        names.push_back("/" + entry.path().lexically_relative(root).native());
    std::sort(names.begin(), names.end());
    return names;
}

class ScanFilePeer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root + "/tree";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_TRUE(BuildScanFileFixture(root));
        files = fixture.root + "/files";
        ASSERT_EQ(mkdir(files.c_str(), 0777), 0);
        chmod(files.c_str(), 0777);
    }
    FixtureFolder fixture;
    std::string root;
    std::string files;
};

TEST_F(ScanFilePeer, NcduExportOpensToTheTreeAndTotalsOfAScan) {
    HostScan scan(root);
    ASSERT_EQ(scan.outcome, SCAN_COMPLETE);
    // Plain and extended exports (the latter with mode, uid, gid, mtime).
    for (bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended" : "plain");
        std::string theirs = files + "/theirs.json";
        std::vector<std::string> arguments = {"-0", "-x", "-o", theirs, root};
        if (extended) arguments.insert(arguments.begin(), "-e");
        ASSERT_EQ(RunNcdu(arguments), 0);
        ScanFileContents opened = ReadScanFileForTest(theirs);
        ASSERT_NE(opened.root, nullptr);
        EXPECT_EQ(opened.progname, "ncdu");
        EXPECT_EQ(opened.rootPath, root);
        EXPECT_EQ(opened.root->flags, ITEM_FOLDER | ITEM_SCANNED);
        EXPECT_EQ(opened.root->parent, nullptr);
        ExpectSameEntries(&scan.drive, opened.root, extended);
        // The names of ncdu's file are the host's bytes.
        EXPECT_EQ(SortedNames(opened.root), HostNames(root));
        // One link of the pair is counted, the other marked.
        ASSERT_EQ(opened.hardLinks.size(), 2u);
        EXPECT_EQ(opened.hardLinks[0].fileId, opened.hardLinks[1].fileId);
        EXPECT_EQ(opened.hardLinks[0].links, 2u);
        EXPECT_NE(opened.hardLinks[0].item->flags & ITEM_LINK_REPEAT,
                  opened.hardLinks[1].item->flags & ITEM_LINK_REPEAT);
        FreeScanFile(&opened);
        EXPECT_EQ(opened.root, nullptr);
    }
}

TEST_F(ScanFilePeer, WrittenScanReadsBackTheSameHereAndThroughNcdu) {
    HostScan scan(root);
    ASSERT_EQ(scan.outcome, SCAN_COMPLETE);
    std::string ours = files + "/ours.json";
    std::string back = files + "/back.json";
    std::string error;
    ASSERT_TRUE(ExportScan(scan, root, ours, &error)) << error;
    ScanFileContents direct = ReadScanFileForTest(ours);
    ASSERT_NE(direct.root, nullptr);
    EXPECT_EQ(direct.progname, "volumetra");
    EXPECT_EQ(direct.progver, "test");
    EXPECT_EQ(direct.timestamp, 1700000000);
    EXPECT_EQ(direct.rootPath, root);
    ExpectSameEntries(&scan.drive, direct.root, true);
    // ncdu reads ours and writes its own; every name and size survives.
    ASSERT_EQ(RunNcdu({"-f", ours, "-o", back}), 0);
    ScanFileContents again = ReadScanFileForTest(back);
    ASSERT_NE(again.root, nullptr);
    ExpectSameEntries(&scan.drive, again.root, false);
    EXPECT_EQ(SortedNames(again.root), HostNames(root));
    // ncdu took the pair as links of one file.
    ASSERT_EQ(again.hardLinks.size(), 2u);
    EXPECT_EQ(again.hardLinks[0].fileId, again.hardLinks[1].fileId);
    EXPECT_EQ(again.hardLinks[0].volumeId, again.hardLinks[1].volumeId);
    EXPECT_EQ(again.hardLinks[0].links, 2u);
    FreeScanFile(&direct);
    FreeScanFile(&again);
}

// The times of each named entry below root, as stamps.
std::vector<int64_t> TimesOf(const ItemNode* root, const std::vector<ModifiedTime>& table) {
    std::vector<int64_t> times;
    for (const ModifiedTime& entry : table) {
        const std::string name = entry.name;
        const ItemNode* found = FindChildByName(root, std::u16string(name.begin(), name.end()).c_str());
        times.push_back(found ? int64_t(found->modified) : -1);
    }
    return times;
}

TEST(ScanFileTimes, TimesBefore1970AndAfter2106AreKeptAndWrittenAsNcduCanCarryThem) {
    FixtureFolder fixture;
    ASSERT_TRUE(fixture.IsValid());
    const std::string root = fixture.root + "/tree";
    ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
    ASSERT_TRUE(BuildModifiedTimes(root)) << "the file system does not keep these times";
    const std::vector<ModifiedTime> table = ModifiedTimeTable();

    // The scan keeps each time to the millisecond, before 1970 and after
    // 2106 as they are.
    HostScan scan(root);
    ASSERT_EQ(scan.outcome, SCAN_COMPLETE);
    std::vector<int64_t> scanned;
    for (const ModifiedTime& entry : table) scanned.push_back(TimeStampOfUnixTime(entry.seconds, entry.nanoseconds));
    EXPECT_EQ(TimesOf(&scan.drive, table), scanned);
    EXPECT_LT(scanned[2], scanned[3]);  // 0.3 s apart within one second

    // The file holds whole seconds from 1970 without a sign: 1960 is left
    // out (unknown when read back), never written as 0.
    const std::string ours = fixture.root + "/ours.json";
    std::string error;
    ASSERT_TRUE(ExportScan(scan, root, ours, &error)) << error;
    std::vector<int64_t> written = {0};
    for (size_t i = 1; i < table.size(); ++i) written.push_back(TimeStampOfUnixTime(table[i].seconds));
    ScanFileContents direct = ReadScanFileForTest(ours);
    ASSERT_NE(direct.root, nullptr);
    EXPECT_EQ(TimesOf(direct.root, table), written);
    std::ifstream file(ours);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\"mtime\":7258118400"), std::string::npos);
    EXPECT_NE(text.find("\"mtime\":4295030400"), std::string::npos);
    EXPECT_EQ(text.find("\"mtime\":-"), std::string::npos);
    EXPECT_EQ(text.find("\"mtime\":4294967294"), std::string::npos);
    // One "mtime":0, the file of 1970-01-01 itself.
    const size_t zero = text.find("\"mtime\":0}");
    ASSERT_NE(zero, std::string::npos);
    EXPECT_EQ(text.find("\"mtime\":0}", zero + 1), std::string::npos);
    const size_t object = text.rfind('{', zero);
    ASSERT_NE(object, std::string::npos);
    EXPECT_NE(text.substr(object, zero - object).find("\"name\":\"y1970\""), std::string::npos);
    EXPECT_NE(text.find("\"y1960\""), std::string::npos);

    // ncdu reads ours with its times (-e) and writes them back the same.
    const std::string back = fixture.root + "/back.json";
    ASSERT_EQ(RunNcdu({"-e", "-f", ours, "-o", back}), 0);
    ScanFileContents again = ReadScanFileForTest(back);
    ASSERT_NE(again.root, nullptr);
    EXPECT_EQ(TimesOf(again.root, table), written);
    FreeScanFile(&direct);
    FreeScanFile(&again);
}

TEST_F(ScanFilePeer, AnUnreadableFolderIsMarkedBothWays) {
    std::string locked = root + "/docs/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
    WriteFile(locked + "/inside", 10);
    chmod(locked.c_str(), 0);
    // As an ordinary user, so the folder cannot be read where the tests run as root.
    int result = RunUnprivileged([&] {
        std::string theirs = files + "/theirs-locked.json";
        std::string ours = files + "/ours-locked.json";
        std::string back = files + "/back-locked.json";
        if (RunNcdu({"-0", "-x", "-o", theirs, root}) != 0) return 1;
        HostScan scan(root);
        std::string error;
        if (scan.outcome != SCAN_COMPLETE || !ExportScan(scan, root, ours, &error)) return 2;
        if (RunNcdu({"-f", ours, "-o", back}) != 0) return 3;
        for (const std::string& name : {theirs, ours, back}) {
            ScanFileContents opened = ReadScanFileForTest(name);
            if (!opened.root) return 4;
            const ItemNode* folder = FindChildByName(FindChildByName(opened.root, u"docs"), u"locked");
            bool marked = folder && (folder->flags & ITEM_UNREADABLE) && folder->readError == EACCES &&
                          folder->childCount == 0 && (folder->parent->flags & ITEM_INCOMPLETE) &&
                          (opened.root->flags & ITEM_INCOMPLETE);
            ExpectSameEntries(&scan.drive, opened.root, false);
            FreeScanFile(&opened);
            if (!marked) return 5;
        }
        return ::testing::Test::HasFailure() ? 6 : 0;
    });
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(result, 0);
}

// Reads text as a scan file.
bool ReadText(const std::string& text, ScanFileContents* contents, std::string* error) {
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!file) return false;
    bool read = ReadScanFile(file, contents, error);
    std::fclose(file);
    return read;
}

const std::string HEAD = "[1,2,{\"progname\":\"t\",\"progver\":\"1\",\"timestamp\":5},\n";

TEST(ScanFileRead, BuildsTheTreeAScanWould) {
    std::string text = HEAD +
                       "[{\"name\":\"/srv\",\"asize\":4096,\"dsize\":4096,\"dev\":7},\n"
                       "{\"name\":\"first\",\"asize\":100,\"dsize\":4096,\"ino\":9,\"hlnkc\":true,\"nlink\":2},\n"
                       "[{\"name\":\"sub\",\"asize\":10},\n"
                       " [{\"name\":\"locked\",\"read_error\":true}],\n"
                       " {\"name\":\"second\",\"asize\":100,\"dsize\":4096,\"ino\":9,\"hlnkc\":true,\"nlink\":2},\n"
                       " {\"name\":\"other dev\",\"asize\":1,\"dsize\":4096,\"dev\":8,\"ino\":9,\"hlnkc\":true}],\n"
                       "[{\"name\":\"mnt\",\"excluded\":\"othfs\"}],\n"
                       "{\"name\":\"fifo\",\"notreg\":true,\"mtime\":-5},\n"
                       "{\"name\":\"esc\\u00e9\\u0001\\\\\",\"mtime\":1700000000}]]";
    ScanFileContents contents;
    std::string error;
    ASSERT_TRUE(ReadText(text, &contents, &error)) << error;
    ItemNode* root = contents.root;
    EXPECT_EQ(contents.rootPath, "/srv");
    EXPECT_EQ(std::u16string(root->name), u"/srv");
    EXPECT_EQ(contents.timestamp, 5);
    // Records in reverse file order.
    ASSERT_EQ(root->childCount, 5u);
    EXPECT_EQ(std::u16string(root->children[0].name), u"esc\u00e9\u0001" + std::u16string(1, HOST_BACKSLASH));
    EXPECT_EQ(root->children[0].modified, TimeStampOfUnixTime(1700000000));
    EXPECT_EQ(root->children[1].flags, 0u);  // fifo: a file
    EXPECT_EQ(root->children[1].modified, TimeStampOfUnixTime(-5));
    // An excluded mount point: a folder, listed and not entered.
    EXPECT_EQ(root->children[2].flags, uint32_t(ITEM_FOLDER | ITEM_SCANNED | ITEM_EXCLUDED));
    ItemNode* sub = &root->children[3];
    ItemNode* first = &root->children[4];
    EXPECT_EQ(sub->flags, ITEM_FOLDER | ITEM_SCANNED | ITEM_INCOMPLETE);
    ASSERT_EQ(sub->childCount, 3u);
    EXPECT_EQ(sub->children[0].parent, sub);
    ItemNode* locked = &sub->children[2];
    EXPECT_EQ(locked->flags, ITEM_FOLDER | ITEM_SCANNED | ITEM_UNREADABLE);
    EXPECT_EQ(locked->readError, uint32_t(EACCES));
    EXPECT_EQ(root->flags, ITEM_FOLDER | ITEM_SCANNED | ITEM_INCOMPLETE | ITEM_HOLDS_EXCLUDED);
    // Of dev 7, ino 9 the link first in the tree's order (sub's, whose
    // record comes first) counts, the other is a repeat; ino 9 on dev 8 is
    // another file.
    EXPECT_TRUE(first->flags & ITEM_LINK_REPEAT);
    EXPECT_FALSE(sub->children[1].flags & ITEM_LINK_REPEAT);
    EXPECT_FALSE(sub->children[0].flags & ITEM_LINK_REPEAT);
    EXPECT_EQ(contents.hardLinks.size(), 3u);
    // Disk usage takes the pair once: the root's 4096, sub's link and the other dev's file.
    ASSERT_EQ(sizeCount, SIZE_DISK_USAGE);
    EXPECT_EQ(root->total, 3u * 4096);
    EXPECT_EQ(sub->total, 2u * 4096);
    FreeScanFile(&contents);
}

TEST(ScanFileRead, FilesOfSeveralDevicesKeepTheirLinksApartWhenWrittenAgainByUsAndByNcdu) {
    // Two files of one inode number on two devices: two files, not links.
    std::string text = HEAD +
                       "[{\"name\":\"/srv\",\"dev\":7},\n"
                       "[{\"name\":\"a\"},{\"name\":\"x\",\"asize\":1000,\"dsize\":8192,\"ino\":9,\"hlnkc\":true,\"nlink\":2}],\n"
                       "[{\"name\":\"b\",\"dev\":8},\n"
                       " {\"name\":\"y\",\"asize\":1000,\"dsize\":8192,\"ino\":9,\"hlnkc\":true,\"nlink\":2}]]]";
    ScanFileContents contents;
    std::string error;
    ASSERT_TRUE(ReadText(text, &contents, &error)) << error;
    ASSERT_EQ(contents.root->total, 2u * 8192);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string ours = folder.path().toStdString() + "/again.json";
    const std::string ncdus = folder.path().toStdString() + "/ncdu.json";
    ScanFileSource source;
    source.top = contents.root;
    source.rootPath = contents.rootPath;
    source.hardLinks = &contents.hardLinks;
    ASSERT_TRUE(ExportScanFile(ours, source, &error)) << error;
    ASSERT_EQ(RunNcdu({"-f", ours, "-o", ncdus}), 0);
    for (const std::string& written : {ours, ncdus}) {
        SCOPED_TRACE(written);
        ScanFileContents again = ReadScanFileForTest(written);
        ASSERT_NE(again.root, nullptr);
        EXPECT_EQ(again.root->total, contents.root->total);
        for (const ItemNode* item = again.root->children; item < again.root->children + again.root->childCount; ++item)
            EXPECT_EQ(item->total, 8192u) << std::string(item->name, item->name + 1);
        FreeScanFile(&again);
    }
    FreeScanFile(&contents);
}

TEST(ScanFileRead, TotalsStopAtTheLargestCountInsteadOfWrapping) {
    std::string text = HEAD + "[{\"name\":\"/r\"},{\"name\":\"huge\",\"asize\":18446744073709551615,"
                              "\"dsize\":18446744073709551615},{\"name\":\"small\",\"asize\":2,\"dsize\":4096}]]";
    ScanFileContents contents;
    std::string error;
    ASSERT_TRUE(ReadText(text, &contents, &error)) << error;
    EXPECT_EQ(contents.root->total, UINT64_MAX);
    EXPECT_EQ(SumVisibleTotals(contents.root->children, contents.root->childCount), UINT64_MAX);
    sizeCount = SIZE_APPARENT;
    ComputeTotals(contents.root);
    EXPECT_EQ(contents.root->total, UINT64_MAX);
    sizeCount = SIZE_DISK_USAGE;
    FreeScanFile(&contents);
}

TEST(ScanFileRead, TakesWhatItNeedNotUnderstand) {
    struct Case {
        const char* what;
        std::string text;
        uint32_t rootEntries;
    };
    const Case cases[] = {
        {"two entries of one name are both kept",
         HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\"},{\"name\":\"a\",\"asize\":3}]]", 2},
        {"further top-level elements are ignored", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\"}],5,[[{}]],{\"x\":[]}]",
         1},
        {"unknown fields are skipped however nested",
         HEAD + "[{\"name\":\"/r\",\"uid\":0,\"x\":{\"a\":[1,{\"b\":null}]},\"y\":[[]],\"z\":null},"
                "{\"name\":\"a\",\"w\":1.5,\"v\":-3,\"u\":false}]]",
         1},
        {"unknown metadata is skipped", "[1,7,{\"progname\":\"t\",\"extra\":[1,{}],\"flag\":true},[{\"name\":\"/r\"}]]",
         0},
        {"a name of 255 bytes", HEAD + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(255, 'n') + "\"}]]", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanFileContents contents;
        std::string error;
        ASSERT_TRUE(ReadText(c.text, &contents, &error)) << error;
        EXPECT_EQ(contents.root->childCount, c.rootEntries);
        FreeScanFile(&contents);
    }
}

// A file of depth folders nested, each opened and none closed unless closed.
std::string Nested(size_t depth, bool closed) {
    std::string text = HEAD + "[{\"name\":\"/r\"}";
    for (size_t i = 0; i < depth; ++i) text += ",[{\"name\":\"d\"}";
    if (closed) text += std::string(depth, ']') + "]]";
    return text;
}

TEST(ScanFileRead, RefusesBrokenAndHostileFilesAndKeepsNothing) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;  // a part of the message after the place
        const char* where;    // the place reading stopped
    };
    const std::string valid = HEAD + "[{\"name\":\"/r\"},[{\"name\":\"d\"},{\"name\":\"f\",\"asize\":5}],{\"name\":\"g\"}]]";
    const Case cases[] = {
        {"empty", "", "empty", "line 1, column 1"},
        {"not a scan file", "{\"a\":1}", "an object where the opening list belongs", "line 1, column 1"},
        {"another major version", "[2,0,{},[{\"name\":\"/r\"}]]", "major version", "line 1, column 3"},
        {"cut in a name", valid.substr(0, valid.find("\"f\"") + 2), "quotation mark", "line 2"},
        {"cut after an entry", valid.substr(0, valid.find("{\"name\":\"g\"}")), "", "line 2"},
        {"cut before the root", HEAD, "", "line 2, column 1"},
        {"no root", "[1,2,{}]", "ends before its root", "line 1, column 8"},
        {"trailing text", valid + "x", "", "line 2"},
        {"folders nested 100,000 deep", Nested(100000, true), "deeper than 16384", "line 2"},
        {"folders nested 100,000 deep, never closed", Nested(100000, false), "deeper than 16384", "line 2"},
        {"a 100 MB name", HEAD + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(100 << 20, 'n') + "\"}]]",
         "longer than 65536", "line 2, column 6"},
        {"a name past the host's limit", HEAD + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(256, 'n') + "\"}]]",
         "longer than 255", "line 2"},
        {"a root path past the host's limit", HEAD + "[{\"name\":\"/" + std::string(4096, 'r') + "\"}]]",
         "longer than 4096", "line 2"},
        {"a name with a slash", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a/b\"}]]", "\"/\"", "line 2"},
        {"a name with a NUL", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\\u0000b\"}]]", "NUL", "line 2"},
        {"an empty name", HEAD + "[{\"name\":\"/r\"},{\"name\":\"\"}]]", "empty", "line 2"},
        {"a missing name", HEAD + "[{\"name\":\"/r\"},{\"asize\":1}]]", "without a name", "line 2, column 26"},
        {"a name that is a number", HEAD + "[{\"name\":5}]]", "name must not be a number", "line 2"},
        {"a size that is text", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":\"5\"}]]", "asize must not be text",
         "line 2"},
        {"a flag that is a number", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"hlnkc\":1}]]", "hlnkc", "line 2"},
        {"a size that is an object", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"dsize\":{}}]]",
         "dsize must not be an object", "line 2"},
        {"a timestamp that is text", "[1,2,{\"timestamp\":\"now\"},[{\"name\":\"/r\"}]]", "timestamp", "line 1"},
        {"a negative size", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":-1}]]", "whole number from 0",
         "line 2"},
        {"a size past 2^64", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":18446744073709551616}]]",
         "whole number from 0", "line 2"},
        {"a fraction", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"dsize\":1.5}]]", "whole number from 0", "line 2"},
        {"a negative inode", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"ino\":-3}]]", "whole number from 0",
         "line 2"},
        {"an nlink past 32 bits", HEAD + "[{\"name\":\"/r\"},{\"name\":\"a\",\"nlink\":4294967296}]]", "nlink",
         "line 2"},
        {"a root that is a file", HEAD + "{\"name\":\"/r\"}]", "an object where the root folder belongs", "line 2"},
        {"a folder without info", HEAD + "[{\"name\":\"/r\"},[]]]", "without its info", "line 2"},
        {"a number among entries", HEAD + "[{\"name\":\"/r\"},5]]", "a number where an entry belongs", "line 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanFileContents contents;
        contents.progname = "left over";
        std::string error;
        EXPECT_FALSE(ReadText(c.text, &contents, &error));
        EXPECT_EQ(contents.root, nullptr);
        EXPECT_TRUE(contents.progname.empty() && contents.hardLinks.empty());
        EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // Blocks built before the failure are freed (the sanitizers' leak check
    // sees to it): a broken file whose folders had many entries.
    std::string built = HEAD + "[{\"name\":\"/r\"},[{\"name\":\"d\"}";
    for (int i = 0; i < 1000; ++i) built += ",{\"name\":\"f" + std::to_string(i) + "\",\"ino\":1,\"hlnkc\":true}";
    built += "],[{\"name\":\"e\"},{\"name\":\"x\"}],{\"name\":\"bad\",\"asize\":-1}]]";
    ScanFileContents contents;
    std::string error;
    EXPECT_FALSE(ReadText(built, &contents, &error));
    EXPECT_EQ(contents.root, nullptr);
}

TEST(ScanFileWrite, AFailedExportLeavesNothingUnderTheName) {
    FixtureFolder fixture;
    ASSERT_TRUE(fixture.IsValid());
    ItemNode top{};
    top.flags = ITEM_FOLDER | ITEM_SCANNED;
    top.name = u"top";
    ScanFileSource source;
    source.top = &top;
    source.rootPath = "/top";
    std::string error;
    // No such folder; a name that is a folder (the rename fails).
    std::string folderName = fixture.root + "/taken";
    ASSERT_EQ(mkdir(folderName.c_str(), 0755), 0);
    for (const std::string& name : {fixture.root + "/missing/scan.json", folderName}) {
        SCOPED_TRACE(name);
        error.clear();
        EXPECT_FALSE(ExportScanFile(name, source, &error));
        EXPECT_EQ(error.rfind(name + ": ", 0), 0u) << error;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folderName));
    EXPECT_TRUE(std::filesystem::is_empty(folderName));
    // Only the folder made above is there: no temporary file was left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(fixture.root), {}), 1);
    // A device that is full fails the write itself.
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(WriteScanFile(full, source, &error));
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;
    std::fclose(full);
    // And a good one replaces the name whole.
    std::string good = fixture.root + "/scan.json";
    ASSERT_TRUE(ExportScanFile(good, source, &error)) << error;
    ScanFileContents contents = ReadScanFileForTest(good);
    ASSERT_NE(contents.root, nullptr);
    EXPECT_EQ(contents.root->childCount, 0u);
    FreeScanFile(&contents);
}

}  // namespace
