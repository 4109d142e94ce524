#include "views/link_type.h"

#include <deque>
#include <string>
#include <vector>

#include "model/display_name.h"
#include "model/path_list.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

namespace {

// The texts handed out since the last fill; a deque never moves them.
std::deque<std::u16string> linkTexts;

}  // namespace

const char16_t* LinkTypeText(const ItemNode* item) {
    if (!item || !(item->flags & ITEM_LINK)) return nullptr;
    char16_t path[PATH_CHARS];
    std::vector<char16_t> target;
    QString text;
    if (ItemPathLength(item) < PATH_CHARS && ItemPath(path, PATH_CHARS, item) && Device()->ReadLinkTarget(path, &target)) {
        target.push_back(0);
        text = StringText(STR_LINK_TO).arg(DisplayName(target.data()));
    } else {
        text = StringText(STR_LINK);
    }
    linkTexts.emplace_back(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
    return linkTexts.back().c_str();
}

void ForgetLinkTypeTexts() { linkTexts.clear(); }
