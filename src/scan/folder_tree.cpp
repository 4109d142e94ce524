#include "scan/folder_tree.h"

#include <algorithm>
#include <unordered_set>

#include <QItemSelectionModel>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QString>
#include <QTreeWidget>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "views/place_comparison.h"
#include "views/image_list.h"
#include "model/display_name.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

QTreeWidget* treePane = nullptr;
bool treeReady = false;

namespace {

// Clears treeReady for its lifetime and puts the previous value back, so a
// selection made meanwhile is neither asked about nor handled.
struct TreeSilence {
    TreeSilence() : wasReady(treeReady) { treeReady = false; }
    ~TreeSilence() { treeReady = wasReady; }
    TreeSilence(const TreeSilence&) = delete;
    TreeSilence& operator=(const TreeSilence&) = delete;
    bool wasReady;
};

constexpr int FOLDER_NODE_TYPE = QTreeWidgetItem::UserType + 1;

// The icon of a node: its normal image, and its selected image (an open
// folder) in the mode the view paints selected nodes with.
QIcon TreeIcon(int normal, int selected) {
    if (normal == selected) return SmallImage(normal);
    static QIcon combined[SMALL_IMAGE_COUNT][SMALL_IMAGE_COUNT];
    static qint64 madeFrom[SMALL_IMAGE_COUNT][SMALL_IMAGE_COUNT];
    if (normal < 0 || selected < 0 || normal >= SMALL_IMAGE_COUNT || selected >= SMALL_IMAGE_COUNT)
        return SmallImage(normal);
    QIcon normalIcon = SmallImage(normal);
    QIcon& icon = combined[normal][selected];
    // Made again when the image list was made again.
    if (icon.isNull() || madeFrom[normal][selected] != normalIcon.cacheKey()) {
        icon = QIcon();
        icon.addPixmap(normalIcon.pixmap(16, 16), QIcon::Normal);
        icon.addPixmap(SmallImage(selected).pixmap(16, 16), QIcon::Selected);
        madeFrom[normal][selected] = normalIcon.cacheKey();
    }
    return icon;
}

// Whether folder's listed entries, once attached to it, hold a folder that
// is not removed.
bool HoldsSubfolder(const ItemNode* folder) {
    return (folder->flags & ITEM_SCANNED) && HoldsVisibleFolder(folder->children, folder->childCount);
}

// A node that shows its item: the text is the item's name and the icon its
// images, both made when the view asks, so a node stores no text of its own.
// Besides the name (fixed once listed) only the unreadable flag is read: the
// scan engine sets flags on the records it lists only when it ends, on this
// thread.
//
// A folder's own subfolders get nodes only when it is first opened or
// searched (filled): a node costs more than the record it shows, and most
// folders of a big drive are never opened. Until then it shows a children
// button when it holds a subfolder. The root and the drives count as filled:
// their nodes come with the drives and the scan.
class FolderNode : public QTreeWidgetItem {
public:
    explicit FolderNode(ItemNode* shown)
        : QTreeWidgetItem(FOLDER_NODE_TYPE), item(shown), filled((shown->flags & (ITEM_ROOT | ITEM_DRIVE)) != 0) {
        int selected = IMAGE_NONE;
        normalImage = static_cast<int16_t>(TreeImagesOf(shown, &selected));
        selectedImage = static_cast<int16_t>(selected);
        if (HasChildrenButton(shown) || (!filled && HoldsSubfolder(shown)))
            setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }

