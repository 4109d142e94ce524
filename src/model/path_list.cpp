#include "model/path_list.h"

#include <QChar>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/text.h"

namespace {

char16_t* AllocateText(size_t characters) {
    return static_cast<char16_t*>(std::calloc(characters, sizeof(char16_t)));
}

bool EndsWithSeparator(const char16_t* name, size_t length) {
    return length > 0 && name[length - 1] == u'\\';
}

// Appends a node holding text[0 .. length) after *last; false on no memory.
bool AppendNode(PathList** first, PathList** last, const char16_t* text, size_t length) {
    PathList* node = static_cast<PathList*>(std::calloc(1, sizeof(PathList) + (length + 1) * sizeof(char16_t)));
    if (!node) return false;
    node->name = reinterpret_cast<char16_t*>(node + 1);
    CopyText(node->name, text, length);
    if (*last)
        (*last)->next = node;
    else
        *first = node;
    *last = node;
    return true;
}

}  // namespace

PathList* NewPathNode(const char16_t* text) {
    PathList* first = nullptr;
    PathList* last = nullptr;
    AppendNode(&first, &last, text, TextLength(text));
    return first;
}

PathList* PathListFromNames(const std::vector<std::u16string>& names) {
    PathList* first = nullptr;
    PathList* last = nullptr;
    for (const std::u16string& name : names) {
        if (!AppendNode(&first, &last, name.c_str(), name.size())) {
            FreePathList(first);
            return nullptr;
        }
    }
    return first;
}

void FreePathList(PathList* list) {
    while (list) {
        PathList* next = list->next;
        std::free(list);
        list = next;
    }
}

PathList* ParsePathList(const char16_t* text) {
    PathList* first = nullptr;
    PathList* last = nullptr;
    const char16_t* position = text;
    if (*position == u'\\') {
        if (!AppendNode(&first, &last, u"\\", 1)) return nullptr;
        ++position;
    }
    for (;;) {
        const char16_t* end = position;
        while (*end && *end != u'\\') ++end;
        size_t length = end - position;
        bool lastComponent = *end == 0;
        bool ok;
        if (lastComponent && length == 1 && position[0] == u'/')
            ok = AppendNode(&first, &last, u"\\", 1);
        else
            ok = AppendNode(&first, &last, position, length);
        if (!ok) {
            FreePathList(first);
            return nullptr;
        }
        if (lastComponent) return first;
        position = end + 1;
    }
}

char16_t* PathListToText(const PathList* list) {
    size_t characters = 0;
    for (const PathList* node = list; node; node = node->next) characters += TextLength(node->name) + 1;
    char16_t* text = AllocateText(characters > 0 ? characters : 1);
    if (!text) return nullptr;
    char16_t* end = text;
    for (const PathList* node = list; node; node = node->next) {
        size_t length = TextLength(node->name);
        // A last component "\" after others is written "/", the form that
        // reads back as "\": written as "\" it would read as empty ones.
        bool driveLast = node != list && !node->next && length == 1 && node->name[0] == u'\\';
        CopyText(end, driveLast ? u"/" : node->name, length);
        end += length;
        if (node->next && !(end > text && end[-1] == u'\\')) *end++ = u'\\';
    }
    *end = 0;
    return text;
}

uint32_t ItemDepth(const ItemNode* item) {
    uint32_t depth = 0;
    for (; item && item->parent; item = item->parent) ++depth;
    return depth;
}

