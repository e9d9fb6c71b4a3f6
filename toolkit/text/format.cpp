#include "format.h"

#include <QHash>
#include <QObject>

namespace QT_EXT {

void formatSize(quint64 bytes, QString &out)
{
    constexpr quint64 KB = 1024;
    constexpr quint64 MB = KB * 1024;
    constexpr quint64 GB = MB * 1024;
    constexpr quint64 TB = GB * 1024;
    const QString withUnit = QStringLiteral("%1 %2");
    if (bytes >= TB)
        out = withUnit.arg(QString::number(bytes / double(TB), 'f', 3), QObject::tr("tb"));
    else if (bytes >= GB)
        out = withUnit.arg(QString::number(bytes / double(GB), 'f', 2), QObject::tr("gb"));
    else if (bytes >= MB)
        out = withUnit.arg(QString::number(bytes / double(MB), 'f', 1), QObject::tr("mb"));
    else if (bytes >= KB)
        out = withUnit.arg(QString::number(bytes / KB), QObject::tr("kb"));
    else
        out = QString::number(bytes);
}

void formatClock(int seconds, QString &out)
{
    // A negative duration keeps its sign in front instead of on every field.
    qint64 rest = seconds;
    const bool negative = rest < 0;
    if (negative)
        rest = -rest;
    const qint64 hours = rest / 3600;
    rest %= 3600;
    const qint64 minutes = rest / 60;
    rest %= 60;
    out = QStringLiteral("%1%2:%3:%4")
              .arg(negative ? QStringLiteral("-") : QString())
              .arg(hours, 2, 10, QLatin1Char('0'))
              .arg(minutes, 2, 10, QLatin1Char('0'))
              .arg(rest, 2, 10, QLatin1Char('0'));
}

QString mediaType(const QString &extension)
{
    static const QHash<QString, QString> types = {
        {QStringLiteral("mp3"), QStringLiteral("audio/mpeg")},
        {QStringLiteral("ogg"), QStringLiteral("application/ogg")},
        {QStringLiteral("oga"), QStringLiteral("application/ogg")},
        {QStringLiteral("flac"), QStringLiteral("audio/flac")},
        {QStringLiteral("mpc"), QStringLiteral("audio/x-musepack")},
        {QStringLiteral("wma"), QStringLiteral("audio/x-ms-wma")},
        {QStringLiteral("aac"), QStringLiteral("audio/mp4")},
        {QStringLiteral("m4a"), QStringLiteral("audio/mp4")},
        {QStringLiteral("mp4"), QStringLiteral("audio/mp4")},
    };
    return types.value(extension, QStringLiteral("unknown"));
}

} // namespace QT_EXT
