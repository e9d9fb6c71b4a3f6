#include "downloadnames.h"

#include "qttextparse.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

const QLatin1String partialSuffix(".part");

// The bytes of a name in UTF-8.
int utf8Bytes(const QString &text)
{
    return int(text.toUtf8().size());
}

// What a name may take before the text that follows it (extension, ".part", a number).
int bytesLeftFor(const QString &following)
{
    return qMax(0, maxFileNameBytes - utf8Bytes(following));
}

} // namespace

QString truncatedToUtf8Bytes(const QString &text, int maxBytes)
{
    int bytes = 0;
    int end = 0;
    while (end < text.size()) {
        const QChar c = text.at(end);
        int units = 1;
        int size = 0;
        if (c.isHighSurrogate() && end + 1 < text.size() && text.at(end + 1).isLowSurrogate()) {
            units = 2;
            size = 4;
        } else if (c.unicode() < 0x80) {
            size = 1;
        } else if (c.unicode() < 0x800) {
            size = 2;
        } else {
            size = 3; // also a lone surrogate, which UTF-8 writes as a replacement character
        }
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

QString downloadFileName(const QString &title, const QString &videoId, const QString &extension,
                         const QDateTime &now)
{
    QString name = title;
    if (name.isEmpty())
        name = now.toString(Qt::TextDate) + QLatin1Char('_') + videoId;
    QT_EXT::QtTextParse::toFileName(name);
    for (const char removed : {'@', ','})
        name.remove(QLatin1Char(removed));
    // A longer name fails with "File name too long" when the partial file is created.
    name = truncatedToUtf8Bytes(name, bytesLeftFor(extension + partialSuffix));
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
    const QString folder = path.left(separator + 1);
    const QString base =
        dot < 0 ? path.mid(separator + 1) : path.mid(separator + 1, dot - separator - 1);
    const QString extension = dot < 0 ? QString() : path.mid(dot);

    QString candidate = path;
    for (int counter = 1; QFileInfo::exists(candidate) && counter < 10; ++counter) {
        const QString number = QLatin1Char('_') + QString::number(counter);
        candidate = folder +
                    truncatedToUtf8Bytes(base, bytesLeftFor(number + extension + partialSuffix)) +
                    number + extension;
    }
    return candidate;
}

QString partialPath(const QString &path)
{
    return path + partialSuffix;
}
