#include "views/place_comparison.h"
#include "views/size_choice.h"

#include <QAction>
#include <QLocale>
#include <QWidget>

#include "platform/command_actions.h"
#include "scan/navigation.h"
#include "views/contents_list.h"
#include "views/file_kinds.h"
#include "views/list_model.h"
#include "views/list_sort.h"
#include "views/status_bar.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/treemap_pane.h"

bool sizeUnits = false;

namespace {

// Everything that shows a size shows it again: the Size and Possession
// columns (and their order when sorted by them), the pie chart, the status.
void ShowSizesAgain() {
    if (listModel && listMode != LIST_NONE) listModel->ColumnChanged(1);
    if (listModel && ChangeColumnShown()) listModel->ColumnChanged(LIST_CHANGE_COLUMN);
    if (listMode == LIST_CONTENTS && listedPlace && listRows) {
        uint64_t listed = RefreshPossession(listedPlace->children, listedPlace->childCount);
        SortShownRows(false);
        if (statusPart0.kind == STATUS_FOLDER && statusPart0.item == listedPlace) ShowFolderStatus(listedPlace, listed);
    } else if (listMode == LIST_DRIVES && listModel) {
        listModel->ColumnChanged(2);
        listModel->ColumnChanged(4);
    }
    if (statusBar) statusBar->update();
}

}  // namespace

QString SizeText(uint64_t bytes) {
    if (!sizeUnits) return GroupedText(bytes);
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeTraditionalFormat);
}

QString SizeWithUnitText(uint64_t bytes) {
    return sizeUnits ? SizeText(bytes) : StringText(STR_BYTE_COUNT).arg(GroupedText(bytes));
}

QString LowerBoundText(const QString& size) { return StringText(STR_LOWER_BOUND).arg(size); }

QString SizeToolTip(uint64_t bytes) {
    if (!sizeUnits) return QString();
    return StringText(STR_EXACT_BYTES).arg(GroupedText(bytes));
}

void ChooseSizeCount(SizeCount count) {
    if (count != sizeCount) {
        // Every total is counted again: the treemap lets go, then redraws.
        TreemapHold hold;
        SetSizeCount(count);
        // The earlier scan of a comparison counts as the shown tree does.
        RecountComparison();
        ShowSizesAgain();
        RefreshFileKinds();
    }
    MarkSizeCommands();
}

void ChooseSizeUnits(bool on) {
    if (on != sizeUnits) {
        sizeUnits = on;
        ShowSizesAgain();
    }
    MarkSizeCommands();
}

void MarkSizeCommands() {
    if (QAction* disk = CommandAction(CMD_SIZE_DISK_USAGE)) disk->setChecked(sizeCount == SIZE_DISK_USAGE);
    if (QAction* apparent = CommandAction(CMD_SIZE_APPARENT)) apparent->setChecked(sizeCount == SIZE_APPARENT);
    if (QAction* units = CommandAction(CMD_SIZE_UNITS)) units->setChecked(sizeUnits);
}
