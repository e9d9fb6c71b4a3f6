#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QString>
#include <QStringList>

namespace QT_EXT::CookieFile {

// The cookie jar's file "cookies.ini", an INI file as QSettings writes it:
//
//     [General]
//     cookies="@Variant(<the variant's bytes, escaped as QSettings escapes them>)"
//
//     [Exceptions]
//     allow=...
//     allowForSession=...
//     block=...
//
// The key "cookies" holds the saved cookies as a variant of the type QList<QNetworkCookie> in
// its stream form (QDataStream version Qt 4.0): the user-type number 127, the type name with its
// terminating zero, then the jar's own stream of the list: version 23, the count and the raw
// form of each cookie. Qt 6 offers no way to give a list type that QtNetwork declares itself a
// stream form of our own, so the settings file cannot read or write that variant: the bytes are
// made and read here, and the settings file only ever handles them as a byte array, whose
// escaped text differs from the variant's in the word before the parenthesis alone. Files
// written by earlier builds of the program read unchanged, and what is written is the very
// text those builds wrote.

struct Contents
{
    QList<QNetworkCookie> cookies;
    QStringList blocked;
    QStringList allowed;
    QStringList allowForSession;
};

// The contents of the file at path; empty when there is none or it cannot be read. Cookies
// saved in another form than the one above are not read.
Contents read(const QString &path);

// Writes contents to the file at path in one step, keeping any other keys it holds. False when
// the file could not be written.
bool write(const QString &path, const Contents &contents);

// The variant's bytes of a list of cookies as the key "cookies" keeps them.
QByteArray variantBytes(const QList<QNetworkCookie> &cookies);

// The cookies from a variant's bytes: none unless they are a QList<QNetworkCookie> in the
// stream version above. A saved entry that does not parse as a cookie is skipped with a warning;
// the list ends where the bytes end, whatever count they give.
QList<QNetworkCookie> cookiesFromVariantBytes(const QByteArray &bytes);

} // namespace QT_EXT::CookieFile
