#include "contentdisposition.h"

#include "weblogging.h"

#include <QDebug>
#include <QStringDecoder>
#include <QStringList>

namespace QT_EXT {

namespace {

bool isAttrChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           QStringView(u"!#$&+-.^_`|~").contains(c);
}

int hexValue(QChar c)
{
    const char latin = c.toLatin1();
    if (latin >= '0' && latin <= '9')
        return latin - '0';
    if (latin >= 'a' && latin <= 'f')
        return latin - 'a' + 10;
    if (latin >= 'A' && latin <= 'F')
        return latin - 'A' + 10;
    return -1;
}

// The value of a filename* parameter: charset'language'bytes, the bytes percent-encoded where
// they are not plain characters, in UTF-8 or ISO-8859-1. Anything else gives no name rather than
// a guess: the plain rule would keep "=UTF-8''" as part of the name.
QString decodedExtendedValue(const QString &value)
{
    const int firstQuote = value.indexOf(QLatin1Char('\''));
    const int secondQuote = value.indexOf(QLatin1Char('\''), firstQuote + 1);
    if (firstQuote < 0 || secondQuote < 0)
        return QString();
    const QString charset = value.left(firstQuote);
    const bool utf8 = charset.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
    if (!utf8 && charset.compare(QLatin1String("ISO-8859-1"), Qt::CaseInsensitive) != 0)
        return QString();
    QByteArray bytes;
    const QString encoded = value.mid(secondQuote + 1);
    for (int i = 0; i < encoded.size(); ++i) {
        const QChar c = encoded.at(i);
        if (c == QLatin1Char('%')) {
            const int high = i + 1 < encoded.size() ? hexValue(encoded.at(i + 1)) : -1;
            const int low = i + 2 < encoded.size() ? hexValue(encoded.at(i + 2)) : -1;
            if (high < 0 || low < 0)
                return QString();
            bytes.append(char(high * 16 + low));
            i += 2;
        } else if (isAttrChar(c)) {
            bytes.append(c.toLatin1());
        } else {
            return QString();
        }
    }
    if (!utf8)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString name = decoder.decode(bytes);
    return decoder.hasError() ? QString() : name;
}

} // namespace

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
            if (parts.at(i).startsWith(QLatin1String("filename*="))) {
                fileName = decodedExtendedValue(parts.at(i).mid(10));
                fileName.remove(QLatin1Char(' '));
            } else {
                fileName = parts.at(i).mid(9);
            }
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
