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
