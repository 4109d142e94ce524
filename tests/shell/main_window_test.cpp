// The main window as start-up shows it: menus, tool buttons, status bar,
// tree with the root and its drives, an empty list; and the commands'
// enabled, checked and dispatched states through the real widgets.
#include <QAccessible>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <cstring>
#include <map>
#include <set>

#include "running_program.h"
#include "model/item_tree.h"
#include "scan/folder_tree.h"
#include "shell/command_bands.h"
#include "shell/commands.h"
#include "shell/pane_layout.h"
#include "views/contents_list.h"
#include "views/status_bar.h"

namespace {

struct MenuItem {
    QString text;
    int command;  // 0 for a separator, SUBMENU for a submenu, whose items follow it
    bool enabled;
};
constexpr int SUBMENU = -1;

void AddMenuItems(const QMenu* menu, std::vector<MenuItem>* items) {
    for (QAction* item : menu->actions()) {
        if (item->menu()) {
            items->push_back({item->text(), SUBMENU, item->isEnabled()});
            AddMenuItems(item->menu(), items);
            continue;
        }
        items->push_back({item->text(), item->isSeparator() ? 0 : item->data().toInt(), item->isEnabled()});
    }
}

std::vector<std::vector<MenuItem>> MenuItems(QStringList* popups) {
    std::vector<std::vector<MenuItem>> result;
    for (QAction* popup : menuBar->actions()) {
        popups->append(popup->text());
        std::vector<MenuItem> items;
        AddMenuItems(popup->menu(), &items);
        result.push_back(items);
    }
    return result;
}

// A tool bar entry: its command (0 for a separator), enabled, tooltip.
struct ToolEntry {
    int command;
    bool enabled;
    QString toolTip;
};

std::vector<ToolEntry> ToolEntries() {
    std::vector<ToolEntry> entries;
    for (QAction* action : toolBar->actions()) {
        if (action->isSeparator()) {
            entries.push_back({0, false, {}});
            continue;
        }
        QWidget* button = toolBar->widgetForAction(action);
        entries.push_back({action->data().toInt(), button->isEnabled(), button->toolTip()});
    }
    return entries;
}

using MainWindowTest = RunningProgram;

// The letter after "&" in a menu text (lower case), or 0; "&&" is a literal "&".
QChar MenuLetter(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

// Every letter within one menu reaches one item: Alt+letter opens it, it
// does not only move between the items that share it.
void ExpectUniqueLetters(const QMenu* menu) {
    std::map<QChar, QString> seen;
    for (QAction* item : menu->actions()) {
        QChar letter = MenuLetter(item->text());
        if (!letter.isNull()) {
            auto [at, added] = seen.emplace(letter, item->text());
            EXPECT_TRUE(added) << menu->title().toStdString() << ": '" << QString(letter).toStdString()
                               << "' is the letter of " << at->second.toStdString() << " and "
                               << item->text().toStdString();
        }
        if (item->menu()) ExpectUniqueLetters(item->menu());
    }
}


TEST_F(MainWindowTest, EveryMenuLetterReachesOneItem) {
    Start();
    for (QAction* popup : menuBar->actions()) ExpectUniqueLetters(popup->menu());
}

TEST_F(MainWindowTest, StartsWithMenusToolButtonsStatusBarTreeAndTheDriveList) {
    Start();
    EXPECT_EQ(mainWindow->windowTitle(), "Volumetra");
    EXPECT_TRUE(mainWindow->isVisible());

    QStringList popups;
    auto menus = MenuItems(&popups);
    EXPECT_EQ(popups, QStringList({"&File", "&Edit", "&View"}));
    const std::vector<std::vector<MenuItem>> expected = {
        {{"&Open\tEnter", CMD_OPEN, false}, {"Open Sca&n...", CMD_OPEN_SCAN, true},
         {"E&xport Scan...", CMD_EXPORT_SCAN, false}, {"&Forget Kept Scans", CMD_FORGET_KEPT_SCANS, true},
         {"", 0, true}, {"&Help...", CMD_HELP, true},
         {"&About...", CMD_ABOUT, true},
         {"", 0, true}, {"&Close", CMD_CLOSE, true}},
        {{"Select &All\tCtrl+A", CMD_SELECT_ALL, true}, {"&Filter...\tCtrl+F", CMD_FILTER, true},
         {"&Delete\tDEL", CMD_DELETE, false},
         {"&Undelete", CMD_UNDELETE, false}, {"", 0, true}, {"Move to &Trash...", CMD_MOVE_TO_TRASH, false},
         {"&Expunge...", CMD_EXPUNGE, false}},
        {{"&Up\tBS", CMD_UP, false}, {"", 0, true}, {"&Left&&Right", CMD_LEFT_RIGHT, true},
         {"&Top&&Bottom", CMD_TOP_BOTTOM, true}, {"", 0, true}, {"Full &Screen", CMD_FULL_SCREEN, true},
         {"Pie &Chart", CMD_PIE_CHART, false}, {"Tree&map", CMD_TREEMAP, true}, {"File T&ypes", CMD_FILE_TYPES, true},
         {"Lar&gest Files", CMD_LARGEST_FILES, true}, {"S&izes", SUBMENU, true}, {"&Disk Usage", CMD_SIZE_DISK_USAGE, true},
         {"&Apparent Size", CMD_SIZE_APPARENT, true}, {"Sizes in &KB, MB, GB", CMD_SIZE_UNITS, true},
         {"E&xclusions...", CMD_EXCLUSIONS, true},
         {"Compare &With", SUBMENU, true}, {"&None", CMD_COMPARE_NONE, true}, {"", 0, true},
         {"Scan &File...", CMD_COMPARE_FILE, true},
         {"F&ollow Changes", CMD_FOLLOW_CHANGES, true},
         {"Sto&p\tESC", CMD_STOP, true}, {"&Refresh", CMD_REFRESH, true},
         {"Resca&n Folder\tCtrl+R", CMD_RESCAN_FOLDER, false}},
    };
    ASSERT_EQ(menus.size(), expected.size());
    for (size_t m = 0; m < expected.size(); ++m) {
        ASSERT_EQ(menus[m].size(), expected[m].size()) << m;
        for (size_t i = 0; i < expected[m].size(); ++i) {
            EXPECT_EQ(menus[m][i].command, expected[m][i].command) << m << "," << i;
            if (!expected[m][i].command) continue;
            EXPECT_EQ(menus[m][i].text, expected[m][i].text);
            EXPECT_EQ(menus[m][i].enabled, expected[m][i].enabled) << menus[m][i].text.toStdString();
        }
    }
    EXPECT_TRUE(CommandAction(CMD_LEFT_RIGHT)->isChecked());
    EXPECT_FALSE(CommandAction(CMD_TOP_BOTTOM)->isChecked());
    // Sizes count the disk's blocks, written as bytes, until the user says.
    EXPECT_TRUE(CommandAction(CMD_SIZE_DISK_USAGE)->isChecked());
    EXPECT_FALSE(CommandAction(CMD_SIZE_APPARENT)->isChecked());
    EXPECT_FALSE(CommandAction(CMD_SIZE_UNITS)->isChecked());

    const std::vector<ToolEntry> tools = {
        {CMD_GO_BACKWARD, false, ""}, {CMD_GO_FORWARD, false, ""}, {CMD_UP, false, "Up (BS)"}, {0, false, {}},
        {CMD_STOP, true, "Stop (ESC)"}, {CMD_REFRESH, true, "Refresh"},
        {CMD_RESCAN_FOLDER, false, "Rescan Folder (Ctrl+R)"}, {0, false, {}},
        {CMD_DELETE, false, "Delete (DEL)"}, {CMD_UNDELETE, false, "Undelete"}, {0, false, {}},
        {CMD_FULL_SCREEN, true, "Full screen"}, {CMD_PIE_CHART, false, "Show Pie Chart"},
        {CMD_TREEMAP, true, "Show Treemap"},
    };
    auto shown = ToolEntries();
    ASSERT_EQ(shown.size(), tools.size());
    for (size_t i = 0; i < tools.size(); ++i) {
        EXPECT_EQ(shown[i].command, tools[i].command) << i;
        if (!tools[i].command) continue;
        EXPECT_EQ(shown[i].enabled, tools[i].enabled) << i;
        EXPECT_EQ(shown[i].toolTip, tools[i].toolTip) << i;
        QAction* action = CommandAction(tools[i].command);
        EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << i;
    }
    EXPECT_TRUE(CommandAction(CMD_FULL_SCREEN)->isCheckable());
    EXPECT_TRUE(CommandAction(CMD_PIE_CHART)->isCheckable());

    ASSERT_NE(statusBar, nullptr);
    EXPECT_TRUE(statusBar->isVisible());
    EXPECT_EQ(statusBar->geometry().bottom(), mainWindow->height() - 1);

    ASSERT_EQ(treePane->topLevelItemCount(), 1);
    QTreeWidgetItem* root = treePane->topLevelItem(0);
    EXPECT_EQ(root->text(0), "My Handheld PC");
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(treePane->currentItem(), root);
    EXPECT_EQ(TreeNodeItem(root), rootItem);
    ASSERT_EQ(root->childCount(), 2);
    QStringList drives;
    for (int i = 0; i < root->childCount(); ++i) {
        drives << root->child(i)->text(0);
        EXPECT_EQ(root->child(i)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        EXPECT_EQ(TreeNodeItem(root->child(i))->parent, rootItem);
        EXPECT_FALSE(root->child(i)->icon(0).isNull());
    }
    // The tree keeps siblings in name order.
    EXPECT_EQ(drives, QStringList({"\\", "Storage Card"}));
    EXPECT_TRUE(treePane->hasFocus() || QApplication::focusWidget() == nullptr);

    // Without a place to return to, the list shows the drives by name.
    EXPECT_TRUE(listPane->isVisible());
    ASSERT_EQ(listPane->model()->rowCount(), 2);
    EXPECT_EQ(listPane->model()->index(0, 0).data().toString(), "\\");
    EXPECT_EQ(listPane->model()->index(1, 0).data().toString(), "Storage Card");
}

TEST_F(MainWindowTest, ToolButtonsAreNamedByTheirCommandWithoutShortcutText) {
    const std::map<int, QString> names = {
        {CMD_GO_BACKWARD, "Back"}, {CMD_GO_FORWARD, "Forward"}, {CMD_UP, "Up"},
        {CMD_STOP, "Stop"}, {CMD_REFRESH, "Refresh"}, {CMD_DELETE, "Delete"},
        {CMD_UNDELETE, "Undelete"}, {CMD_FULL_SCREEN, "Full Screen"}, {CMD_PIE_CHART, "Pie Chart"},
        {CMD_TREEMAP, "Treemap"},
    };
    for (const char* platform : {"HPC", "PocketPC"}) {
        UsePlatform(platform);
        Start();
        for (const auto& [command, name] : names) {
            QWidget* button = toolBar->widgetForAction(CommandAction(command));
            ASSERT_NE(button, nullptr) << command;
            QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
            ASSERT_NE(access, nullptr);
            EXPECT_EQ(access->text(QAccessible::Name), name) << platform << " " << command;
            // The button follows its state; the menu keeps its shortcut text.
            EnableCommand(command, !button->isEnabled());
            EXPECT_EQ(access->text(QAccessible::Name), name) << platform << " " << command;
        }
        if (QString(platform) == "HPC") {
            EXPECT_EQ(CommandAction(CMD_UP)->text(), "&Up\tBS");
            EXPECT_EQ(CommandAction(CMD_STOP)->text(), "Sto&p\tESC");
            EXPECT_EQ(CommandAction(CMD_DELETE)->text(), "&Delete\tDEL");
        }
        Stop();
    }
}

TEST_F(MainWindowTest, StatusBarSitsAtTheBottomAsTheScreenReaderSeesIt) {
    Start();
    ASSERT_NE(statusBar, nullptr);
    int height = statusBar->sizeHint().height();
    EXPECT_GE(height, 20);
    EXPECT_LE(height, 40);
    EXPECT_EQ(statusBar->geometry(), QRect(0, mainWindow->height() - height, mainWindow->width(), height));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(statusBar);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::StatusBar);
    ShowRootStatus();
    EXPECT_EQ(access->text(QAccessible::Name), "2 drive(s)");
    SetStatusSimple(true);
    SetStatusSimpleText(u"\\Windows");
    EXPECT_EQ(access->text(QAccessible::Name), "\\Windows");
    SetStatusSimple(false);
    EXPECT_EQ(access->text(QAccessible::Name), "2 drive(s)");
}

TEST_F(MainWindowTest, PalmSizeShowsPlainMenuAndItsRoot) {
    UsePlatform("PocketPC");
    Start();
    QStringList popups;
    auto menus = MenuItems(&popups);
    EXPECT_EQ(popups, QStringList({"File", "Edit", "View"}));
    EXPECT_EQ(menus[0][0].text, "Open");
    EXPECT_EQ(menus[1][0].text, "Select All");
    EXPECT_EQ(menus[2][2].text, "Left&&Right");
    // Top & bottom is the Palm-size default.
    EXPECT_TRUE(CommandAction(CMD_TOP_BOTTOM)->isChecked());
    EXPECT_EQ(treePane->topLevelItem(0)->text(0), "My Palm-size PC");
}

TEST_F(MainWindowTest, EnableAndCheckReachMenuItemAndToolButtonOfTheirCommandsOnly) {
    Start();
    const std::set<int> enableable = {CMD_UP,   CMD_REFRESH, CMD_DELETE,   CMD_UNDELETE, CMD_OPEN,    CMD_GO_BACKWARD,
                                      CMD_GO_FORWARD, CMD_STOP, CMD_PIE_CHART, CMD_CLOSE, CMD_EXPUNGE, CMD_SELECT_ALL,
                                      CMD_MOVE_TO_TRASH, CMD_EXPORT_SCAN, CMD_RESCAN_FOLDER};
    for (int id = CMD_FIRST; id <= CMD_LAST; ++id) {
        QAction* action = CommandAction(id);
        QWidget* button = toolBar->widgetForAction(action);
        for (bool on : {true, false, true}) {
            bool before = action->isEnabled();
            int result = EnableCommand(id, on);
            if (enableable.count(id)) {
                EXPECT_EQ(result, 1) << id;
                EXPECT_EQ(action->isEnabled(), on) << id;
                // The trash goes with the expunge, always.
                if (id == CMD_EXPUNGE) {
                    EXPECT_EQ(CommandAction(CMD_MOVE_TO_TRASH)->isEnabled(), on);
                }
                if (button) {
                    EXPECT_EQ(button->isEnabled(), on) << id;
                }
            } else {
                EXPECT_EQ(result, 0) << id;
                EXPECT_EQ(action->isEnabled(), before) << id;
            }
        }
        bool checked = action->isChecked();
        CheckCommand(id, !checked);
        bool checkable = id == CMD_FULL_SCREEN || id == CMD_PIE_CHART || id == CMD_TREEMAP || id == CMD_FOLLOW_CHANGES;
        EXPECT_EQ(action->isChecked(), checkable ? !checked : checked) << id;
        // Follow Changes is a menu item only.
        if (checkable && id != CMD_FOLLOW_CHANGES) {
            auto* toolButton = qobject_cast<QToolButton*>(button);
            ASSERT_NE(toolButton, nullptr);
            EXPECT_EQ(toolButton->isChecked(), !checked);
        }
    }
}

// What a command could change that the tests can see.
struct VisibleState {
    uint32_t flags;
    int orientation;
    SettingsBlob blob;
    std::map<int, std::pair<bool, bool>> actions;  // enabled, checked
    QRect tree;
    QRect list;
    bool treeVisible;
    bool listVisible;
    QWidget* focus;
    int selectedRows;
};

VisibleState Snapshot() {
    VisibleState state{appFlags, orientation, settingsBlob, {}, treePane->geometry(), listPane->geometry(),
                       treePane->isVisible(), listPane->isVisible(), focusPane,
                       static_cast<int>(treePane->selectedItems().size())};
    for (int id = CMD_FIRST; id <= CMD_LAST; ++id)
        state.actions[id] = {CommandAction(id)->isEnabled(), CommandAction(id)->isChecked()};
    return state;
}

void ExpectSame(const VisibleState& a, const VisibleState& b, const std::string& what) {
    EXPECT_EQ(a.flags, b.flags) << what;
    EXPECT_EQ(a.orientation, b.orientation) << what;
    EXPECT_EQ(std::memcmp(&a.blob, &b.blob, sizeof a.blob), 0) << what;
    EXPECT_EQ(a.actions, b.actions) << what;
    EXPECT_EQ(a.tree, b.tree) << what;
    EXPECT_EQ(a.list, b.list) << what;
    EXPECT_EQ(a.treeVisible, b.treeVisible) << what;
    EXPECT_EQ(a.listVisible, b.listVisible) << what;
    EXPECT_EQ(a.focus, b.focus) << what;
    EXPECT_EQ(a.selectedRows, b.selectedRows) << what;
}

TEST_F(MainWindowTest, CommandsWithoutActionAndAltEnterChangeNothing) {
    Start();
    VisibleState before = Snapshot();
    for (int id : std::initializer_list<int>{40007, 40012, 40013, 40014, 40015, 40016, 40017, CMD_QUIT, CMD_STOP, CMD_EXPUNGE, CMD_MOVE_TO_TRASH, CMD_OPEN,
                   CMD_DELETE, CMD_UNDELETE, CMD_GO_BACKWARD, CMD_GO_FORWARD}) {
        DispatchCommand(id);
        ExpectSame(before, Snapshot(), "command " + std::to_string(id));
        ASSERT_NE(mainWindow, nullptr);
    }

    // Alt+Enter is consumed: the tree would otherwise take Enter itself.
    int keysSeen = 0;
    struct KeyCounter : QObject {
        int* seen;
        explicit KeyCounter(int* counter) : seen(counter) {}
        bool eventFilter(QObject*, QEvent* event) override {
            // Only the keys themselves; the modifiers arrive as presses too.
            if (event->type() == QEvent::KeyPress &&
                !(static_cast<QKeyEvent*>(event)->key() >= Qt::Key_Shift &&
                  static_cast<QKeyEvent*>(event)->key() <= Qt::Key_Alt))
                ++*seen;
            return false;
        }
    } counter(&keysSeen);
    treePane->setFocus();
    treePane->installEventFilter(&counter);
    QTest::keyClick(treePane, Qt::Key_Return, Qt::AltModifier);
    QTest::keyClick(treePane, Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier);
    EXPECT_EQ(keysSeen, 0);
    QTest::keyClick(treePane, Qt::Key_Down);
    EXPECT_EQ(keysSeen, 1);
    treePane->removeEventFilter(&counter);
}

TEST_F(MainWindowTest, QuitClosesOnlyOnPalmSize) {
    Start();
    QTest::keyClick(treePane, Qt::Key_Q, Qt::ControlModifier);
    Flush();
    EXPECT_NE(mainWindow, nullptr);
    Stop();

    UsePlatform("PocketPC");
    Start();
    QTest::keyClick(treePane, Qt::Key_Q, Qt::ControlModifier);
    Flush();
    EXPECT_EQ(mainWindow, nullptr);
}

TEST_F(MainWindowTest, CtrlASelectsAllRowsAndFocusesTheList) {
    Start();
    treePane->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClick(treePane, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(listPane->hasFocus());
    EXPECT_EQ(focusPane, listPane);
}

TEST_F(MainWindowTest, CloseMenuItemDestroysTheWindowAndWritesTheSettings) {
    Start();
    EXPECT_TRUE(StoredValue(SETTINGS_VALUE_BLOB).empty());
    CommandAction(CMD_CLOSE)->trigger();
    Flush();
    EXPECT_EQ(mainWindow, nullptr);
    EXPECT_EQ(rootItem, nullptr);
    EXPECT_EQ(StoredValue(SETTINGS_VALUE_BLOB).size(), 144u);
    // Nothing was kept to reopen: both texts hold just their terminator.
    EXPECT_EQ(StoredValue(SETTINGS_VALUE_PLACE), std::vector<uint8_t>({0, 0}));
    EXPECT_EQ(StoredValue(SETTINGS_VALUE_FLAGGED), std::vector<uint8_t>({0, 0}));
}

TEST_F(MainWindowTest, UpSelectsTheParentAndRefreshRebuildsTheDrives) {
    Start();
    QTreeWidgetItem* root = treePane->topLevelItem(0);
    treePane->setCurrentItem(root->child(1));
    EnableCommand(CMD_UP, true);
    CommandAction(CMD_UP)->trigger();
    EXPECT_EQ(treePane->currentItem(), root);

    device.AddCard(u"Second Card", 32 << 20, 1 << 20);
    QTest::mouseClick(toolBar->widgetForAction(CommandAction(CMD_REFRESH)), Qt::LeftButton);
    ASSERT_EQ(treePane->topLevelItemCount(), 1);
    EXPECT_EQ(treePane->topLevelItem(0)->childCount(), 3);
    EXPECT_EQ(TreeNodeItem(treePane->topLevelItem(0)), rootItem);
}

}  // namespace