    QVariant data(int column, int role) const override {
        if (column == 0) {
            if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return DisplayName(item->name);
            if (item->flags & ITEM_UNREADABLE) {
                if (role == Qt::DecorationRole) return SmallImageUnreadable(false);
                if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole) return UnreadableReason(item);
            }
            if ((item->flags & (ITEM_FOLDER_AGAIN | ITEM_EXCLUDED | ITEM_HOLDS_EXCLUDED)) &&
                (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole))
                return UnreadableReason(item);
            if (role == Qt::DecorationRole) return TreeIcon(normalImage, selectedImage);
            // While a comparison is on, a folder tells its change.
            if (role == Qt::ToolTipRole && placeComparison) {
                QString change = FolderChangeText(item);
                if (!change.isEmpty()) return change;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }

    ItemNode* item;
    bool filled;
    int16_t normalImage;
    int16_t selectedImage;
};

FolderNode* AsFolderNode(QTreeWidgetItem* node) {
    return node && node->type() == FOLDER_NODE_TYPE ? static_cast<FolderNode*>(node) : nullptr;
}

// The tree has no "selection changing" notification of its own: every
// change of the current node, by the user or by the program, passes through
// the selection model, which asks first and keeps the old selection on a
// refusal. The selection that the view would make for a refused node is
// dropped as well, so current node and selection stay one.
// Set while the tree receives the input focus.
bool focusArriving = false;

class VetoSelectionModel : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        // A tree without a selection stays without one when it gets the
        // focus (after a rebuild, a navigation is about to choose the node).
        if (focusArriving && !currentIndex().isValid()) return;
        if (index != currentIndex() && treeReady) {
            // The question runs a loop of its own, in which a scan may insert
            // or delete nodes: the node asked about is followed meanwhile.
            QPersistentModelIndex asked(index);
            if (OnTreeSelChanging()) {
                refused = asked;
                return;
            }
            if (index.isValid() && !asked.isValid()) return;
            refused = QPersistentModelIndex();
            QItemSelectionModel::setCurrentIndex(asked, command);
            return;
        }
        refused = QPersistentModelIndex();
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (refused.isValid() && index == refused) return;
        QItemSelectionModel::select(index, command);
    }

    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
        if (refused.isValid() && selection.contains(refused)) return;
        QItemSelectionModel::select(selection, command);
    }

private:
    QPersistentModelIndex refused;
};

// The tree pane itself: a drag of the pointer does not move the selection
// (each node passed would be a selection change of its own).
class FolderTreePane : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() != Qt::NoButton) return;
        QTreeWidget::mouseMoveEvent(event);
    }

    void focusInEvent(QFocusEvent* event) override {
        bool was = focusArriving;
        focusArriving = true;
        QTreeWidget::focusInEvent(event);
        focusArriving = was;
    }
};

// Set while the program itself expands or collapses a node.
bool expandingSilently = false;

// Refused expansions and collapses are undone at once, before anything is
// painted; the view offers no way to refuse them beforehand.
void OnNodeExpandedOrCollapsed(QTreeWidgetItem* node, bool expanded) {
    if (expandingSilently || !node) return;
    if (OnTreeItemExpanding(node, expanded))
        SetTreeNodeExpanded(node, !expanded);
    else if (expanded)
        FillTreeNode(node);
}

QTreeWidgetItem* MakeNode(ItemNode* item) { return new FolderNode(item); }

// The selected node, or the root node when none is selected; none when the
// tree is empty.
QTreeWidgetItem* CurrentTreeNode() {
    if (!treePane) return nullptr;
    if (QTreeWidgetItem* selected = treePane->currentItem()) return selected;
    return treePane->topLevelItem(0);
}

