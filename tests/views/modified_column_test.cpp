// The Modified column through the real window: times before 1970, past 2038
// and 2106 show as they are, and a sort by Modified puts two times within
// one second in their order, both ways.
#include <QHeaderView>
#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/host_device.h"
#include "scan/browse_program.h"
#include "support/modified_times.h"
#include "views/list_model.h"

namespace {

class ModifiedColumnTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        const char* zone = std::getenv("TZ");
        hadZone = zone != nullptr;
        if (zone) savedZone = zone;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        if (hadZone)
            setenv("TZ", savedZone.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    static QString Cell(int row, int column) { return listModel->index(row, column).data().toString(); }

    static void ClickHeader(int column) {
        QHeaderView* header = listPane->header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    }

    // The names of the shown files in their order (the store's database
    // folder, without a time, left out).
    static std::vector<std::string> ShownFiles() {
        std::vector<std::string> names;
        for (int row = 0; row < ShownRowCount(); ++row) {
            if (!(ShownRow(row)->item->flags & ITEM_FOLDER)) names.push_back(Cell(row, 0).toStdString());
        }
        return names;
    }

    // A host device outlives TearDown, which stops the program first.
    std::unique_ptr<HostDevice> host;
    std::string savedZone;
    bool hadZone = false;
};

TEST_F(ModifiedColumnTest, ShowsTimesOutside1970To2106AndSortsWithinASecond) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string root = folder.path().toStdString();
    ASSERT_TRUE(BuildModifiedTimes(root)) << "the file system does not keep these times";
    const std::vector<ModifiedTime> table = ModifiedTimeTable();
    host = std::make_unique<HostDevice>(root);
    SetDevice(host.get());
    Start(1000, 480);  // wide enough for every column
    ScanStore();
    ASSERT_TRUE(Show({u"\\"}));

    std::vector<std::string> oldestFirst;
    for (const ModifiedTime& entry : table) {
        oldestFirst.push_back(entry.name);
        const int row = ShownRowNamed(QString::fromLatin1(entry.name).toStdU16String().c_str());
        ASSERT_GE(row, 0) << entry.name;
        EXPECT_EQ(Cell(row, 4).toStdString(), entry.shown) << entry.name;
    }
    // Largest first: the later of the two within one second stands above.
    EXPECT_LT(ShownRowNamed(u"second-b"), ShownRowNamed(u"second-a"));

    ClickHeader(4);
    EXPECT_EQ(ShownFiles(), oldestFirst);
    ClickHeader(4);
    EXPECT_EQ(ShownFiles(), std::vector<std::string>(oldestFirst.rbegin(), oldestFirst.rend()));
    Stop();  // while the host folder still exists
}

}  // namespace
