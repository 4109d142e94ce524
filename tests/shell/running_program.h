// A started program for widget tests: a temporary settings store, a small
// in-memory device (the object store and one card), the platform kind
// chosen by VOLUMETRA_PLATFORM, and the main window as start-up makes it.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/memory_device.h"
#include "platform/storage_device.h"
#include "shell/main_window.h"
#include "shell/settings_store.h"
#include "shell/startup.h"
#include "support/settings_folder.h"

// Stored bytes of one settings value; empty when it is missing.
inline std::vector<uint8_t> StoredValue(const char16_t* name) {
    uint32_t size = 0;
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, nullptr, &size) != 0) return {};
    std::vector<uint8_t> bytes(size);
    if (RegReadValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes.data(), &size) != 0) return {};
    return bytes;
}

inline void StoreValue(const char16_t* name, const std::vector<uint8_t>& bytes, uint32_t type = REG_TYPE_BINARY) {
    RegWriteValue(REG_CURRENT_USER, SETTINGS_KEY_PATH, name, bytes.data(), static_cast<uint32_t>(bytes.size()), type);
}

class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override {
        device.AddFolder(u"\\Windows");
        device.AddFile(u"\\Windows\\a.txt", 1000);
        device.SetStoreSpace(64 << 20, 16 << 20);
        device.AddCard(u"Storage Card", 128 << 20, 100 << 20);
        SetDevice(&device);
        UsePlatform("HPC");
        // The single instance's socket lives in the temporary folder: test
        // programs running side by side must not find each other.
        previousTemp = qEnvironmentVariable("TMPDIR");
        qputenv("TMPDIR", sockets.path().toLocal8Bit());
    }

    void TearDown() override {
        Stop();
        SetDevice(nullptr);
        unsetenv("VOLUMETRA_PLATFORM");
        qputenv("TMPDIR", previousTemp.toLocal8Bit());
    }

    static void UsePlatform(const char* text) { setenv("VOLUMETRA_PLATFORM", text, 1); }

    // Starts the program and gives its window a known size.
    void Start(int width = 640, int height = 480) {
        ASSERT_TRUE(StartUp());
        ASSERT_NE(mainWindow, nullptr);
        mainWindow->resize(width, height);
        QCoreApplication::processEvents();
    }

    // Closes the window the way the user does and lets it be destroyed; a
    // window whose scan is still running closes once the scan has stopped.
    void Stop() {
        if (!mainWindow) return;
        mainWindow->close();
        Flush();
        QElapsedTimer waited;
        waited.start();
        while (mainWindow && waited.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
            Flush();
        }
        ReleaseAfterLoop();
    }

    // Shows window and makes it the active one, as a click on it would.
    static void ActivateWindow(QWidget* window) {
        window->show();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        QCoreApplication::processEvents();
    }

    // Gives pane the keyboard focus in the active main window and lets the
    // program note the focus change.
    static void FocusPane(QWidget* pane) {
        ActivateWindow(mainWindow);
        pane->setFocus(Qt::OtherFocusReason);
        QCoreApplication::processEvents();
    }

    // Runs what was posted, deferred deletions included.
    static void Flush() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir sockets;
    QString previousTemp;
    TemporarySettingsFolder settings;
    MemoryDevice device;
};
