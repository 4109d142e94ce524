#include "shell/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

QString HelpPagePathFrom(const QString& programFolder) {
    // Only places relative to the program: an installed program never
    // depends on the tree it was built from.
    const QString candidates[] = {
        programFolder + QStringLiteral("/vmetra.htm"),
        programFolder + QStringLiteral("/docs/vmetra.htm"),
        programFolder + QStringLiteral("/../share/volumetra/vmetra.htm"),
    };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile()) return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return QString();
}

QString HelpPagePath() { return HelpPagePathFrom(QCoreApplication::applicationDirPath()); }

QUrl HelpUrl() {
    QString path = HelpPagePath();
    if (path.isEmpty()) return QUrl();
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QStringLiteral("Main_Contents"));
    return url;
}

void StartHelp() {
    QUrl url = HelpUrl();
    if (url.isValid()) QDesktopServices::openUrl(url);
}
