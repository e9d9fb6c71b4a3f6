#pragma once

#include "qhttpext.h"
#include "webbrowser.h"

#include <QMap>
#include <QString>
#include <QUrl>

// The lyrics page: shows the home page of a lyrics wiki, and on a lyrics link asks for the
// current track, lets the user correct it and shows what the maker's lyrics service finds.
// Every page it shows carries a "Find lyrics for <track>" link that starts that search.
class LyricsPanel : public QT_EXT::WebBrowser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LyricsPanel)

public:
    explicit LyricsPanel(QWidget *parent = nullptr);
    ~LyricsPanel() override;

    // Sets the page up and loads the wiki's home on the first call; every call makes the search
    // link name trackText.
    void showLyrics(const QString &trackText);
    // The track that the search link names.
    const QString &searchLinkTrack() const { return linkTrack; }

    // Base of the panel's own links. Under the reserved top-level domain .invalid, so no real
    // link can hold it and nothing would ever answer it.
    static QString placeholderBase();
    // The link that starts a lyrics search.
    static QUrl searchLink();
    // The service's check number "l" over artist followed by title.
    static quint32 checkNumber(const QString &artist, const QString &title);

signals:
    void signal_lyricsFound(QString lyrics);
    // The receiver fills track_info with the current track as "artist - title".
    void signal_needTrackInfo(QString &track_info);
    void signal_newTrackInfo(QString track_info);

protected slots:
    void slot_textLyricsLinkClicked(QUrl url);
    void slot_httpFinished(const QT_EXT::QHttpExt::httpInfo *info);

protected:
    void onLoadFinished(bool ok) override;
    void onLinkClicked(const QUrl &url, bool &accept) override;

    QT_EXT::QHttpExt http;
    // The track text of the last confirmed search.
    QString trackInfo;
    // Transfer id of each request to the trackInfo it was started for.
    QMap<int, QString> requests;

private:
    bool confirmTrack(QString &text, QString &artist, QString &title);
    void showSearchLink();
    // Shows a page of the panel's own: the search link, then bodyHtml.
    void showPage(const QString &bodyHtml);
    QString searchLinkText() const;

    bool setUp = false;
    // The track that the search link names.
    QString linkTrack;
};
