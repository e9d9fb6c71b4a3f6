#pragma once

#include <QByteArray>
#include <QString>

namespace QT_EXT {

// Reads the value of a Content-Disposition header. False when it does not describe an attachment:
// with every blank removed it must start with "attachment" (case-sensitive). Otherwise fileName
// becomes what follows "filename=" in the first ";"-separated part after the first that starts
// with "filename", with double quotes removed; empty when there is no such part. A "filename*="
// part gives its value decoded instead (charset'language'percent-encoded bytes, the charset
// UTF-8 or ISO-8859-1 in any case), blanks and double quotes removed as from a plain name; a
// value that does not decode to text that way gives an empty name. The sender
// chooses that text, so only its last path component counts, and "." or ".." give an empty name:
// the result is never a path that leads out of the folder it is saved in.
bool attachmentFileName(const QByteArray &disposition, QString &fileName);

// The last path component of a file name that a server suggested; empty for "." and "..".
QString safeFileName(const QString &suggested);

} // namespace QT_EXT
