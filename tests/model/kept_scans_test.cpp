// Kept scans: a scan kept compressed reads back the same here and, through
// `zstd -dc`, in ncdu; damaged compressed files are refused with the reason;
// pruning keeps the newest of each drive and the size limit; a state folder
// that cannot be written is told, and leaves nothing.
#include "model/kept_scans.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "model/item_tree.h"
#include "model/scan_file.h"
#include "support/host_files.h"
#include "support/scan_file_trees.h"
#include "support/unprivileged.h"

namespace {

ScanFileSource SourceOf(const HostScan& scan, const std::string& root) {
    ScanFileSource source;
    source.top = &scan.drive;
    source.rootPath = root;
    source.hardLinks = &scan.links;
    source.progver = "test";
    source.timestamp = 1700000000;
    return source;
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void PutBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

class KeptScanFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root + "/tree";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_TRUE(BuildScanFileFixture(root));
        kept.folder = fixture.root + "/state/volumetra/scans";
    }
    FixtureFolder fixture;
    std::string root;
    KeptScans kept;
};

TEST_F(KeptScanFiles, AKeptScanIsTheExportCompressedAndReadsBackEverywhere) {
    HostScan scan(root);
    ASSERT_EQ(scan.outcome, SCAN_COMPLETE);
    std::string keptFile;
    std::string error;
    ASSERT_TRUE(KeepScan(kept, root, SourceOf(scan, root), 1765432100, &keptFile, &error)) << error;
    EXPECT_EQ(keptFile, kept.folder + "/" + KeptDriveFolderName(root) + "/2025-12-11T05-48-20Z.json.zst");
    // The state folder is the user's alone.
    struct stat facts;
    ASSERT_EQ(stat(kept.folder.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);

    // Byte for byte the plain export, compressed.
    const std::string plain = fixture.root + "/plain.json";
    ASSERT_TRUE(ExportScanFile(plain, SourceOf(scan, root), &error)) << error;
    const std::string unpacked = fixture.root + "/unpacked.json";
    ASSERT_EQ(Shell("zstd -q -dc '" + keptFile + "' > '" + unpacked + "'"), 0);
    EXPECT_EQ(FileBytes(unpacked), FileBytes(plain));
    EXPECT_LT(FileBytes(keptFile).size() * 2, FileBytes(plain).size());

    // Read here directly, and by ncdu from zstd's output.
    ScanFileContents direct = ReadScanFileForTest(keptFile);
    ASSERT_NE(direct.root, nullptr);
    ExpectSameEntries(&scan.drive, direct.root, true);
    const std::string back = fixture.root + "/back.json";
    ASSERT_EQ(Shell("zstd -q -dc '" + keptFile + "' | ncdu --ignore-config -f - -o '" + back + "'"), 0);
    ScanFileContents again = ReadScanFileForTest(back);
    ASSERT_NE(again.root, nullptr);
    ExpectSameEntries(&scan.drive, again.root, false);
    FreeScanFile(&direct);
    FreeScanFile(&again);
}

TEST_F(KeptScanFiles, DamagedCompressedFilesAreRefusedWithTheReason) {
    HostScan scan(root);
    std::string keptFile;
    std::string error;
    ASSERT_TRUE(KeepScan(kept, root, SourceOf(scan, root), 1765432100, &keptFile, &error)) << error;
    const std::string whole = FileBytes(keptFile);
    // The frame's checksum, its last four bytes, no longer fits the text.
    std::string flipped = whole;
    flipped[whole.size() - 2] ^= 0x5A;
    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"cut off", whole.substr(0, whole.size() - 7), "end in the middle of a frame"},
        {"a byte changed", flipped, "compressed data are damaged"},
        {"only the magic", whole.substr(0, 4), ""},
        // The whole text arrives, then a frame that is cut off: still refused.
        {"a cut frame after the whole text", whole + whole.substr(0, 20), "end in the middle of a frame"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = fixture.root + "/damaged.json.zst";
        PutBytes(name, c.bytes);
        ScanFileContents contents;
        EXPECT_FALSE(OpenScanFile(name, &contents, &error));
        EXPECT_EQ(contents.root, nullptr);
        EXPECT_EQ(error.compare(0, name.size() + 2, name + ": "), 0) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST_F(KeptScanFiles, PruningKeepsTheNewestOfEachDriveAndTheSizeLimit) {
    HostScan scan(root);
    std::string keptFile;
    std::string error;
    // Two drives, fourteen scans each, a minute apart; the second drive half
    // a minute later each time. The default limits hold: the newest twelve of each.
    EXPECT_EQ(kept.countMax, 12u);
    for (int i = 0; i < 14; ++i) {
        ASSERT_TRUE(KeepScan(kept, "/", SourceOf(scan, root), 1700000000 + 60 * i, &keptFile, &error)) << error;
        ASSERT_TRUE(KeepScan(kept, "/home", SourceOf(scan, root), 1700000030 + 60 * i, &keptFile, &error));
    }
    std::vector<KeptScan> first = ListKeptScans(kept, "/");
    std::vector<KeptScan> second = ListKeptScans(kept, "/home");
    ASSERT_EQ(first.size(), 12u);
    ASSERT_EQ(second.size(), 12u);
    EXPECT_EQ(first[0].time, 1700000780);  // newest first
    EXPECT_EQ(first[11].time, 1700000120);
    EXPECT_EQ(second[11].time, 1700000150);
    // Two scans of one second are both kept, in order.
    ASSERT_TRUE(KeepScan(kept, "/", SourceOf(scan, root), 1700000780, &keptFile, &error));
    first = ListKeptScans(kept, "/");
    ASSERT_EQ(first.size(), 12u);
    EXPECT_EQ(first[0].sequence, 1u);
    EXPECT_EQ(first[1].time, 1700000780);
    EXPECT_EQ(first[1].sequence, 0u);

    // A size limit of four files' bytes (all are alike): the oldest go
    // first, over both drives.
    kept.bytesMax = 4 * first[0].bytes + first[0].bytes / 2;
    PruneKeptScans(kept);
    first = ListKeptScans(kept, "/");
    second = ListKeptScans(kept, "/home");
    EXPECT_EQ(first.size(), 2u);
    EXPECT_EQ(second.size(), 2u);
    for (const KeptScan& scan : first) EXPECT_EQ(scan.time, 1700000780);
    for (const KeptScan& scan : second) EXPECT_GE(scan.time, 1700000750);

    // Forgetting removes them all, and the drives' folders.
    ASSERT_TRUE(ForgetKeptScans(kept, &error)) << error;
    EXPECT_TRUE(ListKeptScans(kept, "/").empty());
    EXPECT_NE(access((kept.folder + "/" + KeptDriveFolderName("/")).c_str(), F_OK), 0);
}

TEST(KeptScanNames, ReadBackAndRefuseOthers) {
    int64_t time = 0;
    uint32_t sequence = 0;
    EXPECT_TRUE(ParseKeptScanName(KeptScanName(1765432100, 0), &time, &sequence));
    EXPECT_EQ(time, 1765432100);
    EXPECT_TRUE(ParseKeptScanName(KeptScanName(1765432100, 7), &time, &sequence));
    EXPECT_EQ(sequence, 7u);
    for (const char* other : {"2025-12-11T05-48-20Z.json", "notes.txt", ".2025-12-11T05-48-20Z.json.zst.Ab12Cd",
                              "2025-12-11T05-48-20Z.x.json.zst", "2025-12-11T05-48-20Z..json.zst"})
        EXPECT_FALSE(ParseKeptScanName(other, &time, &sequence)) << other;
    EXPECT_EQ(KeptDriveFolderName("/"), "%2F");
    EXPECT_EQ(KeptDriveFolderName("/media/50%/x"), "%2Fmedia%2F50%25%2Fx");
}

TEST_F(KeptScanFiles, AStateFolderThatCannotBeWrittenIsToldAndLeavesNothing) {
    HostScan scan(root);
    const std::string state = fixture.root + "/locked";
    ASSERT_EQ(mkdir(state.c_str(), 0555), 0);
    kept.folder = state + "/volumetra/scans";
    // As root every folder is writable: the attempt runs as another user.
    // 0: refused, the reason naming the folder; 1: kept; 2: refused otherwise.
    int outcome = RunUnprivileged([&]() -> int {
        std::string keptFile;
        std::string error;
        if (KeepScan(kept, root, SourceOf(scan, root), 1700000000, &keptFile, &error)) return 1;
        return error == state + "/volumetra: " + std::strerror(EACCES) ? 0 : 2;
    });
    EXPECT_EQ(outcome, 0);
    EXPECT_NE(access((state + "/volumetra").c_str(), F_OK), 0);
}

}  // namespace
