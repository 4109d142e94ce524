#include "shell/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>

QString HelpPagePath() {
    const QString beside = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        beside + QStringLiteral("/vmetra.htm"),
        beside + QStringLiteral("/docs/vmetra.htm"),
#ifdef VOLUMETRA_DOCS_DIR
        QStringLiteral(VOLUMETRA_DOCS_DIR "/vmetra.htm"),
#endif
    };
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
    return QString();
}

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
