#include "views/column_layout.h"

#include <algorithm>
#include <iterator>

#include "platform/settings_blob.h"

void SetDefaultColumnLayout(SettingsBlob* blob) {
    // Storage, Size, Usage, Usage (%), Free Space.
    constexpr int32_t driveWidths[5] = {110, 80, 80, 50, 80};
    // Name, Size, Possession, Type, Modified.
    constexpr int32_t contentsWidths[5] = {160, 80, 50, 80, 84};
    constexpr int32_t identityOrder[5] = {0, 1, 2, 3, 4};
    std::copy(std::begin(driveWidths), std::end(driveWidths), blob->driveColumnWidths);
    std::copy(std::begin(identityOrder), std::end(identityOrder), blob->driveColumnOrder);
    std::copy(std::begin(contentsWidths), std::end(contentsWidths), blob->contentsColumnWidths);
    std::copy(std::begin(identityOrder), std::end(identityOrder), blob->contentsColumnOrder);
}
