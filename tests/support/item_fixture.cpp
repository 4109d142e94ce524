#include "support/item_fixture.h"

#include "model/item_tree.h"

DeviceScope::DeviceScope() { SetDevice(&device); }

DeviceScope::~DeviceScope() {
    FreeItemTree();
    SetDevice(nullptr);
}

std::vector<std::u16string> NamesOf(const ItemNode* items, uint32_t count) {
    std::vector<std::u16string> names;
    for (uint32_t i = 0; i < count; ++i) names.emplace_back(items[i].name);
    return names;
}

ItemNode* DriveAt(ItemNode* root, uint32_t index) {
    for (uint32_t i = 0; i < root->childCount; ++i) {
        if (root->children[i].flags & ITEM_REMOVED) continue;
        if (index-- == 0) return &root->children[i];
    }
    return nullptr;
}

std::vector<std::u16string> DriveNames(const ItemNode* root) {
    std::vector<std::u16string> names;
    for (uint32_t i = 0; i < root->childCount; ++i) {
        if (!(root->children[i].flags & ITEM_REMOVED)) names.emplace_back(root->children[i].name);
    }
    return names;
}
