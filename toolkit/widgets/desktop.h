#pragma once

#include <QString>

class QPixmap;
class QWidget;

namespace QT_EXT {

// Opens an address with the desktop's default handler.
bool openUrl(const QString &address);
// Opens a local file or folder with the program that the desktop associates with it. The address
// is "file:///" followed by the path as it stands (a Windows path keeps its drive letter and
// backslashes); an absolute POSIX path becomes a proper file address, so "#" or "?" in a file
// name stay part of the name.
bool openLocalFile(const QString &path);
// Turns "<br>" and "</br>" into line breaks and removes every other tag, in place.
void stripTags(QString &text);

// Shows, raises and activates a widget's window.
void bringToFront(QWidget *widget);
// The pixmap as an HTML image element with the PNG bytes inline.
QString inlineImage(const QPixmap &pixmap);
// The text cut to at most maxLength characters, ending in "..." when it had to be cut.
QString elideText(const QString &text, int maxLength);

} // namespace QT_EXT
