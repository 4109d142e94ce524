// Flagged name lists: a stored text splits into names that join back to that
// text; names joined and split again are those without "," (a name holding
// the separator is left out on purpose), except that one empty name writes
// the empty text, which holds no names.
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "model/path_list.h"

namespace {

std::vector<std::u16string> Unpack(const char16_t* packed, uint32_t count) {
    std::vector<std::u16string> names;
    for (uint32_t i = 0; i < count; ++i) {
        names.emplace_back(packed);
        packed += names.back().size() + 1;
    }
    return names;
}

std::u16string Join(const char16_t* packed, uint32_t count) {
    return TakeText(JoinNameList(packed, count), "names always join");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as a stored text.
    const std::u16string text = FuzzText(data, size);
    char16_t* packed = nullptr;
    const uint32_t count = SplitNameList(text.c_str(), &packed);
    FuzzCheck(count == SplitNameList(text.c_str(), nullptr), "counting agrees with splitting");
    FuzzCheck(Join(packed, count) == text, "a stored text splits and joins back to itself");
    std::free(packed);

    // The input as packed names, NUL-separated, as the marks keep them.
    std::u16string names;
    for (size_t i = 0; i + 1 < size; i += 2) names.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    uint32_t nameCount = 1;
    for (char16_t unit : names) nameCount += unit == 0;
    std::vector<std::u16string> kept;
    for (const std::u16string& name : Unpack(names.c_str(), nameCount)) {
        if (name.find(u',') == std::u16string::npos) kept.push_back(name);
    }
    if (kept.size() == 1 && kept[0].empty()) kept.clear();
    const std::u16string joined = Join(names.c_str(), nameCount);
    char16_t* split = nullptr;
    const uint32_t splitCount = SplitNameList(joined.c_str(), &split);
    FuzzCheck(Unpack(split, splitCount) == kept, "joined names split into the names without a separator");
    std::free(split);
    return 0;
}
