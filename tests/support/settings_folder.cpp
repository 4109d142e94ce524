#include "support/settings_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdlib>

namespace {

std::unique_ptr<QTemporaryDir> UseNewFolder() {
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid()) std::abort();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder->path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder->path() + "/system");
    return folder;
}

}  // namespace

TemporarySettingsFolder::TemporarySettingsFolder() : folder_(UseNewFolder()) {}

QString TemporarySettingsFolder::StoreFile(const QString& organisation, const QString& application) const {
    return folder_->path() + "/" + organisation + "/" + application + ".conf";
}

void TemporarySettingsFolder::Restart() {
    auto next = UseNewFolder();
    QDir from(folder_->path());
    QDirIterator files(folder_->path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString copy = next->path() + "/" + from.relativeFilePath(file);
        QDir().mkpath(QFileInfo(copy).path());
        QFile::copy(file, copy);
    }
    folder_ = std::move(next);
}
