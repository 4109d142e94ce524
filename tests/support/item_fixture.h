// Helpers for tests that build item trees on a MemoryDevice.
#pragma once

#include <string>
#include <vector>

#include "model/item_node.h"
#include "platform/memory_device.h"

// Installs a MemoryDevice as the program's device for the life of the fixture
// and frees whatever item tree a test left behind.
class DeviceScope {
public:
    DeviceScope();
    ~DeviceScope();
    MemoryDevice device;
};

// The names of an array in record order.
std::vector<std::u16string> NamesOf(const ItemNode* items, uint32_t count);

// The drive at index among the root's drives, the spare slots for scan files
// passed over; and the names of all of them in record order.
ItemNode* DriveAt(ItemNode* root, uint32_t index);
std::vector<std::u16string> DriveNames(const ItemNode* root);

