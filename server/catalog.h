#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One demo video as the catalog file describes it.
struct CatalogVideo
{
    QString id;
    QString title;
    QString artist; // empty when the title does not name a song
    QString song;
    QString description;
    QStringList tags;
    int duration = 0;  // seconds
    QString published; // ISO date
    qint64 views = 0;
    double rating = 0;
    int favorites = 0;
    int popularity = 0;
    bool embeddable = true;
    QStringList related;
    QString pattern;     // picture of the generated clip (a videotestsrc pattern)
    int frequency = 440; // tone of the generated clip, Hz
    bool audio = false;  // the conversion page offers an audio file
    QString lyricsForm;  // "results", "lyrics_body" or empty when there are no lyrics
    QString lyrics;
};

// The demo catalog: videos, top lists, related videos, search and lyrics.
class Catalog
{
public:
    enum class TopList
    {
        MostPopular,
        MostViewed,
        MostRecent,
        TopRated,
        TopFavorites
    };

    // Reads <dataDir>/catalog.json. On failure returns false and sets error.
    bool load(const QString &dataDir, QString &error);

    const QVector<CatalogVideo> &videos() const { return m_videos; }
    const CatalogVideo *find(const QString &id) const;

    static bool topListFromName(const QString &name, TopList &list);
    QVector<const CatalogVideo *> topList(TopList list) const;
    QVector<const CatalogVideo *> related(const QString &id) const;
    // Every word of the text must occur in the title, the description or a tag (any case).
    QVector<const CatalogVideo *> search(const QString &text) const;
    // The video whose artist and song match (trimmed, any case) and that has lyrics.
    const CatalogVideo *findLyrics(const QString &artist, const QString &song) const;

    // Video ids of the site: 11 characters of letters, digits, '-' and '_'.
    static bool isWellFormedId(const QString &id);

private:
    QVector<CatalogVideo> m_videos;
};