// Position under parent (none: the top level) at which a node named name
// keeps its siblings in name order.
int SortedPosition(QTreeWidgetItem* parent, const char16_t* name) {
    int low = 0;
    int high = parent ? parent->childCount() : treePane->topLevelItemCount();
    while (low < high) {
        int middle = (low + high) / 2;
        QTreeWidgetItem* sibling = parent ? parent->child(middle) : treePane->topLevelItem(middle);
        ItemNode* item = TreeNodeItem(sibling);
        if (item && CompareNames(item->name, name) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

}  // namespace

QTreeWidget* CreateTreePane(QWidget* parent) {
    QTreeWidget* tree = new FolderTreePane(parent);
    tree->setObjectName(QStringLiteral("treePane"));
    tree->setAccessibleName(StringText(STR_TREE_NAME));
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setRootIsDecorated(true);
    tree->setUniformRowHeights(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    // The tree's own current-item signal stays with the model it was made
    // with, so the changes are taken from the new model itself.
    VetoSelectionModel* selection = new VetoSelectionModel(tree->model(), tree);
    tree->setSelectionModel(selection);
    QObject::connect(selection, &QItemSelectionModel::currentChanged, tree,
                     [tree](const QModelIndex& now, const QModelIndex& old) {
                         OnTreeSelChanged(tree->itemFromIndex(now), tree->itemFromIndex(old));
                     });
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree,
                     [](QTreeWidgetItem* node) { OnNodeExpandedOrCollapsed(node, true); });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree,
                     [](QTreeWidgetItem* node) { OnNodeExpandedOrCollapsed(node, false); });
    return tree;
}

void InsertRootInTree(ItemNode* root) {
    if (!treePane || !root) return;
    QTreeWidgetItem* rootNode = InsertTreeItem(root, nullptr);
    for (uint32_t i = 0; i < root->childCount; ++i) {
        // Spare slots for scan files are no drives.
        if (!(root->children[i].flags & ITEM_REMOVED)) InsertTreeItem(&root->children[i], rootNode);
    }
    SetTreeNodeExpanded(rootNode, true);
}

QTreeWidgetItem* InsertTreeItem(ItemNode* item, QTreeWidgetItem* parent) {
    if (!treePane || !item) return nullptr;
    if (parent && !TreeNodeFilled(parent)) {
        FillTreeNode(parent);
        if (QTreeWidgetItem* shown = ShownTreeChild(parent, item)) return shown;
    }
    QTreeWidgetItem* node = MakeNode(item);
    int position = SortedPosition(parent, item->name);
    if (parent)
        parent->insertChild(position, node);
    else
        treePane->insertTopLevelItem(position, node);
    return node;
}

void InsertTreeChildren(QTreeWidgetItem* parent, ItemNode* const* items, const uint32_t* order, uint32_t count,
                        QTreeWidgetItem** nodes) {
    if (!treePane || !parent || count == 0) return;
    QList<QTreeWidgetItem*> made;
    made.reserve(count);
    for (uint32_t k = 0; k < count; ++k) {
        QTreeWidgetItem* node = MakeNode(items[order[k]]);
        nodes[order[k]] = node;
        made.append(node);
    }
    // A level's nodes usually go under a parent without children, or after
    // the nodes of the same level inserted by the call before.
    int existing = parent->childCount();
    ItemNode* last = existing ? TreeNodeItem(parent->child(existing - 1)) : nullptr;
    if (!last || CompareNames(last->name, items[order[0]]->name) <= 0) {
        parent->insertChildren(existing, made);
        return;
    }
    for (uint32_t k = 0; k < count; ++k)
        parent->insertChild(SortedPosition(parent, items[order[k]]->name), made[static_cast<qsizetype>(k)]);
}

void InsertSubfolderNodes(QTreeWidgetItem* parent, ItemNode* items, uint32_t count,
                          std::vector<ItemNode*>* subfolders, std::vector<QTreeWidgetItem*>* nodes) {
    subfolders->clear();
    nodes->clear();
    for (uint32_t i = 0; i < count; ++i) {
        if ((items[i].flags & ITEM_FOLDER) && !(items[i].flags & ITEM_REMOVED)) subfolders->push_back(&items[i]);
    }
    if (subfolders->empty()) return;
    std::vector<uint32_t> order(subfolders->size());
    for (uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::sort(order.begin(), order.end(), [subfolders](uint32_t a, uint32_t b) {
        return CompareNames((*subfolders)[a]->name, (*subfolders)[b]->name) < 0;
    });
    nodes->resize(subfolders->size());
    InsertTreeChildren(parent, subfolders->data(), order.data(), static_cast<uint32_t>(subfolders->size()),
                       nodes->data());
}

void SetTreeNodeItem(QTreeWidgetItem* node, ItemNode* item) {
    FolderNode* folder = AsFolderNode(node);
    if (!folder || !item) return;
    folder->item = item;
    NoteTreeNodeChildren(node);
}

void FillTreeNode(QTreeWidgetItem* node) {
    FolderNode* folder = AsFolderNode(node);
    // Entries a scan has not attached yet cannot be read.
    if (!treePane || !folder || folder->filled || !(folder->item->flags & ITEM_SCANNED)) return;
    folder->filled = true;
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    ItemNode* item = folder->item;
    std::vector<ItemNode*> subfolders;
    std::vector<QTreeWidgetItem*> nodes;
    if (node->childCount() == 0) {
        InsertSubfolderNodes(node, item->children, item->childCount, &subfolders, &nodes);
        return;
    }
    // Nodes made one by one before keep their place.
    std::unordered_set<const ItemNode*> shown;
    for (int i = 0; i < node->childCount(); ++i) shown.insert(TreeNodeItem(node->child(i)));
    for (uint32_t i = 0; i < item->childCount; ++i) {
        ItemNode* child = &item->children[i];
        if (!(child->flags & ITEM_FOLDER) || (child->flags & ITEM_REMOVED) || shown.count(child)) continue;
        node->insertChild(SortedPosition(node, child->name), MakeNode(child));
    }
}

bool TreeNodeFilled(const QTreeWidgetItem* node) {
    return node && node->type() == FOLDER_NODE_TYPE && static_cast<const FolderNode*>(node)->filled;
}

void NoteTreeNodeChildren(QTreeWidgetItem* node) {
    FolderNode* folder = AsFolderNode(node);
    if (!folder || folder->filled) return;
    node->setChildIndicatorPolicy(HoldsSubfolder(folder->item) ? QTreeWidgetItem::ShowIndicator
                                                               : QTreeWidgetItem::DontShowIndicator);
}

ItemNode* TreeNodeItem(const QTreeWidgetItem* node) {
    if (!node || node->type() != FOLDER_NODE_TYPE) return nullptr;
    return static_cast<const FolderNode*>(node)->item;
}

QTreeWidgetItem* FindTreeChild(QTreeWidgetItem* node, const ItemNode* item) {
    FillTreeNode(node);
    return ShownTreeChild(node, item);
}

QTreeWidgetItem* ShownTreeChild(const QTreeWidgetItem* node, const ItemNode* item) {
    if (!node || !item) return nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        if (TreeNodeItem(node->child(i)) == item) return node->child(i);
    }
    return nullptr;
}

void DeleteTreeChildren(QTreeWidgetItem* node) {
    if (!treePane || !node || node->childCount() == 0) return;
    TreeSilence silence;
    QTreeWidgetItem* current = treePane->currentItem();
    if (current && IsTreeNodeBelow(current, node)) treePane->setCurrentItem(node);
    OnTreeNodesDeleting(node);
    const QList<QTreeWidgetItem*> children = node->takeChildren();
    qDeleteAll(children);
}

void DeleteTreeNode(QTreeWidgetItem* node) {
    QTreeWidgetItem* parent = node ? node->parent() : nullptr;
    if (!parent) return;
    TreeSilence silence;
    QTreeWidgetItem* current = treePane ? treePane->currentItem() : nullptr;
    if (current && (current == node || IsTreeNodeBelow(current, node))) treePane->setCurrentItem(parent);
    if (pendingTreeItem && (pendingTreeItem == node || IsTreeNodeBelow(pendingTreeItem, node)))
        OnTreeNodesDeleting(parent);
    delete node;
}

bool SelectItemInTree(const ItemNode* item) {
    QTreeWidgetItem* node = FindTreeChild(CurrentTreeNode(), item);
    if (!node) return false;
    treePane->setCurrentItem(node);
    return treePane->currentItem() == node;
}

QTreeWidgetItem* TreeRootNode() { return treePane ? treePane->topLevelItem(0) : nullptr; }

bool IsTreeNodeBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    if (!node || !ancestor) return false;
    for (const QTreeWidgetItem* above = node->parent(); above; above = above->parent()) {
        if (above == ancestor) return true;
    }
    return false;
}

void SetTreeChildrenButton(QTreeWidgetItem* node, bool on) {
    if (!node) return;
    node->setChildIndicatorPolicy(on ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
}

void SetTreeNodeExpanded(QTreeWidgetItem* node, bool expanded) {
    if (!node) return;
    if (expanded) FillTreeNode(node);
    bool was = expandingSilently;
    expandingSilently = true;
    node->setExpanded(expanded);
    expandingSilently = was;
}

void SelectTreeNodeSilently(QTreeWidgetItem* node) {
    if (!treePane) return;
    TreeSilence silence;
    treePane->setCurrentItem(node);
}

ItemNode* CurrentFolderItem() { return TreeNodeItem(CurrentTreeNode()); }

void ClearTree() {
    if (!treePane) return;
    TreeSilence silence;
    treePane->clear();
}
