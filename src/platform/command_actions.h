// The program's commands as shared actions: one QAction per command id, used
// by the menu item and the tool button alike, so enabling or checking a
// command updates both. The shell creates and registers the actions; every
// other part only enables, checks and reads them.
#pragma once

class QAction;

enum CommandId : int {
    CMD_CLOSE = 40001,
    CMD_ABOUT = 40002,
    CMD_UP = 40003,
    CMD_LEFT_RIGHT = 40004,
    CMD_TOP_BOTTOM = 40005,
    CMD_REFRESH = 40006,
    CMD_DELETE = 40008,
    CMD_EXPUNGE = 40009,
    CMD_UNDELETE = 40010,
    CMD_OPEN = 40011,
    CMD_PROPERTY = 40012,
    CMD_FULL_SCREEN = 40018,
    CMD_SELECT_ALL = 40019,
    CMD_GO_BACKWARD = 40020,
    CMD_GO_FORWARD = 40021,
    CMD_STOP = 40022,
    CMD_QUIT = 40023,
    CMD_PIE_CHART = 40024,
    CMD_HELP = 40025,
    CMD_SIZE_DISK_USAGE = 40026,  // View > Sizes: the disk's blocks
    CMD_SIZE_APPARENT = 40027,    // View > Sizes: apparent sizes
    CMD_SIZE_UNITS = 40028,       // View > Sizes in KB, MB, GB
    CMD_MOVE_TO_TRASH = 40029,    // Edit > Move to Trash: enabled with CMD_EXPUNGE
    CMD_OPEN_SCAN = 40030,        // File > Open Scan
    CMD_EXPORT_SCAN = 40031,      // File > Export Scan: where the place shown is scanned
    CMD_TREEMAP = 40032,          // View > Treemap: the treemap pane below the list, shown or hidden
    CMD_EXCLUSIONS = 40036,       // View > Exclusions: what scans leave out
    CMD_FORGET_KEPT_SCANS = 40040,  // File > Forget Kept Scans
    CMD_COMPARE_NONE = 40041,       // View > Compare With > None: the comparison ends
    CMD_COMPARE_FILE = 40042,       // View > Compare With > Scan File...
    CMD_FILTER = 40050,           // Edit > Filter: the contents list's filter field
    CMD_FILE_TYPES = 40051,       // View > File Types: the kinds of files below the listed place
    CMD_LARGEST_FILES = 40052,    // View > Largest Files: the largest files below the listed place
    CMD_RESCAN_FOLDER = 40053,    // View > Rescan Folder: the listed folder walked again on its own
    CMD_FOLLOW_CHANGES = 40054,   // View > Follow Changes: scanned drives watched for changes on disk
};

constexpr int CMD_FIRST = 40001;
constexpr int CMD_LAST = 40054;

// Registers action as the one of command id (none forgets it). Until an
// action is registered the helpers below do nothing for that id.
void RegisterCommandAction(int id, QAction* action);

// The action of a command id, or none.
QAction* CommandAction(int id);

// Enables or grays one command. For the commands with a tool button
// (CMD_UP, CMD_REFRESH, CMD_DELETE, CMD_UNDELETE, CMD_OPEN, CMD_GO_BACKWARD,
// CMD_GO_FORWARD, CMD_STOP, CMD_PIE_CHART, CMD_RESCAN_FOLDER) and the menu-only ones CMD_CLOSE,
// CMD_EXPUNGE (and with it CMD_MOVE_TO_TRASH) and CMD_SELECT_ALL; any other
// id does nothing. Returns 1 when the command was changed, 0 otherwise.
int EnableCommand(int id, bool on);

// Whether a command is enabled now; false for an id without an action.
bool IsCommandEnabled(int id);

// Checks or unchecks CMD_FULL_SCREEN, CMD_PIE_CHART, CMD_TREEMAP or
// CMD_FOLLOW_CHANGES; any other id does nothing.
void CheckCommand(int id, bool on);
