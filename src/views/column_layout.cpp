#include "views/column_layout.h"

#include "platform/settings_blob.h"
#include "views/contents_list.h"
#include "views/list_columns.h"
#include "views/list_model.h"

void SetDefaultColumnLayout(SettingsBlob* blob) {
    for (int column = 0; column < LIST_COLUMNS; ++column) {
        blob->driveColumnWidths[column] = DefaultColumnWidth(LIST_DRIVES, column);
        blob->contentsColumnWidths[column] = DefaultColumnWidth(LIST_CONTENTS, column);
        blob->driveColumnOrder[column] = column;
        blob->contentsColumnOrder[column] = column;
    }
}
