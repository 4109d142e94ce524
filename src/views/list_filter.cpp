#include "views/list_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTreeView>

#include <string>

#include "model/item_tree.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/contents_list.h"
#include "views/list_model.h"
#include "views/list_sort.h"
#include "views/pie_popup.h"
#include "views/status_bar.h"

namespace {

// What the filter holds while it is open.
struct ListFilterState {
    QLineEdit* field = nullptr;
    bool open = false;
    QString text;
    QRegularExpression glob;  // set when text holds "*" or "?"
    QRect area;               // where the pane layout put the list and field
};

ListFilterState filter;

bool IsGlob(const QString& text) { return text.contains(u'*') || text.contains(u'?'); }

// Ends the filter on Esc from the field; every other key types.
class FilterField : public QLineEdit {
public:
    explicit FilterField(QWidget* parent) : QLineEdit(parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            CloseListFilter();
            return;
        }
        // Down moves into the rows shown, as in a search field.
        if (event->key() == Qt::Key_Down && listPane) {
            listPane->setFocus(Qt::OtherFocusReason);
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
};

bool Passes(const ItemNode* item) {
    if (!item || (item->flags & ITEM_REMOVED)) return false;
    if (filter.text.isEmpty()) return true;
    if (filter.glob.isValid() && !filter.glob.pattern().isEmpty()) {
        const QString name = QString::fromRawData(reinterpret_cast<const QChar*>(item->name),
                                                  static_cast<qsizetype>(std::char_traits<char16_t>::length(item->name)));
        return filter.glob.match(name).hasMatch();
    }
    return QStringView(item->name).contains(filter.text, Qt::CaseInsensitive);
}

// The status and the pie chart of the rows shown now.
void ShowFilteredStatus() {
    uint64_t shownTotal = 0;
    for (uint32_t position = 0; position < shownRows.count; ++position)
        shownTotal += listRows[shownRows.order[position]].item->total;
    uint32_t listed = 0;
    for (uint32_t record = 0; record < listRowCount; ++record) {
        if (listRows[record].item && !(listRows[record].item->flags & ITEM_REMOVED)) ++listed;
    }
    if (filter.open && !filter.text.isEmpty())
        ShowPlaceStatus(STATUS_FILTERED, statusPart0.item, (uint64_t(shownRows.count) << 32) | listed);
    else if (statusPart0.item)
        ShowFolderStatus(statusPart0.item, listedTotal);
    if (piePopup) ReloadPieChart(filter.open && !filter.text.isEmpty() ? shownTotal : listedTotal);
}

}  // namespace

bool NameMatchesFilter(const char16_t* name, const QString& text) {
    if (text.isEmpty()) return true;
    const QString whole = QString::fromUtf16(name);
    if (IsGlob(text)) {
        const QRegularExpression glob(QRegularExpression::wildcardToRegularExpression(text),
                                      QRegularExpression::CaseInsensitiveOption);
        return glob.match(whole).hasMatch();
    }
    return whole.contains(text, Qt::CaseInsensitive);
}

QLineEdit* ListFilterField() { return filter.field; }

bool ListFilterOpen() { return filter.open; }

void OpenListFilter() {
    if (!listPane || listMode != LIST_CONTENTS) return;
    if (!filter.field) {
        filter.field = new FilterField(listPane->parentWidget());
        filter.field->setObjectName(QStringLiteral("listFilter"));
        filter.field->setAccessibleName(StringText(STR_FILTER_LABEL));
        filter.field->setPlaceholderText(StringText(STR_FILTER_LABEL));
        filter.field->setClearButtonEnabled(true);
        QObject::connect(filter.field, &QObject::destroyed, [] {
            filter.field = nullptr;
            filter.open = false;
            filter.text.clear();
        });
        QObject::connect(filter.field, &QLineEdit::textEdited, filter.field, [](const QString& text) {
            // An emptied field ends the filter, as Esc does.
            if (text.isEmpty())
                CloseListFilter();
            else
                ApplyListFilter(text);
        });
    }
    filter.open = true;
    PlaceListPane(filter.area.x(), filter.area.y(), filter.area.width(), filter.area.height());
    filter.field->show();
    filter.field->raise();
    filter.field->setFocus(Qt::ShortcutFocusReason);
    filter.field->selectAll();
}

void ForgetListFilter() {
    if (!filter.open) return;
    filter.open = false;
    filter.text.clear();
    if (filter.field) {
        filter.field->clear();
        filter.field->hide();
    }
    PlaceListPane(filter.area.x(), filter.area.y(), filter.area.width(), filter.area.height());
}

void CloseListFilter() {
    if (!filter.open) return;
    filter.open = false;
    if (filter.field) {
        filter.field->clear();
        filter.field->hide();
    }
    PlaceListPane(filter.area.x(), filter.area.y(), filter.area.width(), filter.area.height());
    if (listModel && listRows) ApplyListFilter(QString());
    if (listPane) listPane->setFocus(Qt::OtherFocusReason);
}

void ApplyListFilter(const QString& text) {
    if (!listModel || listMode != LIST_CONTENTS) return;
    filter.text = text;
    filter.glob = IsGlob(text) ? QRegularExpression(QRegularExpression::wildcardToRegularExpression(text),
                                                    QRegularExpression::CaseInsensitiveOption)
                               : QRegularExpression();
    listModel->BeginReset();
    uint32_t shown = 0;
    for (uint32_t record = 0; record < listRowCount; ++record) {
        if (Passes(listRows[record].item)) shownRows.order[shown++] = record;
    }
    shownRows.count = shown;
    shownRows.positionsValid = false;
    SortShownRows(false);
    listModel->EndReset();
    if (listPane && listPane->selectionModel() && shown)
        listPane->selectionModel()->setCurrentIndex(listModel->index(0, 0), QItemSelectionModel::NoUpdate);
    ShowFilteredStatus();
}

void PlaceListPane(int x, int y, int width, int height) {
    filter.area = QRect(x, y, width, height);
    if (!listPane) return;
    const bool field = filter.open && filter.field;
    const int fieldHeight = field ? filter.field->sizeHint().height() : 0;
    if (field) {
        filter.field->setGeometry(x, y, width, fieldHeight);
        // In full-screen mode with the tree shown, the list and its field hide together.
        filter.field->setVisible(!listPane->isHidden());
    }
    listPane->setGeometry(x, y + fieldHeight, width, height - fieldHeight);
}
