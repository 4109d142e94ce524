#include "support/scan_file_trees.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_device.h"
#include "platform/host_names.h"

int RunNcdu(const std::vector<std::string>& arguments) {
    // Not the user's settings: the checks that run as an ordinary user
    // cannot read root's.
    QStringList list{"--ignore-config"};
    for (const std::string& argument : arguments) list << QString::fromLocal8Bit(argument.c_str());
    QProcess ncdu;
    ncdu.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ncdu.start("ncdu", list);
    if (!ncdu.waitForStarted(10000)) {
        ADD_FAILURE() << "ncdu, the peer that reads and writes scan files, cannot be started; install it";
        return -1;
    }
    if (!ncdu.waitForFinished(60000)) {
        ncdu.kill();
        ncdu.waitForFinished();
        ADD_FAILURE() << "ncdu did not finish";
        return -1;
    }
    return ncdu.exitStatus() == QProcess::NormalExit ? ncdu.exitCode() : -1;
}

std::vector<std::string> OddFixtureNames() {
    return {"line\nbreak", "say \"hi\"", "back\\slash\\\\", std::string("ctl\x01\x1f\t\r\b\f", 10) + "\x7f",
            "raw\xff\xfe\x80", "\xc3\xbcnic\xc3\xb8" "de", "sp ace  "};
}

bool BuildScanFileFixture(const std::string& folder) {
    const std::string r = folder + "/";
    auto write = [](const std::string& path, size_t bytes) {
        std::ofstream file(path, std::ios::binary);
        file << std::string(bytes, 'x');
        return bool(file);
    };
    bool ok = mkdir((r + "docs").c_str(), 0755) == 0 && mkdir((r + "docs/deep").c_str(), 0755) == 0 &&
              mkdir((r + "empty").c_str(), 0755) == 0 && mkdir((r + "snapshots").c_str(), 0755) == 0;
    ok = ok && write(r + "docs/deep/a.txt", 5000) && write(r + "top.bin", 70000);
    ok = ok && write(r + "snapshots/one", 8192) &&
         link((r + "snapshots/one").c_str(), (r + "docs/same-as-one").c_str()) == 0;
    int index = 0;
    for (const std::string& name : OddFixtureNames()) ok = ok && write(r + "docs/" + name, 10 + index++);
    // A folder with an odd name holds an odd name too.
    ok = ok && mkdir((r + "docs/line\nbreak folder").c_str(), 0755) == 0 &&
         write(r + "docs/line\nbreak folder/raw\xff", 3);
    // 1 GiB that occupies nothing.
    int sparse = open((r + "sparse.img").c_str(), O_WRONLY | O_CREAT, 0644);
    ok = ok && sparse >= 0 && ftruncate(sparse, 1 << 30) == 0;
    if (sparse >= 0) close(sparse);
    return ok;
}

HostScan::HostScan(const std::string& folder) {
    HostDevice device(folder);
    root.flags = ITEM_ROOT;
    root.name = u"root";
    drive.parent = &root;
    drive.flags = ITEM_DRIVE;
    drive.name = u"\\";
    ScanEngine engine(&device);
    if (!engine.Start(&drive, 2, nullptr)) return;
    engine.WaitUntilEnded();
    outcome = engine.Finish();
    links = engine.HardLinks();
}

HostScan::~HostScan() { FreeItemArray(drive.children, drive.childCount); }

ScanFileContents ReadScanFileForTest(const std::string& fileName) {
    ScanFileContents contents;
    std::string error;
    EXPECT_TRUE(OpenScanFile(fileName, &contents, &error)) << error;
    return contents;
}

namespace {

std::string Printable(const char16_t* name) {
    std::string bytes;
    EncodeHostPath(name, std::char_traits<char16_t>::length(name), &bytes);
    return bytes;
}

void CompareLevel(const ItemNode* a, const ItemNode* b, bool compareTimes, const std::string& path) {
    uint32_t entries = 0;
    for (uint32_t i = 0; i < a->childCount; ++i) {
        const ItemNode* x = &a->children[i];
        if (x->flags & (ITEM_DATABASE | ITEM_REMOVED)) continue;
        ++entries;
        std::string name = path + "/" + Printable(x->name);
        SCOPED_TRACE(name);
        const ItemNode* y = FindChildByName(b, x->name);
        ASSERT_NE(y, nullptr) << "missing from the second tree";
        EXPECT_EQ(x->flags & ITEM_FOLDER, y->flags & ITEM_FOLDER);
        EXPECT_EQ(x->flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE), y->flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE));
        EXPECT_EQ(x->ownSize, y->ownSize);
        EXPECT_EQ(x->diskSize, y->diskSize);
        // A scan file holds whole seconds: the times agree to the second.
        if (compareTimes) {
            EXPECT_EQ(x->modified != 0, y->modified != 0);
            if (x->modified != 0 && y->modified != 0) {
                EXPECT_EQ(UnixSecondsOfTimeStamp(x->modified), UnixSecondsOfTimeStamp(y->modified));
            }
        }
        EXPECT_EQ(y->parent, b);
        CompareLevel(x, y, compareTimes, name);
    }
    uint32_t otherEntries = 0;
    for (uint32_t i = 0; i < b->childCount; ++i) otherEntries += !(b->children[i].flags & (ITEM_DATABASE | ITEM_REMOVED));
    EXPECT_EQ(entries, otherEntries) << path;
}

// Totals per folder, under the count in force, by path.
void CompareTotals(const ItemNode* a, const ItemNode* b) {
    for (uint32_t i = 0; i < a->childCount; ++i) {
        const ItemNode* x = &a->children[i];
        if (x->flags & (ITEM_DATABASE | ITEM_REMOVED)) continue;
        const ItemNode* y = FindChildByName(b, x->name);
        if (!y) continue;
        EXPECT_EQ(x->total, y->total) << Printable(x->name) << " counting " << int(sizeCount);
        CompareTotals(x, y);
    }
}

void ComputeBelow(ItemNode* item) {
    for (uint32_t i = 0; i < item->childCount; ++i) ComputeTotals(&item->children[i]);
}

}  // namespace

void ExpectSameEntries(const ItemNode* a, const ItemNode* b, bool compareTimes) {
    CompareLevel(a, b, compareTimes, "");
    SizeCount was = sizeCount;
    for (SizeCount count : {SIZE_DISK_USAGE, SIZE_APPARENT}) {
        sizeCount = count;
        ComputeBelow(const_cast<ItemNode*>(a));
        ComputeBelow(const_cast<ItemNode*>(b));
        CompareTotals(a, b);
    }
    sizeCount = was;
    ComputeBelow(const_cast<ItemNode*>(a));
    ComputeBelow(const_cast<ItemNode*>(b));
}
