#include "views/file_kinds.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "deletion/marks.h"
#include "model/display_name.h"
#include "model/format.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/nested_loops.h"
#include "platform/owner_window.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/folder_tree.h"
#include "scan/history.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "views/file_kinds_worker.h"
#include "views/image_list.h"
#include "views/list_model.h"
#include "views/size_choice.h"
#include "views/type_cache.h"

FileKindsHub* fileKindsHub = nullptr;

namespace {

// One kind as the File Types list shows it.
struct KindRow {
    QString type;
    QString extension;
    QIcon icon;
    uint64_t count;
    uint64_t bytes;
    FileKindFamily family;
    std::u16string key;
};

// One of the largest files as the Largest Files list shows it.
struct LargeRow {
    const ItemNode* item;
    QString name;
    QString folder;
    QIcon icon;
    uint64_t bytes;
    int64_t modified;  // TimeStamp; 0 unknown
};

int CompareText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }

template <typename T>
int CompareNumbers(T a, T b) { return a < b ? -1 : (a > b ? 1 : 0); }

QString PercentText(uint64_t part, uint64_t whole) { return QString::number(Percent(part, whole)) + u'%'; }

QString ModifiedText(int64_t stamp) {
    if (stamp == 0) return QString();
    char16_t text[32] = {};
    FormatModified(UnixSecondsOfTimeStamp(stamp), text, 32);
    return QString::fromUtf16(text);
}

// A table of rows of one kind, sorted by the header's column; the view asks
// for the sort, the model keeps it across new contents.
template <typename Row>
class RowsModel : public QAbstractTableModel {
public:
    RowsModel(QObject* parent, int columns, int sortColumn) : QAbstractTableModel(parent), columns(columns), sortColumn(sortColumn) {}

    std::vector<Row> rows;
    int columns;
    int sortColumn;
    Qt::SortOrder order = Qt::DescendingOrder;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : columns; }

    void sort(int column, Qt::SortOrder newOrder) override {
        sortColumn = column;
        order = newOrder;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<size_t> order(rows.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
            const int compared = Compare(rows[a], rows[b], sortColumn);
            return this->order == Qt::AscendingOrder ? compared < 0 : compared > 0;
        });
        std::vector<Row> sorted;
        sorted.reserve(rows.size());
        std::vector<int> moved(rows.size());
        for (size_t i = 0; i < order.size(); ++i) {
            moved[order[i]] = static_cast<int>(i);
            sorted.push_back(std::move(rows[order[i]]));
        }
        rows = std::move(sorted);
        // Selection and focus follow their rows.
        QModelIndexList after;
        for (const QModelIndex& index : before)
            after.push_back(this->index(moved[static_cast<size_t>(index.row())], index.column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    // New contents, in the sort order chosen last.
    void Set(std::vector<Row> fresh) {
        beginResetModel();
        rows = std::move(fresh);
        std::stable_sort(rows.begin(), rows.end(), [this](const Row& a, const Row& b) {
            const int compared = Compare(a, b, sortColumn);
            return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
        });
        endResetModel();
    }

    static int Compare(const Row& a, const Row& b, int column);
};

using TypesModel = RowsModel<KindRow>;
using LargestModel = RowsModel<LargeRow>;

template <>
int TypesModel::Compare(const KindRow& a, const KindRow& b, int column) {
    switch (column) {
    case TYPES_TYPE: {
        const int compared = CompareText(a.type, b.type);
        return compared ? compared : CompareText(a.extension, b.extension);
    }
    case TYPES_EXTENSION: return CompareText(a.extension, b.extension);
    case TYPES_FILES: return CompareNumbers(a.count, b.count);
    default: return CompareNumbers(a.bytes, b.bytes);  // Size and Share
    }
}

template <>
int LargestModel::Compare(const LargeRow& a, const LargeRow& b, int column) {
    switch (column) {
    case LARGEST_NAME: return CompareNames(a.item->name, b.item->name);
    case LARGEST_FOLDER: {
        const int compared = CompareText(a.folder, b.folder);
        return compared ? compared : CompareNames(a.item->name, b.item->name);
    }
    case LARGEST_MODIFIED: return CompareNumbers(a.modified, b.modified);
    default: return CompareNumbers(a.bytes, b.bytes);
    }
}

}  // namespace

