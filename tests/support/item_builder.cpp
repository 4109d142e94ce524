#include "support/item_builder.h"

#include <cstdlib>

#include "model/item_tree.h"
#include "model/text.h"

ItemNode* NewBuiltPlace(const std::u16string& name) {
    ItemNode* place = AllocateItemBlock(1, name.size() + 1);
    char16_t* tail = NameTail(place, 1);
    CopyText(tail, name.c_str(), name.size());
    place->name = tail;
    place->flags = ITEM_FOLDER | ITEM_SCANNED;
    return place;
}

void FreeBuiltPlace(ItemNode* place) { FreeItemArray(place, 1); }

ItemNode* AddBuiltChildren(ItemNode* folder, const std::vector<ChildSpec>& specs) {
    size_t chars = 0;
    for (const ChildSpec& spec : specs) chars += spec.name.size() + 1;
    ItemNode* block = AllocateItemBlock(specs.size(), chars);
    char16_t* tail = NameTail(block, specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
        ItemNode& item = block[i];
        item.parent = folder;
        item.flags = specs[i].flags;
        item.ownSize = specs[i].size;
        item.diskSize = specs[i].size;
        item.name = tail;
        tail = CopyText(tail, specs[i].name.c_str(), specs[i].name.size());
    }
    folder->children = block;
    folder->childCount = static_cast<uint32_t>(specs.size());
    return block;
}
