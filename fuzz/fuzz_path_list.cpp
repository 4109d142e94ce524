// Place texts: whatever text is read as a place, its written form reads back
// as a place that is written the same way, so a place saved and restored
// any number of times stays the same.
#include <string>

#include "fuzz_check.h"
#include "model/path_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = FuzzText(data, size);
    PathList* list = ParsePathList(text.c_str());
    FuzzCheck(list != nullptr, "a text always reads as a place");
    const std::u16string first = TakeText(PathListToText(list), "a place always has a text");
    FreePathList(list);

    PathList* again = ParsePathList(first.c_str());
    FuzzCheck(again != nullptr, "a written place reads back");
    const std::u16string second = TakeText(PathListToText(again), "a place read back has a text");
    FreePathList(again);
    FuzzCheck(second == first, "a written place reads back as the same place");
    return 0;
}
