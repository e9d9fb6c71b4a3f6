#include "desktop.h"

#include "widgetslogging.h"

#include <QBuffer>
#include <QByteArray>
#include <QDebug>
#include <QDesktopServices>
#include <QPixmap>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_WIN
#include "windowsdesktop.h"
#endif

namespace QT_EXT {

bool openUrl(const QString &address)
{
    return QDesktopServices::openUrl(QUrl(address));
}

bool openLocalFile(const QString &path)
{
    const QUrl url = path.startsWith(QLatin1Char('/'))
                         ? QUrl::fromLocalFile(path)
                         : QUrl(QStringLiteral("file:///%1").arg(path));
    return QDesktopServices::openUrl(url);
}

void stripTags(QString &text)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.replace(QStringLiteral("<br>"), QStringLiteral("\n"));
    text.replace(QStringLiteral("</br>"), QStringLiteral("\n"));
    text.remove(tag);
}

void bringToFront(QWidget *widget)
{
    qCDebug(lcDesktop) << Q_FUNC_INFO;
    if (!widget)
        return;
    QWidget *window = widget->window();
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
#ifdef Q_OS_WIN
    // Windows keeps a background program from taking the foreground on its own.
    bringWindowToForeground(reinterpret_cast<HWND>(window->winId()));
#endif
}

QString inlineImage(const QPixmap &pixmap)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\"/>")
        .arg(QString::fromLatin1(png.toBase64()));
}

QString elideText(const QString &text, int maxLength)
{
    if (text.length() <= maxLength)
        return text;
    const QString ellipsis = QStringLiteral("...");
    if (maxLength <= ellipsis.length())
        return ellipsis.left(qMax(0, maxLength));
    return QStringLiteral("%1...").arg(text.left(maxLength - ellipsis.length()));
}

} // namespace QT_EXT
