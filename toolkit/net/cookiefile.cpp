#include "cookiefile.h"

#include "netlogging.h"

#include <QDataStream>
#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

namespace QT_EXT::CookieFile {

namespace {

const QString cookiesKey = QStringLiteral("cookies");
const QString exceptionsGroup = QStringLiteral("Exceptions");
const QString blockKey = QStringLiteral("block");
const QString allowKey = QStringLiteral("allow");
const QString allowForSessionKey = QStringLiteral("allowForSession");

// The settings file's stream version for variants, and the number it gives a user type there.
constexpr QDataStream::Version variantStreamVersion = QDataStream::Qt_4_0;
constexpr quint32 userTypeNumber = 127;
const QByteArray listTypeName = QByteArrayLiteral("QList<QNetworkCookie>");
constexpr quint32 listStreamVersion = 23;

const QByteArray variantMarker = QByteArrayLiteral("@Variant(");
const QByteArray byteArrayMarker = QByteArrayLiteral("@ByteArray(");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Puts `to` in place of `from` at the start of the value of "cookies" in the file's general
// section: the lines before the first section header and those of a section named "General" in
// any case, as the settings file reads it. The value may be quoted. Returns whether any was
// replaced.
bool replaceMarker(QByteArray &text, const QByteArray &from, const QByteArray &to)
{
    bool replaced = false;
    bool general = true;
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = text.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        qsizetype pos = lineStart;
        while (pos < lineEnd && isBlank(text.at(pos)))
            ++pos;
        if (pos < lineEnd && text.at(pos) == '[') {
            qsizetype close = text.indexOf(']', pos);
            if (close < 0 || close > lineEnd)
                close = lineEnd;
            const QByteArray section = text.mid(pos + 1, close - pos - 1).trimmed();
            general = section.compare("general", Qt::CaseInsensitive) == 0;
        } else if (general) {
            const qsizetype equals = text.indexOf('=', pos);
            if (equals >= 0 && equals < lineEnd &&
                text.mid(pos, equals - pos).trimmed() == "cookies") {
                qsizetype value = equals + 1;
                while (value < lineEnd && isBlank(text.at(value)))
                    ++value;
                if (value < lineEnd && text.at(value) == '"')
                    ++value;
                if (text.mid(value, from.size()) == from) {
                    text.replace(value, from.size(), to);
                    lineEnd += to.size() - from.size();
                    replaced = true;
                }
            }
        }
        lineStart = lineEnd + 1;
    }
    return replaced;
}

QByteArray readBytes(const QString &path, bool *ok = nullptr)
{
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The file with the variant of "cookies" turned into a byte array, in a folder of its own: the
// settings file reads and writes that copy, never a variant it cannot read.
class WorkingCopy
{
public:
    explicit WorkingCopy(const QByteArray &text, bool *savedCookies = nullptr)
    {
        QByteArray copy = text;
        const bool replaced = replaceMarker(copy, variantMarker, byteArrayMarker);
        if (savedCookies)
            *savedCookies = replaced;
        m_valid = m_folder.isValid() && writeBytes(path(), copy);
    }

    bool isValid() const { return m_valid; }
    QString path() const { return m_folder.filePath(QStringLiteral("cookies.ini")); }

private:
    QTemporaryDir m_folder;
    bool m_valid = false;
};

} // namespace

Contents read(const QString &path)
{
    Contents contents;
    bool exists = false;
    const QByteArray text = readBytes(path, &exists);
    if (!exists)
        return contents;

    bool savedCookies = false;
    const WorkingCopy copy(text, &savedCookies);
    if (!copy.isValid()) {
        qCWarning(lcNet) << "CookieJar: cannot read" << path;
        return contents;
    }
    QSettings settings(copy.path(), QSettings::IniFormat);
    if (savedCookies)
        contents.cookies = cookiesFromVariantBytes(settings.value(cookiesKey).toByteArray());
    settings.beginGroup(exceptionsGroup);
    contents.blocked = settings.value(blockKey).toStringList();
    contents.allowed = settings.value(allowKey).toStringList();
    contents.allowForSession = settings.value(allowForSessionKey).toStringList();
    settings.endGroup();
    return contents;
}

bool write(const QString &path, const Contents &contents)
{
    // Starting from the file as it is keeps the keys of others, as the settings file would.
    const WorkingCopy copy(readBytes(path));
    if (!copy.isValid())
        return false;
    {
        QSettings settings(copy.path(), QSettings::IniFormat);
        settings.setValue(cookiesKey, variantBytes(contents.cookies));
        settings.beginGroup(exceptionsGroup);
        settings.setValue(blockKey, contents.blocked);
        settings.setValue(allowKey, contents.allowed);
        settings.setValue(allowForSessionKey, contents.allowForSession);
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }

    bool ok = false;
    QByteArray text = readBytes(copy.path(), &ok);
    if (!ok || !replaceMarker(text, byteArrayMarker, variantMarker))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

QByteArray variantBytes(const QList<QNetworkCookie> &cookies)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(variantStreamVersion);
    // A character string goes into the stream with its terminating zero.
    stream << userTypeNumber << listTypeName.constData();
    stream << listStreamVersion << quint32(cookies.size());
    for (const QNetworkCookie &cookie : cookies)
        stream << cookie.toRawForm(QNetworkCookie::Full);
    return bytes;
}

QList<QNetworkCookie> cookiesFromVariantBytes(const QByteArray &bytes)
{
    QDataStream stream(bytes);
    stream.setVersion(variantStreamVersion);
    quint32 type = 0;
    QByteArray name;
    stream >> type >> name;
    if (name.endsWith('\0'))
        name.chop(1);
    if (stream.status() != QDataStream::Ok || type != userTypeNumber || name != listTypeName) {
        qCWarning(lcNet) << "CookieJar: Saved cookies are not a cookie list:" << name;
        return {};
    }

    QList<QNetworkCookie> cookies;
    quint32 version = 0;
    stream >> version;
    if (version != listStreamVersion)
        return cookies;
    quint32 count = 0;
    stream >> count;
    for (quint32 i = 0; i < count && !stream.atEnd(); ++i) {
        QByteArray value;
        stream >> value;
        if (stream.status() != QDataStream::Ok)
            break;
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(value);
        if (parsed.isEmpty() && !value.isEmpty())
            // The entry may hold a cookie's value: its size is all the log says of it.
            qCWarning(lcNet, "CookieJar: Unable to parse a saved cookie of %lld bytes",
                      static_cast<long long>(value.size()));
        cookies += parsed;
    }
    return cookies;
}

} // namespace QT_EXT::CookieFile
