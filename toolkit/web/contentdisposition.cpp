#include "contentdisposition.h"

#include "weblogging.h"

#include <QDebug>
#include <QStringList>

namespace QT_EXT {

bool attachmentFileName(const QByteArray &disposition, QString &fileName)
{
    fileName.clear();
    QString value = QString::fromLatin1(disposition);
    value.remove(QLatin1Char(' '));
    if (!value.startsWith(QLatin1String("attachment")))
        return false;
    const QStringList parts = value.split(QLatin1Char(';'));
    for (int i = 1; i < parts.size(); ++i) {
        qCDebug(lcPage).noquote() << parts.at(i);
        if (parts.at(i).startsWith(QLatin1String("filename"))) {
            fileName = parts.at(i).mid(9);
            fileName.remove(QLatin1Char('"'));
            break;
        }
    }
    const int lastSeparator =
        qMax(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    if (lastSeparator >= 0)
        fileName = fileName.mid(lastSeparator + 1);
    if (fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        fileName.clear();
    return true;
}

} // namespace QT_EXT
