#include "installedlayout.h"

#include <QDir>
#include <QFileInfo>

#ifndef MVP_DATA_FROM_BIN
#define MVP_DATA_FROM_BIN "../share/minivideoplayersv"
#endif
static_assert(sizeof(MVP_DATA_FROM_BIN) > 1, "the installed data folder needs a relative path");

QString installedDataFolder(const QString &programFolder)
{
    if (programFolder.isEmpty())
        return QString();
    const QFileInfo data(QDir(programFolder).filePath(QStringLiteral(MVP_DATA_FROM_BIN)));
    return data.isDir() ? QDir::cleanPath(data.absoluteFilePath()) : QString();
}
