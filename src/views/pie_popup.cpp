#include "views/pie_popup.h"

#include <QDialog>
#include <QStringList>

#include "platform/app_flags.h"
#include "platform/command_actions.h"
#include "platform/dialog_builder.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/navigation.h"
#include "views/contents_list.h"
#include "views/list_model.h"
#include "views/pie_chart.h"
#include "model/display_name.h"

QWidget* pieWindow = nullptr;
QWidget* piePopup = nullptr;
int piePopupX = PIE_NOT_PLACED;
int piePopupY = PIE_NOT_PLACED;

namespace {

QWidget* pieOwner = nullptr;

// What happens however the pop-up goes (the command, Esc, its close box, the
// command turning off): its place is kept and the chart outlives it.
void OnPopupGone(QDialog* popup) {
    piePopupX = popup->frameGeometry().left();
    piePopupY = popup->frameGeometry().top();
    if (pieWindow) {
        pieWindow->hide();
        pieWindow->setParent(pieOwner);
    }
    CheckCommand(CMD_PIE_CHART, false);
    appFlags &= ~APP_PIE_POPUP;
    if (piePopup == popup) piePopup = nullptr;
    popup->deleteLater();
}

}  // namespace

void CreatePieWindow(QWidget* owner) {
    pieOwner = owner;
    pieWindow = CreatePieChart(owner, PIE_CONTROL_ID);
    pieWindow->hide();
}

void PieChartCommand(QWidget* owner, QPoint paneCorner) {
    if (appFlags & APP_PIE_POPUP)
        ClosePiePopup();
    else
        OpenPiePopup(owner, paneCorner);
}

void OpenPiePopup(QWidget* owner, QPoint paneCorner) {
    if (piePopup || !pieWindow) return;
    QDialog* popup = BuildDialog(LoadDialogTemplate(DIALOG_PIE_CHART), owner);
    if (!popup) return;
    popup->setModal(false);
    popup->setObjectName(QStringLiteral("piePopup"));
    piePopup = popup;
    QObject::connect(popup, &QDialog::finished, popup, [popup] { OnPopupGone(popup); });

    // The chart fills the pop-up's client area.
    pieWindow->setParent(popup);
    QSize client = popup->size();
    pieWindow->setGeometry(0, 0, client.width(), client.height());
    pieWindow->show();
    popup->show();
    QRect frame = popup->frameGeometry();
    int x = piePopupX;
    int y = piePopupY;
    if (x == PIE_NOT_PLACED && y == PIE_NOT_PLACED) {
        x = paneCorner.x() - frame.width();
        y = paneCorner.y() - frame.height();
    }
    popup->move(x, y);
    CheckCommand(CMD_PIE_CHART, true);
    appFlags |= APP_PIE_POPUP;

    // The listed total of the place the list shows; the reload draws the chart.
    ReloadPieChart(listedPlace ? listedTotal : 0);
}

void ClosePiePopup() {
    if (!piePopup) return;
    static_cast<QDialog*>(piePopup)->done(0);
}

void ReloadPieChart(uint64_t total) {
    if (!pieWindow) return;
    SendPieMessage(pieWindow, PCM_RESET);
    SendPieMessage(pieWindow, PCM_SETTOTAL, total);
    QStringList names;
    int shown = ShownRowCount();
    for (int r = 0; r < PIE_SLICES_SHOWN && r < shown; ++r) {
        ListRow* row = ShownRow(r);
        if (!row || !row->item || (row->item->flags & ITEM_EARLIER)) continue;
        PieSlice slice = {0, static_cast<uint32_t>(r), row->item->total, 0};
        SendPieMessage(pieWindow, PCM_ADDSLICE, 0, &slice);
        names.push_back(DisplayName(row->item->name));
    }
    SetPieSliceNames(pieWindow, names);
    SendPieMessage(pieWindow, PCM_REDRAW);
}

void SetPieCommandEnabled(bool on) {
    EnableCommand(CMD_PIE_CHART, on);
    if (!on) ClosePiePopup();
}

void ForgetPieWindows() {
    piePopup = nullptr;
    pieWindow = nullptr;
    pieOwner = nullptr;
    appFlags &= ~APP_PIE_POPUP;
}
