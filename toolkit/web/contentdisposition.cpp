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
    fileName = safeFileName(fileName);
    return true;
}

QString safeFileName(const QString &suggested)
{
    const auto lastSeparator =
        qMax(suggested.lastIndexOf(QLatin1Char('/')), suggested.lastIndexOf(QLatin1Char('\\')));
    const QString name = lastSeparator >= 0 ? suggested.mid(lastSeparator + 1) : suggested;
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

} // namespace QT_EXT
