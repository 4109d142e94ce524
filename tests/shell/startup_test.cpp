// Start-up and shutdown of the whole program: settings that round-trip
// between runs, bad stored values, the resource module, the single instance,
// About and Help.
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QMenuBar>
#include <QToolBar>
#include <QUrl>

#include <cstring>

#include "running_program.h"
#include "scan/folder_tree.h"
#include "shell/about_dialog.h"
#include "shell/command_bands.h"
#include "shell/commands.h"
#include "shell/help.h"
#include "shell/pane_layout.h"
#include "platform/platform_kind.h"
#include "resources/resource_module.h"
#include "platform/dialog_builder.h"
#include "views/pie_popup.h"

namespace {

using StartupTest = RunningProgram;

std::vector<uint8_t> BlobBytes(const SettingsBlob& blob) {
    std::vector<uint8_t> bytes(sizeof blob);
    std::memcpy(bytes.data(), &blob, sizeof blob);
    return bytes;
}

TEST_F(StartupTest, ClosingEndsTheLoopWithZeroAfterSavingTheSettings) {
    QTimer::singleShot(0, [] { CommandAction(CMD_CLOSE)->trigger(); });
    EXPECT_EQ(RunVolumetra(), 0);
    EXPECT_EQ(mainWindow, nullptr);
    EXPECT_EQ(StoredValue(SETTINGS_VALUE_BLOB).size(), 144u);
}

TEST_F(StartupTest, SettingsRoundTripByteForByteBetweenRuns) {
    Start();
    const int y = (paneArea.top + paneArea.bottom) / 2;
    QTest::mousePress(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(161, y));
    QTest::mouseRelease(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(10, y));
    EXPECT_EQ(settingsBlob.splitX, 32);
    CommandAction(CMD_TOP_BOTTOM)->trigger();
    Stop();
    std::vector<uint8_t> first = StoredValue(SETTINGS_VALUE_BLOB);
    ASSERT_EQ(first.size(), 144u);

    settings.Restart();
    Start();
    EXPECT_EQ(BlobBytes(settingsBlob), first);
    EXPECT_EQ(settingsBlob.splitX, 32);
    EXPECT_EQ(settingsBlob.bandsValid, 1);
    EXPECT_EQ(orientation, 0);
    EXPECT_TRUE(CommandAction(CMD_TOP_BOTTOM)->isChecked());
    Stop();
    EXPECT_EQ(StoredValue(SETTINGS_VALUE_BLOB), first);
}

TEST_F(StartupTest, StoredBandRecordsComeBackWithWidthStyleAndMaximisedState) {
    SettingsBlob blob{};
    blob.splitX = 160;
    blob.splitY = 80;
    blob.leftRight = 1;
    blob.bandsValid = 1;
    blob.menuBandRestore = {20, BAND_MENU, BAND_STYLE_NO_GRIPPER, 300, 0};
    blob.toolBandRestore = {20, BAND_TOOLS, 0, 200, 0};
    StoreValue(SETTINGS_VALUE_BLOB, BlobBytes(blob));
    Start();
    // The tool buttons follow a 300-pixel menu band, the tool band's image and its gripper.
    EXPECT_EQ(toolBar->x(), 300 + 11 + 2 + 6);
    Stop();

    blob.toolBandRestore.maximized = 1;
    StoreValue(SETTINGS_VALUE_BLOB, BlobBytes(blob));
    settings.Restart();
    Start();
    // The maximised tool band leaves the menu band its minimum.
    EXPECT_LT(toolBar->x(), 100);
    Stop();
    std::vector<uint8_t> stored = StoredValue(SETTINGS_VALUE_BLOB);
    SettingsBlob written;
    std::memcpy(&written, stored.data(), sizeof written);
    EXPECT_EQ(written.menuBandRestore.restoredWidth, 300u);
    EXPECT_EQ(written.toolBandRestore.maximized, 1);
    EXPECT_EQ(written.menuBandRestore.style, BAND_STYLE_NO_GRIPPER);
    EXPECT_EQ(written.menuBandRestore.bandId, BAND_MENU);
    EXPECT_EQ(written.toolBandRestore.size, 20u);
}

TEST_F(StartupTest, BadStoredValuesGiveDefaultsAndSoundValuesAtShutdown) {
    struct Case {
        const char* what;
        std::vector<uint8_t> blob;
        std::vector<uint8_t> place;
    };
    std::vector<uint8_t> garbage = {0xFF, 0xD8, 'x', 0x00, 0x5C, 0x00, 'a'};  // odd size, no terminator
    for (const Case& c : {Case{"truncated", std::vector<uint8_t>(143, 0x7F), garbage},
                          Case{"oversized", std::vector<uint8_t>(145, 0x01), {'\\', 0, 'W', 0}},
                          Case{"empty", {}, {}}}) {
        StoreValue(SETTINGS_VALUE_BLOB, c.blob);
        StoreValue(SETTINGS_VALUE_PLACE, c.place, REG_TYPE_TEXT);
        settings.Restart();
        Start();
        EXPECT_EQ(settingsBlob.splitX, 160) << c.what;
        EXPECT_EQ(settingsBlob.bandsValid, 0) << c.what;
        EXPECT_EQ(treePane->width(), 160) << c.what;
        EXPECT_EQ(menuBar->parentWidget(), commandBands) << c.what;
        Stop();
        std::vector<uint8_t> stored = StoredValue(SETTINGS_VALUE_BLOB);
        ASSERT_EQ(stored.size(), 144u) << c.what;
        SettingsBlob written;
        std::memcpy(&written, stored.data(), sizeof written);
        EXPECT_EQ(written.splitX, 160) << c.what;
        EXPECT_EQ(written.leftRight, 1) << c.what;
        EXPECT_EQ(written.bandsValid, 1) << c.what;
        EXPECT_EQ(StoredValue(SETTINGS_VALUE_PLACE), std::vector<uint8_t>({0, 0})) << c.what;
    }
}

TEST_F(StartupTest, ResourceModuleReplacesStringsAndLeavesTheRestToTheProgram) {
    EXPECT_EQ(StringText(1), "Volumetra");
    ASSERT_TRUE(LoadResourceModule(TEST_RESOURCE_MODULE));
    EXPECT_EQ(StringText(1), "Replaced Title");
    char16_t title[20];
    EXPECT_EQ(LoadStringText(40029, title, 8), 7);
    EXPECT_EQ(QString::fromUtf16(title), "Refresh");
    // What the module lacks comes from the program.
    EXPECT_EQ(StringText(40011), "Database");
    EXPECT_EQ(LoadMenuResource(102).size(), 3);
    ReleaseResourceModule();
    EXPECT_EQ(StringText(1), "Volumetra");
    EXPECT_FALSE(LoadResourceModule("missing/vmetra.rcc"));
    EXPECT_EQ(StringText(1), "Volumetra");
}

TEST_F(StartupTest, SecondStartOnPalmSizeShowsTheFirstAndEnds) {
    UsePlatform("PocketPC");
    Start();
    MainWindow* first = mainWindow;
    EXPECT_FALSE(StartUp());
    EXPECT_EQ(mainWindow, first);
    Stop();

    // A handheld opens a window per start.
    UsePlatform("Jupiter");
    Start();
    EXPECT_EQ(platformKind, PLATFORM_HANDHELD);
}

TEST_F(StartupTest, AboutShowsNameVersionAndIcon) {
    Start();
    for (const char* platform : {"HPC", "PocketPC"}) {
        platformKind = PlatformKindFromText(reinterpret_cast<const char16_t*>(QString(platform).utf16()));
        QDialog* dialog = CreateAboutDialog();
        ASSERT_NE(dialog, nullptr) << platform;
        EXPECT_EQ(dialog->windowTitle(), "About Volumetra");
        auto* name = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_NAME_CONTROL));
        auto* version = qobject_cast<QLabel*>(DialogControl(dialog, ABOUT_VERSION_CONTROL));
        ASSERT_TRUE(name && version);
        EXPECT_EQ(name->text(), "Volumetra");
        EXPECT_EQ(version->text(), "Ver. 3.1.3, Jul 7, 2003");
        bool hasIcon = false;
        for (QLabel* label : dialog->findChildren<QLabel*>()) hasIcon |= !label->pixmap().isNull();
        EXPECT_TRUE(hasIcon);
        // OK ends it with 1, the close box with 0.
        dialog->open();
        QTest::mouseClick(DialogControl(dialog, 1), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), 1);
        dialog->open();
        dialog->reject();
        EXPECT_EQ(dialog->result(), 0);
        delete dialog;
    }
}

// Receives what Help asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

TEST_F(StartupTest, HelpOpensTheBundledPageAtItsContents) {
    Start();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    CommandAction(CMD_HELP)->trigger();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 1);
    QUrl url = catcher.urls[0];
    EXPECT_EQ(url.fragment(), "Main_Contents");
    EXPECT_TRUE(url.path().endsWith("/vmetra.htm"));
    QFile page(url.toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("id=\"Main_Contents\""));
}

TEST_F(StartupTest, TheHelpKeyOpensTheHelpFromTheWindowAndFromThePiePopup) {
    Start();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "Open");
    ActivateWindow(mainWindow);
    QTest::keyClick(treePane, Qt::Key_F1);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].fragment(), "Main_Contents");
    OpenPiePopup(mainWindow, QPoint(0, 0));
    ASSERT_NE(piePopup, nullptr);
    QTest::keyClick(piePopup, Qt::Key_F1);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[1], catcher.urls[0]);
    ClosePiePopup();
}

}  // namespace

#include "startup_test.moc"
