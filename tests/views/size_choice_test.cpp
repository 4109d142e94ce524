// How sizes show, through the real window: the disk's blocks by default or
// apparent sizes, bytes or units, switched from the View menu without a
// scan, everything that shows a size following, and both choices kept
// between runs with anything unknown falling back to the defaults.
#include <QAction>
#include <QLocale>

#include "platform/command_actions.h"
#include "scan/browse_program.h"
#include "views/contents_list.h"
#include "views/list_model.h"
#include "views/size_choice.h"
#include "views/status_bar.h"

namespace {

constexpr uint64_t TEN_GB = 10737418240ULL;

class SizeChoiceTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        // A sparse image that occupies one block, and a note of one block.
        device.AddFile(u"\\docs\\disk.img", TEN_GB);
        device.SetDiskSize(u"\\docs\\disk.img", 4096);
        device.AddFile(u"\\docs\\note.txt", 1000);
        device.SetDiskSize(u"\\docs\\note.txt", 4096);
        device.AddFile(u"\\docs\\big.bin", 50000);
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        SetSizeCount(SIZE_DISK_USAGE);
        sizeUnits = false;
    }

    static QString Cell(int row, int column) {
        return listModel->data(listModel->index(row, column), Qt::DisplayRole).toString();
    }
    static QString ToolTip(int row, int column) {
        return listModel->data(listModel->index(row, column), Qt::ToolTipRole).toString();
    }
    static QString Named(const char16_t* name) { return Cell(ShownRowNamed(name), 1); }
};

TEST_F(SizeChoiceTest, TheViewMenuSwitchesCountAndUnitsWithoutAScan) {
    Start(1000, 480);
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"docs"}));
    int reads = device.folderReads;

    // Disk usage: the big file leads, the sparse image takes one block.
    EXPECT_EQ(std::u16string(ShownRow(0)->item->name), u"big.bin");
    EXPECT_EQ(Named(u"disk.img"), "4,096");
    EXPECT_EQ(StatusPartText(0), "3 item(s)  58,192 byte(s)");

    CommandAction(CMD_SIZE_APPARENT)->trigger();
    EXPECT_TRUE(CommandAction(CMD_SIZE_APPARENT)->isChecked());
    EXPECT_FALSE(CommandAction(CMD_SIZE_DISK_USAGE)->isChecked());
    EXPECT_EQ(std::u16string(ShownRow(0)->item->name), u"disk.img");
    EXPECT_EQ(Cell(0, 1), "10,737,418,240");
    EXPECT_EQ(Cell(0, 2), "100%");
    EXPECT_EQ(StatusPartText(0), "3 item(s)  10,737,469,240 byte(s)");
    EXPECT_EQ(Item({u"\\", u"docs"})->total, TEN_GB + 51000);
    EXPECT_TRUE(ToolTip(0, 1).isEmpty());

    CommandAction(CMD_SIZE_UNITS)->trigger();
    EXPECT_TRUE(CommandAction(CMD_SIZE_UNITS)->isChecked());
    EXPECT_EQ(Cell(0, 1), "10.0 GB");
    EXPECT_EQ(ToolTip(0, 1), "10,737,418,240 bytes");
    EXPECT_EQ(StatusPartText(0), "3 item(s)  10.0 GB");
    // The order still follows exact bytes, not the texts.
    EXPECT_EQ(std::u16string(ShownRow(1)->item->name), u"big.bin");

    CommandAction(CMD_SIZE_DISK_USAGE)->trigger();
    EXPECT_EQ(Named(u"disk.img"), "4.0 kB");
    EXPECT_EQ(Item({u"\\", u"docs"})->total, 58192u);
    EXPECT_EQ(device.folderReads, reads);
    ExpectConsistentTree();
}

TEST_F(SizeChoiceTest, BothChoicesAreKeptAndUnknownValuesGiveTheDefaults) {
    Start();
    CommandAction(CMD_SIZE_APPARENT)->trigger();
    CommandAction(CMD_SIZE_UNITS)->trigger();
    Stop();
    SetSizeCount(SIZE_DISK_USAGE);
    sizeUnits = false;
    Start();
    EXPECT_EQ(sizeCount, SIZE_APPARENT);
    EXPECT_TRUE(sizeUnits);
    EXPECT_TRUE(CommandAction(CMD_SIZE_APPARENT)->isChecked());
    EXPECT_TRUE(CommandAction(CMD_SIZE_UNITS)->isChecked());
    Stop();

    // Texts that are not the program's, or bytes that are no text at all.
    StoreValue(SETTINGS_VALUE_SIZES, {'x', 0, 'y', 0, 0, 0}, REG_TYPE_TEXT);
    StoreValue(SETTINGS_VALUE_UNITS, {0xff, 0xfe, 0x41}, REG_TYPE_BINARY);
    Start();
    EXPECT_EQ(sizeCount, SIZE_DISK_USAGE);
    EXPECT_FALSE(sizeUnits);
    EXPECT_TRUE(CommandAction(CMD_SIZE_DISK_USAGE)->isChecked());
    EXPECT_FALSE(CommandAction(CMD_SIZE_UNITS)->isChecked());
}

TEST(SizeText, UnitsFollowTheLocaleWithOneDecimal) {
    struct Case {
        const char* locale;
        uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {"C", 0, "0 bytes"},           {"C", 1023, "1023 bytes"},         {"C", 1536, "1.5 kB"},
        {"C", 2217512960ULL, "2.1 GB"}, {"C", TEN_GB, "10.0 GB"},          {"de_DE", 1536, "1,5 kB"},
        {"de_DE", 2217512960ULL, "2,1 GB"},
    };
    sizeUnits = true;
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(SizeText(c.bytes), QString::fromUtf8(c.text)) << c.locale << " " << c.bytes;
    }
    QLocale::setDefault(QLocale::c());
    sizeUnits = false;
    EXPECT_EQ(SizeText(2217512960ULL), "2,217,512,960");
    EXPECT_EQ(SizeWithUnitText(5), "5 byte(s)");
}

}  // namespace
