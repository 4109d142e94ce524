// Item trees built in memory as a scan leaves them, for the benchmarks of
// what reads a big tree: folders of files with log-normal sizes and names
// of 24 kinds of extension.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/text.h"

inline const char16_t* const EXTENSIONS[] = {u".jpg", u".png", u".mp4", u".mkv", u".mp3", u".ogg", u".tar.gz", u".zip",
                                      u".deb", u".pdf", u".odt", u".txt",    u".cpp", u".h",   u".py",  u".json",
                                      u".so",  u".o",   u".iso", u".svg",  u".html", u".md", u".log", u".dat"};

inline std::mt19937_64 random64(20241211);

inline uint64_t FileSize() {
    static std::lognormal_distribution<double> sizes(9.0, 2.5);
    return static_cast<uint64_t>(std::min(sizes(random64), 4e10)) + 1;
}

// Gives folder files files and folders subfolders (named f<i><ext> and d<i>),
// one block; returns the first subfolder.
inline ItemNode* Fill(ItemNode* folder, uint32_t files, uint32_t folders) {
    const uint32_t count = files + folders;
    std::vector<std::u16string> names(count);
    size_t chars = 0;
    for (uint32_t i = 0; i < count; ++i) {
        std::string number = std::to_string(i);
        std::u16string name = i < folders ? u"d" : u"f";
        name.append(number.begin(), number.end());
        if (i >= folders) name += EXTENSIONS[random64() % std::size(EXTENSIONS)];
        names[i] = name;
        chars += name.size() + 1;
    }
    ItemNode* block = AllocateItemBlock(count, chars);
    char16_t* tail = NameTail(block, count);
    for (uint32_t i = 0; i < count; ++i) {
        ItemNode& item = block[i];
        item.parent = folder;
        item.name = tail;
        tail = CopyText(tail, names[i].c_str(), names[i].size());
        if (i < folders) {
            item.flags = ITEM_FOLDER | ITEM_SCANNED;
            item.diskSize = item.ownSize = 4096;
        } else {
            item.diskSize = item.ownSize = FileSize();
        }
    }
    folder->children = block;
    folder->childCount = count;
    return block;
}

inline ItemNode* NewPlace() {
    ItemNode* place = AllocateItemBlock(1, 6);
    CopyText(NameTail(place, 1), u"place", 5);
    place->name = NameTail(place, 1);
    place->flags = ITEM_FOLDER | ITEM_SCANNED;
    return place;
}

// 420,000 entries in 20,000 folders: 20 folders, each with 20 files and 999
// folders of 20 files.
inline ItemNode* BuildMixed() {
    ItemNode* place = NewPlace();
    ItemNode* top = Fill(place, 0, 20);
    for (int a = 0; a < 20; ++a) {
        ItemNode* subs = Fill(&top[a], 20, 999);
        for (int b = 0; b < 999; ++b) Fill(&subs[b], 20, 0);
    }
    ComputeTotals(place);
    return place;
}

inline uint64_t CountEntries(const ItemNode* folder, uint64_t* folders) {
    uint64_t entries = 0;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ++entries;
        if (folder->children[i].flags & ITEM_FOLDER) {
            ++*folders;
            entries += CountEntries(&folder->children[i], folders);
        }
    }
    return entries;
}