// Everything the windows hold, in one object.
struct FileKindsHub::State {
    FileKindsWorker worker;
    const ItemNode* place = nullptr;  // the place counted; none before a count or after ForgetFileKindsItems
    uint64_t serial = 0;              // of the newest request
    int pauses = 0;
    bool due = false;                 // a count is to start once no pause holds
    FileKindsTally shown;             // the finished count the windows show
    bool countShown = false;          // shown belongs to place as it is now
    // The kind the Largest Files list is narrowed to; every kind when none.
    bool narrowed = false;
    FileKindFamily narrowFamily = KIND_EXTENSION;
    std::u16string narrowKey;
    QString narrowName;
    QPointer<QWidget> typesWindow;
    QPointer<QWidget> largestWindow;
    QPointer<QTreeView> typesList;
    QPointer<QTreeView> largestList;
    QPointer<QLabel> typesLabel;
    QPointer<QLabel> largestLabel;
    QPointer<QPushButton> allKinds;
    TypesModel* typesModel = nullptr;
    LargestModel* largestModel = nullptr;
};

namespace {

using State = FileKindsHub::State;

State* Hub() { return fileKindsHub ? fileKindsHub->state : nullptr; }

bool AnyWindowOpen(const State* state) {
    return (state->typesWindow && state->typesWindow->isVisible()) ||
           (state->largestWindow && state->largestWindow->isVisible());
}

QString PlaceText(const ItemNode* place) {
    if (!place) return QString();
    if (!place->parent) return DisplayName(place->name);
    char16_t path[PATH_CHARS];
    return ItemPath(path, PATH_CHARS, place) ? DisplayName(path) : DisplayName(place->name);
}

// What the type column says of a kind, and its icon: for a kind by
// extension the type cache's text, as the list shows it.
void NameKind(const FileKind& kind, KindRow* row) {
    switch (kind.family) {
    case KIND_EXTENSION: {
        row->extension = QString::fromStdU16String(kind.key);
        const TypeCacheEntry* entry = LookupFileType(kind.sample);
        if (entry && entry->typeName) row->type = QString::fromUtf16(entry->typeName);
        row->icon = SmallImage(entry ? entry->iconIndex : IMAGE_FILE);
        break;
    }
    case KIND_NO_EXTENSION:
        row->type = StringText(STR_KINDS_NO_EXTENSION);
        row->icon = SmallImage(IMAGE_FILE);
        break;
    case KIND_LINK:
        row->type = StringText(STR_SYMBOLIC_LINK);
        row->icon = SmallImageLinked(IMAGE_FILE, false);
        break;
    case KIND_DATABASE:
        row->type = QString::fromUtf16(databaseFolderName);
        row->icon = SmallImage(ListImageOf(kind.sample));
        break;
    }
}

QString KindName(const KindRow& row) {
    if (row.extension.isEmpty()) return row.type;
    if (row.type.isEmpty()) return row.extension;
    return StringText(STR_KIND_WITH_EXTENSION).arg(row.type, row.extension);
}

void ShowLabels(State* state) {
    const QString place = PlaceText(state->place);
    QString types, largest;
    if (!state->place) {
        types = largest = StringText(STR_KINDS_NOTHING);
    } else if (!state->countShown) {
        types = largest = StringText(STR_KINDS_COUNTING).arg(place);
    } else {
        types = StringText(STR_KINDS_BELOW)
                    .arg(GroupedText(state->shown.files), GroupedText(state->shown.kinds.size()), place,
                         SizeText(state->shown.placeBytes));
        largest = state->narrowed ? StringText(STR_LARGEST_OF_KIND).arg(state->narrowName, place)
                                  : StringText(STR_LARGEST_BELOW).arg(place);
    }
    if (state->typesLabel) state->typesLabel->setText(types);
    if (state->largestLabel) state->largestLabel->setText(largest);
    if (state->allKinds) state->allKinds->setVisible(state->narrowed);
}

void FillLargest(State* state) {
    if (!state->largestModel) return;
    const std::vector<LargeFile>* files = &state->shown.largest;
    if (state->narrowed) {
        files = nullptr;
        for (const FileKind& kind : state->shown.kinds)
            if (kind.family == state->narrowFamily && kind.key == state->narrowKey) files = &kind.largest;
    }
    std::vector<LargeRow> rows;
    char16_t path[PATH_CHARS];
    for (size_t i = 0; files && i < files->size(); ++i) {
        const ItemNode* item = (*files)[i].item;
        LargeRow row{item, DisplayName(item->name), QString(), SmallImage(ListImageOf(item)), (*files)[i].bytes,
                     item->modified};
        if (item->parent && ItemFolderPath(path, PATH_CHARS, item->parent)) row.folder = DisplayName(path);
        if (item->flags & ITEM_LINK) row.icon = SmallImageLinked(std::max(ListImageOf(item), 0), false);
        rows.push_back(std::move(row));
    }
    state->largestModel->Set(std::move(rows));
}

void FillTypes(State* state) {
    if (!state->typesModel) return;
    std::vector<KindRow> rows;
    rows.reserve(state->shown.kinds.size());
    for (const FileKind& kind : state->shown.kinds) {
        KindRow row{QString(), QString(), QIcon(), kind.count, kind.bytes, kind.family, kind.key};
        NameKind(kind, &row);
        rows.push_back(std::move(row));
    }
    state->typesModel->Set(std::move(rows));
}

// Empties both lists: nothing of the tree stays in them.
void ClearLists(State* state) {
    state->shown = FileKindsTally();
    state->countShown = false;
    if (state->typesModel) state->typesModel->Set({});
    if (state->largestModel) state->largestModel->Set({});
}

// Hands the worker the place, unless a pause holds (then it starts after)
// or no window is open (then when one opens).
void StartCount(State* state) {
    state->due = true;
    ++state->serial;
    if (state->pauses > 0 || !AnyWindowOpen(state)) return;
    state->due = false;
    state->countShown = false;
    if (state->place)
        RequestFileKinds(&state->worker, state->place, state->serial);
    else
        ClearLists(state);
    ShowLabels(state);
}

// Runs on the worker after a finished count: the interface takes it on its
// own turn.
void ReportToHub(void* context) {
    auto* hub = static_cast<FileKindsHub*>(context);
    QMetaObject::invokeMethod(
        hub,
        [hub] {
            State* state = hub->state;
            FileKindsTally tally;
            if (state->pauses > 0 || !TakeFileKindsTally(&state->worker, state->serial, &tally)) return;
            if (tally.place != state->place) return;
            state->shown = std::move(tally);
            state->countShown = true;
            FillTypes(state);
            FillLargest(state);
            ShowLabels(state);
            emit hub->TallyShown();
        },
        Qt::QueuedConnection);
}

// Goes to the folder of item in the main window, item's row selected and
// focused, as a navigation does; the place left is kept in the history.
void GoToFile(const ItemNode* item) {
    if (!item || (item->flags & ITEM_REMOVED) || scanState != SCAN_IDLE || InsideNestedLoop()) return;
    if (!ConfirmLeavePlace(OwnerWindow())) return;
    std::vector<std::u16string> names;
    for (const ItemNode* at = item; at && at->parent; at = at->parent) names.emplace_back(at->name);
    std::reverse(names.begin(), names.end());
    PathList* place = PathListFromNames(names);
    if (!place) return;
    RecordPlace(CurrentFolderItem(), HISTORY_PUSH);
    EnableHistoryAfterPush();
    NavigateTo(place);
    if (QWidget* window = OwnerWindow()) {
        window->raise();
        window->activateWindow();
    }
}

void NarrowLargest(State* state, const KindRow* kind) {
    state->narrowed = kind != nullptr;
    if (kind) {
        state->narrowFamily = kind->family;
        state->narrowKey = kind->key;
        state->narrowName = KindName(*kind);
    }
    FillLargest(state);
    ShowLabels(state);
}

QTreeView* NewList(QWidget* window, QAbstractItemModel* model, const char* name, uint32_t accessibleName,
                   int sortColumn) {
    auto* list = new QTreeView(window);
    list->setObjectName(QString::fromLatin1(name));
    list->setAccessibleName(StringText(accessibleName));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setModel(model);
    list->header()->setSortIndicator(sortColumn, Qt::DescendingOrder);
    list->setSortingEnabled(true);
    list->header()->setSectionsMovable(false);
    return list;
}

QWidget* NewWindow(const char* name, uint32_t title) {
    auto* window = new QWidget(OwnerWindow(), Qt::Window);
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(StringText(title));
    window->setAccessibleName(StringText(title));
    return window;
}

void CreateHub() {
    if (fileKindsHub) return;
    fileKindsHub = new FileKindsHub(OwnerWindow());
}

void BuildLargestWindow(State* state) {
    if (state->largestWindow) return;
    QWidget* window = NewWindow("largestFilesWindow", STR_LARGEST_FILES_TITLE);
    auto* layout = new QVBoxLayout(window);
    auto* top = new QHBoxLayout();
    auto* label = new QLabel(window);
    label->setWordWrap(true);
    auto* allKinds = new QPushButton(StringText(STR_LARGEST_ALL_KINDS), window);
    allKinds->setObjectName(QStringLiteral("allKindsButton"));
    allKinds->setVisible(false);
    top->addWidget(label, 1);
    top->addWidget(allKinds);
    auto* list = NewList(window, state->largestModel, "largestFilesList", STR_LARGEST_FILES_LIST, LARGEST_SIZE);
    label->setBuddy(list);
    layout->addLayout(top);
    layout->addWidget(list);
    const int digit = window->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[LARGEST_COLUMNS] = {26, 36, 19, 13};
    int wide = 0;
    for (int column = 0; column < LARGEST_COLUMNS; ++column) {
        list->setColumnWidth(column, digit * widths[column]);
        wide += digit * widths[column];
    }
    window->resize(wide + 4 * digit, digit * 50);
    QObject::connect(list, &QAbstractItemView::activated, window, [](const QModelIndex& index) {
        State* state = Hub();
        if (!state || !index.isValid() || static_cast<size_t>(index.row()) >= state->largestModel->rows.size()) return;
        GoToFile(state->largestModel->rows[static_cast<size_t>(index.row())].item);
    });
    QObject::connect(allKinds, &QPushButton::clicked, window, [] {
        if (State* state = Hub()) NarrowLargest(state, nullptr);
    });
    state->largestWindow = window;
    state->largestList = list;
    state->largestLabel = label;
    state->allKinds = allKinds;
}

void OpenWindow(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void BuildTypesWindow(State* state) {
    if (state->typesWindow) return;
    QWidget* window = NewWindow("fileTypesWindow", STR_FILE_TYPES_TITLE);
    auto* layout = new QVBoxLayout(window);
    auto* label = new QLabel(window);
    label->setWordWrap(true);
    auto* list = NewList(window, state->typesModel, "fileTypesList", STR_FILE_TYPES_LIST, TYPES_SIZE);
    label->setBuddy(list);
    layout->addWidget(label);
    layout->addWidget(list);
    const int digit = window->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // Room for a long type text and for byte counts of hundreds of terabytes.
    const int widths[TYPES_COLUMNS] = {24, 8, 9, 19, 7};
    int wide = 0;
    for (int column = 0; column < TYPES_COLUMNS; ++column) {
        list->setColumnWidth(column, digit * widths[column]);
        wide += digit * widths[column];
    }
    window->resize(wide + 4 * digit, digit * 50);
    QObject::connect(list, &QAbstractItemView::activated, window, [](const QModelIndex& index) {
        State* state = Hub();
        if (!state || !index.isValid() || static_cast<size_t>(index.row()) >= state->typesModel->rows.size()) return;
        // The count shown holds every kind's largest files already.
        BuildLargestWindow(state);
        NarrowLargest(state, &state->typesModel->rows[static_cast<size_t>(index.row())]);
        OpenWindow(state->largestWindow);
    });
    state->typesWindow = window;
    state->typesList = list;
    state->typesLabel = label;
}

}  // namespace

namespace {

QVariant TypesCell(const KindRow& row, int column, uint64_t whole, int role) {
    if (role == Qt::DecorationRole) return column == TYPES_TYPE ? QVariant(row.icon) : QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((column >= TYPES_FILES ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole) return column == TYPES_SIZE ? QVariant(SizeToolTip(row.bytes)) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return QVariant();
    switch (column) {
    case TYPES_TYPE: return row.type;
    case TYPES_EXTENSION: return row.extension;
    case TYPES_FILES: return GroupedText(row.count);
    case TYPES_SIZE: return SizeText(row.bytes);
    case TYPES_SHARE: return PercentText(row.bytes, whole);
    default: return QVariant();
    }
}

QVariant LargestCell(const LargeRow& row, int column, int role) {
    if (role == Qt::DecorationRole) return column == LARGEST_NAME ? QVariant(row.icon) : QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((column == LARGEST_SIZE ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole) return column == LARGEST_SIZE ? QVariant(SizeToolTip(row.bytes)) : QVariant();
    if (role == Qt::AccessibleDescriptionRole && column == LARGEST_NAME && (row.item->flags & ITEM_LINK))
        return StringText(STR_SYMBOLIC_LINK);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return QVariant();
    switch (column) {
    case LARGEST_NAME: return row.name;
    case LARGEST_FOLDER: return row.folder;
    case LARGEST_SIZE: return SizeText(row.bytes);
    case LARGEST_MODIFIED: return ModifiedText(row.modified);
    default: return QVariant();
    }
}

QVariant HeaderText(int section, const uint32_t* texts, int count, int role) {
    if (section < 0 || section >= count) return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return StringText(texts[section]);
    return QVariant();
}

constexpr uint32_t TYPES_HEADERS[TYPES_COLUMNS] = {STR_HEADER_TYPE, STR_KINDS_EXTENSION, STR_KINDS_FILES,
                                                   STR_HEADER_SIZE, STR_KINDS_SHARE};
constexpr uint32_t LARGEST_HEADERS[LARGEST_COLUMNS] = {STR_HEADER_NAME, STR_KINDS_FOLDER, STR_HEADER_SIZE,
                                                       STR_HEADER_MODIFIED};

// The two models' cells: the rows are plain records, the texts made as asked.
class TypesTable : public TypesModel {
public:
    using TypesModel::TypesModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<size_t>(index.row()) >= rows.size()) return QVariant();
        const State* state = Hub();
        return TypesCell(rows[static_cast<size_t>(index.row())], index.column(), state ? state->shown.placeBytes : 0,
                         role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return QVariant();
        if (role == Qt::TextAlignmentRole && section >= TYPES_FILES)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return HeaderText(section, TYPES_HEADERS, TYPES_COLUMNS, role);
    }
};

class LargestTable : public LargestModel {
public:
    using LargestModel::LargestModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || static_cast<size_t>(index.row()) >= rows.size()) return QVariant();
        return LargestCell(rows[static_cast<size_t>(index.row())], index.column(), role);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return QVariant();
        if (role == Qt::TextAlignmentRole && section == LARGEST_SIZE)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return HeaderText(section, LARGEST_HEADERS, LARGEST_COLUMNS, role);
    }
};

}  // namespace

