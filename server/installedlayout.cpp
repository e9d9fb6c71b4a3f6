#include "installedlayout.h"

#include <QDir>
#include <QFileInfo>

QString programFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

DataFolders defaultDataFolders(const QString &programFolder)
{
    static_assert(sizeof(MVP_DATA_FROM_BIN) > 1, "the installed data folder needs a relative path");
    if (!programFolder.isEmpty()) {
        const QFileInfo installed(QDir(programFolder).filePath(QStringLiteral(MVP_DATA_FROM_BIN)));
        if (installed.isDir()) {
            const QDir share(QDir::cleanPath(installed.absoluteFilePath()));
            return {share.filePath(QStringLiteral("web")), share.filePath(QStringLiteral("data")),
                    share.filePath(QStringLiteral("media"))};
        }
    }
    return {QStringLiteral(SITE_SERVER_WEB_DIR), QStringLiteral(SITE_SERVER_DATA_DIR),
            QStringLiteral(SITE_SERVER_MEDIA_DIR)};
}
