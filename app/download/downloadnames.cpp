#include "downloadnames.h"

#include "qttextparse.h"

#include <QDateTime>
#include <QFileInfo>

QString downloadFileName(const QString &title, const QString &videoId, const QString &extension,
                         const QDateTime &now)
{
    QString name = title;
    if (name.isEmpty())
        name = now.toString(Qt::TextDate) + QLatin1Char('_') + videoId;
    QT_EXT::QtTextParse::toFileName(name);
    for (const char removed : {'@', ','})
        name.remove(QLatin1Char(removed));
    return name + extension;
}

QString numberedPath(const QString &path)
{
    // The extension is what follows the last dot of the file name, so the number keeps it last
    // and the file still opens with its program.
    int separator = path.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    separator = qMax(separator, path.lastIndexOf(QLatin1Char('\\')));
#endif
    int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= separator)
        dot = -1;
    const QString base = dot < 0 ? path : path.left(dot);
    const QString extension = dot < 0 ? QString() : path.mid(dot);

    QString candidate = path;
    for (int counter = 1; QFileInfo::exists(candidate) && counter < 10; ++counter)
        candidate = base + QLatin1Char('_') + QString::number(counter) + extension;
    return candidate;
}

QString partialPath(const QString &path)
{
    return path + QStringLiteral(".part");
}
