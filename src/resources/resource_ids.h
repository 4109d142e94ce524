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
    STR_STATUS_UNREADABLE = 40130,        // status part 2: "%1 folder(s) could not be read"
    STR_STATUS_UNREADABLE_FIRST = 40131,  // its tooltip, naming the first such folder
    STR_TIP_FOLDER_AGAIN = 40132,         // tooltip of a folder shown inside itself by a bind mount
    STR_PATH_TOO_DEEP = 40133,            // an action on an entry whose path no path text holds
    STR_LINK_TO = 40140,                  // a symbolic link's type: "link to %1", its target
    STR_LINK = 40141,                     // the type of a link whose target cannot be read
    STR_STANDARD_INPUT = 40142,           // where a scan piped in was read from
    STR_FILTER_COUNT = 40143,             // status part 0 while filtered: "%1 of %2 items"
    STR_FILTER_LABEL = 40144,             // the filter field's name and placeholder
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
