#include "scan/folder_tree.h"

#include <QString>
#include <QTreeWidget>

#include "views/image_list.h"

QTreeWidget* treePane = nullptr;

namespace {

QTreeWidgetItem* MakeNode(ItemNode* item) {
    QTreeWidgetItem* node = new QTreeWidgetItem();
    node->setText(0, QString::fromUtf16(item->name));
    node->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
    node->setIcon(0, SmallImage(TreeImagesOf(item)));
    if (HasChildrenButton(item)) node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return node;
}

}  // namespace

QTreeWidget* CreateTreePane(QWidget* parent) {
    QTreeWidget* tree = new QTreeWidget(parent);
    tree->setObjectName(QStringLiteral("treePane"));
    tree->setAccessibleName(QStringLiteral("Tree View Control"));
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    tree->setRootIsDecorated(true);
    tree->setUniformRowHeights(true);
    return tree;
}

void InsertRootInTree(ItemNode* root) {
    if (!treePane || !root) return;
    QTreeWidgetItem* rootNode = MakeNode(root);
    for (uint32_t i = 0; i < root->childCount; ++i) rootNode->addChild(MakeNode(&root->children[i]));
    treePane->addTopLevelItem(rootNode);
    rootNode->setExpanded(true);
}

ItemNode* TreeNodeItem(const QTreeWidgetItem* node) {
    if (!node) return nullptr;
    return reinterpret_cast<ItemNode*>(node->data(0, Qt::UserRole).value<quintptr>());
}

QTreeWidgetItem* FindTreeChild(const QTreeWidgetItem* node, const ItemNode* item) {
    if (!node) return nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        if (TreeNodeItem(node->child(i)) == item) return node->child(i);
    }
    return nullptr;
}

void SetTreeChildrenButton(QTreeWidgetItem* node, bool on) {
    if (!node) return;
    node->setChildIndicatorPolicy(on ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
}

QTreeWidgetItem* CurrentTreeNode() {
    if (!treePane) return nullptr;
    if (QTreeWidgetItem* selected = treePane->currentItem()) return selected;
    return treePane->topLevelItem(0);
}

ItemNode* CurrentFolderItem() { return TreeNodeItem(CurrentTreeNode()); }

void ClearTree() {
    if (treePane) treePane->clear();
}
