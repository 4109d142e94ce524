// Points the user's settings store at a temporary folder for the life of the
// object, so tests never read or write the real settings.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TemporarySettingsFolder {
public:
    TemporarySettingsFolder();

    // The file that holds the store of organisation and application.
    QString StoreFile(const QString& organisation = "Korvanta", const QString& application = "Volumetra") const;

    // Moves the stored files to a fresh folder, as a next run finds them: the
    // next read parses the file from disk instead of this process' cache.
    void Restart();

private:
    std::unique_ptr<QTemporaryDir> folder_;
};
