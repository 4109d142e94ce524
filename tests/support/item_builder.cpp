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

ItemNode* AddBuiltChildren(ItemNode* folder, const std::vector<ChildShape>& shapes) {
    size_t chars = 0;
    for (const ChildShape& shape : shapes) chars += shape.name.size() + 1;
    ItemNode* block = AllocateItemBlock(shapes.size(), chars);
    char16_t* tail = NameTail(block, shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i) {
        ItemNode& item = block[i];
        item.parent = folder;
        item.flags = shapes[i].flags;
        item.ownSize = shapes[i].size;
        item.diskSize = shapes[i].size;
        item.name = tail;
        tail = CopyText(tail, shapes[i].name.c_str(), shapes[i].name.size());
    }
    folder->children = block;
    folder->childCount = static_cast<uint32_t>(shapes.size());
    return block;
}
