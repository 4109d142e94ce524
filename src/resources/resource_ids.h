// Names for the ids of the string table, the menus and the dialog templates
// the code asks the resource module for (strings.json, menu102.json,
// menu103.json, dialogs.json).
#pragma once

#include <cstdint>

enum StringId : uint32_t {
    STR_TITLE = 1,                  // "Volumetra": caption and instance name
    STR_HEADER_STORAGE = 40003,     // drive list column 0
    STR_HEADER_DRIVE_SIZE = 40004,  // drive list column 1
    STR_HEADER_USAGE = 40005,       // drive list column 2
    STR_HEADER_USAGE_PERCENT = 40006,
    STR_HEADER_FREE_SPACE = 40007,
    STR_HEADER_NAME = 40008,        // contents list column 0
    STR_HEADER_SIZE = 40009,
    STR_HEADER_POSSESSION = 40010,
    STR_DATABASE_FOLDER = 40011,    // "Database"
    STR_TIP_UP = 40014,             // "Up (BS)"
    STR_TIP_DELETE = 40019,         // "Delete (DEL)"
    STR_SCAN_STOPPED = 40021,       // "Calculation of drive spaces was stopped."
    STR_TIP_FULL_SCREEN = 40023,
    STR_TIP_UNDELETE = 40026,
    STR_HEADER_PATHNAME = 40027,    // expunge list column 1
    STR_TIP_STOP = 40028,
    STR_TIP_REFRESH = 40029,
    STR_ASK_DROP_MARKS = 40030,     // the question before marks are lost
    STR_FILE_NOT_REMOVED = 40031,
    STR_FOLDER_NOT_REMOVED = 40032,
    STR_FOLDER_CANNOT_REMOVE = 40033,
    STR_DATABASE_CANNOT_REMOVE = 40034,
    STR_DRIVE_CANNOT_REMOVE = 40035,
    STR_HEADER_TYPE = 40036,
    STR_HEADER_MODIFIED = 40037,
    STR_TIP_PIE_CHART = 40040,
    STR_FILE_NOT_TRASHED = 40041,
    STR_FOLDER_NOT_TRASHED = 40042,
    STR_NO_TRASH = 40043,           // no trash on the drive: nothing is moved
    STR_TIP_TRASH = 40044,
    STR_SCAN_FILE_NOT_OPENED = 40045,
    STR_SCAN_NOT_EXPORTED = 40046,
    STR_SCAN_FILE_CANNOT_REMOVE = 40047,
    STR_NO_SCAN_FILE_SLOT = 40048,
    STR_READ_FROM_SCAN_FILE = 40049,     // status bar of a drive read from a scan file: its file and the file's date
    STR_NOT_ON_THIS_MACHINE = 40050,     // status notice when a scan file's entry is opened
    STR_COULD_NOT_BE_READ = 40051,       // tooltip of an unreadable folder: the system's reason
    STR_OPEN_SCAN_TITLE = 40052,         // title of the Open Scan dialog
    STR_EXPORT_SCAN_TITLE = 40053,       // title of the Export Scan dialog
    STR_SCAN_FILE_FILTER = 40054,        // file filters of both scan file dialogs, split at ";;"
    STR_UNREADABLE_COUNT = 40055,        // status notice after a scan, and status part 2 while the drive is shown
    STR_STATUS_ITEMS = 40056,            // status part 0 of a folder: entries and listed total
    STR_STATUS_FREE = 40057,             // status part 1: the free bytes of the drive
    STR_STATUS_DRIVES = 40058,           // status part 0 at the root
    STR_BYTE_COUNT = 40059,              // a size in bytes in the status bar
    STR_EXACT_BYTES = 40060,             // tooltip of a size shown in units
    STR_LOWER_BOUND = 40061,             // a total that is a lower bound
    STR_MARKED = 40062,                  // what screen readers hear of a marked row
    STR_MARKED_AND = 40063,              // the same for an unreadable folder, with its reason
    STR_SORTED_ASCENDING = 40064,        // a column header's description
    STR_SORTED_DESCENDING = 40065,
    STR_SCAN_PROGRESS = 40066,           // accessible name of the status bar's progress bar
    STR_LIST_NAME = 40067,               // accessible name of the list pane
    STR_TREE_NAME = 40068,               // accessible name of the tree pane
    STR_PIE_CHART_NAME = 40069,          // accessible name of the pie chart
    STR_PIE_NO_TOTAL = 40070,            // the pie chart's description: nothing to share
    STR_PIE_ONE_SLICE = 40071,           // the pie chart's description begins
    STR_PIE_SLICES = 40072,
    STR_PIE_SLICE_SHARE = 40073,         // one slice's share
    STR_PIE_REMAINDER = 40074,           // the white wedge's share
    STR_TOOL_BACK = 40075,               // name of the Go backward tool button
    STR_TOOL_FORWARD = 40076,            // name of the Go forward tool button
    STR_SPLITTER_AT_X = 40077,           // description of the splitter bar while it is dragged
    STR_SPLITTER_AT_Y = 40078,
    STR_TOOL_BUTTONS = 40079,            // accessible name of the tool bar
    STR_STATUS_UNREADABLE_FIRST = 40131,  // its tooltip, naming the first such folder
    STR_TIP_FOLDER_AGAIN = 40132,         // tooltip of a folder shown inside itself by a bind mount
    STR_PATH_TOO_DEEP = 40133,            // an action on an entry whose path no path text holds
    STR_TIP_EXCLUDED = 40134,             // tooltip of an entry the exclusions leave out
    STR_TIP_HOLDS_EXCLUDED = 40135,       // tooltip of a folder some of whose entries they leave out
    STR_EXCLUSIONS_TITLE = 40136,         // View > Exclusions... dialog
    STR_EXCLUSIONS_PROMPT = 40137,
    STR_EXCLUSIONS_CACHES = 40138,
    STR_TREEMAP_IMAGES = 40080,     // the treemap legend's families, in TreemapFamily order
    STR_TREEMAP_VIDEO = 40081,
    STR_TREEMAP_AUDIO = 40082,
    STR_TREEMAP_ARCHIVES = 40083,
    STR_TREEMAP_DOCUMENTS = 40084,
    STR_TREEMAP_SOURCE = 40085,
    STR_TREEMAP_PROGRAMS = 40086,
    STR_TREEMAP_OTHER = 40087,
    STR_TREEMAP_SMALL = 40088,
    STR_TREEMAP_SHARE = 40089,      // "%1 of the listed place": a tile's share
    STR_TREEMAP_SMALL_OF = 40090,   // "Small entries of %1": a folder's plain tile
    STR_TIP_TREEMAP = 40091,
    STR_TREEMAP_LARGEST = 40092,    // the description's lead before the largest tiles
    STR_TREEMAP_EMPTY = 40093,      // the description of a picture without tiles
    STR_SCAN_NOT_KEPT = 40100,         // the status notice of a scan that could not be kept
    STR_HEADER_CHANGE = 40101,         // contents list column 5, while a comparison is on
    STR_CHANGE_NEW = 40102,
    STR_CHANGE_GONE = 40103,
    STR_COMPARE_NOT_OPENED = 40104,
    STR_COMPARE_OTHER_PLACE = 40105,   // followed by the file's path
    STR_COMPARE_PLACE_IS = 40106,      // followed by the place's path
    STR_COMPARE_SINCE = 40107,         // "+2.1 GB since 12/03 04:10"
    STR_KEPT_NOT_FORGOTTEN = 40108,
    STR_NO_KEPT_SCANS = 40109,         // the Compare With item when there are none
    STR_KEPT_FORGOTTEN = 40110,
    STR_LINK_TO = 40140,                  // a symbolic link's type: "link to %1", its target
    STR_LINK = 40141,                     // the type of a link whose target cannot be read
    STR_STANDARD_INPUT = 40142,           // where a scan piped in was read from
    STR_FILTER_COUNT = 40143,             // status part 0 while filtered: "%1 of %2 items"
    STR_FILTER_LABEL = 40144,             // the filter field's name and placeholder
    STR_SYMBOLIC_LINK = 40145,            // what screen readers hear of a link's row
    STR_TREEMAP_NAME = 40146,             // accessible name of the treemap pane
    STR_COMMAND_BANDS = 40147,            // accessible name of the command bands, and their description
    STR_COMMAND_BANDS_DESCRIPTION = 40148,
    STR_MENU_BAND = 40149,                // accessible names of the two bands
    STR_TOOL_BAND = 40150,
    STR_SPLITTER_POSITION = 40151,        // accessible name of the splitter bar
    STR_LIST_AND_TREEMAP = 40152,         // accessible name of the list and treemap splitter
    STR_OK = 40153,                       // a dialog's OK where its template names none
    STR_STATUS_PENDING = 40154,           // status part 0 while the drive waits for a scan
    STR_FILE_TYPES_TITLE = 40160,         // the File Types window's title
    STR_LARGEST_FILES_TITLE = 40161,      // the Largest Files window's title
    STR_KINDS_EXTENSION = 40162,          // File Types columns beside Type and Size
    STR_KINDS_FILES = 40163,
    STR_KINDS_SHARE = 40164,
    STR_KINDS_FOLDER = 40165,             // Largest Files column beside Name, Size and Modified
    STR_KINDS_NO_EXTENSION = 40166,       // the kind of the files without an extension
    STR_KINDS_BELOW = 40167,              // File Types: "%1 files of %2 kinds below %3, %4 in all"
    STR_LARGEST_BELOW = 40168,            // Largest Files: "The largest files below %1"
    STR_LARGEST_OF_KIND = 40169,          // "The largest files of the kind %1 below %2"
    STR_LARGEST_ALL_KINDS = 40170,        // the button back to every kind
    STR_KINDS_COUNTING = 40171,           // while the worker counts: "Counting the files below %1..."
    STR_KINDS_NOTHING = 40172,            // no place to count
    STR_FILE_TYPES_LIST = 40173,          // accessible names of the two lists
    STR_LARGEST_FILES_LIST = 40174,
    STR_KIND_WITH_EXTENSION = 40175,      // a kind named in a sentence: "%1 (%2)"
    STR_TIP_RESCAN = 40190,               // the Rescan Folder button's tooltip
    STR_RESCANNING = 40191,               // status while a folder is walked again: "%1" its path
    STR_WATCH_PARTIAL = 40192,            // status notice: too many folders for the watch
};

enum MenuId : int {
    MENU_MAIN = 102,      // every platform but Palm-size
    MENU_PALMSIZE = 103,
};

enum DialogId : int {
    DIALOG_ABOUT = 104,
    DIALOG_ABOUT_PALMSIZE = 105,
    DIALOG_EXPUNGE = 110,
    DIALOG_EXPUNGE_PALMSIZE = 111,
    DIALOG_READ_ONLY = 112,
    DIALOG_TRASH = 113,
    DIALOG_TRASH_PALMSIZE = 114,
    DIALOG_PIE_CHART = 118,
};
