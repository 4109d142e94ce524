#include "platform/memory_device.h"

#include <gtest/gtest.h>
#include <thread>

// The in-memory device refuses what the platform refuses, so deletion tests
// can rely on it.
TEST(MemoryDevice, DeletionRulesAndInjectedFailures) {
    MemoryDevice device;
    device.AddFile(u"\\a\\plain.txt", 1);
    device.AddFile(u"\\a\\ro.txt", 1, FILE_ATTR_READONLY);
    device.AddFile(u"\\a\\refused.txt", 1);
    device.RefuseDelete(u"\\a\\refused.txt");
    device.AddFile(u"\\a\\gone.txt", 1);
    device.Vanish(u"\\a\\gone.txt");
    device.AddCard(u"Card", 10, 5);

    struct Case {
        const char16_t* path;
        bool folder;
        bool deleted;
        uint32_t error;
    } cases[] = {
        {u"\\a\\plain.txt", false, true, DEVICE_OK},
        {u"\\a\\plain.txt", false, false, DEVICE_FILE_NOT_FOUND},
        {u"\\a\\ro.txt", false, false, DEVICE_ACCESS_DENIED},
        {u"\\a\\refused.txt", false, false, DEVICE_ACCESS_DENIED},
        {u"\\a\\gone.txt", false, false, DEVICE_FILE_NOT_FOUND},
        {u"\\a", true, false, DEVICE_DIR_NOT_EMPTY},
        {u"\\a", false, false, DEVICE_ACCESS_DENIED},
        {u"Card", true, false, DEVICE_ACCESS_DENIED},
        {u"\\b\\c", true, false, DEVICE_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        bool done = c.folder ? device.RemoveDirectory(c.path) : device.DeleteFile(c.path);
        EXPECT_EQ(done, c.deleted) << std::u16string(c.path).size();
        if (!done) {
            EXPECT_EQ(device.LastError(), c.error);
        }
    }
    // Clearing read-only lets the file go, as the expunge does it.
    EXPECT_TRUE(device.SetAttributes(u"\\a\\ro.txt", 0));
    EXPECT_TRUE(device.DeleteFile(u"\\a\\ro.txt"));
    EXPECT_FALSE(device.Exists(u"\\a\\ro.txt"));
    EXPECT_TRUE(device.Exists(u"\\a\\refused.txt"));
}

TEST(MemoryDevice, CardsHaveTheirOwnVolume) {
    MemoryDevice device;
    device.SetStoreSpace(100, 40);
    device.AddCard(u"Storage Card", 2000, 500);
    device.AddFolder(u"\\Windows");
    uint64_t totalBytes = 0, freeBytes = 0;
    ASSERT_TRUE(device.VolumeSpace(u"Storage Card\\photos", &totalBytes, &freeBytes));
    EXPECT_EQ(totalBytes, 2000u);
    EXPECT_EQ(freeBytes, 500u);
    ASSERT_TRUE(device.VolumeSpace(u"\\Windows", &totalBytes, &freeBytes));
    EXPECT_EQ(totalBytes, 100u);
    FolderListing listing;
    ASSERT_TRUE(device.ReadFolder(u"\\", &listing));
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0].attributes, FILE_ATTR_DIRECTORY | FILE_ATTR_VOLUME);
}

TEST(MemoryDevice, LastErrorBelongsToTheCallingThread) {
    MemoryDevice device;
    device.AddFolder(u"\\a");
    device.DenyAccess(u"\\a");
    FolderListing listing;
    EXPECT_FALSE(device.ReadFolder(u"\\a", &listing));
    uint32_t workerError = DEVICE_OK;
    std::thread worker([&] {
        FolderListing other;
        device.ReadFolder(u"\\missing", &other);
        workerError = device.LastError();
    });
    worker.join();
    EXPECT_EQ(workerError, DEVICE_PATH_NOT_FOUND);
    EXPECT_EQ(device.LastError(), DEVICE_ACCESS_DENIED);
}
