#include "shell/commands.h"

#include <QAction>
#include <QActionGroup>

#include "deletion/expunge.h"
#include "scan/change_follow.h"
#include "scan/exclusions.h"
#include "scan/folder_rescan.h"
#include "scan/compare_command.h"
#include "scan/scan_files.h"
#include "deletion/marks.h"
#include "scan/history.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "shell/about_dialog.h"
#include "shell/help.h"
#include "shell/main_window.h"
#include "shell/pane_layout.h"
#include "shell/startup.h"
#include "views/contents_list.h"
#include "views/file_kinds.h"
#include "views/list_filter.h"
#include "views/pie_popup.h"
#include "views/size_choice.h"

namespace {

QActionGroup* orientationGroup = nullptr;
QActionGroup* sizeCountGroup = nullptr;

using CommandHandler = void (*)(int id);

// The command table: each command goes to the unit that owns its behaviour.
struct CommandEntry {
    int id;
    CommandHandler handler;
};

const CommandEntry COMMAND_TABLE[] = {
    {CMD_CLOSE, [](int) { CloseCommand(); }},
    {CMD_ABOUT, [](int) { ShowAboutDialog(); }},
    {CMD_UP, [](int) { GoUp(); }},
    {CMD_LEFT_RIGHT, [](int) { ChooseOrientation(1); }},
    {CMD_TOP_BOTTOM, [](int) { ChooseOrientation(0); }},
    {CMD_REFRESH, [](int) { RefreshCommand(); }},
    {CMD_DELETE, [](int id) { MarkSelection(focusPane, id); }},
    {CMD_EXPUNGE, [](int) { ExpungeCommand(); }},
    {CMD_UNDELETE, [](int id) { MarkSelection(focusPane, id); }},
    {CMD_OPEN, [](int) { OpenSelected(); }},
    {CMD_FULL_SCREEN, [](int) { ToggleFullScreen(); }},
    {CMD_SELECT_ALL, [](int) { SelectAllRows(); }},
    {CMD_GO_BACKWARD, [](int id) { OnHistoryCommand(id); }},
    {CMD_GO_FORWARD, [](int id) { OnHistoryCommand(id); }},
    {CMD_STOP, [](int) { StopCommand(); }},
    {CMD_QUIT, [](int) { QuitCommand(); }},
    {CMD_PIE_CHART, [](int) { PieChartCommand(mainWindow, PaneCornerOnScreen()); }},
    {CMD_HELP, [](int) { StartHelp(); }},
    {CMD_SIZE_DISK_USAGE, [](int) { ChooseSizeCount(SIZE_DISK_USAGE); }},
    {CMD_SIZE_APPARENT, [](int) { ChooseSizeCount(SIZE_APPARENT); }},
    {CMD_SIZE_UNITS, [](int) { ChooseSizeUnits(!sizeUnits); }},
    {CMD_MOVE_TO_TRASH, [](int) { MoveToTrashCommand(); }},
    {CMD_OPEN_SCAN, [](int) { OpenScanCommand(); }},
    {CMD_EXPORT_SCAN, [](int) { ExportScanCommand(); }},
    {CMD_EXCLUSIONS, [](int) { ExclusionsCommand(); }},
    {CMD_TREEMAP, [](int) { ToggleTreemap(); }},
    {CMD_FORGET_KEPT_SCANS, [](int) { ForgetKeptScansCommand(); }},
    {CMD_COMPARE_NONE, [](int) { CompareNoneCommand(); }},
    {CMD_COMPARE_FILE, [](int) { CompareWithFileCommand(); }},
    {CMD_FILTER, [](int) { OpenListFilter(); }},
    {CMD_RESCAN_FOLDER, [](int) { RescanFolderCommand(); }},
    {CMD_FOLLOW_CHANGES, [](int) { ToggleFollowChanges(); }},
    {CMD_FILE_TYPES, [](int) { ShowFileTypesWindow(); }},
    {CMD_LARGEST_FILES, [](int) { ShowLargestFilesWindow(); }},
};

}  // namespace

void CreateCommandActions(QObject* parent) {
    DestroyCommandActions();
    for (int id = CMD_FIRST; id <= CMD_LAST; ++id) {
        QAction* action = new QAction(parent);
        action->setData(id);
        QObject::connect(action, &QAction::triggered, action, [action, id](bool checked) {
            // A click must not check a check button by itself: the command's
            // owner checks it (CheckCommand) when its state really changes.
            if (action->isCheckable() && !action->actionGroup()) action->setChecked(!checked);
            DispatchCommand(id);
        });
        RegisterCommandAction(id, action);
    }
    CommandAction(CMD_FULL_SCREEN)->setCheckable(true);
    CommandAction(CMD_PIE_CHART)->setCheckable(true);
    CommandAction(CMD_TREEMAP)->setCheckable(true);
    CommandAction(CMD_FOLLOW_CHANGES)->setCheckable(true);
    CommandAction(CMD_FOLLOW_CHANGES)->setChecked(followChanges);
    orientationGroup = new QActionGroup(parent);
    orientationGroup->setExclusive(true);
    for (int id : {CMD_LEFT_RIGHT, CMD_TOP_BOTTOM}) {
        CommandAction(id)->setCheckable(true);
        orientationGroup->addAction(CommandAction(id));
    }
    sizeCountGroup = new QActionGroup(parent);
    sizeCountGroup->setExclusive(true);
    for (int id : {CMD_SIZE_DISK_USAGE, CMD_SIZE_APPARENT}) {
        CommandAction(id)->setCheckable(true);
        sizeCountGroup->addAction(CommandAction(id));
    }
    CommandAction(CMD_SIZE_UNITS)->setCheckable(true);
    CommandAction(CMD_COMPARE_NONE)->setCheckable(true);
    CommandAction(CMD_COMPARE_NONE)->setChecked(true);
    MarkSizeCommands();
}

void DestroyCommandActions() {
    for (int id = CMD_FIRST; id <= CMD_LAST; ++id) {
        QAction* action = CommandAction(id);
        RegisterCommandAction(id, nullptr);
        delete action;
    }
    delete orientationGroup;
    orientationGroup = nullptr;
    delete sizeCountGroup;
    sizeCountGroup = nullptr;
}

void SetOrientationMark(int id) {
    if (id != CMD_LEFT_RIGHT && id != CMD_TOP_BOTTOM) return;
    if (QAction* action = CommandAction(id)) action->setChecked(true);
}

void DispatchCommand(int id) {
    for (const CommandEntry& entry : COMMAND_TABLE) {
        if (entry.id == id) {
            entry.handler(id);
            return;
        }
    }
}
