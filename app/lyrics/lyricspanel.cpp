#include "lyricspanel.h"

#include "appsettings.h"
#include "lyricsanswer.h"
#include "qttextparse.h"
#include "trackinfodlg.h"
#include "webpage.h"

#include "json.h"

#include <QStringList>
#include <QTimer>

namespace {

const QString productId = QStringLiteral("quindarole");
const QString searchWord = QStringLiteral("show_lyrics");
const QString requestTemplate = QStringLiteral("lyricssearch.aspx?artist={A}&song={S}&d={D}&l={L}");
const QString searchLinkId = QStringLiteral("mvpLyricsSearchLink");
// Lyrics are a few kilobytes; a larger answer is refused rather than read and shown.
constexpr qint64 maxAnswerBytes = 1024 * 1024;

QString percentEncoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// Texts that are not markup (error texts, addresses) shown in the page.
QString asHtml(const QString &text)
{
    return QT_EXT::QtTextParse::encodedEntities(text);
}

} // namespace

LyricsPanel::LyricsPanel(QWidget *parent) : QT_EXT::WebBrowser(parent)
{
    setObjectName(QStringLiteral("textLyrics"));
    http.setMemoryLimit(maxAnswerBytes);
    connect(&http, &QT_EXT::QHttpExt::sig_Finished, this, &LyricsPanel::slot_httpFinished);
}

LyricsPanel::~LyricsPanel() = default;

QString LyricsPanel::placeholderBase()
{
    return QStringLiteral("http://lyricspanel.invalid/");
}

QUrl LyricsPanel::searchLink()
{
    return QUrl(placeholderBase() + searchWord);
}

quint32 LyricsPanel::checkNumber(const QString &artist, const QString &title)
{
    const QString text = artist + title;
    quint32 value = 0;
    for (int i = text.size() - 1; i >= 0; --i)
        value = value * 33u + text.at(i).unicode();
    return value;
}

void LyricsPanel::showLyrics(const QString &trackText)
{
    linkTrack = trackText;
    if (setUp) {
        showSearchLink();
        return;
    }
    setUp = true;
    setupPage(nullptr, false, false);
    if (auto *webPage = qobject_cast<QT_EXT::WebPage *>(page())) {
        connect(webPage, &QT_EXT::WebPage::signal_acceptNavigationRequest, this,
                &LyricsPanel::slot_acceptNavigationRequest);
    }
    setUrlText(AppSettings::lyricsWikiUrl());
}

void LyricsPanel::onLinkClicked(const QUrl &url, bool &accept)
{
    accept = !url.toString().startsWith(placeholderBase());
    if (accept)
        return;
    // The search runs a modal dialog, which must not run inside the page's navigation call.
    QTimer::singleShot(0, this, [this, url] { slot_textLyricsLinkClicked(url); });
}

void LyricsPanel::onLoadFinished(bool ok)
{
    QT_EXT::WebBrowser::onLoadFinished(ok);
    showSearchLink();
}

QString LyricsPanel::searchLinkText() const
{
    return linkTrack.isEmpty() ? tr("Find lyrics") : tr("Find lyrics for %1").arg(linkTrack);
}

namespace {

const QString searchBoxStyle = QStringLiteral(
    "font: 13px sans-serif; padding: 4px 6px; margin-bottom: 8px; background: #eef2f7; "
    "border-bottom: 1px solid #c8d0da");

} // namespace

void LyricsPanel::showSearchLink()
{
    // The link goes first in the body of whatever page is shown (the wiki's pages have none of
    // their own); its text is set as plain text, since a track name is not markup.
    static const QString script = QStringLiteral(
        "(function (id, address, text, style) {"
        " var body = document.body; if (!body) return;"
        " var link = document.getElementById(id);"
        " if (!link) {"
        "  var box = document.createElement('div'); box.setAttribute('style', style);"
        "  link = document.createElement('a'); link.id = id; link.href = address;"
        "  box.appendChild(link); body.insertBefore(box, body.firstChild);"
        " }"
        " link.textContent = text;"
        "})(%1, %2, %3, %4);");
    runJavaScript(script.arg(QT_EXT::toJson(searchLinkId), QT_EXT::toJson(searchLink().toString()),
                             QT_EXT::toJson(searchLinkText()), QT_EXT::toJson(searchBoxStyle)));
}

void LyricsPanel::showPage(const QString &bodyHtml)
{
    // The panel's own pages carry the link from the start.
    setHtml(QStringLiteral("<html><body><div style=\"%1\"><a id=\"%2\" href=\"%3\">%4</a></div>%5"
                           "</body></html>")
                .arg(searchBoxStyle, searchLinkId, searchLink().toString(),
                     asHtml(searchLinkText()), bodyHtml),
            QUrl());
}

bool LyricsPanel::confirmTrack(QString &text, QString &artist, QString &title)
{
    for (;;) {
        TrackInfoDlg dialog(this);
        dialog.setTrackInfo(text);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        text = dialog.trackInfo();
        const QStringList parts = text.split(QLatin1Char('-'));
        if (parts.size() == 2) {
            artist = parts.at(0);
            title = parts.at(1);
        } else if (!dialog.artist().isEmpty() && !dialog.songTitle().isEmpty()) {
            // The fields keep artist and title apart even when either holds a hyphen.
            artist = dialog.artist();
            title = dialog.songTitle();
        } else {
            continue;
        }
        emit signal_newTrackInfo(text);
        return true;
    }
}

void LyricsPanel::slot_textLyricsLinkClicked(QUrl url)
{
    const QString link = url.toString();
    if (!link.contains(placeholderBase()) || link.indexOf(searchWord) < 1)
        return;

    QString text;
    emit signal_needTrackInfo(text);
    QString artist;
    QString title;
    if (!confirmTrack(text, artist, title))
        return;
    trackInfo = text;
    artist = artist.trimmed().toLower();
    title = title.trimmed().toLower();

    QString address = link;
    address.replace(placeholderBase(), AppSettings::lyricsServiceUrl());
    address.replace(searchWord, requestTemplate);
    address.replace(QLatin1String("{A}"), percentEncoded(artist));
    address.replace(QLatin1String("{S}"), percentEncoded(title));
    address.replace(QLatin1String("{L}"), QString::number(checkNumber(artist, title)));
    address.replace(QLatin1String("{D}"), productId);

    const int id = http.get(address, false);
    if (id == 0) {
        showPage(asHtml(http.lastError()));
        return;
    }
    requests.insert(id, trackInfo);
    showPage(tr("Loading") + QStringLiteral("..."));
}

void LyricsPanel::slot_httpFinished(const QT_EXT::QHttpExt::httpInfo *info)
{
    if (!info)
        return;
    const auto request = requests.find(info->id);
    if (request == requests.end())
        return;
    if (request.value() != trackInfo) {
        // Answer to an older search. Only this entry goes: the latest search may still be
        // waiting for its answer.
        requests.erase(request);
        return;
    }

    QString html;
    bool found = false;
    if (info->failed) {
        html = asHtml(info->error);
    } else {
        found = lyricsFromAnswer(info->text, html);
    }
    if (!found) {
        html += tr("Nothing found") + QStringLiteral("<br>");
        if (!trackInfo.isEmpty())
            html += asHtml(AppSettings::lyricsWikiUrl());
    }
    showPage(html);
    requests.clear();
}