char16_t* ItemFolderPath(char16_t* buffer, uint32_t capacity, const ItemNode* item) {
    if (capacity == 0) return nullptr;
    buffer[0] = 0;
    if (!item->parent) return buffer;

    // The names from the drive down, gathered walking up.
    uint32_t depth = ItemDepth(item);
    const char16_t* nearNames[64];
    std::vector<const char16_t*> farNames;
    const char16_t** names = nearNames;
    if (depth > 64) {
        farNames.resize(depth);
        names = farNames.data();
    }
    uint32_t index = depth;
    for (const ItemNode* node = item; node->parent; node = node->parent) names[--index] = node->name;

    char16_t* limit = buffer + capacity;
    char16_t* position = buffer;
    for (uint32_t i = 0; i < depth; ++i) {
        size_t length = TextLength(names[i]);
        char16_t* end = position + length;
        if (!(end < limit)) break;  // this component and all later ones are left out
        CopyText(position, names[i], length);
        if (!EndsWithSeparator(names[i], length) && end + 1 < limit) {
            end[0] = u'\\';
            end[1] = 0;
            position = end + 1;
        } else {
            position = end;
        }
    }
    return position;
}

char16_t* ItemPath(char16_t* buffer, uint32_t capacity, const ItemNode* item) {
    size_t length = TextLength(item->name);
    if (capacity <= length) return nullptr;
    char16_t* end = ItemFolderPath(buffer, static_cast<uint32_t>(capacity - length), item->parent);
    if (!end) return nullptr;
    CopyText(end, item->name, length);
    return end + length;
}

uint32_t FolderPathLength(const ItemNode* item) {
    uint32_t length = 0;
    for (; item && item->parent; item = item->parent) {
        size_t nameLength = TextLength(item->name);
        length += static_cast<uint32_t>(nameLength) + (EndsWithSeparator(item->name, nameLength) ? 0 : 1);
    }
    return length;
}

uint32_t ItemPathLength(const ItemNode* item) {
    return FolderPathLength(item->parent) + static_cast<uint32_t>(TextLength(item->name));
}

char16_t FoldWideNameUnit(char16_t unit) { return QChar::toCaseFolded(unit); }

int CompareNames(const char16_t* a, const char16_t* b) {
    size_t i = 0;
    int exact = 0;
    for (;; ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (x == 0 || y == 0) {
            if (x != y) return x == 0 ? -1 : 1;
            return exact;
        }
        if (x == y) continue;
        char16_t foldedX = FoldNameUnit(x);
        char16_t foldedY = FoldNameUnit(y);
        if (foldedX != foldedY) return foldedX < foldedY ? -1 : 1;
        if (exact == 0) exact = x < y ? -1 : 1;
    }
}

ItemNode* FindChildByName(const ItemNode* item, const char16_t* text) {
    for (uint32_t i = 0; i < item->childCount; ++i) {
        if (CompareNames(item->children[i].name, text) == 0) return &item->children[i];
    }
    return nullptr;
}

uint32_t SplitNameList(const char16_t* text, char16_t** names) {
    if (names) *names = nullptr;
    if (*text == 0) return 0;
    size_t length = TextLength(text);
    uint32_t count = 1;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == u',') ++count;
    }
    if (!names) return count;
    char16_t* block = AllocateText(length + 1);
    if (!block) return 0;
    for (size_t i = 0; i < length; ++i) block[i] = text[i] == u',' ? 0 : text[i];
    *names = block;
    return count;
}

char16_t* JoinNameList(const char16_t* names, uint32_t count) {
    // A name holding the separator would come back as other names.
    auto joinable = [](const char16_t* name, size_t length) {
        return std::find(name, name + length, u',') == name + length;
    };
    size_t characters = 0;
    const char16_t* name = names;
    for (uint32_t i = 0; i < count; ++i) {
        size_t length = TextLength(name);
        if (joinable(name, length)) characters += length + 1;
        name += length + 1;
    }
    char16_t* text = AllocateText(characters > 0 ? characters : 1);
    if (!text) return nullptr;
    char16_t* end = text;
    bool first = true;
    name = names;
    for (uint32_t i = 0; i < count; ++i) {
        size_t length = TextLength(name);
        if (joinable(name, length)) {
            if (!first) *end++ = u',';
            first = false;
            CopyText(end, name, length);
            end += length;
        }
        name += length + 1;
    }
    return text;
}
