#include "views/list_filter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeView>

#include <string>
#include <vector>

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
    bool isGlob = false;      // text holds "*" or "?"
    QRect area;               // where the pane layout put the list and field
    // Every row in the sort order of baseColumn and baseReversed, so that a
    // keystroke only keeps the rows that pass, already in order; made again
    // when the user sorts another way.
    std::vector<uint32_t> base;
    int baseColumn = -1;
    bool baseReversed = false;
    std::u16string folded;       // text, case-folded, for the plain search
    std::vector<uint8_t> passes;  // per record: whether it passes the text now
};

// The case-folded form of one UTF-16 unit: ASCII at once, others through Qt.
inline char16_t Folded(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

// Whether the whole name matches the folded glob: "*" any run of units, "?"
// any one, letter case aside. The last "*" is returned to on a mismatch,
// which is enough for globs (no backtracking beyond it is ever needed).
bool MatchesFoldedGlob(const char16_t* name, const std::u16string& glob) {
    size_t g = 0;
    const char16_t* at = name;
    size_t starGlob = std::u16string::npos;
    const char16_t* starName = nullptr;
    while (*at) {
        if (g < glob.size() && glob[g] == u'*') {
            starGlob = g++;
            starName = at;
        } else if (g < glob.size() && (glob[g] == u'?' || glob[g] == Folded(*at))) {
            ++g;
            ++at;
        } else if (starGlob != std::u16string::npos) {
            g = starGlob + 1;
            at = ++starName;
        } else {
            return false;
        }
    }
    while (g < glob.size() && glob[g] == u'*') ++g;
    return g == glob.size();
}

// Whether name contains the folded text, letter case aside.
bool ContainsFolded(const char16_t* name, const std::u16string& folded) {
    const size_t length = folded.size();
    if (length == 0) return true;
    const char16_t first = folded[0];
    for (const char16_t* at = name; *at; ++at) {
        if (Folded(*at) != first) continue;
        size_t i = 1;
        while (i < length && at[i] && Folded(at[i]) == folded[i]) ++i;
        if (i == length) return true;
        if (!at[i]) return false;
    }
    return false;
}

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
    return filter.isGlob ? MatchesFoldedGlob(item->name, filter.folded) : ContainsFolded(item->name, filter.folded);
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
    std::u16string folded;
    for (QChar c : text) folded.push_back(Folded(c.unicode()));
    return IsGlob(text) ? MatchesFoldedGlob(name, folded) : ContainsFolded(name, folded);
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
    if (!filter.open && shownRows.order) {
        // Every row is shown, in the order chosen: the order every keystroke keeps.
        filter.base.assign(shownRows.order, shownRows.order + shownRows.count);
        filter.baseColumn = contentsSortColumn;
        filter.baseReversed = contentsSortReversed;
    }
    filter.open = true;
    PlaceListPane(filter.area.x(), filter.area.y(), filter.area.width(), filter.area.height());
    filter.field->show();
    filter.field->raise();
    filter.field->setFocus(Qt::ShortcutFocusReason);
    filter.field->selectAll();
}

void ForgetListFilter() {
    // The rows of the next fill are others: their order is made anew.
    filter.base.clear();
    filter.baseColumn = -1;
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
    filter.folded.clear();
    for (QChar c : text) filter.folded.push_back(Folded(c.unicode()));
    filter.isGlob = IsGlob(text);
    listModel->BeginReset();
    if (filter.baseColumn != contentsSortColumn || filter.baseReversed != contentsSortReversed ||
        filter.base.size() > listRowCount) {
        uint32_t all = 0;
        for (uint32_t record = 0; record < listRowCount; ++record) {
            if (listRows[record].item) shownRows.order[all++] = record;
        }
        shownRows.count = all;
        shownRows.positionsValid = false;
        SortShownRows(false);
        filter.base.assign(shownRows.order, shownRows.order + all);
        filter.baseColumn = contentsSortColumn;
        filter.baseReversed = contentsSortReversed;
    }
    // Names are tested in memory order, where they lie one after another;
    // the rows that pass are then taken in the kept order.
    filter.passes.assign(listRowCount, 0);
    for (uint32_t record = 0; record < listRowCount; ++record) filter.passes[record] = Passes(listRows[record].item);
    uint32_t shown = 0;
    for (uint32_t record : filter.base) {
        if (filter.passes[record]) shownRows.order[shown++] = record;
    }
    shownRows.count = shown;
    shownRows.positionsValid = false;
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
