#include "scan/history.h"

#include <cstdlib>
#include <cstring>

#include "deletion/marks.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/app_flags.h"
#include "platform/command_actions.h"
#include "platform/owner_window.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "views/contents_list.h"

HistoryRing* historyRing = nullptr;

namespace {

int32_t Wrap(int32_t index) { return ((index % HISTORY_SLOTS) + HISTORY_SLOTS) % HISTORY_SLOTS; }

// A copy of byteLength bytes, always ending in a NUL; none on no memory.
char16_t* CopyBytes(const void* text, uint32_t byteLength) {
    char16_t* copy = static_cast<char16_t*>(std::calloc(1, byteLength + sizeof(char16_t)));
    if (copy && byteLength) std::memcpy(copy, text, byteLength);
    return copy;
}

bool Store(const void* text, uint32_t byteLength) {
    char16_t* copy = CopyBytes(text, byteLength);
    if (!copy) return false;
    std::free(historyRing->texts[historyRing->current]);
    historyRing->texts[historyRing->current] = copy;
    return true;
}

bool Push(const void* text, uint32_t byteLength) {
    if (!Store(text, byteLength)) return false;
    HistoryRing& ring = *historyRing;
    ring.current = Wrap(ring.current + 1);
    ring.newest = ring.current;
    if (ring.newest == ring.oldest) {
        std::free(ring.texts[ring.oldest]);
        ring.texts[ring.oldest] = nullptr;
        ring.oldest = Wrap(ring.oldest + 1);
    }
    return true;
}

bool Step(int32_t direction, void* pointer) {
    HistoryRing& ring = *historyRing;
    if ((direction < 0 ? ring.oldest : ring.newest) == ring.current) return false;
    ring.current = Wrap(ring.current + direction);
    if (pointer) *static_cast<const char16_t**>(pointer) = ring.texts[ring.current];
    return true;
}

}  // namespace

bool History(int op, void* pointer, uint32_t byteLength) {
    if (op == HISTORY_CREATE) {
        History(HISTORY_DESTROY, nullptr, 0);
        historyRing = static_cast<HistoryRing*>(std::calloc(1, sizeof(HistoryRing)));
        return historyRing != nullptr;
    }
    if (!historyRing) return false;
    switch (op) {
    case HISTORY_DESTROY:
        for (char16_t*& slot : historyRing->texts) std::free(slot);
        std::free(historyRing);
        historyRing = nullptr;
        return true;
    case HISTORY_STORE: return Store(pointer, byteLength);
    case HISTORY_PUSH: return Push(pointer, byteLength);
    case HISTORY_BACK: return Step(-1, pointer);
    case HISTORY_FORWARD: return Step(1, pointer);
    case HISTORY_CAN_BACK: return historyRing->oldest != historyRing->current;
    case HISTORY_CAN_FORWARD: return historyRing->newest != historyRing->current;
    default: return false;
    }
}

void RecordPlace(ItemNode* item, int op) {
    if (appFlags & APP_HISTORY_NAV) return;
    char16_t buffer[PATH_CHARS];
    const char16_t* text = nullptr;
    // The focused entry counts only when the list shows item: right after
    // a quick run of selections it may still show an earlier place.
    ListRow* row = item && listedPlace == item ? FocusedListRow() : nullptr;
    if (row) {
        ItemNode* entry = row->item;
        if (!entry) return;
        if (entry->flags & ITEM_DRIVE) {
            // "/" stands for "\" as the last component of a place.
            text = CompareNames(entry->name, u"\\") == 0 ? u"/" : entry->name;
        } else {
            if (!ItemPath(buffer, PATH_CHARS, entry)) return;
            text = buffer;
        }
    } else {
        if (!item) return;
        if (!ItemFolderPath(buffer, PATH_CHARS, item)) return;
        text = buffer;
    }
    uint32_t bytes = static_cast<uint32_t>((TextLength(text) + 1) * sizeof(char16_t));
    History(op, const_cast<char16_t*>(text), bytes);
}

void EnableHistoryAfterPush() {
    EnableCommand(CMD_GO_BACKWARD, History(HISTORY_CAN_BACK, nullptr, 0));
    EnableCommand(CMD_GO_FORWARD, false);
}

void OnHistoryCommand(int commandId) {
    if (commandId != CMD_GO_BACKWARD && commandId != CMD_GO_FORWARD) return;
    // The commands are off while a scan runs; a stray one changes nothing.
    if (scanState != SCAN_IDLE) return;
    if (!ConfirmLeavePlace(OwnerWindow())) return;
    // The question runs a loop of its own, in which a choice made just
    // before may have come due and started a scan.
    if (scanState != SCAN_IDLE) return;
    RecordPlace(CurrentFolderItem(), HISTORY_STORE);
    const char16_t* text = nullptr;
    if (!History(commandId == CMD_GO_BACKWARD ? HISTORY_BACK : HISTORY_FORWARD, &text, 0) || !text) return;
    PathList* place = ParsePathList(text);
    if (!place) return;
    NavigateHistory(place, commandId);
}

void NavigateHistory(PathList* place, int commandId) {
    ClearList();
    appFlags |= APP_HISTORY_NAV;
    NavigateTo(place);
    appFlags &= ~APP_HISTORY_NAV;
    // A navigation that had to scan a drive sets both when the scan ends.
    if (scanState != SCAN_IDLE) return;
    bool back = commandId == CMD_GO_BACKWARD;
    EnableCommand(CMD_GO_FORWARD, back || History(HISTORY_CAN_FORWARD, nullptr, 0));
    EnableCommand(CMD_GO_BACKWARD, !back || History(HISTORY_CAN_BACK, nullptr, 0));
}