FileKindsHub::FileKindsHub(QObject* parent) : QObject(parent), state(new State) {
    state->typesModel = new TypesTable(this, TYPES_COLUMNS, TYPES_SIZE);
    state->largestModel = new LargestTable(this, LARGEST_COLUMNS, LARGEST_SIZE);
    StartFileKindsWorker(&state->worker, ReportToHub, this);
}

FileKindsHub::~FileKindsHub() {
    StopFileKindsReading(&state->worker);
    StopFileKindsWorker(&state->worker);
    // The windows belong to the main window; they go with it, or here when
    // the hub goes first.
    delete state->typesWindow.data();
    delete state->largestWindow.data();
    delete state;
    state = nullptr;
    if (fileKindsHub == this) fileKindsHub = nullptr;
}

void ShowFileTypesWindow() {
    CreateHub();
    State* state = Hub();
    BuildTypesWindow(state);
    OpenWindow(state->typesWindow);
    state->place = listedPlace;
    StartCount(state);
}

void ShowLargestFilesWindow() {
    CreateHub();
    State* state = Hub();
    BuildLargestWindow(state);
    OpenWindow(state->largestWindow);
    state->narrowed = false;
    state->place = listedPlace;
    StartCount(state);
}

void ForgetFileKindsItems() {
    State* state = Hub();
    if (!state) return;
    StopFileKindsReading(&state->worker);
    state->place = nullptr;
    state->due = false;
    ClearLists(state);
    ShowLabels(state);
}

void RefreshFileKinds() {
    State* state = Hub();
    if (!state) return;
    // A place an expunge removed is gone from the list: the listed place takes its turn.
    if (!state->place || (state->place->flags & ITEM_REMOVED)) state->place = listedPlace;
    StartCount(state);
}

void PauseFileKinds() {
    State* state = Hub();
    if (!state) return;
    ++state->pauses;
    if (StopFileKindsReading(&state->worker)) state->due = true;
}

void ResumeFileKinds() {
    State* state = Hub();
    if (!state) return;
    if (state->pauses > 0) --state->pauses;
    if (state->pauses == 0 && state->due) StartCount(state);
}

QWidget* FileTypesWindow() { return Hub() ? Hub()->typesWindow.data() : nullptr; }
QWidget* LargestFilesWindow() { return Hub() ? Hub()->largestWindow.data() : nullptr; }
QTreeView* FileTypesList() { return Hub() ? Hub()->typesList.data() : nullptr; }
QTreeView* LargestFilesList() { return Hub() ? Hub()->largestList.data() : nullptr; }

bool FileKindsCounting() {
    State* state = Hub();
    if (!state) return false;
    return state->due || (state->place && !state->countShown);
}
